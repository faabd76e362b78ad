#pragma once

// Timers on the Qt event loop of the user-interface thread. Deadlines are absolute
// CLOCK_REALTIME timer descriptors, so they fire when the wall clock reaches them even
// after a step of the clock; periodic timers are precise Qt timers.

#include <QObject>
#include <map>
#include <memory>

#include "base/timer_queue.h"

class QSocketNotifier;
class QTimer;

namespace vesk::qt {

class QtTimerQueue final : public TimerQueue {
 public:
  QtTimerQueue();
  ~QtTimerQueue() override;
  QtTimerQueue(const QtTimerQueue&) = delete;
  QtTimerQueue& operator=(const QtTimerQueue&) = delete;

  TimerId StartAt(FileTime utc, std::function<void()> work) override;
  TimerId StartEvery(std::chrono::milliseconds period, std::function<void()> work) override;
  void Cancel(TimerId id) override;

 private:
  struct Entry;
  void Fire(TimerId id);

  std::map<TimerId, std::unique_ptr<Entry>> timers_;
  TimerId next_id_ = 1;
  QObject context_;  // owns the timers' connections; the queue's lifetime bounds them
};

}  // namespace vesk::qt
