#include "station/station.h"

#include <utility>

#include "analysis/analysis_settings.h"
#include "analysis/live_filter_control.h"
#include "base/message_log_save.h"
#include "capture/analog_format.h"
#include "capture/camera_format.h"
#include "capture/capture_graph.h"
#include "capture/colour_control.h"
#include "capture/device_hotplug.h"
#include "capture/device_properties.h"
#include "capture/device_selection.h"
#include "capture/video_codecs.h"
#include "capture/video_configuration_apply.h"
#include "config/option_dialogs.h"
#include "events/event_countdown.h"
#include "events/event_list_model.h"
#include "events/event_loader.h"
#include "events/event_readiness.h"
#include "events/file_options_model.h"
#include "events/power_action.h"
#include "events/schedule_event_model.h"
#include "gps/gps_control.h"
#include "recording/file_naming.h"
#include "recording/recording_controller.h"
#include "recording/recording_view.h"
#include "station/device_change_reaction.h"
#include "station/playback_placement.h"
#include "station/station_inserter.h"
#include "station/time_zone_report.h"
#include "station/window_constants.h"

namespace vesk {

AppState::AppState(StationServices services)
    : services_(std::move(services)),
      log_(services_.clock),
      errors_(log_, services_.message_box),
      sources_(services_.media, log_),
      live_analysis_(log_),
      power_action_(std::make_unique<PowerAction>(
          PowerActionContext{services_.power, services_.windows, log_, [this] { Exit(); }})) {}

AppState::~AppState() = default;

void AppState::EnableMenusOutsideRecording(bool enabled) {
  menu_state_.recording = !enabled;
  RebuildMenus();
}

void AppState::PlaybackClosed() {
  menu_state_.playback_open = false;
  RebuildMenus();
}

void AppState::ResetBrightnessContrast() {
  menu_state_.brightness_contrast_active = false;
  RebuildMenus();
  services_.windows.ShowBrightnessContrast(false);
}

bool AppState::DeviceActive() const { return sources_.CurrentSource() != nullptr; }

bool AppState::RecordingInProgress() const {
  const VideoSourceInfo* info = sources_.CurrentSource();
  return info != nullptr && (info->is_active_manual_recording || info->is_active_event_recording);
}

HResult AppState::RestartLiveVideo() {
  if (RecordingInProgress()) return S_OK;
  return controller_->RestartVideo();
}

// The live filter, live video and the options file, as the analysis settings reach them.
class AppState::AnalysisPort final : public AnalysisStation {
 public:
  explicit AnalysisPort(AppState& station) : s_(station) {}
  void SetFilterThreshold(std::int32_t threshold) override {
    s_.live_analysis_.SetSaturationThreshold(threshold);
  }
  HResult RestartLiveVideo() override { return s_.RestartLiveVideo(); }
  bool SaveOptions() override { return s_.SaveOptions(); }

 private:
  AppState& s_;
};

void AppState::BuildObjects() {
  BuildCaptureGraph();
  bias_minutes_ = MakeTimeZoneReport(services_.time_zone).bias_minutes;
  BuildGpsControl();
  controller_ = std::make_unique<RecordingController>(RecordingControllerContext{
      .graph = *graph_,
      .options = options_,
      .log = log_,
      .clock = services_.clock,
      .bias_minutes = bias_minutes_,
      .current_directory = services_.current_directory,
      .view = services_.windows,
      .menus = *this,
      .gps = gps_.get(),
      .station = *this,
      .clock_discipline = services_.clock_discipline});
  controller_->set_initialising(true);
  if (inserter_) controller_->set_inserter_fields(inserter_->live().get());
  analysis_port_ = std::make_unique<AnalysisPort>(*this);
  analysis_controls_ = std::make_unique<AnalysisControls>(AnalysisControlsContext{
      .switches = graph_->switches(),
      .options = options_,
      .log = log_,
      .station = *analysis_port_});
  BuildEventScheduling();
}

// The capture graph object with its codec list (needed to read the options' codec pairs)
// and the live analysis filter.
void AppState::BuildCaptureGraph() {
  const LiveFilterMaker& maker = services_.live_filter;
  if (maker.make) live_filter_ = maker.make(live_analysis_);
  if (live_filter_) {
    live_control_ = std::make_unique<LiveAnalysisControl>(
        live_analysis_, live_filter_, maker.rgb_rows_top_down,
        [this] { return analysis_controls_->SettingsForStart(); }, recognition_sets_);
  }
  graph_ = std::make_unique<CaptureGraph>(
      CaptureGraphContext{
          .media = services_.media,
          .options = options_,
          .subtype_codec_pairs = derived_.subtype_codec_pairs,
          .sources = sources_,
          .log = log_,
          .errors = errors_,
          .create_colour_control = [this] { return CreateColourControl(services_.media, log_); },
          .on_run_error =
              [this](std::uint64_t run) {
                // The recording that failed is ended on the UI thread.
                if (!services_.post_to_ui_thread) return;
                services_.post_to_ui_thread([this, run] {
                  if (controller_) controller_->OnGraphRunError(run);
                  // A device in use that vanished is noticed without udev too.
                  DeviceSetChanged();
                });
              }},
      live_filter_, live_control_.get());
  graph_->set_display_available(services_.display_available);
  if (inserter_) graph_->set_live_frame_tap(inserter_->live());
}

// The GPS receiver, when there are serial ports to find it on.
void AppState::BuildGpsControl() {
  const GpsPlatform& gps = services_.gps;
  if (gps.ports == nullptr || !gps.post_to_ui) return;
  gps_ = std::make_unique<GpsControl>(GpsControlContext{
      .ports = *gps.ports,
      .log = log_,
      .clock = services_.clock,
      .post_to_ui = gps.post_to_ui,
      .event_recording_in_progress =
          [this] {
            const VideoSourceInfo* info = sources_.CurrentSource();
            return info != nullptr && info->is_active_event_recording;
          },
      .show_stand_by = [this](bool shown) { services_.windows.ShowStandByWindow(shown); },
      .timings = gps.timings,
      .refresh_interval = gps.refresh_interval});
}

// The Event checks, the countdown scheduler and the Event loader.
void AppState::BuildEventScheduling() {
  // A receiver counts as having a fix when it is connected and its refresh has given a
  // position.
  readiness_ = std::make_unique<EventReadiness>(EventReadinessContext{
      .sources = sources_,
      .options = options_,
      .current_directory = services_.current_directory,
      .clock = services_.clock,
      .log = log_,
      .clock_discipline = services_.clock_discipline,
      .battery = services_.battery,
      .gps_has_fix =
          [this] { return gps_ && gps_->IsOpen() && !gps_->last_position().latitude.empty(); },
      .clock_minus_inserter_ms =
          [this] { return inserter_ ? inserter_->RecentClockMinusInserterMs() : std::nullopt; }});
  scheduler_ = std::make_unique<CountdownScheduler>(CountdownSchedulerContext{
      .controller = *controller_,
      .sources = sources_,
      .windows = services_.windows,
      .countdown = services_.windows,
      .timers = *services_.timers,
      .log = log_,
      .clock = services_.clock,
      .derived = derived_,
      .station = *this,
      .gps = gps_.get()});
  EventLoader::Hooks loader_hooks;
  loader_hooks.device_list_empty = [this] { return sources_.Count() == 0; };
  // Never the name of a recording in progress: its stop would then write no log.
  loader_hooks.clear_current_video_file_name = [this] {
    controller_->ForgetIdleVideoFileName();
  };
  event_loader_ = std::make_unique<EventLoader>(services_.clock, log_, *scheduler_,
                                                controller_->manually_stopped_events(),
                                                std::move(loader_hooks));
}

// The scheduler's deadlines, as the controller cancels an Event or ends its recording.
void AppState::CancelEventCountdown() { scheduler_->DeleteCountdownTimer(); }
void AppState::CancelEventStop() { scheduler_->DeleteStopTimer(); }
void AppState::ReloadEvents() { event_loader_->LoadEvents(); }
void AppState::ReconnectGpsReceiver() { RunCommand(MenuCommand::UsbGpsReceiver); }
// The value in use goes with the stored one.
void AppState::SaturationHighlightingDropped() { analysis_controls_->ForgetSaturationValue(); }

// A recording's graph failed: its device may have gone, which the hot-plug handling
// owns (the recording then resumes on the device's return).
bool AppState::RecordingDeviceLeft() {
  hotplug_->HandleAllDeviceChanges();
  const VideoSourceInfo* info = sources_.CurrentSource();
  return info != nullptr && info->is_detached;
}

bool AppState::HibernationPossible() const { return hibernation_possible_; }
void AppState::CheckReadiness(FileTime start_utc, FileTime stop_utc) {
  readiness_->Check(start_utc, stop_utc);
}
void AppState::ClosePlaybackForEvent() { services_.windows.ClosePlaybackForEvent(); }
// A station on its way out schedules nothing more (an exit may end a power countdown).
void AppState::LoadEventsAfterRecording() {
  if (!exiting_) event_loader_->LoadEvents();
}

DeviceValidationHooks AppState::GraphValidationHooks() {
  // Without a graph builder nothing can be looked up or detected.
  return graph_->graph() != nullptr ? ValidationHooksFor(*graph_) : DeviceValidationHooks{};
}

HResult AppState::StartVideoSized() {
  const HResult result = controller_->StartVideo();
  if (Succeeded(result)) SizeVideoWindowAfterStart();
  return result;
}

// The main window takes the device's frame size; its own resize must not refit it.
void AppState::RefreshMainWindowLayout() {
  layout_.current_format_size.reset();
  if (const VideoFormat* format = sources_.CurrentVideoFormat()) {
    layout_.current_format_size = PixelSize{format->width, format->height};
  }
  position_update_in_progress_ = true;
  RefreshFrameExtra();
  PlaceWindow(WindowId::Main, false, false, layout_, options_, log_, services_.windows);
  position_update_in_progress_ = false;
}

class AppState::DeviceChanges final : public DeviceChangePort {
 public:
  explicit DeviceChanges(AppState& station) : s_(station) {}
  DeviceValidationHooks ValidationHooks() override { return s_.GraphValidationHooks(); }
  HResult StopVideo() override { return s_.controller_->StopVideo(); }
  HResult StartVideo() override { return s_.StartVideoSized(); }
  void ResumeRecording(const std::string& path) override { s_.controller_->ResumeRecording(path); }
  void RecordingInterrupted() override { s_.controller_->MarkRecordingInterrupted(); }
  void ShowVideoWindows() override { s_.ShowVideoWindowsForDevice(); }
  void RefreshLayout() override { s_.RefreshMainWindowLayout(); }
  // The device windows exist once start-up made them; until then there is nothing to close.
  void CloseCameraFormatWindow() override {
    if (s_.camera_format_ && s_.camera_format_->IsOpen()) s_.camera_format_->CancelAndClose();
  }
  void RefreshDeviceSelectionWindow() override {
    if (s_.device_selection_ && s_.device_selection_->IsOpen()) s_.device_selection_->Refresh();
  }

 private:
  AppState& s_;
};

void AppState::BuildDeviceHotplug() {
  hotplug_ = std::make_unique<DeviceChangeReaction>(
      DeviceChangeContext{sources_, services_.media, log_, video_configurations_,
                          options_.excluded_video_sources, options_.default_video_source},
      std::make_unique<DeviceChanges>(*this));
}

void AppState::DeviceSetChanged() {
  if (exiting_ || !hotplug_) return;
  // Start-up looks once at its end; a camera start, once it is over.
  if (initialising_) {
    device_change_waiting_ = true;
    return;
  }
  if (controller_->graph_switching()) {
    if (services_.post_to_ui_thread) services_.post_to_ui_thread([this] { DeviceSetChanged(); });
    return;
  }
  device_change_waiting_ = false;
  hotplug_->HandleAllDeviceChanges();
}

HResult AppState::Initialise() {
  PrepareStartUp();
  if (!CreateMainWindows()) return E_ABORT;
  FindAttachedDevices();
  if (!OpenUserMessagesWindow()) return E_ABORT;
  CreateStartUpFonts();
  if (!CreateWorkingWindows()) return E_ABORT;
  ChooseStartUpDevice();
  // Its windows and menus.
  if (Failed(ActivateDevice())) return E_ABORT;
  RefreshFrameExtra();
  CheckPowerActions();
  PlaceStartUpWindows();
  StartLiveVideoAndEvents();
  FinishStartUp();
  return S_OK;
}

void AppState::PrepareStartUp() {
  // The error table is static; the character sets are read now, and their absence is
  // reported once the User Messages window exists.
  LoadRecognitionSets(&recognition_sets_, errors_, log_);
  inserter_ = std::make_unique<StationInserter>("", services_.clock, log_);
  inserter_->LoadLearnt(recognition_sets_);
  // The window learns from this station's live video unless another port was plugged in.
  if (inserter_port_ == nullptr) inserter_port_ = inserter_.get();
  initialising_ = true;
  layout_.initialising = true;
  command_counter_ = kFirstCommandIdentifier;
  sources_.SetCurrentSourceIndex(kNoCurrentSource);

  // The desktop's work area, then the objects behind the windows.
  layout_.work_area = services_.windows.ReadWorkArea();
  BuildObjects();
  BuildDeviceHotplug();
  services_.windows.LoadIcons();

  // The options file, and the stored saturation value when there is a filter to use it.
  options_loaded_ = LoadOptionsAtStartUp(VideoCodecNames(graph_->video_codecs()), log_, &options_,
                                         &derived_, &video_configurations_);
  if (options_loaded_ && options_.pixel_saturation_value != -1 && live_filter_) {
    analysis_controls_->TakeStoredSaturationValue();
  }
}

// The main window with its idle title, and the video record window the renderer draws in.
bool AppState::CreateMainWindows() {
  StationWindows& windows = services_.windows;
  if (!windows.CreateMainWindow()) {
    errors_.RaiseAppError(ErrorCode::CannotCreateMainWindow);
    return false;
  }
  windows.SetMainWindowTitle(kIdleTitle);
  if (!windows.CreateVideoRecordWindow()) {
    errors_.RaiseAppError(ErrorCode::CannotCreateVideoDisplayWindow);
    return false;
  }
  graph_->renderers().set_display_window(windows.VideoDisplayWindow());
  return true;
}

// The attached devices, less those the observer excluded.
void AppState::FindAttachedDevices() {
  if (Failed(sources_.GetAttachedVideoDeviceList(GraphValidationHooks(), video_configurations_))) {
    log_.ReportMessage(kDeviceListFailedText, true);
  }
  sources_.MarkIgnoredDevices(options_.excluded_video_sources);
}

// The User Messages window, placed, takes the log; the time zone is its first report.
bool AppState::OpenUserMessagesWindow() {
  StationWindows& windows = services_.windows;
  MessageView* message_view = windows.CreateUserMessagesWindow(options_.message_window_position);
  if (message_view == nullptr) {
    errors_.RaiseAppError(ErrorCode::CannotCreateUserMessagesWindow);
    return false;
  }
  PlaceWindow(WindowId::UserMessages, false, false, layout_, options_, log_, windows);
  log_.AttachView(message_view);
  log_.ReportMessage(MakeTimeZoneReport(services_.time_zone).text, true);
  return true;
}

// Fonts. Their failures are warnings; start-up goes on.
void AppState::CreateStartUpFonts() {
  for (const FontRequest& font : kStartUpFonts) {
    if (!services_.windows.CreateFont(font) && font.failure) errors_.RaiseAppError(*font.failure);
  }
}

// The stand-by window, the record controls, the scroll window, the tool windows and the
// Event and device windows with the logic behind them.
bool AppState::CreateWorkingWindows() {
  StationWindows& windows = services_.windows;
  windows.CreateStandByWindow();
  if (!windows.CreateRecordControls(options_.record_buttons_space)) {
    // Without Start and Stop the station is useless; the observer is told why it ends.
    errors_.RaiseAppError(ErrorCode::CannotCreateControlsWindow);
    return false;
  }
  if (!windows.CreateScrollWindow()) log_.ReportMessage(kScrollWindowNotCreatedText, true);
  if (!windows.CreateToolWindows(*analysis_controls_)) return false;
  if (gps_) gps_->set_view(windows.GpsView());
  if (!BuildEventWindows()) return false;
  BuildDeviceWindows();
  return true;
}

void AppState::ChooseStartUpDevice() {
  // The devices' saved configurations, and the menu command identifiers.
  ApplySavedConfigurations(log_, video_configurations_, &sources_, [this](std::uint32_t index) {
    ApplyDeviceProperties(sources_, log_, index);
  });
  ids_ = AssignCommandIds(&command_counter_);

  // The device to use: the saved default when it is there.
  sources_.SaveSelectionFlags();
  sources_.MarkDefaultDevice(options_.default_video_source);
  sources_.SelectCurrentSource();
}

// What the computer allows after an Event recording.
void AppState::CheckPowerActions() {
  if (!services_.power.CanHibernate()) {
    hibernation_possible_ = false;
    log_.ReportMessage(kCannotHibernateText, true);
  }
  if (!services_.power.MayShutDownOrHibernate()) log_.ReportMessage(kNoPowerPrivilegeText, true);
}

// Every window where the options keep it; those not yet wanted hidden.
void AppState::PlaceStartUpWindows() {
  StationWindows& windows = services_.windows;
  windows.ShowUserMessagesWindow();
  if (const VideoFormat* format = sources_.CurrentVideoFormat()) {
    layout_.current_format_size = PixelSize{format->width, format->height};
  }
  for (WindowId window : kStartUpPlacementOrder) {
    PlaceWindow(window, false, false, layout_, options_, log_, windows);
  }
  PlaceWindow(WindowId::Devices, false, false, layout_, options_, log_, windows);
  windows.HideWindow(WindowId::Devices);
  windows.HideWindow(WindowId::CameraFormat);
  windows.HideWindow(WindowId::MiscellaneousOptions);
  windows.HideWindow(WindowId::Gps);
}

void AppState::StartLiveVideoAndEvents() {
  // Live video and the Events only with a device to record them.
  if (DeviceActive()) {
    if (Succeeded(controller_->StartVideo())) SizeVideoWindowAfterStart();
    event_loader_->LoadEvents();
  }

  services_.windows.ShowMainWindow();

  if (options_.autostart_gps) RunCommand(MenuCommand::UsbGpsReceiver);
}

// The reports that waited for the User Messages window, and start-up is over.
void AppState::FinishStartUp() {
  log_.FlushPending();
  initialising_ = false;
  layout_.initialising = false;
  controller_->set_initialising(false);
  // A device that came or went during start-up.
  if (device_change_waiting_) DeviceSetChanged();
}

HResult AppState::ActivateDevice() {
  StationWindows& windows = services_.windows;
  const std::uint32_t index = sources_.CurrentSourceIndex();
  const int signed_index = index == kNoCurrentSource ? -1 : static_cast<int>(index);
  const DeviceActivation plan = PlanDeviceActivation(signed_index, sources_.Count());

  // The video shown only for an active device; the menus follow.
  windows.ShowVideoRecordWindow(plan.device_active);
  windows.HideScrollWindow();
  menu_state_.device_active = plan.device_active;
  menu_state_.device_list_empty = sources_.Count() == 0;
  RebuildMenus();

  // The device previews, ready to record.
  if (plan.device_active) {
    if (!plan.index_in_range) {
      log_.ReportMessage(kSourceIndexOutOfRange, true);
      return E_FAIL;
    }
    sources_.CurrentSource()->is_active_preview = true;
    windows.EnableStartButton(true);
    windows.EnableStopButton(false);
    windows.ShowRecordControls(true);
    return S_OK;
  }
  // Nothing to record with.
  windows.ShowRecordControls(false);
  log_.ReportMessage(kNoCaptureDevice, true);
  return S_OK;
}

void AppState::ShowVideoWindowsForDevice() {
  ActivateDevice();
  if (!DeviceActive()) return;
  // Activation hid the scroll window: the main window takes the device's size again, with
  // the video straight in it or in the scrolling container.
  RefreshMainWindowLayout();
  // Highlighting the previous device's format could not take is tried on this one.
  if (analysis_controls_->TakeBackForgottenValue()) RebuildMenus();
}

void AppState::RefreshFrameExtra() {
  PixelSize outer;
  PixelSize client;
  services_.windows.MeasureMainWindow(&outer, &client);
  layout_.frame_extra = MeasureFrameExtra(outer, client);
}

void AppState::RebuildMenus() {
  menu_state_.saturation_highlighting = graph_->switches().saturation_highlight;
  menus_ = BuildStationMenus(ids_, menu_state_);
  services_.windows.ApplyMenus(menus_);
}

void AppState::SizeVideoWindowAfterStart() {
  controller_->SizeVideoWindow();
  // A start may have switched highlighting off (a format it cannot take).
  RebuildMenus();
  if (const VideoFormat* format = sources_.CurrentVideoFormat()) {
    layout_.current_format_size = PixelSize{format->width, format->height};
  }
}

void AppState::RunCommandId(int identifier) {
  if (const std::optional<MenuCommand> command = ids_.CommandFor(identifier)) RunCommand(*command);
}

void AppState::RunCommand(MenuCommand command) {
  switch (command) {
    case MenuCommand::Exit:
      Exit();
      return;
    case MenuCommand::SetWindowPositions:
      RefreshFrameExtra();
      SetWindowPositions(layout_, options_, DeviceConfigurations(sources_), log_, errors_,
                         services_.windows);
      return;
    case MenuCommand::BrightnessContrast:
      ToggleBrightnessContrast();
      return;
    case MenuCommand::X2Magnification:
      ToggleX2Magnification();
      return;
    case MenuCommand::About:
      ReportAbout(log_);
      return;
    // Without the live filter there is no analysis to show or switch on.
    case MenuCommand::PixelSaturation:
      if (live_filter_) services_.windows.OpenPixelSaturationWindow();
      return;
    case MenuCommand::FrameIntegration:
      if (live_filter_) services_.windows.OpenFrameIntegrationWindow();
      return;
    case MenuCommand::UsbGpsReceiver:
      ConnectGpsReceiver();
      return;
    case MenuCommand::Schedule:
      schedule_event_->OpenNew();
      return;
    case MenuCommand::EditAndDelete:
      event_list_->Show();
      return;
    case MenuCommand::RecordingFileOptions:
      RunFileOptions();
      return;
    // Handled by the User Messages window itself.
    case MenuCommand::SaveMessages:
    case MenuCommand::SaveMessagesAndClear:
      return;
    case MenuCommand::DurationDefault:
    case MenuCommand::Codec:
    case MenuCommand::EventPending:
    case MenuCommand::Performance:
    case MenuCommand::Misc:
      RunOptionDialog(command);
      return;
    case MenuCommand::SelectVideoInputDevice:
      device_selection_->OpenFromMenu();
      return;
    case MenuCommand::LearnInserter:
      services_.windows.OpenInserterWindow(inserter_port_);
      return;
    case MenuCommand::Open:
      if (!services_.windows.OpenPlaybackFromMenu()) {
        log_.ReportMessage(kUnableToOpenAvi, true);
        return;
      }
      menu_state_.playback_open = true;
      RebuildMenus();
      return;
  }
}

void AppState::ConnectGpsReceiver() {
  // A search in progress reports its own end.
  if (gps_ && gps_->connecting()) return;
  log_.ReportMessage(kAttemptingGpsConnection, true);
  if (!gps_) {
    log_.ReportMessage(kNoGpsFound, true);
    return;
  }
  gps_->Connect([this](bool connected) {
    log_.ReportMessage(connected ? kGpsConnected : kNoGpsFound, true);
  });
}

void AppState::ToggleBrightnessContrast() {
  const bool active = !graph_->switches().brightness_contrast;
  graph_->switches().brightness_contrast = active;
  menu_state_.brightness_contrast_active = active;
  // The sliders open at their middle; the picture starts where they show it.
  if (active && graph_->colour_filter()) {
    SetColourControl(graph_->colour_filter().get(), log_, kColourNeutralPercent,
                     kColourNeutralPercent);
  }
  RebuildMenus();
  services_.windows.ShowBrightnessContrast(active);
  controller_->RestartVideo();
}

void AppState::ColourSliderMoved(bool brightness, int position) {
  if (!graph_->switches().brightness_contrast || !graph_->colour_filter()) return;
  SetColourControl(graph_->colour_filter().get(), log_, brightness ? position : -1,
                   brightness ? -1 : position);
}

void AppState::CloseBrightnessContrast() {
  if (!graph_->switches().brightness_contrast) {
    services_.windows.ShowBrightnessContrast(false);
    return;
  }
  graph_->switches().brightness_contrast = false;
  menu_state_.brightness_contrast_active = false;
  RebuildMenus();
  services_.windows.ShowBrightnessContrast(false);
  RestartLiveVideo();
}

void AppState::ToggleX2Magnification() {
  const bool on = !graph_->switches().magnify_x2;
  graph_->switches().magnify_x2 = on;
  menu_state_.x2_magnification = on;
  layout_.x2_magnification = on;
  RebuildMenus();
  // The new size is applied as a whole; the resize it causes must not refit the window.
  position_update_in_progress_ = true;
  RefreshFrameExtra();
  PlaceWindow(WindowId::Main, false, false, layout_, options_, log_, services_.windows);
  position_update_in_progress_ = false;
  if (Succeeded(controller_->RestartVideo())) SizeVideoWindowAfterStart();
}

void AppState::WindowFramed(WindowId window) {
  if (window == WindowId::Main) {
    RefreshMainWindowLayout();
  } else {
    PlaceWindow(window, false, false, layout_, options_, log_, services_.windows);
  }
}

void AppState::MainWindowResized() {
  if (initialising_ || position_update_in_progress_ || exiting_) return;
  RefreshFrameExtra();
  PlaceWindow(WindowId::Main, false, true, layout_, options_, log_, services_.windows);
}

void AppState::PlacePlaybackWindows(PixelSize video) {
  StationWindows& windows = services_.windows;
  layout_.playback_video_size = video;
  RefreshFrameExtra();
  // Where the windows were just placed: a desktop's window manager may report the new
  // frames only later, so they are not read back.
  auto placed_at = [&](WindowId window) -> std::optional<ScreenRect> {
    const PositionResult result =
        PlaceWindow(window, false, false, layout_, options_, log_, windows);
    if (result.outcome == PositionOutcome::Placed) return result.window;
    return windows.CurrentWindowRect(window);
  };
  const std::optional<ScreenRect> picture = placed_at(WindowId::Playback);
  const std::optional<ScreenRect> controls = placed_at(WindowId::PlaybackControls);
  if (!picture || !controls) return;
  const PlaybackPair placed = KeepControlsOffThePicture({*picture, *controls}, layout_.work_area);
  PositionResult result;
  result.outcome = PositionOutcome::Placed;
  if (placed.picture != *picture) {
    result.window = placed.picture;
    windows.ApplyWindowPosition(WindowId::Playback, result);
  }
  if (placed.controls != *controls) {
    result.window = placed.controls;
    windows.ApplyWindowPosition(WindowId::PlaybackControls, result);
  }
}

bool AppState::SaveMessages(bool clear) {
  const GeneratedFileName name = MakeMessageLogFileName(
      MessageLogNameOptions{options_.logfile_directory, options_.logfile_name_prefix},
      services_.clock, bias_minutes_, log_);
  return SaveMessagesToFile(log_, name.name, clear);
}

void AppState::Exit() {
  if (exiting_) return;
  exiting_ = true;
  // An exit during the power countdown (SIGINT without windows) is its Cancel.
  power_action_->Cancel();
  if (controller_) controller_->CloseForExit();
  services_.windows.DestroyMainWindow();
}

class AppState::EventWindows final : public EventWindowsStation {
 public:
  explicit EventWindows(AppState& station) : s_(station) {}
  void OpenEventForEditing(const std::string& file_name) override {
    s_.schedule_event_->OpenForEditing(file_name);
  }
  void RefillEventList() override { s_.event_list_->FillEventList(); }
  void RescheduleEvents() override { s_.RescheduleEvents(); }

 private:
  AppState& s_;
};

bool AppState::BuildEventWindows() {
  event_windows_ = std::make_unique<EventWindows>(*this);
  schedule_event_ = std::make_unique<ScheduleEventModel>(
      ScheduleEventContext{services_.clock, log_, errors_, options_,
                           derived_.default_recording_duration, *event_windows_});
  event_list_ = std::make_unique<EventListModel>(EventListContext{
      services_.clock, log_, errors_, services_.current_directory, *event_windows_});
  file_options_ = std::make_unique<FileOptionsModel>(options_, log_);
  return services_.windows.CreateEventWindows(*schedule_event_, *event_list_);
}

void AppState::BuildDeviceWindows() {
  DeviceWindowStation& station = *this;
  camera_format_ = std::make_unique<CameraFormatModel>(sources_, log_, station);
  device_selection_ =
      std::make_unique<DeviceSelectionModel>(sources_, options_, log_, *camera_format_, station);
  services_.windows.CreateDeviceWindows(*device_selection_, *camera_format_);
}

// DeviceWindowStation: the camera through the controller.
HResult AppState::StopVideo() { return controller_->StopVideo(); }
HResult AppState::StartVideo() { return StartVideoSized(); }
bool AppState::SaveOptions() {
  return SaveOptionsOrWarn(options_, DeviceConfigurations(sources_), errors_);
}

void AppState::RefreshCountdownTimeBase() { scheduler_->RefreshTimeBase(); }

void AppState::RunFileOptions() {
  if (services_.windows.RunFileOptionsDialog(*file_options_) != kFileOptionsSaved) return;
  SaveOptionsOrWarn(options_, DeviceConfigurations(sources_), errors_);
  schedule_event_->RefreshGlobalPrefix();
}

void AppState::RunOptionDialog(MenuCommand command) {
  StationWindows& windows = services_.windows;
  int result = kDialogNoChange;
  switch (command) {
    case MenuCommand::DurationDefault: {
      DefaultDurationModel model(options_, derived_);
      result = windows.RunDefaultDurationDialog(model);
      break;
    }
    case MenuCommand::EventPending: {
      EventPendingModel model(options_, derived_, *this);
      result = windows.RunEventPendingDialog(model);
      break;
    }
    case MenuCommand::Codec: {
      // Discovery stops the live video; a recording is never interrupted for it.
      if (!DeviceActive() || RecordingInProgress()) return;
      CodecSelectorModel model(CodecSelectorContext{
          *graph_, derived_.subtype_codec_pairs, options_.saved_codec_pairs,
          services_.current_directory, [this] { return controller_->StartVideo(); }});
      model.Open();
      result = windows.RunCodecSelectorDialog(model);
      // A discovery that failed part way left the camera stopped: the video comes back.
      if (graph_->state() != GraphState::Running) controller_->StartVideo();
      break;
    }
    case MenuCommand::Performance: {
      PerformanceModel model(options_);
      result = windows.RunPerformanceDialog(model);
      if (result == kDialogSave) SaveOptions();
      // The renderer and the display choices take effect with the next start.
      if (result == kDialogSave || result == kDialogApplied) RestartLiveVideo();
      return;
    }
    case MenuCommand::Misc:
      if (!misc_options_) {
        OptionDialogStation& station = *this;
        misc_options_ = std::make_unique<MiscellaneousOptionsModel>(options_, station);
      }
      windows.OpenMiscellaneousOptions(*misc_options_);
      return;
    default:
      return;
  }
  if (result == kDialogSave) SaveOptions();
}

void AppState::RescheduleEvents() {
  if (controller_->event_pending()) controller_->CancelPendingEvent();
  event_loader_->LoadEvents();
}

void AppState::StartButton() {
  if (!exiting_) controller_->StartManualRecording();
}

void AppState::StopButton() {
  if (!exiting_) controller_->StopRecording();
}

void AppState::PerformPowerAction(bool hibernate, bool shutdown, std::function<void()> then) {
  if (controller_->recording_interrupted()) log_.ReportMessage(kInterruptedBeforePowerText, true);
  if (exiting_) {
    if (then) then();
    return;
  }
  power_action_->Perform(hibernate, shutdown, std::move(then));
}

std::unique_ptr<SleepInhibitor> AppState::HoldSleep(const std::string& why) {
  std::string reason;
  std::unique_ptr<SleepInhibitor> hold = services_.power.InhibitSleep(why, &reason);
  if (!hold) {
    log_.ReportMessage(
        std::string(kCannotHoldSleepText) + why + "\r\n" + kSystemReasonPrefix + reason + "\r\n",
        true);
  }
  return hold;
}

}  // namespace vesk
