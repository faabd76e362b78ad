// The timers of the UI thread: a deadline on the wall clock fires at its moment, one already
// past fires at once, a cancelled one never, and a periodic one keeps its period.

#include "platform/qt/qt_timer_queue.h"

#include <gtest/gtest.h>
#include <time.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <vector>

namespace vesk {
namespace {

FileTime UtcNowPlus(int milliseconds) {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  return 116444736000000000LL + static_cast<FileTime>(now.tv_sec) * kTicksPerSecond +
         now.tv_nsec / 100 + static_cast<FileTime>(milliseconds) * kTicksPerMillisecond;
}

TEST(QtTimerQueue, DeadlinesFireOnTheClockAndCancelledOnesNever) {
  qt::QtTimerQueue timers;
  QElapsedTimer elapsed;
  elapsed.start();
  std::vector<std::pair<char, qint64>> fired;
  auto note = [&](char which) { return [&, which] { fired.emplace_back(which, elapsed.elapsed()); }; };
  timers.StartAt(UtcNowPlus(200), note('a'));
  timers.StartAt(UtcNowPlus(-5000), note('p'));
  timers.Cancel(timers.StartAt(UtcNowPlus(100), note('x')));
  const TimerId tick = timers.StartEvery(std::chrono::milliseconds(60), note('t'));
  while (elapsed.elapsed() < 320) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  timers.Cancel(tick);

  std::vector<qint64> ticks;
  qint64 deadline = -1, past = -1;
  for (const auto& [which, at] : fired) {
    ASSERT_NE(which, 'x');
    if (which == 't') ticks.push_back(at);
    if (which == 'a') deadline = at;
    if (which == 'p') past = at;
  }
  EXPECT_GE(past, 0);
  EXPECT_LT(past, 50);
  EXPECT_GE(deadline, 199);
  EXPECT_LT(deadline, 240);
  EXPECT_GE(ticks.size(), 4u);
  EXPECT_LE(ticks.size(), 5u);
}

}  // namespace
}  // namespace vesk
