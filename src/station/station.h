#pragma once

// The station itself: AppState, the one application state, with the start-up
// sequence, the menu commands of the main and User Messages windows, device activation and
// the orderly exit. It reaches the screen through StationWindows (Qt windows, or nothing at
// all in headless mode) and the computer through the platform interfaces, so the whole
// sequence runs against test doubles as well.

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/analysis_settings.h"
#include "analysis/live_filter_control.h"
#include "analysis/pixels/character_sets.h"
#include "analysis/pixels/live_analysis.h"
#include "base/clock.h"
#include "base/battery.h"
#include "base/clock_discipline.h"
#include "base/error_table.h"
#include "base/hresult.h"
#include "base/message_box.h"
#include "base/message_log.h"
#include "base/message_view.h"
#include "base/power.h"
#include "base/time_zone.h"
#include "base/timer_queue.h"
#include "capture/camera_format.h"
#include "capture/capture_graph.h"
#include "capture/device_hotplug.h"
#include "capture/device_selection.h"
#include "capture/video_sources.h"
#include "config/options.h"
#include "events/event_list_model.h"
#include "events/event_loader.h"
#include "events/event_countdown.h"
#include "events/event_readiness.h"
#include "events/event_scheduler.h"
#include "gps/gps_control.h"
#include "events/file_options_model.h"
#include "events/schedule_event_model.h"
#include "events/power_action.h"
#include "media/media_graph.h"
#include "station/menu_model.h"
#include "station/station_inserter.h"
#include "station/station_windows.h"
#include "station/window_layout.h"

namespace vesk {

class RecordingController;

// Fixed names and texts of the station's own windows.
constexpr const char* kMainWindowClass = "VESK_VideoCapture";
constexpr const char* kUserMessagesClass = "User Messages Class";
constexpr const char* kUserMessagesTitle = "User Messages";
constexpr const char* kApplicationCaption = "VESK Video Capture";
constexpr const char* kSplashText = "VESK Video Capture Initialization...";
constexpr const char* kStandByTitle = "Stand by...";
constexpr const char* kStandByText =
    "VESK Video Capture is unresponsive\r\nduring this operation.\r\n\r\nStand by for "
    "completion...";
constexpr ScreenRect kMainWindowCreatedRect{100, 100, 660, 540};
constexpr ScreenRect kSplashRect{200, 200, 300, 100};
constexpr ScreenRect kStandByRect{300, 500, 350, 150};
constexpr ScreenRect kStandByTextRect{20, 20, 300, 100};

// Start-up reports.
constexpr const char* kDeviceListFailedText = "WARNING: call to get video device list failed\r\n";
constexpr const char* kScrollWindowNotCreatedText = "WARNING: scroll window not created\r\n";
constexpr const char* kCannotHibernateText = "Computer cannot be placed into hibernation\n";
constexpr const char* kNoPowerPrivilegeText =
    "No privilege to automatically shut down or hibernate after event recording\n";
constexpr const char* kNoScheduledEventsText = "There are no scheduled Events\r\n";
constexpr const char* kCannotHoldSleepText = "WARNING: cannot keep the computer awake for ";
// Said before the power action of an Event whose recording lost its device on the way.
constexpr const char* kInterruptedBeforePowerText =
    "WARNING: the Event recording was interrupted: its video capture device was disconnected\r\n";

// The fonts start-up makes, in creation order, with the warning a failure raises (none for
// the last three).
constexpr std::array<FontRequest, 8> kStartUpFonts = {{
    {18, FontFace::Consolas, ErrorCode::CannotCreateListFont},
    {20, FontFace::Consolas, ErrorCode::CannotCreateListFont},
    {72, FontFace::Tahoma, ErrorCode::CannotCreateCountdownFont},
    {16, FontFace::Consolas, ErrorCode::CannotCreateEventListFont},
    {28, FontFace::Consolas, ErrorCode::CannotCreateHibernationFont},
    {20, FontFace::Tahoma, std::nullopt},
    {18, FontFace::Tahoma, std::nullopt},
    {16, FontFace::Tahoma, std::nullopt},
}};

// The icon files, relative to the station's home folder. A missing file leaves its icon
// empty and is not reported.
enum class StationIcon { LogoLarge, LogoSmall, Folder, FolderClear, Stop, Record };
constexpr std::array<const char*, 6> kStationIconFiles = {
    "VeskVideoIcons/VESK_logo_large.ico", "VeskVideoIcons/VESK_logo_small.ico",
    "VeskVideoIcons/folder32x.ico",       "VeskVideoIcons/folderClear32x.ico",
    "VeskVideoIcons/stop64x.ico",         "VeskVideoIcons/record56x.ico"};

// The analysis filter live video runs through, made around the station's analysis state.
struct LiveFilterMaker {
  // Empty or giving null: no pixel analysis (highlighting and integration cannot be switched
  // on).
  std::function<std::shared_ptr<MediaFilter>(LiveAnalysis&)> make;
  // The media layer stores RGB rows first row first (else last row first).
  bool rgb_rows_top_down = true;
};

struct StationServices {
  MediaSystem& media;
  const Clock& clock;
  MessageBox& message_box;
  StationWindows& windows;
  PowerCapabilities& power;
  // Read once by the entry point; the bias is used for every local-to-UTC conversion.
  TimeZoneInfo time_zone;
  // The station's home folder with its trailing separator.
  std::string current_directory;
  LiveFilterMaker live_filter;
  // Hands work to the UI thread from any thread (a graph's error arrives on a platform
  // thread). Empty: such errors are only reported.
  std::function<void(std::function<void()>)> post_to_ui_thread;
  // The countdown's and the Event recording's timers.
  TimerQueue* timers = nullptr;
  GpsPlatform gps{};
  // False for a headless station: no renderer may need a display.
  bool display_available = true;
  // The kernel's view of the computer clock, for the recording log and the Event checks.
  const ClockDiscipline* clock_discipline = nullptr;
  // The computer's batteries, for the Event checks. Null: not checked.
  BatteryMonitor* battery = nullptr;
};

class AppState final : private StationMenuKeeper {
 public:
  explicit AppState(StationServices services);
  ~AppState() override;

  AppState(const AppState&) = delete;
  AppState& operator=(const AppState&) = delete;

  // The initialiser: every start-up step in order. E_ABORT after a fatal failure, whose
  // message box has been shown; the station must then not be used further.
  HResult Initialise();

  // A command of the main or User Messages menu by identifier (unknown ones do nothing).
  void RunCommandId(int identifier);
  void RunCommand(MenuCommand command);

  // "Save Messages" (clear false) and "Save Messages and Clear" of the User Messages window.
  bool SaveMessages(bool clear);

  // File > Exit, the close box and SIGINT/SIGTERM: a running recording is stopped and its
  // log written, then the main window goes and the loop ends. Only the first call acts.
  void Exit();

  // The Events on disk changed (saved, edited or deleted): a pending countdown is cancelled
  // and every Event loaded again, which schedules the earliest.
  void RescheduleEvents();

  // The record controls.
  void StartButton();
  void StopButton();

  // After an Event recording: the countdown, then hibernation or power-off as the Event
  // asked; then runs afterwards in every case (an accepted power-off has already asked the
  // station to exit by then).
  void PerformPowerAction(bool hibernate, bool shutdown, std::function<void()> then);
  // Keeps the computer awake while the result lives; why names the Event. A refusal is
  // reported with the system's reason, and null comes back: the Event is recorded anyway.
  std::unique_ptr<SleepInhibitor> HoldSleep(const std::string& why);
  // The brightness and contrast window's close box.
  void CloseBrightnessContrast();
  // A slider of that window moved (0 to 100): the display's colour control follows.
  void ColourSliderMoved(bool brightness, int position);
  // The observer resized the main window.
  void MainWindowResized();
  // The desktop framed a window after it was placed: placed again, now with its frame.
  void WindowFramed(WindowId window);
  // A playback file was opened: the playback window takes the video's size (within the work
  // area) and the controls move clear of the picture.
  void PlacePlaybackWindows(PixelSize video);
  // The set of video devices changed (a device was plugged in or out): every change is
  // reconciled with the device list and reacted to. During start-up it waits for the end of
  // start-up.
  void DeviceSetChanged();
  DeviceHotplug& hotplug() { return *hotplug_; }

  MessageLog& log() { return log_; }
  ErrorReporter& errors() { return errors_; }
  Options& options() { return options_; }
  VideoSources& sources() { return sources_; }
  CaptureGraph& graph() { return *graph_; }
  AnalysisControls& analysis_controls() { return *analysis_controls_; }
  const LiveAnalysis& live_analysis() const { return live_analysis_; }
  const RecognitionSets& recognition_sets() const { return recognition_sets_; }
  // The time inserter's learning and live read-out, for its window (made by Initialise).
  InserterPort* inserter() { return inserter_.get(); }
  RecordingController& controller() { return *controller_; }
  // Null without serial ports.
  GpsControl* gps() { return gps_.get(); }
  // The Video Input Device and camera format windows' logic (the hot-plug reconciliation
  // refreshes and cancels them).
  DeviceSelectionModel& device_selection() { return *device_selection_; }
  CameraFormatModel& camera_format() { return *camera_format_; }
  const CommandIds& command_ids() const { return ids_; }
  const MenuState& menu_state() const { return menu_state_; }
  const MenuBars& menus() const { return menus_; }
  LayoutInputs& layout() { return layout_; }
  const CountdownScheduler& scheduler() const { return *scheduler_; }
  EventLoader& event_loader() { return *event_loader_; }
  ScheduleEventModel& schedule_event() { return *schedule_event_; }
  EventListModel& event_list() { return *event_list_; }
  int bias_minutes() const { return bias_minutes_; }
  bool initialising() const { return initialising_; }
  bool hibernation_possible() const { return hibernation_possible_; }
  bool options_loaded() const { return options_loaded_; }
  bool exiting() const { return exiting_; }
  // The next free command identifier (the playback menu takes its own from here).
  int command_counter() const { return command_counter_; }

 private:
  // The capture graph with its live analysis filter, the recording controller around it,
  // the analysis controls and the Event loader; no window is touched.
  void BuildObjects();
  HResult ActivateDevice();
  // The logic of the Schedule Event and Event list windows and of the File options dialog,
  // and the two windows.
  bool BuildEventWindows();
  // "File...": the dialog, and on Save the options file and the Schedule Event window's
  // global prefix.
  void RunFileOptions();
  // "Duration Default...", "Codec...", "Event Pending...", "Performance..." and "Misc...":
  // the dialog, then the options file and live video as its result asks.
  void RunOptionDialog(MenuCommand command);
  // The logic of the two device windows, acting on the live video through the controller.
  void BuildDeviceWindows();
  // StationMenuKeeper: the recording controller's menu graying and brightness reset.
  void EnableMenusOutsideRecording(bool enabled) override;
  void ResetBrightnessContrast() override;
  void PlaybackClosed() override;
  void RebuildMenus();
  // The window frame is known only once the desktop has decorated the main window, so it is
  // measured again before every placement of that window.
  // ActivateDevice after the device in use changed, and the main window laid out for it.
  void ShowVideoWindowsForDevice();
  void RefreshFrameExtra();
  void SizeVideoWindowAfterStart();
  // StartVideo, then the video window sized to what started.
  HResult StartVideoSized();
  // The capture graph's decoder look-up and PAL/NTSC detection for device validation.
  DeviceValidationHooks GraphValidationHooks();
  void RefreshMainWindowLayout();
  // The reactions to devices arriving and leaving, wired to the controller and windows.
  void BuildDeviceHotplug();
  void ToggleBrightnessContrast();
  void ToggleX2Magnification();
  // "USB GPS Receiver...": reports the attempt and, when the search ends, its result.
  void ConnectGpsReceiver();
  bool DeviceActive() const;
  bool RecordingInProgress() const;
  // Stop and start again for a changed overlay. While a recording runs the change waits for
  // the recording's own stop: a restart now would end it and record over its file.
  HResult RestartLiveVideo();

  StationServices services_;
  MessageLog log_;
  ErrorReporter errors_;
  Options options_;
  DerivedOptions derived_;
  std::vector<VideoConfiguration> video_configurations_;
  VideoSources sources_;
  // The live analysis outlives the graph, whose pipeline hands it frames until it stops.
  RecognitionSets recognition_sets_;
  // Before the graph and the controller, which read through it.
  std::unique_ptr<StationInserter> inserter_;
  LiveAnalysis live_analysis_;
  std::shared_ptr<MediaFilter> live_filter_;
  std::unique_ptr<LiveAnalysisControl> live_control_;
  std::unique_ptr<CaptureGraph> graph_;
  // Before the controller, which takes its fix from it.
  std::unique_ptr<GpsControl> gps_;
  std::unique_ptr<RecordingController> controller_;
  std::unique_ptr<AnalysisControls> analysis_controls_;
  std::unique_ptr<EventReadiness> readiness_;
  std::unique_ptr<CountdownScheduler> scheduler_;
  std::unique_ptr<EventLoader> event_loader_;
  std::unique_ptr<ScheduleEventModel> schedule_event_;
  std::unique_ptr<EventListModel> event_list_;
  std::unique_ptr<FileOptionsModel> file_options_;
  std::unique_ptr<MiscellaneousOptionsModel> misc_options_;
  std::unique_ptr<CameraFormatModel> camera_format_;
  std::unique_ptr<DeviceSelectionModel> device_selection_;
  std::unique_ptr<PowerAction> power_action_;
  std::unique_ptr<DeviceHotplug> hotplug_;
  bool device_change_waiting_ = false;
  LayoutInputs layout_;
  CommandIds ids_;
  MenuState menu_state_;
  MenuBars menus_;
  int command_counter_ = kFirstCommandIdentifier;
  int bias_minutes_ = 0;
  bool initialising_ = false;
  bool hibernation_possible_ = true;
  bool options_loaded_ = false;
  bool position_update_in_progress_ = false;
  bool exiting_ = false;
};

}  // namespace vesk
