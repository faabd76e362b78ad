// The GPS window and the "USB GPS Receiver..." command in a station with its Qt windows on
// the offscreen platform, with receivers on pseudo-terminals and short waits.

#include "gps/gps_window.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QThread>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "platform/qt/ui_thread.h"
#include "station/record_controls_window.h"
#include "station/standby_window.h"
#include "support/pty_receiver.h"
#include "ui_support/station_fixture.h"

namespace vesk {
namespace {

using namespace std::chrono_literals;
using testing::PtyReceiver;

const std::string kSentence =
    "$GNGGA,092725.00,2037.72792,N,10322.31250,W,1,12,0.72,1865.027,M,-8.4,M,,*7B\r\n";

class GpsWindowTest : public testing::StationWindowTest {
 protected:
  ~GpsWindowTest() override { station.reset(); }

  // VESK_GPS_REAL_TIMINGS=1 probes with the real waits (a scan of nine ports then takes
  // about 45 s), to measure the UI thread's longest stall as a station has it.
  AppState& StartWithGps(std::vector<std::string> ports) {
    const char* real = std::getenv("VESK_GPS_REAL_TIMINGS");
    ports_ = std::make_unique<TermiosSerialPorts>(std::move(ports));
    StationServices services = Services(windows, false);
    services.gps = GpsPlatform{
        ports_.get(), [](std::function<void()> work) { qt::RunOnUiThread(std::move(work)); },
        real != nullptr ? SerialTimings{} : testing::FastTimings(), 100ms};
    station = std::make_unique<AppState>(std::move(services));
    windows.set_station(station.get());
    EXPECT_EQ(station->Initialise(), S_OK);
    return *station;
  }
  // Runs the event loop until done() holds, keeping the longest time the loop was held.
  template <typename Done>
  bool RunUntil(Done done, int limit_ms = 5000) {
    QElapsedTimer total, step;
    total.start();
    step.start();
    while (!done()) {
      if (total.elapsed() > limit_ms) return false;
      QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
      longest_stall_ = std::max(longest_stall_, step.restart());
      QThread::msleep(1);
      step.restart();
    }
    return true;
  }
  bool Logged(const std::string& text) const {
    return station->log().Text().find(text) != std::string::npos;
  }
  GpsWindow& Window() { return *windows.gps_window(); }

  std::unique_ptr<TermiosSerialPorts> ports_;
  qint64 longest_stall_ = 0;
};

TEST_F(GpsWindowTest, AScanOfNineSilentPortsNeverHoldsTheUiThread) {
  std::vector<std::unique_ptr<PtyReceiver>> silent(9);
  std::vector<std::string> paths;
  for (auto& port : silent) {
    port = std::make_unique<PtyReceiver>();
    paths.push_back(port->path());
  }
  StartWithGps(paths);
  QElapsedTimer command;
  command.start();
  MainAction(MenuCommand::UsbGpsReceiver)->trigger();
  longest_stall_ = command.elapsed();
  EXPECT_TRUE(RunUntil([&] { return windows.standby_window()->isVisible(); }));
  ASSERT_TRUE(RunUntil([&] { return Logged("No USB GPS receiver found\r\n"); }, 120000));
  std::printf("GPS scan of nine silent ports: %lld ms; longest UI-thread stall %lld ms\n",
              static_cast<long long>(command.elapsed()), static_cast<long long>(longest_stall_));
  EXPECT_LT(longest_stall_, 100);
  EXPECT_FALSE(windows.standby_window()->isVisible());
  EXPECT_TRUE(Logged("Attempting to connect with USB GPS receiver.  This may take a minute."));
}

TEST_F(GpsWindowTest, TheFirstRefreshShowsThePositionAndCloseEndsTheRefreshing) {
  PtyReceiver gps;
  gps.Play({{kSentence, 30ms}});
  StartWithGps({gps.path()});
  MainAction(MenuCommand::UsbGpsReceiver)->trigger();
  ASSERT_TRUE(RunUntil([&] { return Logged("USB GPS connected\r\n"); }));
  EXPECT_TRUE(Logged(gps.path() + " at 38400 baud\r\n"));
  EXPECT_FALSE(Window().isVisible());
  ASSERT_TRUE(RunUntil([&] { return Window().isVisible(); }));

  GpsWindow& window = Window();
  EXPECT_EQ(window.objectName(), "GPSDevice");
  EXPECT_EQ(window.windowTitle(), "USB GPS Receiver");
  EXPECT_EQ(window.FieldText(GpsField::kLatitude), " 20.377279 N");
  EXPECT_EQ(window.FieldText(GpsField::kLongitude), " 103.223125 W");
  EXPECT_EQ(window.FieldText(GpsField::kAltitude), " 1865.027 M");
  EXPECT_EQ(window.FieldText(GpsField::kSatellites), " 12");
  EXPECT_FALSE(window.capture_position_button()->isEnabled());
  EXPECT_EQ(window.set_time_difference_button()->objectName(), "32781");
  EXPECT_TRUE(window.close_button()->isDefault());
  EXPECT_EQ(window.close_button()->geometry(), QRect(177, 275, 70, 28));

  QTest::mouseClick(window.close_button(), Qt::LeftButton);
  EXPECT_FALSE(window.isVisible());
  EXPECT_FALSE(station->gps()->IsOpen());
  EXPECT_TRUE(station->log().Text().ends_with("GPS connection is closed\r\n"));
  RunUntil([] { return false; }, 400);
  EXPECT_FALSE(window.isVisible());
}

TEST_F(GpsWindowTest, AutostartConnectsAndARecordingLogCarriesThePositionOfItsStart) {
  PtyReceiver gps;
  gps.Play({{kSentence, 30ms}}, 19200);
  Options options;
  options.autostart_gps = true;
  ASSERT_TRUE(SaveOptions(options, {}));
  AddDevice();
  StartWithGps({gps.path()});
  ASSERT_TRUE(RunUntil([&] { return Logged("USB GPS connected\r\n"); }));

  // No refresh while an Event recording runs.
  station->sources().CurrentSource()->is_active_event_recording = true;
  RunUntil([] { return false; }, 400);
  EXPECT_FALSE(Window().isVisible());
  station->sources().CurrentSource()->is_active_event_recording = false;
  ASSERT_TRUE(RunUntil([&] { return Window().isVisible(); }));

  // The recording start takes one fix, closes the receiver and hides the window.
  windows.record_controls_window()->start_button()->click();
  ASSERT_TRUE(Recording());
  EXPECT_FALSE(station->gps()->IsOpen());
  EXPECT_FALSE(Window().isVisible());
  windows.record_controls_window()->stop_button()->click();
  const std::string log = testing::ReadFileBytes(testing::kRecordingLogFile);
  EXPECT_NE(log.find("Latitude: 20.377279 N\r\nLongitude: 103.223125 W\r\nAltitude: 1865.027 "
                     "M\r\nNumber of satellites: 12\r\n"),
            std::string::npos)
      << log;
  // AutostartGPS connects again after the recording.
  ASSERT_TRUE(RunUntil([&] { return station->gps()->IsOpen(); }));
}

}  // namespace
}  // namespace vesk
