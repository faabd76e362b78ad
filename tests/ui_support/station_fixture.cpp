#include "ui_support/station_fixture.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QTest>
#include <QWidget>
#include <vector>

#include "station/main_window.h"
#include "station/user_messages_window.h"

namespace vesk::testing {

bool WaitFor(const std::function<bool()>& done, int milliseconds) {
  QElapsedTimer waited;
  waited.start();
  while (!done() && waited.elapsed() < milliseconds) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  return done();
}

QAction* StationWindowTest::MainAction(MenuCommand command) {
  return windows.main_window()->action(command);
}

QAction* StationWindowTest::UserMessagesAction(MenuCommand command) {
  return windows.user_messages_window()->action(command);
}

void StationWindowTest::Settle() {
  const bool managed = QGuiApplication::platformName() == QLatin1String("xcb");
  std::vector<QRect> last;
  for (int round = 0; round < 80; ++round, QTest::qWait(25)) {
    std::vector<QRect> frames;
    bool framed = true;
    for (QWidget* window : QApplication::topLevelWidgets()) {
      if (!window->isVisible()) continue;
      framed = QTest::qWaitForWindowExposed(window, 1000) && framed &&
               !(managed && window->frameGeometry() == window->geometry());
      frames.push_back(window->frameGeometry());
    }
    if (framed && frames == last) return;
    last = frames;
  }
}

}  // namespace vesk::testing
