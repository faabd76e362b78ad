#pragma once

// Timers driven by the fake clock: moving the clock runs every timer that falls due on the
// way, in the order of their moments, with the clock set to each moment.

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
      auto next = timers_.end();
      for (auto it = timers_.begin(); it != timers_.end(); ++it) {
        if (it->second.due <= utc && (next == timers_.end() || it->second.due < next->second.due)) {
          next = it;
        }
      }
      if (next == timers_.end()) break;
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
