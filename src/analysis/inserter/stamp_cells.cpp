#include "analysis/inserter/stamp_cells.h"

#include <algorithm>
#include <cstdlib>

namespace vesk::inserter {
namespace {

// A jump this large between two fields is ink coming or going, never sky noise.
constexpr int kInkJump = 80;

// The threshold that best splits the band's levels in two (Otsu); -1 when it holds one level.
int SplitLevel(const LumaView& field, const StampBand& band) {
  std::array<std::int64_t, 256> histogram{};
  for (int y = band.top; y < band.bottom; ++y) {
    for (int x = band.left; x < band.right; ++x) ++histogram[field.At(x, y)];
  }
  std::int64_t total = 0, sum = 0;
  for (int level = 0; level < 256; ++level) {
    total += histogram[level];
    sum += level * histogram[level];
  }
  std::int64_t below = 0, below_sum = 0;
  double best = 0;
  int split = -1;
  for (int level = 0; level < 255; ++level) {
    below += histogram[level];
    below_sum += level * histogram[level];
    const std::int64_t above = total - below;
    if (below == 0 || above == 0) continue;
    const double mean_below = static_cast<double>(below_sum) / below;
    const double mean_above = static_cast<double>(sum - below_sum) / above;
    const double between = static_cast<double>(below) * above * (mean_above - mean_below) *
                           (mean_above - mean_below);
    // Halfway between the two levels, not at the edge of the darker one.
    if (between > best && mean_above - mean_below > kInkJump) {
      best = between;
      split = static_cast<int>((mean_below + mean_above) / 2);
    }
  }
  return split;
}

}  // namespace

StampBand FindStampBand(const std::vector<LumaView>& fields) {
  if (fields.size() < 2) return {};
  const int width = fields.front().width, height = fields.front().height;
  // Rows where ink came or went between consecutive fields.
  auto jumps = [&](auto&& at_jump) {
    for (std::size_t i = 1; i < fields.size(); ++i) {
      const LumaView& a = fields[i - 1];
      const LumaView& b = fields[i];
      for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
          if (std::abs(a.At(x, y) - b.At(x, y)) >= kInkJump) at_jump(x, y);
        }
      }
    }
  };
  for (const LumaView& field : fields) {
    if (field.width != width || field.height != height) return {};
  }
  std::vector<int> row_jumps(static_cast<std::size_t>(height), 0);
  jumps([&](int, int y) { ++row_jumps[static_cast<std::size_t>(y)]; });
  // The rows where most jumps happened: the line of changing digits, not a star that set.
  const int most = *std::max_element(row_jumps.begin(), row_jumps.end());
  if (most == 0) return {};
  int top = height, bottom = 0;
  for (int y = 0; y < height; ++y) {
    if (row_jumps[static_cast<std::size_t>(y)] * 8 >= most) {
      top = std::min(top, y);
      bottom = std::max(bottom, y + 1);
    }
  }
  int left = width, right = 0;
  jumps([&](int x, int y) {
    if (y >= top && y < bottom) {
      left = std::min(left, x);
      right = std::max(right, x + 1);
    }
  });
  // A row more each side, for digits whose edge rows rarely change.
  StampBand band{left, std::max(0, top - 1), right, std::min(height, bottom + 1)};
  // Widened to the text around the changing digits (the hours change rarely): columns to
  // either side as long as they hold ink, allowing the gaps between characters.
  const LumaView& last = fields.back();
  const int split = SplitLevel(last, band);
  if (split < 0) return band;
  const int gap_allowed = std::max(4, (bottom - top));
  auto column_has_ink = [&](int x) {
    int light = 0;
    for (int y = top; y < bottom; ++y) light += last.At(x, y) > split ? 1 : 0;
    return light > 0 && light < bottom - top;  // ink against paper, not a blank column
  };
  for (int x = band.left - 1, gap = 0; x >= 0 && gap <= gap_allowed; --x) {
    if (column_has_ink(x)) {
      band.left = x;
      gap = 0;
    } else {
      ++gap;
    }
  }
  for (int x = band.right, gap = 0; x < width && gap <= gap_allowed; ++x) {
    if (column_has_ink(x)) {
      band.right = x + 1;
      gap = 0;
    } else {
      ++gap;
    }
  }
  return band;
}

namespace {

// The split between ink and paper in the band, and which of the two is ink (the rarer);
// false when the band shows one level only.
struct InkTest {
  const LumaView* field = nullptr;
  int split = 0;
  bool ink_is_light = true;
  bool operator()(int x, int y) const { return (field->At(x, y) > split) == ink_is_light; }
};

bool FindInk(const LumaView& field, const StampBand& band, InkTest* ink) {
  if (band.empty() || band.right > field.width || band.bottom > field.height) return false;
  const int split = SplitLevel(field, band);
  if (split < 0) return false;
  std::int64_t light = 0;
  for (int y = band.top; y < band.bottom; ++y) {
    for (int x = band.left; x < band.right; ++x) light += field.At(x, y) > split ? 1 : 0;
  }
  const std::int64_t area =
      static_cast<std::int64_t>(band.right - band.left) * (band.bottom - band.top);
  *ink = {&field, split, light * 2 <= area};
  return true;
}

// Each span's image, sampled in a window `width` wide around the span's centre.
void SampleCells(const InkTest& ink, const StampBand& band, int width, bool clip_to_span,
                 CutLine* line) {
  const int rows = band.bottom - band.top;
  for (const CellSpan& span : line->spans) {
    CellImage image{};
    const int centre2 = span.left + span.right;  // twice the centre
    for (int r = 0; r < kCellImageRows; ++r) {
      const int y = band.top + (2 * r + 1) * rows / (2 * kCellImageRows);
      for (int c = 0; c < kCellImageColumns; ++c) {
        const int x = (centre2 - width) / 2 + (2 * c + 1) * width / (2 * kCellImageColumns);
        const bool inside = clip_to_span ? x >= span.left && x < span.right
                                         : x >= band.left && x < band.right;
        if (inside && ink(x, y)) image[r * kCellImageColumns + c] = 1;
      }
    }
    line->images.push_back(image);
  }
}

}  // namespace

bool CutStampLine(const LumaView& field, const StampBand& band, CutLine* line, int window) {
  line->spans.clear();
  line->images.clear();
  InkTest ink;
  if (!FindInk(field, band, &ink)) return false;
  // Runs of columns that hold ink.
  int widest = 0;
  for (int x = band.left; x < band.right;) {
    bool any = false;
    for (int y = band.top; y < band.bottom && !any; ++y) any = ink(x, y);
    if (!any) {
      ++x;
      continue;
    }
    CellSpan span{x, x};
    for (; span.right < band.right; ++span.right) {
      bool column = false;
      for (int y = band.top; y < band.bottom && !column; ++y) column = ink(span.right, y);
      if (!column) break;
    }
    widest = std::max(widest, span.right - span.left);
    line->spans.push_back(span);
    x = span.right;
  }
  // Narrow characters stay narrow in the widest cell's window.
  line->window = window > 0 ? window : widest;
  SampleCells(ink, band, line->window, true, line);
  return true;
}

bool CutStampLineAt(const LumaView& field, const StampBand& band,
                    const std::vector<int>& centres2, int width, CutLine* line) {
  line->spans.clear();
  line->images.clear();
  InkTest ink;
  if (!FindInk(field, band, &ink)) return false;
  // In each cell's window the run of inked columns that holds the most ink is the character,
  // spanned as when learning; specks of noise beside it are runs of their own.
  for (int centre2 : centres2) {
    const int left = std::max(band.left, (centre2 - width) / 2 - 1);
    const int right = std::min(band.right, (centre2 + width) / 2 + 1);
    CellSpan span{left, right};  // a blank cell keeps its window
    int most = 0;
    for (int x = left; x < right;) {
      int ink_in_run = 0, end = x;
      for (; end < right; ++end) {
        int count = 0;
        for (int y = band.top; y < band.bottom; ++y) count += ink(end, y) ? 1 : 0;
        if (count == 0) break;
        ink_in_run += count;
      }
      if (ink_in_run > most) {
        most = ink_in_run;
        span = {x, end};
      }
      x = end + 1;
    }
    line->spans.push_back(span);
  }
  line->window = width;
  SampleCells(ink, band, width, true, line);
  return true;
}

int CellDistance(const CellImage& a, const CellImage& b) {
  int differ = 0;
  for (std::size_t i = 0; i < a.size(); ++i) differ += a[i] != b[i] ? 1 : 0;
  return differ;
}

}  // namespace vesk::inserter
