#include "station/power_countdown_window.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <vector>

namespace vesk {
namespace {

using R = PowerCountdownResult;

TEST(PowerCountdownWindowTest, TextsCountdownAndEachWayOfEndingAnswerOnce) {
  std::vector<R> results;
  const auto open = [&](PowerActionKind kind) {
    auto window = std::make_unique<PowerCountdownWindow>(
        kind, QFont(), [&](R result) { results.push_back(result); });
    window->Start();
    return window;
  };
  const auto texts = [](const PowerCountdownWindow& window) {
    QStringList shown{window.windowTitle()};
    for (const char* name : {"BeforeTime", "Time", "AfterTime", "Unless"})
      shown << window.findChild<QLabel*>(name)->text();
    return shown << window.cancel_button()->text();
  };
  auto hibernate = open(PowerActionKind::Hibernate);
  EXPECT_EQ(texts(*hibernate),
            (QStringList{"Hibernate", "Hibernate in", "30", "seconds",
                         "unless you select Cancel Hibernate", "Cancel Hibernate"}));
  for (int i = 0; i < 29; ++i) hibernate->Tick();
  EXPECT_EQ(hibernate->time_label()->text(), "01");
  EXPECT_TRUE(results.empty() && hibernate->isModal() && hibernate->isVisible());
  hibernate->Tick();
  auto shut_down = open(PowerActionKind::ShutDown);
  EXPECT_EQ(texts(*shut_down),
            (QStringList{"Shut down", "Shut down in", "30", "seconds",
                         "unless you select Cancel Shutdown", "Cancel Shutdown"}));
  QTest::mouseClick(shut_down->cancel_button(), Qt::LeftButton);
  shut_down->close();
  auto escaped = open(PowerActionKind::ShutDown);
  QTest::keyClick(escaped.get(), Qt::Key_Escape);
  auto closed = open(PowerActionKind::Hibernate);
  closed->close();
  closed->Tick();
  EXPECT_EQ(results, (std::vector<R>{R::TimedOut, R::Cancelled, R::Cancelled, R::Closed}));
  EXPECT_FALSE(hibernate->isVisible() || shut_down->isVisible() || closed->isVisible());
}

}  // namespace
}  // namespace vesk
