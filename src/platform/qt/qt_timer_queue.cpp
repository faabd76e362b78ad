#include "platform/qt/qt_timer_queue.h"

#include <sys/timerfd.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <QTimer>
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <utility>

namespace vesk::qt {
namespace {

// FileTime counts 100 ns from 1601-01-01; the Unix epoch is 11,644,473,600 s later.
constexpr std::int64_t kUnixEpochTicks = 116444736000000000LL;

timespec RealtimeOf(FileTime utc) {
  const std::int64_t unix_ticks = static_cast<std::int64_t>(utc) - kUnixEpochTicks;
  timespec at{};
  if (unix_ticks <= 0) {
    at.tv_nsec = 1;  // the epoch itself: long past, so due at once
    return at;
  }
  at.tv_sec = static_cast<time_t>(unix_ticks / 10000000);
  at.tv_nsec = static_cast<long>((unix_ticks % 10000000) * 100);
  if (at.tv_sec == 0 && at.tv_nsec == 0) at.tv_nsec = 1;  // zero would disarm
  return at;
}

}  // namespace

struct QtTimerQueue::Entry {
  std::function<void()> work;
  int fd = -1;
  std::unique_ptr<QSocketNotifier> notifier;
  std::unique_ptr<QTimer> timer;
  // The timer may be going away from inside its own signal: its objects are released later.
  ~Entry() {
    if (notifier) {
      notifier->setEnabled(false);
      notifier.release()->deleteLater();
    }
    if (timer) {
      timer->stop();
      timer.release()->deleteLater();
    }
    if (fd >= 0) ::close(fd);
  }
};

QtTimerQueue::QtTimerQueue() = default;

QtTimerQueue::~QtTimerQueue() { timers_.clear(); }

TimerId QtTimerQueue::StartAt(FileTime utc, std::function<void()> work) {
  const TimerId id = next_id_++;
  auto entry = std::make_unique<Entry>();
  entry->work = std::move(work);
  entry->fd = ::timerfd_create(CLOCK_REALTIME, TFD_NONBLOCK | TFD_CLOEXEC);
  itimerspec deadline{};
  deadline.it_value = RealtimeOf(utc);
  if (entry->fd >= 0 && ::timerfd_settime(entry->fd, TFD_TIMER_ABSTIME, &deadline, nullptr) == 0) {
    entry->notifier = std::make_unique<QSocketNotifier>(entry->fd, QSocketNotifier::Read);
    QObject::connect(entry->notifier.get(), &QSocketNotifier::activated, &context_,
                     [this, id] { Fire(id); });
  } else {
    // No timer descriptor: a single-shot Qt timer to the deadline as the clock now stands.
    entry->timer = std::make_unique<QTimer>();
    entry->timer->setSingleShot(true);
    entry->timer->setTimerType(Qt::PreciseTimer);
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    const std::int64_t wait_ms =
        (static_cast<std::int64_t>(deadline.it_value.tv_sec) - now.tv_sec) * 1000 +
        (deadline.it_value.tv_nsec - now.tv_nsec) / 1000000;
    QObject::connect(entry->timer.get(), &QTimer::timeout, &context_, [this, id] { Fire(id); });
    entry->timer->start(static_cast<int>(std::clamp<std::int64_t>(wait_ms, 0, 0x7fffffff)));
  }
  timers_[id] = std::move(entry);
  return id;
}

TimerId QtTimerQueue::StartEvery(std::chrono::milliseconds period, std::function<void()> work) {
  const TimerId id = next_id_++;
  auto entry = std::make_unique<Entry>();
  entry->work = std::move(work);
  entry->timer = std::make_unique<QTimer>();
  entry->timer->setTimerType(Qt::PreciseTimer);
  Entry* raw = entry.get();
  QObject::connect(entry->timer.get(), &QTimer::timeout, &context_, [raw] {
    // A copy: the work may cancel its own timer.
    std::function<void()> work = raw->work;
    work();
  });
  entry->timer->start(static_cast<int>(period.count()));
  timers_[id] = std::move(entry);
  return id;
}

void QtTimerQueue::Fire(TimerId id) {
  auto found = timers_.find(id);
  if (found == timers_.end()) return;
  if (found->second->fd >= 0) {
    std::uint64_t expirations = 0;
    if (::read(found->second->fd, &expirations, sizeof expirations) < 0 && errno == EAGAIN) {
      return;  // woken without expiry
    }
  }
  // One shot: gone before its work runs, so the work may start new timers freely.
  std::function<void()> work = std::move(found->second->work);
  timers_.erase(found);
  if (work) work();
}

void QtTimerQueue::Cancel(TimerId id) { timers_.erase(id); }

}  // namespace vesk::qt
