#include "ui_support/station_fixture.h"

#include <QApplication>
#include <QGuiApplication>
#include <QTest>
#include <QWidget>
#include <vector>

#include "station/main_window.h"
#include "station/user_messages_window.h"

namespace vesk::testing {

QAction* StationWindowTest::MainAction(MenuCommand command) {
  return windows.main_window()->action(command);
}

QAction* StationWindowTest::UserMessagesAction(MenuCommand command) {
  return windows.user_messages_window()->action(command);
}

void StationWindowTest::Settle() {
  const bool managed = QGuiApplication::platformName() == QLatin1String("xcb");
  std::vector<QRect> last;
  for (int round = 0; round < 80; ++round) {
    std::vector<QRect> frames;
    bool framed = true;
    for (QWidget* window : QApplication::topLevelWidgets()) {
      if (!window->isVisible()) continue;
      if (!QTest::qWaitForWindowExposed(window, 1000)) framed = false;
      frames.push_back(window->frameGeometry());
      if (managed && window->frameGeometry() == window->geometry()) framed = false;
    }
    if (framed && frames == last) return;
    last = frames;
    QTest::qWait(25);
  }
}

}  // namespace vesk::testing
