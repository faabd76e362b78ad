// The timers of the UI thread: a deadline on the wall clock fires at its moment, one already
// past fires at once, a cancelled one never, and a periodic one keeps its period.

#include "platform/qt/qt_timer_queue.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <map>
#include <vector>

namespace vesk {
namespace {

// 1601 to 1970 in 100 ns ticks, then the wall clock as Qt reads it.
FileTime UtcNowPlus(int milliseconds) {
  return 116444736000000000LL +
         (QDateTime::currentMSecsSinceEpoch() + milliseconds) * kTicksPerMillisecond;
}

TEST(QtTimerQueue, DeadlinesFireOnTheClockAndCancelledOnesNever) {
  qt::QtTimerQueue timers;
  QElapsedTimer elapsed;
  elapsed.start();
  std::map<char, std::vector<qint64>> fired;
  auto note = [&](char which) { return [&, which] { fired[which].push_back(elapsed.elapsed()); }; };
  timers.StartAt(UtcNowPlus(200), note('a'));
  timers.StartAt(UtcNowPlus(-5000), note('p'));
  timers.Cancel(timers.StartAt(UtcNowPlus(100), note('x')));
  const TimerId tick = timers.StartEvery(std::chrono::milliseconds(60), note('t'));
  while (elapsed.elapsed() < 320) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  timers.Cancel(tick);

  using namespace ::testing;
  EXPECT_EQ(fired.count('x'), 0u);
  EXPECT_THAT(fired['p'], ElementsAre(Lt(50)));
  EXPECT_THAT(fired['a'], ElementsAre(AllOf(Ge(199), Lt(240))));
  EXPECT_THAT(fired['t'], SizeIs(AllOf(Ge(4u), Le(5u))));
}

}  // namespace
}  // namespace vesk
