#pragma once

// The time inserter in the live video: every frame of an interlaced source is read for its
// two fields' stamps, or learnt from, on a thread of its own. The streaming thread only
// copies the frame's luma into one of a few buffers kept from frame to frame; a frame that
// finds them all taken is left unread (and counted), so the video never waits.

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "analysis/inserter/inserter_layout.h"
#include "analysis/inserter/inserter_reader.h"
#include "analysis/inserter/inserter_session.h"
#include "media/live_frame_tap.h"

namespace vesk::inserter {

// A frame's luma, row by row without padding, into out (width x height bytes); false, with
// nothing written past what the frame holds, for a layout or size that cannot be read.
bool CopyLuma(const LiveFrame& frame, std::uint8_t* out);

// One field of a frame as read: its inserter time when read and following the fields
// before it, and how sure the least certain digit was.
struct FieldTime {
  bool read = false;
  std::int64_t time_of_day_100us = 0;
  double confidence = 0;
};

// A frame's two fields in the order they were exposed, and the field period they were read
// with.
struct FrameFieldTimes {
  std::array<FieldTime, 2> fields{};
  double field_period_ms = 0;
  int fraction_digits = 0;
};

// Where a recording takes its frames' field times from.
class FieldTimesSource {
 public:
  virtual ~FieldTimesSource() = default;
  // Whether frames are read with learnt characters.
  virtual bool reads() const = 0;
  // The fields of the source's frame number `sequence` of the running video, once that frame
  // has been read or passed over; false when it was not read (no learnt inserter, frames
  // that came too fast to read, or no frame of that number).
  virtual bool FieldsOf(std::int64_t sequence, FrameFieldTimes* fields) = 0;
};

// A reading within this long of now counts as current.
inline constexpr std::int64_t kRecentReadingNs = 2000000000;

// The latest field read live.
struct LiveReadout {
  bool reading = false;       // learnt characters are in use
  std::string inserter_time;  // "hh:mm:ss.fff", "" when no field was read yet
  bool doubtful = false;
  std::optional<double> clock_minus_inserter_ms;
  std::int64_t field_utc_ns = 0;  // that field's time on the computer clock
};

struct LearningProgress {
  bool active = false;  // learning goes on
  int frames_learnt = 0;
  int frames_to_learn = 0;
  bool over = false;  // a learning ran to its end (or failed)
  std::vector<std::string> report;
  std::optional<std::array<LearntInserter, 2>> learnt;
};

class LiveInserter final : public LiveFrameTap, public FieldTimesSource {
 public:
  static constexpr int kBuffers = 4;

  LiveInserter();
  ~LiveInserter() override;
  LiveInserter(const LiveInserter&) = delete;
  LiveInserter& operator=(const LiveInserter&) = delete;

  // LiveFrameTap.
  void BeginRun() override;
  void TakeLiveFrame(const LiveFrame& frame) override;

  // Reads every frame with what was learnt from now on.
  void ReadWith(const std::array<LearntInserter, 2>& learnt);
  bool reads() const override;
  // Learns from the next seconds of frames (frame_rect as InserterLearning takes it);
  // reading goes on meanwhile.
  void StartLearning(double seconds, std::optional<StampBand> frame_rect);
  void StopLearning();
  LearningProgress Learning() const;
  LiveReadout Readout() const;
  // The computer clock minus the inserter at the latest field read, when it was read and not
  // doubtful within kRecentReadingNs of now_utc_ns.
  std::optional<double> RecentClockMinusInserterMs(std::int64_t now_utc_ns) const;
  // Frames are kept for this while the read-out's window asks for them (at its first call
  // there is none yet); without it, learning or reading, frames are not even copied.
  bool LatestFrame(std::vector<std::uint8_t>* luma, int* width, int* height) const;

  bool FieldsOf(std::int64_t sequence, FrameFieldTimes* fields) override;

  // Frames the source gave while tapped, and those left unread for want of a free buffer.
  std::int64_t frames_offered() const { return offered_.load(); }
  std::int64_t frames_unread() const { return unread_.load(); }
  // Frames copied that its thread has not yet finished with.
  bool busy() const { return in_flight_.load() > 0; }

 private:
  enum SlotState { kFree, kFilling, kFull };
  struct Slot {
    std::atomic<int> state{kFree};
    std::vector<std::uint8_t> luma;
    int width = 0, height = 0;
    std::int64_t sequence = 0, utc_ns = 0, interval_ns = 0;
    std::uint64_t generation = 0, order = 0;
  };
  // Frames kept for recordings to take their fields from, by sequence.
  static constexpr std::size_t kKeptFrames = 512;
  struct Kept {
    std::uint64_t generation = 0;
    std::int64_t sequence = -1;
    FrameFieldTimes times;
  };

  void Run();
  void Work(Slot& slot);

  std::array<Slot, kBuffers> slots_;
  std::atomic<std::uint64_t> generation_{1};
  std::atomic<std::uint64_t> posted_{0};
  std::atomic<std::int64_t> in_flight_{0};
  std::atomic<std::int64_t> offered_{0}, unread_{0};
  std::atomic<std::uint64_t> next_order_{0};
  std::atomic<bool> stopping_{false};
  // Reading or learning; or when the latest frame was last asked for (steady ns).
  std::atomic<bool> engaged_{false};
  mutable std::atomic<std::int64_t> latest_asked_ns_{INT64_MIN / 2};

  // The worker's own.
  std::uint64_t worker_generation_ = 0;
  std::unique_ptr<InserterReader> reader_;
  std::unique_ptr<InserterLearning> learning_;

  mutable std::mutex lock_;  // guards everything below
  std::condition_variable read_;
  std::optional<std::array<LearntInserter, 2>> learnt_;
  bool learnt_changed_ = false;
  std::optional<std::pair<double, std::optional<StampBand>>> learning_asked_;
  bool stop_learning_ = false;
  LearningProgress progress_;
  LiveReadout readout_;
  std::vector<std::uint8_t> latest_;
  int latest_width_ = 0, latest_height_ = 0;
  std::vector<Kept> kept_ = std::vector<Kept>(kKeptFrames);
  std::int64_t done_sequence_ = -1;  // of the current generation
  std::thread thread_;
};

}  // namespace vesk::inserter
