#include "platform/qt/device_change_notifier.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <QTest>

namespace vesk {
namespace {

// A burst of announcements (a grabber's nodes, a hub's ports) is handled once it has been
// quiet; announcements of nothing that matters are not handled at all.
TEST(DeviceChangeNotifierTest, ABurstIsHandledOnceAfterItsQuietPeriod) {
  int pipe_ends[2];
  ASSERT_EQ(pipe2(pipe_ends, O_NONBLOCK | O_CLOEXEC), 0);
  char byte = 0;
  int settled = 0;
  const auto drain = [&] {
    bool changed = false;
    while (read(pipe_ends[0], &byte, 1) == 1) changed = changed || byte == '+';
    return changed;
  };
  qt::DeviceChangeNotifier notifier(pipe_ends[0], drain, [&] { ++settled; }, 300);
  for (int i = 0; i < 4; ++i) {  // 4 changes 30 ms apart
    ASSERT_EQ(write(pipe_ends[1], "+", 1), 1);
    QTest::qWait(30);
  }
  EXPECT_EQ(settled, 0);
  QTest::qWait(500);
  EXPECT_EQ(settled, 1);
  ASSERT_EQ(write(pipe_ends[1], ".", 1), 1);
  QTest::qWait(500);
  EXPECT_EQ(settled, 1);
  close(pipe_ends[0]);
  close(pipe_ends[1]);
}

}  // namespace
}  // namespace vesk
