#include "platform/qt/device_change_notifier.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <QTest>
#include <tuple>

namespace vesk {
namespace {

// A burst of announcements (a grabber's nodes, a hub's ports) is handled once it has been
// quiet; announcements of nothing that matters are not handled at all.
TEST(DeviceChangeNotifierTest, ABurstIsHandledOnceAfterItsQuietPeriod) {
  int pipe_ends[2];
  ASSERT_EQ(pipe2(pipe_ends, O_NONBLOCK | O_CLOEXEC), 0);
  int settled = 0;
  const auto drain = [&] {
    bool changed = false;
    for (char byte = 0; read(pipe_ends[0], &byte, 1) == 1;) changed = changed || byte == '+';
    return changed;
  };
  qt::DeviceChangeNotifier notifier(
      pipe_ends[0], drain, [&] { ++settled; }, 300);
  // Four changes 30 ms apart, then the quiet period; then an announcement of nothing.
  for (auto [change, wait, handled] :
       {std::tuple{'+', 30, 0}, {'+', 30, 0}, {'+', 30, 0}, {'+', 500, 1}, {'.', 500, 1}}) {
    ASSERT_EQ(write(pipe_ends[1], &change, 1), 1);
    QTest::qWait(wait);
    EXPECT_EQ(settled, handled) << change << wait;
  }
  close(pipe_ends[0]);
  close(pipe_ends[1]);
}

}  // namespace
}  // namespace vesk
