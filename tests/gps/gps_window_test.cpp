// The GPS window and "USB GPS Receiver..." in a station with its Qt windows on the offscreen
// platform, with receivers on pseudo-terminals and short waits.

#include "gps/gps_window.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QPushButton>
#include <QTest>
#include <QThread>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "events/event_countdown.h"
#include "events/event_file.h"
#include "events/event_loader.h"
#include "platform/qt/ui_thread.h"
#include "station/record_controls_window.h"
#include "station/standby_window.h"
#include "support/pty_receiver.h"
#include "ui_support/station_fixture.h"

namespace vesk {
namespace {

using namespace std::chrono_literals;
using testing::MakeFileTime;
using testing::PtyReceiver;

// Two seconds late on the station's fixed clock (03:05:09).
const std::string kSentence =
    "$GNGGA,030507.00,2037.72792,N,10322.31250,W,1,12,0.72,1865.027,M,-8.4,M,,*71\r\n";

class GpsWindowTest : public testing::StationWindowTest {
 protected:
  ~GpsWindowTest() override { station.reset(); }

  // VESK_GPS_REAL_TIMINGS=1 probes with the real waits (nine silent ports then take about
  // 45 s), to measure the UI thread's longest stall as a station has it.
  AppState& StartWithGps(std::vector<std::string> ports) {
    ports_ = std::make_unique<testing::CountingPorts>(std::move(ports));
    StationServices services = Services(windows, false);
    services.gps = GpsPlatform{
        ports_.get(), [](std::function<void()> work) { qt::RunOnUiThread(std::move(work)); },
        std::getenv("VESK_GPS_REAL_TIMINGS") ? SerialTimings{} : testing::FastTimings(), 100ms};
    station = std::make_unique<AppState>(std::move(services));
    windows.set_station(station.get());
    EXPECT_EQ(station->Initialise(), S_OK);
    return *station;
  }
  // Runs the event loop until done() holds, keeping the longest time one turn held it.
  template <typename Done>
  bool RunUntil(Done done, int limit_ms = 5000) {
    QElapsedTimer total, turn;
    for (total.start(); !done(); QThread::msleep(1)) {
      if (total.elapsed() > limit_ms) return false;
      turn.start();
      QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
      longest_stall_ = std::max(longest_stall_, turn.elapsed());
    }
    return true;
  }
  void Wait(int ms) {
    RunUntil([] { return false; }, ms);
  }
  bool Logged(const std::string& text) const {
    return station->log().Text().find(text) != std::string::npos;
  }
  bool Ends(const std::string& text) const { return station->log().Text().ends_with(text); }
  GpsWindow& Window() { return *windows.gps_window(); }
  // A station with a device whose options connect the receiver at start.
  void StartWithAutostartGps(const PtyReceiver& gps) {
    Options options;
    options.autostart_gps = true;
    ASSERT_TRUE(SaveOptions(options, {}));
    AddDevice();
    StartWithGps({gps.path()});
  }

  std::unique_ptr<testing::CountingPorts> ports_;
  qint64 longest_stall_ = 0;
};

TEST_F(GpsWindowTest, AScanOfNineSilentPortsNeverHoldsTheUiThreadAndNamesRefusedPorts) {
  std::vector<std::unique_ptr<PtyReceiver>> silent(8);
  std::vector<std::string> paths = {"/dev/ttyUSB7"};
  for (auto& port : silent) paths.push_back((port = std::make_unique<PtyReceiver>())->path());
  StartWithGps(paths);
  ports_->refuse["/dev/ttyUSB7"] = SerialOpenError::kPermissionDenied;
  QElapsedTimer command;
  command.start();
  MainAction(MenuCommand::UsbGpsReceiver)->trigger();
  longest_stall_ = command.elapsed();
  EXPECT_TRUE(RunUntil([&] { return windows.standby_window()->isVisible(); }));
  ASSERT_TRUE(RunUntil([&] { return Logged("No USB GPS receiver found\r\n"); }, 120000));
  std::printf("GPS scan of nine ports: %lld ms; longest UI-thread stall %lld ms\n",
              static_cast<long long>(command.elapsed()), static_cast<long long>(longest_stall_));
  EXPECT_LT(longest_stall_, 100);
  EXPECT_FALSE(windows.standby_window()->isVisible());
  EXPECT_TRUE(
      Logged("WARNING: no permission to open /dev/ttyUSB7; the user must be a member of "
             "the group that owns it (usually dialout)\r\n"));
}

TEST_F(GpsWindowTest, TheFirstRefreshShowsThePositionAndCloseOrAnUnplugEndsTheRefreshing) {
  PtyReceiver gps;
  gps.Play({{kSentence, 30ms}});
  StartWithGps({gps.path()});
  MainAction(MenuCommand::UsbGpsReceiver)->trigger();
  ASSERT_TRUE(RunUntil([&] { return Logged("USB GPS connected\r\n"); }));
  EXPECT_FALSE(Window().isVisible());
  ASSERT_TRUE(RunUntil([&] { return Window().isVisible(); }));
  GpsWindow& window = Window();
  EXPECT_EQ(window.objectName(), "GPSDevice");
  EXPECT_EQ(window.windowTitle(), "USB GPS Receiver");
  EXPECT_EQ(window.FieldText(GpsField::kLatitude), " 20.377279 N");
  EXPECT_EQ(window.FieldText(GpsField::kLongitude), " 103.223125 W");
  EXPECT_EQ(window.FieldText(GpsField::kAltitude), " 1865.027 M");
  EXPECT_EQ(window.FieldText(GpsField::kSatellites), " 12");
  EXPECT_EQ(window.ClockOffsetText().toStdString(), "2.0 s ahead \u00b1" "0.5 s");
  EXPECT_TRUE(Logged("GPS time against the computer clock: the computer clock is 2.0 s ahead of "
                     "GPS time (\u00b1" "0.5 s; serial NMEA time is good to a few hundred "
                     "milliseconds), measured at 03:05:09 (UTC)\r\n"));
  EXPECT_FALSE(window.capture_position_button()->isEnabled());
  EXPECT_EQ(window.set_time_difference_button()->objectName(), "32781");
  EXPECT_TRUE(window.close_button()->isDefault());

  // A receiver that loses its fix: said so, and the position shown stays.
  gps.Play({{"$GPGGA,,,,,,0,00,99.99,,,,,,*48\r\n", 30ms}});
  ASSERT_TRUE(RunUntil([&] { return Logged("GPS information is not valid\r\n"); }));
  EXPECT_EQ(window.FieldText(GpsField::kLatitude), " 20.377279 N");
  QTest::mouseClick(window.close_button(), Qt::LeftButton);
  EXPECT_FALSE(window.isVisible());
  EXPECT_FALSE(station->gps()->IsOpen());
  EXPECT_TRUE(Ends("GPS connection is closed\r\n"));
  Wait(400);
  EXPECT_FALSE(window.isVisible());

  // Unplugged while connected: reported, closed, hidden; the next command finds nothing.
  gps.Play({{kSentence, 30ms}});
  MainAction(MenuCommand::UsbGpsReceiver)->trigger();
  ASSERT_TRUE(RunUntil([&] { return window.isVisible(); }));
  gps.Vanish();
  ASSERT_TRUE(RunUntil([&] { return !window.isVisible(); }));
  EXPECT_TRUE(Logged("stopped answering (unplugged?); its port is closed\r\n"));
  EXPECT_TRUE(Ends("GPS connection is closed\r\n"));
  MainAction(MenuCommand::UsbGpsReceiver)->trigger();
  EXPECT_TRUE(RunUntil([&] { return Ends("No USB GPS receiver found\r\n"); }));
}

TEST_F(GpsWindowTest, AutostartConnectsAndARecordingLogCarriesThePositionOfItsStart) {
  PtyReceiver gps;
  gps.Play({{kSentence, 30ms}}, B19200);
  StartWithAutostartGps(gps);
  ASSERT_TRUE(RunUntil([&] { return Logged("USB GPS connected\r\n"); }));
  // No refresh while an Event recording runs.
  station->sources().CurrentSource()->is_active_event_recording = true;
  Wait(400);
  EXPECT_FALSE(Window().isVisible());
  station->sources().CurrentSource()->is_active_event_recording = false;
  ASSERT_TRUE(RunUntil([&] { return Window().isVisible(); }));

  // A refresh held by a silent receiver gives way at once to a recording start.
  gps.Silence();
  ASSERT_TRUE(RunUntil([&] { return Logged("Zero bytes read for GPS values refresh"); }));
  QElapsedTimer stop;
  stop.start();
  station->gps()->StopRefreshTimer();
  EXPECT_LT(stop.elapsed(), 100);
  gps.Play({{kSentence, 30ms}}, B19200);
  windows.record_controls_window()->start_button()->click();
  ASSERT_TRUE(Recording());
  EXPECT_TRUE(Logged("WARNING: the computer clock is 2.0 s ahead of GPS time\r\n"));
  EXPECT_FALSE(station->gps()->IsOpen());
  EXPECT_FALSE(Window().isVisible());
  windows.record_controls_window()->stop_button()->click();
  EXPECT_NE(testing::ReadFileBytes(testing::kRecordingLogFile).find("Latitude: 20.377279 N\r\n"),
            std::string::npos);
  // AutostartGPS connects again after the recording.
  EXPECT_TRUE(RunUntil([&] { return station->gps()->IsOpen(); }));
}

// An Event announced after the receiver was read is announced with the clock's offset; its
// fix is read during the countdown, so the start does not wait for a receiver gone silent (the
// position it leaves in the log is checked by the headless Event test).
TEST_F(GpsWindowTest, AnEventIsWarnedOfTheClockAndTakesTheFixOfItsCountdown) {
  PtyReceiver gps;
  gps.Play({{kSentence, 30ms}});
  StartWithAutostartGps(gps);
  ASSERT_TRUE(RunUntil([&] { return Window().isVisible(); }));
  std::filesystem::create_directory("Events");
  ASSERT_TRUE(WriteEventFile("Events/Pallas.ief",
                             FormatEventFileText(SystemTime{2026, 7, 0, 14, 3, 6, 9, 0},
                                                 SystemTime{1943, 5, 1, 3, 0, 0, 30, 0}, false,
                                                 false, "graze", "Pallas", "TYC 1")));
  station->event_loader().LoadEvents();
  const std::string warning = "WARNING: the computer clock is 2.0 s ahead of GPS time\r\n";
  EXPECT_TRUE(Ends(warning));

  const FileTime graph_start = MakeFileTime(2026, 7, 14, 3, 5, 51, 500);
  timers.RunUntil(graph_start - kGpsFixBeforeTicks + kTicksPerSecond);
  Wait(300);
  gps.Silence();
  Wait(100);
  QElapsedTimer start;
  start.start();
  timers.RunUntil(graph_start);
  ASSERT_TRUE(station->controller().event_recording_running());
  EXPECT_LT(start.elapsed(), 100);
  // Said again at the recording's start, of the fix read on the fixed clock's later time.
  const std::string text = station->log().Text();
  const std::string again = "WARNING: the computer clock is 3";
  EXPECT_NE(text.find(again, text.find(warning)), std::string::npos);
}

}  // namespace
}  // namespace vesk
