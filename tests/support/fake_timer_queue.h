#pragma once

// Timers driven by the fake clock: moving the clock runs every timer that falls due on the
// way, in the order of their moments, with the clock set to each moment.

#include <algorithm>
#include <map>
#include <utility>

#include "base/timer_queue.h"
#include "support/fake_clock.h"

namespace vesk::testing {

class FakeTimerQueue final : public TimerQueue {
 public:
  explicit FakeTimerQueue(FakeClock& clock) : clock_(clock) {}

  TimerId StartAt(FileTime utc, std::function<void()> work) override {
    timers_[next_] = Timer{utc, 0, std::move(work)};
    return next_++;
  }
  TimerId StartEvery(std::chrono::milliseconds period, std::function<void()> work) override {
    const FileTime ticks = static_cast<FileTime>(period.count()) * kTicksPerMillisecond;
    timers_[next_] = Timer{clock_.UtcNow() + ticks, ticks, std::move(work)};
    return next_++;
  }
  void Cancel(TimerId id) override { timers_.erase(id); }

  // Moves the clock to utc, running what falls due on the way.
  void RunUntil(FileTime utc) {
    for (;;) {
      // The earliest; of two at one moment, the one started first.
      const auto next = std::min_element(timers_.begin(), timers_.end(), [](auto& a, auto& b) {
        return a.second.due < b.second.due;
      });
      if (next == timers_.end() || next->second.due > utc) break;
      if (next->second.due > clock_.UtcNow()) clock_.SetUtc(next->second.due);
      std::function<void()> work = next->second.work;
      if (next->second.period == 0) {
        timers_.erase(next);
      } else {
        next->second.due += next->second.period;
      }
      work();
    }
    if (utc > clock_.UtcNow()) clock_.SetUtc(utc);
  }
  void RunFor(FileTime ticks) { RunUntil(clock_.UtcNow() + ticks); }
  std::size_t active() const { return timers_.size(); }

 private:
  struct Timer {
    FileTime due;
    FileTime period;  // 0: once
    std::function<void()> work;
  };
  FakeClock& clock_;
  std::map<TimerId, Timer> timers_;
  TimerId next_ = 1;
};

}  // namespace vesk::testing
