#include "analysis/inserter/inserter_session.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace vesk::inserter {
namespace {

constexpr std::int64_t kDayMs = 24LL * 3600 * 1000;
constexpr std::size_t kListedPlaces = 10;

std::string Groups(const StampLayout& layout) {
  std::string text = "hours, minutes, seconds, " + std::to_string(layout.fraction.size()) +
                     " fraction digits";
  if (!layout.counter.empty()) {
    text += ", a " + std::to_string(layout.counter.size()) + "-digit field counter";
  }
  return text;
}

std::string PlacesText(const char* what, std::int64_t fields, std::int64_t places,
                       const std::vector<std::pair<std::int64_t, std::int64_t>>& listed) {
  std::string text = std::string("Inserter fields ") + what + ": ";
  if (places == 0) return text + "none";
  for (std::size_t i = 0; i < listed.size(); ++i) {
    if (i > 0) text += ", ";
    text += std::to_string(listed[i].second) + " before field " + std::to_string(listed[i].first);
  }
  if (places > static_cast<std::int64_t>(listed.size())) {
    text += ", and more in " + std::to_string(places - static_cast<std::int64_t>(listed.size())) +
            " more places";
  }
  return text + " (" + std::to_string(fields) + " in all)";
}

}  // namespace

InserterLearning::InserterLearning(int frames, std::optional<StampBand> frame_rect)
    : frames_(std::max(frames, 2 * kFramesToFindTheStamp)), frame_rect_(frame_rect) {}

bool InserterLearning::AddFrame(const LumaView& frame) {
  if (done_) return true;
  ++seen_;
  if (!stamp_found_) {
    // Copies, since the stamp is looked for once the first frames are all in.
    std::vector<std::uint8_t> copy(static_cast<std::size_t>(frame.width) * frame.height);
    for (int y = 0; y < frame.height; ++y) {
      std::memcpy(copy.data() + static_cast<std::size_t>(y) * frame.width,
                  frame.top + y * frame.stride, static_cast<std::size_t>(frame.width));
    }
    width_ = frame.width;
    height_ = frame.height;
    first_frames_.push_back(std::move(copy));
    if (static_cast<int>(first_frames_.size()) < kFramesToFindTheStamp) return false;
    for (int parity = 0; parity < 2; ++parity) {
      std::vector<LumaView> fields;
      for (const auto& copy : first_frames_) {
        fields.push_back(LumaView{copy.data(), width_, height_, width_}.Field(parity));
      }
      if (frame_rect_) {
        // The marked frame rows, as the field's rows that lie within them.
        band_[parity] = {std::max(frame_rect_->left, 0), (std::max(frame_rect_->top, 0) + 1 - parity) / 2,
                         std::min(frame_rect_->right, width_),
                         std::min((frame_rect_->bottom + 1 - parity) / 2, fields[0].height)};
      } else {
        band_[parity] = FindStampBand(fields);
      }
      if (band_[parity].empty()) {
        why_ = "no stamp was found: nothing in the picture changes from field to field as a "
               "time inserter's digits do";
        done_ = true;
        return true;
      }
      // One window for every cell of every line, a little wider than the widest seen, so the
      // same character always gives the same image.
      CutLine line;
      for (const LumaView& field : fields) {
        if (CutStampLine(field, band_[parity], &line)) {
          window_[parity] = std::max(window_[parity], line.window + 2);
        }
      }
    }
    first_frames_.clear();
    first_frames_.shrink_to_fit();
    stamp_found_ = true;
    return false;
  }
  if (frame.width != width_ || frame.height != height_) {
    why_ = "the picture size changed while learning";
    done_ = true;
    return true;
  }
  for (int parity = 0; parity < 2; ++parity) {
    lines_[parity].emplace_back();
    if (!CutStampLine(frame.Field(parity), band_[parity], &lines_[parity].back(),
                      window_[parity])) {
      lines_[parity].pop_back();
    }
  }
  if (seen_ < frames_) return false;
  done_ = true;
  for (int parity = 0; parity < 2 && why_.empty(); ++parity) {
    learnt_[parity] = LearnInserter(lines_[parity], band_[parity], &why_);
  }
  if (!why_.empty()) {
    learnt_[0].reset();
    learnt_[1].reset();
  }
  lines_[0].clear();
  lines_[1].clear();
  return true;
}

std::vector<std::string> InserterLearning::ReportLines() const {
  if (!learnt()) {
    return {"The time inserter was not learnt: " + (why_.empty() ? "learning goes on" : why_)};
  }
  std::vector<std::string> lines;
  const LearntInserter& even = *learnt_[0];
  char where[96];
  std::snprintf(where, sizeof where, "rows %d to %d, columns %d to %d of each field",
                even.band.top, even.band.bottom - 1, even.band.left, even.band.right - 1);
  lines.push_back("Time inserter learnt: its stamp stands at " + std::string(where) + "; " +
                  std::to_string(even.layout.cells) + " characters: " + Groups(even.layout));
  lines.emplace_back("Characters learnt: the digits 0 to 9 of both fields");
  std::string doubtful;
  for (int parity = 0; parity < 2; ++parity) {
    for (int digit : learnt_[parity]->doubtful_digits) {
      doubtful += (doubtful.empty() ? "" : ", ") + std::to_string(digit) +
                  (parity == 0 ? " (even field)" : " (odd field)");
    }
  }
  lines.push_back("Doubtful characters, to be confirmed: " + (doubtful.empty() ? "none" : doubtful));
  return lines;
}

void InserterTiming::Add(std::int64_t field, std::int64_t computer_utc_ns,
                         const FieldReading& reading) {
  ++fields_;
  ++since_read_;
  if (reading.doubtful || !reading.read) return;
  ++read_;
  // The computer clock's time of day against the inserter's, across midnight too.
  const double computer_ms =
      static_cast<double>(((computer_utc_ns / 1000000) % kDayMs + kDayMs) % kDayMs) +
      static_cast<double>(computer_utc_ns % 1000000) / 1e6;
  double offset = computer_ms - static_cast<double>(reading.time_of_day_100us) / 10.0;
  if (offset > kDayMs / 2) offset -= kDayMs;
  if (offset < -kDayMs / 2) offset += kDayMs;
  offset_sum_ms_ += offset;
  offset_square_sum_ms_ += offset * offset;
  if (last_) {
    double step = static_cast<double>(reading.time_of_day_100us - last_->time_of_day_100us) / 10.0;
    if (step < -kDayMs / 2) step += kDayMs;
    // Fields passed in between that could not be read stand for as many periods.
    const auto periods = static_cast<std::int64_t>(std::llround(step / period_ms_));
    if (periods < since_read_) {
      const std::int64_t repeated = since_read_ - std::max<std::int64_t>(periods, 0);
      ++repeated_places_;
      repeated_fields_ += repeated;
      if (repeated_.size() < kListedPlaces) repeated_.push_back({field, repeated});
    } else if (periods > since_read_) {
      ++missing_places_;
      missing_fields_ += periods - since_read_;
      if (missing_.size() < kListedPlaces) missing_.push_back({field, periods - since_read_});
    }
  }
  last_ = reading;
  since_read_ = 0;
}

std::vector<std::string> InserterTiming::LogLines() const {
  std::vector<std::string> lines;
  lines.push_back("Inserter fields read: " + std::to_string(read_) + " of " +
                  std::to_string(fields_));
  if (read_ > 0) {
    const double mean = offset_sum_ms_ / static_cast<double>(read_);
    const double spread = std::sqrt(std::max(
        0.0, offset_square_sum_ms_ / static_cast<double>(read_) - mean * mean));
    char text[128];
    std::snprintf(text, sizeof text,
                  "Computer clock minus inserter: mean %+.1f ms, spread %.1f ms", mean, spread);
    lines.emplace_back(text);
  }
  auto listed = [](const std::vector<Place>& places) {
    std::vector<std::pair<std::int64_t, std::int64_t>> pairs;
    for (const Place& place : places) pairs.emplace_back(place.field, place.count);
    return pairs;
  };
  lines.push_back(PlacesText("missing", missing_fields_, missing_places_, listed(missing_)));
  lines.push_back(PlacesText("repeated", repeated_fields_, repeated_places_, listed(repeated_)));
  return lines;
}

}  // namespace vesk::inserter
