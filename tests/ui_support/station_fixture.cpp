#include "ui_support/station_fixture.h"

#include "station/main_window.h"
#include "station/user_messages_window.h"

namespace vesk::testing {

QAction* StationWindowTest::MainAction(MenuCommand command) {
  return windows.main_window()->action(command);
}

QAction* StationWindowTest::UserMessagesAction(MenuCommand command) {
  return windows.user_messages_window()->action(command);
}

}  // namespace vesk::testing
