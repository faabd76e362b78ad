#pragma once

// The time inserter over a run of live video: learning it from the first seconds of
// interlaced frames, and summing up what was read over a recording for its log.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "analysis/inserter/inserter_layout.h"
#include "analysis/inserter/stamp_cells.h"

namespace vesk::inserter {

// Learns both fields' stamps from whole interlaced frames: the first frames find where the
// stamp is, the following ones name its digits.
class InserterLearning {
 public:
  // frames: how many frames to learn from (the seconds asked for times the frame rate).
  // frame_rect: the stamp's rectangle as the observer marked it, in frame rows and columns;
  // none for the stamp to be found in the video.
  explicit InserterLearning(int frames, std::optional<StampBand> frame_rect = std::nullopt);
  // Frames taken so far, and how many it learns from.
  int frames_seen() const { return seen_; }
  int frames_to_learn() const { return frames_; }
  // One frame, both fields in it. True once learning is over, however it went.
  bool AddFrame(const LumaView& frame);
  bool done() const { return done_; }
  // Both fields learnt, or nothing (then why() says what was missing).
  bool learnt() const { return learnt_[0].has_value() && learnt_[1].has_value(); }
  const LearntInserter& field(int parity) const { return *learnt_[parity & 1]; }
  const std::string& why() const { return why_; }
  // What was learnt, for the observer: the layout, the characters, the doubtful ones.
  std::vector<std::string> ReportLines() const;

 private:
  static constexpr int kFramesToFindTheStamp = 8;
  int frames_;
  std::optional<StampBand> frame_rect_;
  int seen_ = 0;
  bool done_ = false;
  bool stamp_found_ = false;
  std::vector<std::vector<std::uint8_t>> first_frames_;
  int width_ = 0, height_ = 0;
  StampBand band_[2];
  int window_[2] = {0, 0};  // the columns every cell is sampled from, per field
  std::vector<CutLine> lines_[2];
  std::optional<LearntInserter> learnt_[2];
  std::string why_;
};

// The readings of a recording's fields against the computer clock's times of those fields.
class InserterTiming {
 public:
  explicit InserterTiming(double field_period_ms) : period_ms_(field_period_ms) {}
  // field: the field's number since the recording began; computer_utc_ns: its time on the
  // computer clock (Unix nanoseconds).
  void Add(std::int64_t field, std::int64_t computer_utc_ns, const FieldReading& reading);
  double field_period_ms() const { return period_ms_; }
  // The log's lines: fields read of all fields, the computer clock minus the inserter (mean
  // and spread), and the fields missing or repeated and where (up to ten places each).
  std::vector<std::string> LogLines() const;

 private:
  struct Place {
    std::int64_t field;
    std::int64_t count;
  };
  double period_ms_;
  std::int64_t fields_ = 0, read_ = 0;
  std::int64_t since_read_ = 0;  // fields added since the last one read
  double offset_sum_ms_ = 0, offset_square_sum_ms_ = 0;
  std::optional<FieldReading> last_;
  std::vector<Place> missing_, repeated_;
  std::int64_t missing_places_ = 0, repeated_places_ = 0, missing_fields_ = 0,
               repeated_fields_ = 0;
};

}  // namespace vesk::inserter
