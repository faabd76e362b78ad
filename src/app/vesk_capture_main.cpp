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
#include <optional>
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
#include "capture/capture_graph.h"
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
#include "station/window_constants.h"
#include "platform/qt/text_fit.h"

namespace {

using namespace vesk;

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

// The runs that need no station: usage, a bad command line and the AVI tools. Their exit
// status, or nothing when the station is to start.
std::optional<int> RunWithoutStation(const CommandLineResult& parsed, const std::string& program) {
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
    return RunAviInfo(command_line.avi_info_files, PosixAviFileSystem(), std::cout, std::cerr);
  }
  if (!command_line.repair_avi.empty()) {
    return RunRepairAvi(command_line.repair_avi[0], command_line.repair_avi[1],
                        PosixAviFileSystem(), std::cout, std::cerr);
  }
  return std::nullopt;
}

bool RunsHeadless(const CommandLine& command_line, const std::string& program) {
  if (command_line.headless) return true;
  if (DisplayAvailable()) return false;
  std::cerr << program
            << ": no display found (DISPLAY and WAYLAND_DISPLAY are unset); "
               "running headless\n";
  return true;
}

std::unique_ptr<QCoreApplication> MakeApplication(bool headless, int& argc, char** argv) {
  if (headless) return std::make_unique<QCoreApplication>(argc, argv);
  auto gui = std::make_unique<QApplication>(argc, argv);
  gui->setQuitOnLastWindowClosed(false);
  // Every window's texts fit in the desktop's fonts.
  gui->installEventFilter(new vesk::qt::TextFitter(gui.get()));
  return gui;
}

// The station's windows and message boxes: Qt's, or text on the terminal when headless.
struct StationScreen {
  std::unique_ptr<StationWindows> windows;
  std::unique_ptr<MessageBox> message_box;
  HeadlessWindows* headless = nullptr;
  qt::QtStationWindows* qt = nullptr;
};

StationScreen MakeScreen(bool headless, QCoreApplication* app) {
  StationScreen screen;
  if (headless) {
    auto made = std::make_unique<HeadlessWindows>(std::cout);
    screen.headless = made.get();
    screen.headless->set_on_destroy([] { QCoreApplication::quit(); });
    screen.headless->set_delayed_work([app](int milliseconds, std::function<void()> work) {
      QTimer::singleShot(milliseconds, app, std::move(work));
    });
    screen.windows = std::move(made);
    screen.message_box = std::make_unique<StreamMessageBox>(std::cerr);
  } else {
    auto made = std::make_unique<qt::QtStationWindows>();
    screen.qt = made.get();
    screen.windows = std::move(made);
    screen.message_box = std::make_unique<qt::QtMessageBox>();
  }
  return screen;
}

// The GPS receiver's ports; VESK_GPS_PORTS ("/dev/a:/dev/b") names others, such as a
// board's own UART or a pseudo-terminal.
TermiosSerialPorts GpsSerialPorts() {
  const char* gps_ports = std::getenv("VESK_GPS_PORTS");
  return gps_ports != nullptr && gps_ports[0] != '\0'
             ? TermiosSerialPorts(SplitPortList(gps_ports))
             : TermiosSerialPorts();
}

// Devices plugged in and out: udev's announcements, settled, reach the station on this
// thread. Without a monitor the station still notices a recording device that vanishes
// (its stream fails), but not a device that arrives.
std::unique_ptr<qt::DeviceChangeNotifier> WatchVideoDevices(
    AppState& station, std::unique_ptr<UdevVideoMonitor>& monitor) {
  if (!monitor) {
    station.log().ReportMessage(
        "WARNING: cannot watch for video devices being plugged in or out; hot-plug is off\r\n",
        true);
    return nullptr;
  }
  return std::make_unique<qt::DeviceChangeNotifier>(
      monitor->fd(), [&monitor] { return monitor->DrainEvents(); },
      [&station] { station.DeviceSetChanged(); }, kDeviceChangeQuietMilliseconds);
}

// The simulated analog camera unplugged (SIGUSR1) and plugged back in (SIGUSR2).
void WatchSimulatedCameraSignals(qt::TerminationSignals& received, QCoreApplication* app,
                                 AppState& station, gst::GstMediaSystem& media) {
  received.Watch(SIGUSR1);
  received.Watch(SIGUSR2);
  QObject::connect(&received, &qt::TerminationSignals::Received, app,
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

// What the command line asks of a started station: a timed recording, a timed exit and
// learning the time inserter; then the exit status they give.
class CommandLineRun {
 public:
  CommandLineRun(const CommandLine& command_line, AppState& station, QCoreApplication* app,
                 HeadlessWindows* headless)
      : command_line_(command_line), station_(station), app_(app), headless_(headless) {}
  CommandLineRun(const CommandLineRun&) = delete;
  CommandLineRun& operator=(const CommandLineRun&) = delete;
  ~CommandLineRun() {
    if (headless_ != nullptr) headless_->frame_target().set_tap(nullptr);
  }

  void Begin() {
    if (command_line_.record_seconds) QTimer::singleShot(0, app_, [this] { StartRecording(); });
    if (command_line_.quit_after_seconds) {
      QTimer::singleShot(*command_line_.quit_after_seconds * 1000, app_,
                         [this] { station_.Exit(); });
    }
    if (command_line_.learn_inserter_seconds) StartLearning();
  }

  // The exit status, once the event loop ended with loop_result.
  int Status(int loop_result) {
    if (headless_ != nullptr) headless_->frame_target().set_tap(nullptr);
    int status = failed_ ? 1 : ExitStatusOf(loop_result);
    if (status == 0 && command_line_.record_seconds) {
      // A recording whose device left and had not come back by the end was cut short too.
      const VideoSourceInfo* device = station_.sources().CurrentSource();
      const bool device_gone = station_.controller().recording_interrupted() &&
                               (device == nullptr || device->is_detached);
      status = RecordingExitStatus(!recorded_file_.empty(),
                                   station_.controller().last_recording_failed() || device_gone,
                                   files::PathExists(recorded_file_),
                                   files::PathExists(RecordingLogName(recorded_file_)));
    }
    return status;
  }

 private:
  // --record.
  void StartRecording() {
    if (station_.exiting()) return;
    // The GPS receiver AutostartGPS is looking for gives the recording its position.
    if (station_.gps() != nullptr && station_.gps()->connecting()) {
      QTimer::singleShot(100, app_, [this] { StartRecording(); });
      return;
    }
    if (station_.sources().CurrentSource() == nullptr) {
      // Nothing to record with: the log has said so; the caller learns it from the status.
      station_.Exit();
      return;
    }
    station_.StartButton();
    // Without a file name (a folder that cannot be made, a name too long) the start shows
    // live video only: nothing is being recorded.
    if (station_.graph().state() == GraphState::Running) {
      recorded_file_ = station_.controller().recording_target().video_file_name;
    }
    QTimer::singleShot(*command_line_.record_seconds * 1000, app_, [this] {
      if (station_.exiting()) return;
      station_.StopButton();
      station_.Exit();
    });
  }

  // --learn-inserter: the frames that reach the station's own renderer are learnt from too.
  void StartLearning() {
    const VideoFormat* format = station_.sources().CurrentVideoFormat();
    const double rate = format != nullptr && format->media_type.avg_time_per_frame > 0
                            ? 1e7 / format->media_type.avg_time_per_frame
                            : 25.0;
    if (headless_ == nullptr || format == nullptr) {
      station_.log().ReportMessage(
          headless_ == nullptr
              ? "WARNING: the time inserter is learnt from the command line only without a "
                "screen (--headless)\r\n"
              : "WARNING: the time inserter cannot be learnt: there is no video\r\n",
          true);
      failed_ = true;
      QTimer::singleShot(0, app_, [this] { station_.Exit(); });
      return;
    }
    const int frames = static_cast<int>(*command_line_.learn_inserter_seconds * rate + 0.5);
    learning_ = std::make_unique<InserterLearningRun>(
        frames, [this] { qt::PostToUiThread([this] { LearningDone(); }); });
    headless_->frame_target().set_tap(learning_.get());
    station_.log().ReportMessage(
        "Learning the time inserter from " +
            std::to_string(*command_line_.learn_inserter_seconds) + " s of live video\r\n",
        true);
  }

  // On the UI thread: what was learnt is reported and its character sets saved.
  void LearningDone() {
    headless_->frame_target().set_tap(nullptr);
    const inserter::InserterLearning& learnt = learning_->learning();
    for (const std::string& line : learnt.ReportLines()) {
      station_.log().ReportMessage(line + "\r\n", true);
    }
    std::string why;
    if (!learnt.learnt()) {
      failed_ = true;
    } else if (inserter::SaveLearntSets("", learnt.field(0), learnt.field(1), &why)) {
      station_.log().ReportMessage(std::string("NOTE: the character sets were saved: ") +
                                       kInterlacedEvenSetFile + ", " + kInterlacedOddSetFile +
                                       " and " + kPlainCharacterSetFile + "\r\n",
                                   true);
    } else {
      station_.log().ReportMessage(
          "WARNING: the character sets cannot be saved (" + why + ")\r\n", true);
      failed_ = true;
    }
    station_.Exit();
  }

  const CommandLine& command_line_;
  AppState& station_;
  QCoreApplication* app_;
  HeadlessWindows* headless_;
  // --record: the video file the recording went into, empty until one started.
  std::string recorded_file_;
  std::unique_ptr<InserterLearningRun> learning_;
  // Learning the inserter failed: the status is 1 whatever the loop gave.
  bool failed_ = false;
};

// Start-up reports the station queues before its User Messages window exists.
void QueueStartUpWarnings(AppState& station, const qt::StationLocks& locks,
                          const gst::GstMediaSystem& media, const CommandLine& command_line) {
  // A home folder that could not hold its lock: shown with the other start-up reports.
  if (!locks.warning.isEmpty()) station.log().QueueMessage(locks.warning.toStdString());
  if (!media.camera_file_error().empty()) {
    station.log().QueueMessage("WARNING: the file camera cannot play " + command_line.camera_file +
                               " (" + media.camera_file_error() + ")\r\n");
  }
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  const CommandLineResult parsed = ParseCommandLine(arguments);
  const std::string program = argc > 0 ? argv[0] : "vesk-capture";
  if (const std::optional<int> status = RunWithoutStation(parsed, program)) return *status;
  const CommandLine& command_line = parsed.options;
  const bool headless = RunsHeadless(command_line, program);
  std::unique_ptr<QCoreApplication> app = MakeApplication(headless, argc, argv);

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
  StationScreen screen = MakeScreen(headless, app.get());

  // The station and its start-up.
  auto make_live_filter = [](LiveAnalysis& analysis) -> std::shared_ptr<MediaFilter> {
    return std::make_shared<gst::VeskTransformFilter>(analysis);
  };
  TermiosSerialPorts serial_ports = GpsSerialPorts();
  GpsPlatform gps;
  gps.ports = &serial_ports;
  gps.post_to_ui = [](std::function<void()> work) { qt::RunOnUiThread(std::move(work)); };
  AppState station(StationServices{media, clock, *screen.message_box, *screen.windows, power,
                                   zone, files::CurrentDirectory(),
                                   LiveFilterMaker{make_live_filter, gst::kGstRgbRowsTopDown},
                                   qt::PostToUiThread, &timers, gps, !headless,
                                   &clock_discipline, &battery});
  if (screen.qt != nullptr) screen.qt->set_station(&station);
  QueueStartUpWarnings(station, locks, media, command_line);
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
  std::unique_ptr<UdevVideoMonitor> monitor = UdevVideoMonitor::Create();
  const std::unique_ptr<qt::DeviceChangeNotifier> device_changes =
      WatchVideoDevices(station, monitor);
  if (command_line.simulated_camera) {
    WatchSimulatedCameraSignals(signals_to_exit, app.get(), station, media);
  }

  CommandLineRun run(command_line, station, app.get(), screen.headless);
  run.Begin();
  return run.Status(app->exec());
}
