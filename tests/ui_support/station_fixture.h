#pragma once

// A station with its real Qt windows on the offscreen platform, over the station's test bed.

#include <gtest/gtest.h>

#include <QAction>
#include <QCoreApplication>
#include <functional>
#include <memory>

#include "app/qt_station_windows.h"
#include "station/station_test_bed.h"

namespace vesk::testing {

// Runs the event loop until done() holds or the time is up; says whether it holds.
bool WaitFor(const std::function<bool()>& done, int milliseconds = 5000);

class StationWindowTest : public ::testing::Test, public StationTestBed {
 protected:
  StationWindowTest() {
    windows.set_on_quit([this] { ++quits; });
  }
  // The station goes first: nothing may report into windows that are gone.
  ~StationWindowTest() override { StopStation(); }

  // Work the windows still hold (a window framed late) must not reach a station that is gone.
  void StopStation() {
    windows.set_station(nullptr);
    station.reset();
  }

  AppState& Start(bool with_live_filter = false) {
    station = std::make_unique<AppState>(Services(windows, with_live_filter));
    windows.set_station(station.get());
    EXPECT_EQ(station->Initialise(), S_OK);
    QCoreApplication::processEvents();
    return *station;
  }

  QAction* MainAction(MenuCommand command);
  // Waits until every shown window is on the screen and, on a desktop with a window manager,
  // framed where the manager puts it.
  static void Settle();
  QAction* UserMessagesAction(MenuCommand command);

  qt::QtStationWindows windows;
  std::unique_ptr<AppState> station;
  int quits = 0;
};

}  // namespace vesk::testing
