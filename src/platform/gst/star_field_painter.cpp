#include "platform/gst/star_field_painter.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "platform/gst/bitmap_font.h"

namespace vesk::simcam {
namespace {

constexpr int kSkyLevel = 20;
constexpr int kStarCount = 60;

// A small deterministic generator, so every run shows the same sky.
std::uint32_t NextRandom(std::uint32_t* state) {
  std::uint32_t x = *state;
  x ^= x << 13;
  x ^= x >> 17;
  x ^= x << 5;
  *state = x;
  return x;
}

void AddStar(std::vector<std::uint8_t>* sky, int width, int height, int cx, int cy,
             double amplitude, double sigma) {
  const int radius = static_cast<int>(std::ceil(3 * sigma));
  for (int y = cy - radius; y <= cy + radius; ++y) {
    if (y < 0 || y >= height) continue;
    for (int x = cx - radius; x <= cx + radius; ++x) {
      if (x < 0 || x >= width) continue;
      const double r2 = (x - cx) * (x - cx) + (y - cy) * (y - cy);
      const int light = static_cast<int>(amplitude * std::exp(-r2 / (2 * sigma * sigma)));
      std::uint8_t& pixel = (*sky)[static_cast<std::size_t>(y) * width + x];
      pixel = static_cast<std::uint8_t>(std::min(255, pixel + light));
    }
  }
}

}  // namespace

bool TargetOcculted(const FrameStamp& stamp) {
  return stamp.second >= kOccultationStartSecond &&
         stamp.second < kOccultationStartSecond + kOccultationSeconds;
}

void FormatStamp(const FrameStamp& stamp, char (&text)[kStampTextCapacity]) {
  std::snprintf(text, sizeof text, "%02d:%02d:%02d.%03d %07llu", stamp.hour % 100,
                stamp.minute % 100, stamp.second % 100, stamp.millisecond % 1000,
                static_cast<unsigned long long>(stamp.counter % 10000000ull));
}

std::string StampText(const FrameStamp& stamp) {
  char text[kStampTextCapacity];
  FormatStamp(stamp, text);
  return text;
}

void StarFieldPainter::Configure(int width, int height, std::uint32_t seed, bool interlaced) {
  width_ = std::max(1, width);
  height_ = std::max(1, height);
  sky_.assign(static_cast<std::size_t>(width_) * height_, kSkyLevel);
  std::uint32_t state = seed == 0 ? 0x12345678u : seed;
  for (int i = 0; i < kStarCount; ++i) {
    const int x = static_cast<int>(NextRandom(&state) % static_cast<std::uint32_t>(width_));
    const int y = static_cast<int>(NextRandom(&state) % static_cast<std::uint32_t>(height_));
    // Many faint stars, few bright ones.
    const double brightness = 1.0 - std::sqrt((NextRandom(&state) % 1000) / 1000.0);
    AddStar(&sky_, width_, height_, x, y, 20 + 200 * brightness, 0.8 + 1.2 * brightness);
  }
  target_x_ = width_ / 2;
  target_y_ = height_ / 2;
  // Keep the target's surroundings dark so its light curve is clean.
  for (int y = target_y_ - 3 * kTargetRadius; y <= target_y_ + 3 * kTargetRadius; ++y) {
    for (int x = target_x_ - 3 * kTargetRadius; x <= target_x_ + 3 * kTargetRadius; ++x) {
      if (x >= 0 && x < width_ && y >= 0 && y < height_) {
        sky_[static_cast<std::size_t>(y) * width_ + x] = kSkyLevel;
      }
    }
  }
  for (int dy = -kTargetRadius; dy <= kTargetRadius; ++dy) {
    for (int dx = -kTargetRadius; dx <= kTargetRadius; ++dx) {
      const double r2 = dx * dx + dy * dy;
      target_[(dy + kTargetRadius) * (2 * kTargetRadius + 1) + dx + kTargetRadius] =
          static_cast<std::uint8_t>(180 * std::exp(-r2 / (2 * 1.6 * 1.6)));
    }
  }
  text_scale_ = std::clamp(width_ / 320, 1, 3);
  TextStyle style;
  style.scale = text_scale_;
  text_x_ = 8 * text_scale_;
  interlaced_ = interlaced;
  text_y_ = height_ - (interlaced ? 2 : 1) * TextBoxHeight(style) - 6 * text_scale_;
  if (interlaced) text_y_ &= ~1;
  lookup_valid_ = false;
}

void StarFieldPainter::UpdateLookup(const PictureControls& controls) {
  if (lookup_valid_ && controls == lookup_controls_) return;
  const double gain = std::exp2((std::clamp(controls.gain, 0, 100) - 50) / 25.0);
  const double contrast = std::clamp(controls.contrast, 0, 255) / 128.0;
  const double offset = std::clamp(controls.brightness, 0, 255) - 128;
  for (int level = 0; level < static_cast<int>(lookup_.size()); ++level) {
    const double value = (level * gain - 128.0) * contrast + 128.0 + offset;
    lookup_[level] = static_cast<std::uint8_t>(std::lround(std::clamp(value, 0.0, 255.0)));
  }
  lookup_controls_ = controls;
  lookup_valid_ = true;
}

void StarFieldPainter::Paint(const FrameStamp& stamp, const PictureControls& controls,
                             std::uint8_t* luma, int stride) {
  UpdateLookup(controls);
  PaintRows(stamp, 0, 1, luma, stride);
  DrawStamp(stamp, luma, height_, stride, text_y_);
}

void StarFieldPainter::DrawStamp(const FrameStamp& stamp, std::uint8_t* plane, int rows,
                                 int stride, int y) {
  TextStyle style;
  style.scale = text_scale_;
  char text[kStampTextCapacity];
  FormatStamp(stamp, text);
  DrawText(plane, width_, rows, stride, text_x_, y, text, style);
  if (stamp_noise_ <= 0) return;
  std::uint64_t state = noise_state_;
  const int right = std::min(width_, text_x_ + TextBoxWidth(text, style));
  const int bottom = std::min(rows, y + TextBoxHeight(style));
  for (int row = std::max(0, y); row < bottom; ++row) {
    std::uint8_t* pixel = plane + static_cast<std::ptrdiff_t>(row) * stride;
    for (int x = text_x_; x < right; ++x) {
      state ^= state << 13;
      state ^= state >> 7;
      state ^= state << 17;
      // Triangular, from -stamp_noise_ to stamp_noise_.
      const int a = static_cast<int>(state % 1024), b = static_cast<int>((state >> 10) % 1024);
      const int noise = (a + b - 1023) * stamp_noise_ / 1023;
      pixel[x] = static_cast<std::uint8_t>(std::clamp(pixel[x] + noise, 0, 255));
    }
  }
  noise_state_ = state;
}

void StarFieldPainter::PaintField(const FrameStamp& stamp, const PictureControls& controls,
                                  int field, std::uint8_t* luma, int stride) {
  UpdateLookup(controls);
  const int first = field & 1;
  PaintRows(stamp, first, 2, luma, stride);
  // The field as a picture of its own: every other row, half as many.
  DrawStamp(stamp, luma + static_cast<std::ptrdiff_t>(first) * stride, (height_ - first + 1) / 2,
            2 * stride, text_y_ / 2);
}

void StarFieldPainter::PaintRows(const FrameStamp& stamp, int first, int step,
                                 std::uint8_t* luma, int stride) {
  const bool occulted = TargetOcculted(stamp);
  std::uint64_t state = noise_state_;
  const std::uint8_t* sky = sky_.data();
  for (int y = first; y < height_; y += step) {
    std::uint8_t* row = luma + static_cast<std::ptrdiff_t>(y) * stride;
    const std::uint8_t* sky_row = sky + static_cast<std::size_t>(y) * width_;
    std::uint64_t bits = 0;
    int bits_left = 0;
    for (int x = 0; x < width_; ++x) {
      if (bits_left == 0) {
        // xorshift64: eight pixels of noise per step.
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        bits = state;
        bits_left = 8;
      }
      // Triangular noise in -7..7 around the sensor level.
      const int noise = static_cast<int>(bits & 7) + static_cast<int>((bits >> 3) & 7) - 7;
      bits >>= 8;
      --bits_left;
      row[x] = lookup_[static_cast<std::size_t>(std::max(0, sky_row[x] + noise))];
    }
  }
  if (!occulted) {
    for (int dy = -kTargetRadius; dy <= kTargetRadius; ++dy) {
      const int y = target_y_ + dy;
      if (y < first || y >= height_ || (y - first) % step != 0) continue;
      for (int dx = -kTargetRadius; dx <= kTargetRadius; ++dx) {
        const int x = target_x_ + dx;
        if (x < 0 || x >= width_) continue;
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        const int noise = static_cast<int>(state & 7) + static_cast<int>((state >> 3) & 7) - 7;
        const int level =
            sky[static_cast<std::size_t>(y) * width_ + x] + noise +
            target_[(dy + kTargetRadius) * (2 * kTargetRadius + 1) + dx + kTargetRadius];
        luma[static_cast<std::ptrdiff_t>(y) * stride + x] =
            lookup_[static_cast<std::size_t>(std::clamp(level, 0, 511))];
      }
    }
  }
  noise_state_ = state;
}

}  // namespace vesk::simcam
