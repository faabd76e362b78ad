#include "platform/qt/device_change_notifier.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

namespace vesk {
namespace {

void RunLoopFor(int milliseconds) {
  QElapsedTimer timer;
  timer.start();
  while (timer.elapsed() < milliseconds) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QThread::msleep(2);
  }
}

// A burst of announcements (a grabber's nodes, a hub's ports) is handled once it has been
// quiet; announcements of nothing that matters are not handled at all.
TEST(DeviceChangeNotifierTest, ABurstIsHandledOnceAfterItsQuietPeriod) {
  int pipe_ends[2];
  ASSERT_EQ(pipe2(pipe_ends, O_NONBLOCK | O_CLOEXEC), 0);
  char byte = 0;
  int settled = 0;
  qt::DeviceChangeNotifier notifier(
      pipe_ends[0],
      [&] {
        bool changed = false;
        while (read(pipe_ends[0], &byte, 1) == 1) changed = changed || byte == '+';
        return changed;
      },
      [&] { ++settled; }, 300);
  for (int i = 0; i < 4; ++i) {  // 4 changes 30 ms apart
    ASSERT_EQ(write(pipe_ends[1], "+", 1), 1);
    RunLoopFor(30);
  }
  EXPECT_EQ(settled, 0);
  RunLoopFor(500);
  EXPECT_EQ(settled, 1);
  ASSERT_EQ(write(pipe_ends[1], ".", 1), 1);
  RunLoopFor(500);
  EXPECT_EQ(settled, 1);
  close(pipe_ends[0]);
  close(pipe_ends[1]);
}

}  // namespace
}  // namespace vesk
