#pragma once

// What the time inserter's window asks of the station, and what it shows: learning the
// inserter from the live video, what was learnt, saving it, and the live read-out of the
// inserter's time against the computer clock. The window polls Status() a few times a
// second; every call comes from the window's (main) thread.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "analysis/inserter/inserter_layout.h"
#include "analysis/inserter/stamp_cells.h"

namespace vesk {

struct InserterStatus {
  enum class Phase { kIdle, kLearning, kLearnt, kFailed };
  Phase phase = Phase::kIdle;
  int frames_learnt = 0;    // progress while learning
  int frames_to_learn = 0;
  // The learning's report lines once it is over (layout, characters, doubtful ones; or why
  // it failed).
  std::vector<std::string> report;
  // What was learnt, not yet saved (kLearnt only).
  std::optional<std::array<inserter::LearntInserter, 2>> learnt;
  // The live read-out: whether the station reads the live video with learnt characters, the
  // latest field as read ("" when none was), whether it was doubtful, and the computer
  // clock minus the inserter at that field.
  bool reading = false;
  std::string inserter_time;
  bool doubtful = false;
  std::optional<double> clock_minus_inserter_ms;
};

class InserterPort {
 public:
  virtual ~InserterPort() = default;
  // Learns from the live video for that long. frame_rect: the stamp's rectangle the observer
  // marked, in frame pixels (both fields); none for the station to find it itself.
  virtual void StartLearning(int seconds, std::optional<inserter::StampBand> frame_rect) = 0;
  virtual void StopLearning() = 0;
  virtual InserterStatus Status() const = 0;
  // Saves the learnt sets (the observer's confirmations already applied: a confirmed digit
  // is no longer in doubtful_digits) and reads the live video with them from now on.
  virtual bool SaveLearnt(const std::array<inserter::LearntInserter, 2>& learnt,
                          std::string* why) = 0;
  // The latest live frame's luma (width x height bytes, row by row), for marking the stamp;
  // false when no frame has come yet.
  virtual bool LatestFrame(std::vector<std::uint8_t>* luma, int* width, int* height) const = 0;
};

}  // namespace vesk
