#pragma once

// The frame-time record beside a recording's video file, "<name>.frames.csv": one row per
// frame in the file with the source's frame number, its capture time in UTC, the interval to
// the frame before and what happened in between (frames lost, the clock stepped). It is
// written as the recording goes, so a station that is killed leaves it up to its last
// second, and it sums itself up for the recording log.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/inserter/inserter_session.h"
#include "analysis/inserter/live_inserter.h"
#include "base/files.h"
#include "media/frame_stamps.h"

namespace vesk {

constexpr std::string_view kFrameTimeRecordHeader = "frame,sequence,utc,interval_ms,note";
// Columns after those of a recording whose time inserter was read: each field's time of day
// as read (empty when it was not) and the confidence of its least certain digit, the field
// exposed first before the other.
constexpr std::string_view kInserterColumns =
    ",first_field_inserter,first_field_confidence,second_field_inserter,second_field_confidence";
// Places of lost frames and clock steps the log lists one by one; more are counted.
constexpr std::size_t kLoggedPlaces = 10;

// "<name>.frames.csv" for the video file "<name>.avi"; empty when the name has no extension.
std::string FrameTimeRecordName(std::string_view video_file_name);

// "2026-12-07T00:42:43.123456Z"
std::string FormatIsoUtcMicroseconds(std::int64_t unix_ns);

// What the record saw, for the log.
struct FrameTimeSummary {
  struct Place {
    std::int64_t frame = 0;   // the frame in the file the event came before
    std::int64_t amount = 0;  // frames lost, or the clock's step in nanoseconds
  };
  std::int64_t frames = 0;
  std::int64_t first_utc_ns = 0;
  std::int64_t last_utc_ns = 0;
  std::int64_t largest_interval_ns = 0;
  std::int64_t largest_interval_frame = 0;  // the frame the largest interval ended at
  std::vector<Place> losses;                // the first kLoggedPlaces
  std::int64_t loss_places = 0;
  std::int64_t frames_lost = 0;
  std::vector<Place> clock_steps;  // the first kLoggedPlaces
  std::int64_t clock_step_places = 0;
  std::string write_error;  // why the record stopped; empty while it is whole
};

class FrameTimeRecord final : public FrameStampSink {
 public:
  // Makes the record at path, new: anything already there is never written over. False,
  // with the reason, when it cannot be made.
  // inserter: where each frame's field times come from, for the inserter's columns and
  // log lines; null: the record has neither.
  bool Create(const std::string& path, std::string* reason,
              inserter::FieldTimesSource* inserter = nullptr);
  // The rows of a batch, written at once. A write that fails stops the record (the video
  // has priority); the summary keeps counting.
  void TakeFrames(const FrameStamp* stamps, std::size_t count) override;
  void Close() { file_.Close(); }
  // After Close: cuts the record to its first `frames` rows, as its video file was cut back
  // to its last whole frame after a failed write, and sums up what is left. False, with the
  // reason, when the record cannot be cut.
  bool CutToFrames(std::int64_t frames, std::string* reason);
  const std::string& path() const { return path_; }
  const FrameTimeSummary& summary() const { return summary_; }
  // The log's lines on the inserter's fields; none when it was not read.
  std::vector<std::string> InserterLogLines() const;

 private:
  void AppendRow(const FrameStamp& stamp);
  void AppendInserterColumns(std::int64_t frame, const FrameStamp& stamp);

  files::GrowingFile file_;
  std::string path_;
  std::string rows_;  // reused from batch to batch
  FrameTimeSummary summary_;
  std::int64_t last_sequence_ = -1;
  std::int64_t last_utc_ns_ = 0;
  inserter::FieldTimesSource* inserter_ = nullptr;
  std::optional<inserter::InserterTiming> timing_;
};

// Reads a frame-time record back as far as it is whole (a station killed while recording
// leaves a last row cut short): false when it is no frame-time record. utc_ns, when given,
// gets every whole row's capture time (Unix ns), in order.
bool ReadFrameTimeRecord(std::string_view text, FrameTimeSummary* summary,
                         std::vector<std::int64_t>* utc_ns = nullptr);

// The capture time (Unix nanoseconds, UTC) of each frame of the file, from a frame-time
// record's whole rows in order; empty when the text is no frame-time record.
std::vector<std::int64_t> ReadFrameTimes(std::string_view text);
// "2026-12-07 00:42:43.123 UTC"
std::string FormatUtcMilliseconds(std::int64_t unix_ns);

// The lines the file information adds for a record beside the file: when its first and
// last frames were captured, and the frames lost.
std::vector<std::string> FrameTimeInfoLines(const FrameTimeSummary& summary,
                                            std::string_view record_name);

// The recording log's lines on the frame times: the first and last frame, what the times
// stand for, the intervals, where frames were lost, clock steps, and the record itself.
std::vector<std::string> FrameTimeLogLines(const FrameTimeSummary& summary,
                                           FrameTimeOrigin origin, std::uint64_t stamps_lost,
                                           std::string_view record_name);

}  // namespace vesk
