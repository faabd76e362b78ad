// The station's entry point: one copy per user, raised priority, the splash while start-up
// runs, GStreamer, the station with its windows (or none, headless), then the event loop
// until File > Exit, the close box, or SIGINT, SIGTERM, SIGHUP or SIGQUIT.

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QLabel>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "app/avi_tool_files.h"
#include "app/command_line.h"
#include "app/headless_windows.h"
#include "app/inserter_learning_run.h"
#include "analysis/inserter/learnt_sets.h"
#include "app/qt_station_windows.h"
#include "base/files.h"
#include "base/stream_message_view.h"
#include "base/time_zone.h"
#include "platform/gst/gst_media_system.h"
#include "platform/gst/vesk_transform_filter.h"
#include "platform/linux/kernel_clock_discipline.h"
#include "platform/linux/posix_avi_file.h"
#include "platform/linux/udev_video_monitor.h"
#include "platform/linux/system_clock.h"
#include "platform/linux/termios_serial_port.h"
#include "platform/qt/device_change_notifier.h"
#include "platform/qt/logind_power.h"
#include "platform/qt/process_priority.h"
#include "platform/qt/qt_timer_queue.h"
#include "platform/qt/qt_message_box.h"
#include "platform/qt/single_instance.h"
#include "platform/qt/termination_signals.h"
#include "platform/qt/upower_battery.h"
#include "platform/qt/ui_thread.h"
#include "playback/avi_tools.h"
#include "recording/file_naming.h"
#include "recording/recording_controller.h"
#include "station/station.h"
#include "station/station_resources.h"
#include "platform/qt/text_fit.h"

namespace {

bool HasEnvironment(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && value[0] != '\0';
}

// Without a display (and without a Qt platform chosen by hand) windows cannot be shown:
// the station then runs headless rather than refusing to start.
bool DisplayAvailable() {
  return HasEnvironment("DISPLAY") || HasEnvironment("WAYLAND_DISPLAY") ||
         HasEnvironment("QT_QPA_PLATFORM");
}

std::unique_ptr<QLabel> ShowSplash() {
  auto splash =
      std::make_unique<QLabel>(QString::fromLatin1(vesk::kSplashText), nullptr,
                               Qt::Window | Qt::WindowTitleHint | Qt::CustomizeWindowHint);
  splash->setAlignment(Qt::AlignCenter);
  splash->setGeometry(vesk::kSplashRect.x, vesk::kSplashRect.y, vesk::kSplashRect.width,
                      vesk::kSplashRect.height);
  splash->show();
  QCoreApplication::processEvents();
  return splash;
}

// udev announces a grabber's nodes one by one, and a resetting hub all of its ports: the
// changes are handled once they have been quiet this long.
constexpr int kDeviceChangeQuietMilliseconds = 400;

}  // namespace

int main(int argc, char** argv) {
  using namespace vesk;

  std::vector<std::string> arguments(argv + 1, argv + argc);
  const CommandLineResult parsed = ParseCommandLine(arguments);
  const std::string program = argc > 0 ? argv[0] : "vesk-capture";
  if (!parsed.error.empty()) {
    std::cerr << program << ": " << parsed.error << "\n\n" << UsageText(program);
    return kExitStatusBadArguments;
  }
  const CommandLine& command_line = parsed.options;
  if (command_line.help) {
    std::cout << UsageText(program);
    return 0;
  }
  if (!command_line.avi_info_files.empty()) {
    return RunAviInfo(command_line.avi_info_files, PosixAviToolFiles(), std::cout, std::cerr);
  }
  if (!command_line.repair_avi.empty()) {
    return RunRepairAvi(command_line.repair_avi[0], command_line.repair_avi[1],
                        PosixAviToolFiles(), std::cout, std::cerr);
  }
  bool headless = command_line.headless;
  if (!headless && !DisplayAvailable()) {
    std::cerr << program
              << ": no display found (DISPLAY and WAYLAND_DISPLAY are unset); "
                 "running headless\n";
    headless = true;
  }

  std::unique_ptr<QCoreApplication> app;
  if (headless) {
    app = std::make_unique<QCoreApplication>(argc, argv);
  } else {
    auto gui = std::make_unique<QApplication>(argc, argv);
    gui->setQuitOnLastWindowClosed(false);
    // Every window's texts fit in the desktop's fonts.
    gui->installEventFilter(new vesk::qt::TextFitter(gui.get()));
    app = std::move(gui);
  }

  // One station per user, and one per home folder (stations started by a service or cron
  // have another runtime directory). A refused copy shows nothing but says why in one line.
  const qt::StationLocks locks = qt::TakeStationLocks(
      std::make_unique<qt::SingleInstanceLock>(), QDir::currentPath());
  if (!locks.refusal.isEmpty()) {
    std::cerr << "vesk-capture: " << locks.refusal.toStdString() << std::endl;
    return ExitStatusOf(E_ABORT);
  }
  // Raised priority, so capture is not starved by other programs.
  qt::RaiseProcessPriority();
  // The splash while start-up runs.
  std::unique_ptr<QLabel> splash;
  if (!headless) splash = ShowSplash();
  // The media framework.
  gst::InitializeGstreamer();

  const TimeZoneInfo zone = ReadTimeZone();
  SystemClock clock(zone.bias_minutes);
  const KernelClockDiscipline clock_discipline;
  gst::GstMediaSystemOptions media_options;
  media_options.simulated_cameras = command_line.simulated_camera;
  media_options.camera_file = command_line.camera_file;
  gst::GstMediaSystem media(media_options);
  qt::LogindPower power;
  qt::UPowerBattery battery;
  // The timers outlive the station, whose scheduler cancels its own as it goes.
  qt::QtTimerQueue timers;

  // The windows outlive the station, so no frame arrives at a window that is gone.
  std::unique_ptr<StationWindows> windows;
  std::unique_ptr<MessageBox> message_box;
  HeadlessWindows* headless_windows = nullptr;
  qt::QtStationWindows* qt_windows = nullptr;
  if (headless) {
    auto made = std::make_unique<HeadlessWindows>(std::cout);
    headless_windows = made.get();
    headless_windows->set_on_destroy([] { QCoreApplication::quit(); });
    headless_windows->set_delayed_work(
        [app = app.get()](int milliseconds, std::function<void()> work) {
          QTimer::singleShot(milliseconds, app, std::move(work));
        });
    windows = std::move(made);
    message_box = std::make_unique<StreamMessageBox>(std::cerr);
  } else {
    auto made = std::make_unique<qt::QtStationWindows>();
    qt_windows = made.get();
    windows = std::move(made);
    message_box = std::make_unique<qt::QtMessageBox>();
  }

  // The station and its start-up.
  auto make_live_filter = [](LiveAnalysis& analysis) -> std::shared_ptr<MediaFilter> {
    return std::make_shared<gst::VeskTransformFilter>(analysis);
  };
  // The GPS receiver's ports; VESK_GPS_PORTS ("/dev/a:/dev/b") names others, such as a
  // board's own UART or a pseudo-terminal.
  const char* gps_ports = std::getenv("VESK_GPS_PORTS");
  TermiosSerialPorts serial_ports = gps_ports != nullptr && gps_ports[0] != '\0'
                                        ? TermiosSerialPorts(SplitPortList(gps_ports))
                                        : TermiosSerialPorts();
  GpsPlatform gps;
  gps.ports = &serial_ports;
  gps.post_to_ui = [](std::function<void()> work) { qt::RunOnUiThread(std::move(work)); };
  AppState station(StationServices{media, clock, *message_box, *windows, power, zone,
                                   files::CurrentDirectory(),
                                   LiveFilterMaker{make_live_filter, gst::kGstRgbRowsTopDown},
                                   qt::PostToUiThread, &timers, gps, !headless,
                                   &clock_discipline, &battery});
  if (qt_windows != nullptr) qt_windows->set_station(&station);
  // A home folder that could not hold its lock: shown with the other start-up reports.
  if (!locks.warning.isEmpty()) station.log().QueueMessage(locks.warning.toStdString());
  if (!media.camera_file_error().empty()) {
    station.log().QueueMessage("WARNING: the file camera cannot play " + command_line.camera_file +
                               " (" + media.camera_file_error() + ")\r\n");
  }
  if (Failed(station.Initialise())) return ExitStatusOf(E_ABORT);
  // This run's recording format; the options file keeps the observer's own choice unless an
  // option is saved during the run.
  if (command_line.record_format) station.options().record_format = *command_line.record_format;
  // Start-up is over: the splash goes.
  splash.reset();

  qt::TerminationSignals signals_to_exit;
  QObject::connect(&signals_to_exit, &qt::TerminationSignals::Requested, app.get(),
                   [&station](int) { station.Exit(); });
  if (!signals_to_exit.Install()) {
    station.log().ReportMessage("WARNING: termination signals cannot end the station cleanly\r\n",
                                true);
  }

  // Devices plugged in and out: udev's announcements, settled, reach the station on this
  // thread. Without a monitor the station still notices a recording device that vanishes
  // (its stream fails), but not a device that arrives.
  std::unique_ptr<UdevVideoMonitor> monitor = UdevVideoMonitor::Create();
  std::unique_ptr<qt::DeviceChangeNotifier> device_changes;
  if (monitor) {
    device_changes = std::make_unique<qt::DeviceChangeNotifier>(
        monitor->fd(), [&monitor] { return monitor->DrainEvents(); },
        [&station] { station.DeviceSetChanged(); }, kDeviceChangeQuietMilliseconds);
  } else {
    station.log().ReportMessage(
        "WARNING: cannot watch for video devices being plugged in or out; hot-plug is off\r\n",
        true);
  }
  // The simulated analog camera unplugged (SIGUSR1) and plugged back in (SIGUSR2).
  if (command_line.simulated_camera) {
    signals_to_exit.Watch(SIGUSR1);
    signals_to_exit.Watch(SIGUSR2);
    QObject::connect(&signals_to_exit, &qt::TerminationSignals::Received, app.get(),
                     [&station, &media](int signal_number) {
                       if (signal_number == SIGUSR1) {
                         media.DetachSimulatedCamera(gst::kSimulatedAnalogCameraName);
                       } else if (signal_number == SIGUSR2) {
                         media.AttachSimulatedCamera(gst::kSimulatedAnalogCameraName);
                       } else {
                         return;
                       }
                       station.DeviceSetChanged();
                     });
  }

  int status = 0;
  // --record: the video file the recording went into, empty until one started.
  std::string recorded_file;
  std::function<void()> start_recording;
  if (command_line.record_seconds) {
    const int milliseconds = *command_line.record_seconds * 1000;
    start_recording = [&station, &recorded_file, &start_recording, milliseconds, app = app.get()] {
      if (station.exiting()) return;
      // The GPS receiver AutostartGPS is looking for gives the recording its position.
      if (station.gps() != nullptr && station.gps()->connecting()) {
        QTimer::singleShot(100, app, start_recording);
        return;
      }
      if (station.sources().CurrentSource() == nullptr) {
        // Nothing to record with: the log has said so; the caller learns it from the status.
        station.Exit();
        return;
      }
      station.StartButton();
      // Without a file name (a folder that cannot be made, a name too long) the start shows
      // live video only: nothing is being recorded.
      if (station.graph().state() == GraphState::Running) {
        recorded_file = station.controller().recording_target().video_file_name;
      }
      QTimer::singleShot(milliseconds, app, [&station] {
        if (station.exiting()) return;
        station.StopButton();
        station.Exit();
      });
    };
    QTimer::singleShot(0, app.get(), start_recording);
  }
  if (command_line.quit_after_seconds) {
    QTimer::singleShot(*command_line.quit_after_seconds * 1000, app.get(),
                       [&station] { station.Exit(); });
  }

  // --learn-inserter: the frames that reach the station's own renderer are learnt from too.
  std::unique_ptr<InserterLearningRun> learning;
  if (command_line.learn_inserter_seconds) {
    const VideoFormat* format = station.sources().CurrentVideoFormat();
    const double rate = format != nullptr && format->media_type.avg_time_per_frame > 0
                            ? 1e7 / format->media_type.avg_time_per_frame
                            : 25.0;
    if (headless_windows == nullptr || format == nullptr) {
      station.log().ReportMessage(
          headless_windows == nullptr
              ? "WARNING: the time inserter is learnt from the command line only without a "
                "screen (--headless)\r\n"
              : "WARNING: the time inserter cannot be learnt: there is no video\r\n",
          true);
      status = 1;
      QTimer::singleShot(0, app.get(), [&station] { station.Exit(); });
    } else {
      const int frames = static_cast<int>(*command_line.learn_inserter_seconds * rate + 0.5);
      learning = std::make_unique<InserterLearningRun>(frames, [&] {
        qt::PostToUiThread([&] {
          headless_windows->frame_target().set_tap(nullptr);
          const inserter::InserterLearning& learnt = learning->learning();
          for (const std::string& line : learnt.ReportLines()) {
            station.log().ReportMessage(line + "\r\n", true);
          }
          std::string why;
          if (!learnt.learnt()) {
            status = 1;
          } else if (inserter::SaveLearntSets("", learnt.field(0), learnt.field(1), &why)) {
            station.log().ReportMessage(std::string("NOTE: the character sets were saved: ") +
                                            kInterlacedEvenSetFile + ", " + kInterlacedOddSetFile +
                                            " and " + kPlainCharacterSetFile + "\r\n",
                                        true);
          } else {
            station.log().ReportMessage("WARNING: the character sets cannot be saved (" + why +
                                            ")\r\n",
                                        true);
            status = 1;
          }
          station.Exit();
        });
      });
      headless_windows->frame_target().set_tap(learning.get());
      station.log().ReportMessage(
          "Learning the time inserter from " + std::to_string(*command_line.learn_inserter_seconds) +
              " s of live video\r\n",
          true);
    }
  }

  const int loop_result = app->exec();
  if (headless_windows != nullptr) headless_windows->frame_target().set_tap(nullptr);
  if (status == 0) status = ExitStatusOf(loop_result);
  if (status == 0 && command_line.record_seconds) {
    // A recording whose device left and had not come back by the end was cut short too.
    const VideoSourceInfo* device = station.sources().CurrentSource();
    const bool device_gone = station.controller().recording_interrupted() &&
                             (device == nullptr || device->is_detached);
    status = RecordingExitStatus(!recorded_file.empty(),
                                 station.controller().last_recording_failed() || device_gone,
                                 files::PathExists(recorded_file),
                                 files::PathExists(RecordingLogName(recorded_file)));
  }
  return status;
}
