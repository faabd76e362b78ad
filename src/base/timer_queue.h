#pragma once

// Timers whose work runs on the user-interface thread, so a callback never races the state
// it changes and cancelling a timer can never meet its callback half way.

#include <chrono>
#include <cstdint>
#include <functional>

#include "base/system_time.h"

namespace vesk {

using TimerId = std::uint64_t;
constexpr TimerId kNoTimer = 0;

class TimerQueue {
 public:
  virtual ~TimerQueue() = default;
  // Runs work once the computer's UTC clock reaches utc. The deadline is on the clock
  // itself: a step of the clock (the time service correcting it) is followed, and changes
  // of the local offset do not matter. A deadline already past runs at once (queued).
  virtual TimerId StartAt(FileTime utc, std::function<void()> work) = 0;
  // Runs work every period, the first time one period from now.
  virtual TimerId StartEvery(std::chrono::milliseconds period, std::function<void()> work) = 0;
  // The timer does nothing more. Unknown or finished timers are ignored.
  virtual void Cancel(TimerId id) = 0;
};

}  // namespace vesk
