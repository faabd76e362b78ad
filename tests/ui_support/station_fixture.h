#pragma once

// A station with its real Qt windows on the offscreen platform, over the scripted media
// double, in a fresh home folder.

#include <gtest/gtest.h>

#include <QAction>
#include <QCoreApplication>
#include <functional>
#include <memory>
#include <string>

#include "app/qt_station_windows.h"
#include "station/station.h"
#include "support/fake_clock.h"
#include "support/fake_media.h"
#include "support/recording_view.h"
#include "support/temp_dir.h"

namespace vesk::testing {

class StationWindowTest : public ::testing::Test {
 protected:
  StationWindowTest() {
    media.AddCompressor("VESK Test Codec");
    windows.set_on_quit([this] { ++quits; });
  }
  ~StationWindowTest() override {
    // The station goes first: nothing may report into windows that are gone.
    station.reset();
  }

  void AddDevice() {
    media.AddDevice("USB2.0 Grabber", {MakeVideoType(SubtypeCode::YUY2, 720, 576, 400000)});
  }

  // with_live_filter: a stand-in for the analysis filter whose output lists the device's
  // format, as a connected filter does.
  AppState& Start(bool with_live_filter = false) {
    TimeZoneInfo zone;
    zone.kind = TimeZoneInfo::Kind::Standard;
    zone.bias_minutes = -60;
    zone.name = "Europe/Berlin";
    std::function<std::shared_ptr<MediaFilter>(LiveAnalysis&)> make_live_filter;
    if (with_live_filter) {
      make_live_filter = [](LiveAnalysis&) -> std::shared_ptr<MediaFilter> {
        auto filter = std::make_shared<FakeFilter>("transform", "transform");
        filter->AddPin("Input", PinDirection::Input);
        filter->AddPin("Output", PinDirection::Output,
                       {MakeVideoType(SubtypeCode::YUY2, 720, 576, 400000)});
        return filter;
      };
    }
    station = std::make_unique<AppState>(StationServices{media, clock, box, windows, power, zone,
                                                         dir.path().string() + "/",
                                                         make_live_filter, true});
    windows.set_station(station.get());
    EXPECT_EQ(station->Initialise(), S_OK);
    QCoreApplication::processEvents();
    return *station;
  }

  QAction* MainAction(MenuCommand command);
  QAction* UserMessagesAction(MenuCommand command);

  class Power final : public PowerCapabilities {
   public:
    bool CanHibernate() override { return true; }
    bool MayShutDownOrHibernate() override { return true; }
  };

  ScopedTempDir dir;
  FakeMediaSystem media;
  FakeClock clock{MakeFileTime(2026, 7, 14, 3, 5, 9), -60};
  RecordingMessageBox box;
  Power power;
  qt::QtStationWindows windows;
  std::unique_ptr<AppState> station;
  int quits = 0;
};

}  // namespace vesk::testing
