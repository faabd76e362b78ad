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

#include "analysis/pixels/character_sets.h"
#include "analysis/pixels/live_analysis.h"
#include "base/error_table.h"
#include "base/hresult.h"
#include "base/message_log.h"
#include "capture/device_window_station.h"
#include "capture/video_sources.h"
#include "config/option_dialogs.h"  // with the options themselves
#include "config/video_configuration.h"
#include "events/countdown_station.h"
#include "recording/recording_menus.h"
#include "recording/recording_station.h"
#include "station/menu_model.h"
#include "station/station_services.h"
#include "station/window_layout.h"

namespace vesk {

class AnalysisControls;
class CameraFormatModel;
class CaptureGraph;
class CountdownScheduler;
class DeviceSelectionModel;
class EventListModel;
class EventLoader;
class EventReadiness;
class FileOptionsModel;
class GpsControl;
class LiveAnalysisControl;
class MiscellaneousOptionsModel;
class PowerAction;
class RecordingController;
class DeviceChangeReaction;
class InserterPort;
class ScheduleEventModel;
class StationInserter;

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

class AppState final : private RecordingMenus,
                       private RecordingStation,
                       private CountdownStation,
                       private DeviceWindowStation,
                       private OptionDialogStation {
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

  // Playback was closed by its Exit: the main window's "Open" comes back.
  void PlaybackClosed();

  // The record controls.
  void StartButton();
  void StopButton();

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
  DeviceChangeReaction& hotplug() { return *hotplug_; }
  // Where the time inserter's window reaches the live video: learning, saving and the live
  // read-out. Not owned; the station's own inserter from start-up unless another was plugged in.
  void set_inserter_port(InserterPort* port) { inserter_port_ = port; }
  InserterPort* inserter_port() const { return inserter_port_; }

  MessageLog& log() { return log_; }
  ErrorReporter& errors() { return errors_; }
  Options& options() { return options_; }
  VideoSources& sources() { return sources_; }
  CaptureGraph& graph() { return *graph_; }
  AnalysisControls& analysis_controls() { return *analysis_controls_; }
  const LiveAnalysis& live_analysis() const { return live_analysis_; }
  const RecognitionSets& recognition_sets() const { return recognition_sets_; }
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
  // The phases of start-up, in the order Initialise runs them; false: a fatal failure,
  // already reported.
  // The character sets, the objects behind the windows, the icons and the options file.
  void PrepareStartUp();
  bool CreateMainWindows();
  void FindAttachedDevices();
  bool OpenUserMessagesWindow();
  void CreateStartUpFonts();
  bool CreateWorkingWindows();
  // The devices' saved configurations, the menu command identifiers and the device to use.
  void ChooseStartUpDevice();
  void CheckPowerActions();
  void PlaceStartUpWindows();
  // Live video and the Events, the main window shown, and the GPS receiver looked for.
  void StartLiveVideoAndEvents();
  void FinishStartUp();
  // The capture graph with its live analysis filter, the recording controller around it,
  // the analysis controls and the Event loader; no window is touched.
  void BuildObjects();
  void BuildCaptureGraph();
  void BuildGpsControl();
  void BuildEventScheduling();
  // RecordingStation: what the recording controller asks of the station.
  void CancelEventCountdown() override;
  void CancelEventStop() override;
  void ReloadEvents() override;
  void ReconnectGpsReceiver() override;
  void SaturationHighlightingDropped() override;
  bool RecordingDeviceLeft() override;
  // CountdownStation: what the scheduler asks of the station around an Event.
  bool HibernationPossible() const override;
  // Keeps the computer awake while the result lives; why names the Event. A refusal is
  // reported with the system's reason, and null comes back: the Event is recorded anyway.
  std::unique_ptr<SleepInhibitor> HoldSleep(const std::string& why) override;
  void CheckReadiness(FileTime start_utc, FileTime stop_utc) override;
  void ClosePlaybackForEvent() override;
  // After an Event recording: the countdown, then hibernation or power-off as the Event
  // asked; then runs afterwards in every case (an accepted power-off has already asked the
  // station to exit by then). A recording that lost its device on the way is said first.
  void PerformPowerAction(bool hibernate, bool shutdown, std::function<void()> then) override;
  void LoadEventsAfterRecording() override;
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
  // DeviceWindowStation: what the device windows ask of the station.
  HResult StopVideo() override;
  HResult StartVideo() override;
  bool SaveOptions() override;
  // OptionDialogStation: the options file as above, and the countdown's new time base.
  void RefreshCountdownTimeBase() override;
  // RecordingMenus: the recording controller's menu graying and brightness reset.
  void EnableMenusOutsideRecording(bool enabled) override;
  void ResetBrightnessContrast() override;
  void RebuildMenus();
  // The window frame is known only once the desktop has decorated the main window, so it is
  // measured again before every placement of that window.
  // ActivateDevice after the device in use changed, and the main window laid out for it.
  void ShowVideoWindowsForDevice() override;
  void RefreshFrameExtra();
  void SizeVideoWindowAfterStart();
  // StartVideo, then the video window sized to what started.
  HResult StartVideoSized();
  // The capture graph's decoder look-up and PAL/NTSC detection for device validation.
  DeviceValidationHooks GraphValidationHooks() override;
  void RefreshMainWindowLayout() override;
  // The station as the device-change reaction sees it.
  class DeviceChanges;
  // The reactions to devices arriving and leaving, wired to the controller and windows.
  void BuildDeviceHotplug();
  void ToggleBrightnessContrast();
  void ToggleX2Magnification();
  // "USB GPS Receiver...": reports the attempt and, when the search ends, its result.
  void ConnectGpsReceiver();
  bool DeviceActive() const;
  bool RecordingInProgress() const override;
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
  // What the analysis settings ask of the station; before them.
  class AnalysisPort;
  std::unique_ptr<AnalysisPort> analysis_port_;
  std::unique_ptr<AnalysisControls> analysis_controls_;
  std::unique_ptr<EventReadiness> readiness_;
  std::unique_ptr<CountdownScheduler> scheduler_;
  std::unique_ptr<EventLoader> event_loader_;
  // What the Event windows' models ask of the station; before them.
  class EventWindows;
  std::unique_ptr<EventWindows> event_windows_;
  std::unique_ptr<ScheduleEventModel> schedule_event_;
  std::unique_ptr<EventListModel> event_list_;
  std::unique_ptr<FileOptionsModel> file_options_;
  std::unique_ptr<MiscellaneousOptionsModel> misc_options_;
  std::unique_ptr<CameraFormatModel> camera_format_;
  std::unique_ptr<DeviceSelectionModel> device_selection_;
  std::unique_ptr<PowerAction> power_action_;
  std::unique_ptr<DeviceChangeReaction> hotplug_;
  bool device_change_waiting_ = false;
  InserterPort* inserter_port_ = nullptr;
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
