#include "station/station.h"

#include <utility>

#include "base/message_log_save.h"
#include "capture/analog_format.h"
#include "capture/colour_control.h"
#include "capture/device_properties.h"
#include "capture/video_codecs.h"
#include "capture/video_configuration_apply.h"
#include "recording/file_naming.h"
#include "recording/recording_controller.h"
#include "recording/recording_view.h"
#include "station/playback_placement.h"
#include "station/time_zone_report.h"

namespace vesk {

AppState::AppState(StationServices services)
    : services_(std::move(services)),
      log_(services_.clock),
      errors_(log_, services_.message_box),
      sources_(services_.media, log_),
      live_analysis_(log_),
      power_action_(std::make_unique<PowerAction>(
          PowerActionContext{services_.power, services_.windows, log_, [this] { Exit(); }})) {
  services_.windows.set_menu_keeper(this);
}

// The windows outlive the station: nothing may reach it through them afterwards.
AppState::~AppState() {
  if (services_.windows.menu_keeper() == this) services_.windows.set_menu_keeper(nullptr);
}

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

void AppState::BuildObjects() {
  // The capture graph object with its codec list (needed to read the options' codec pairs)
  // and the live analysis filter, the recording controller around it, and the analysis
  // settings the saturation and integration windows change.
  const LiveFilterMaker& maker = services_.live_filter;
  if (maker.make) live_filter_ = maker.make(live_analysis_);
  if (live_filter_) {
    live_control_ = std::make_unique<LiveAnalysisControl>(
        live_analysis_, live_filter_, maker.rgb_rows_top_down,
        [this] { return analysis_controls_->SettingsForStart(); }, recognition_sets_);
  }
  graph_ = std::make_unique<CaptureGraph>(
      CaptureGraphContext{services_.media, options_, derived_.subtype_codec_pairs, sources_,
                          log_, errors_,
                          [this] { return CreateColourControl(services_.media, log_); },
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
  bias_minutes_ = MakeTimeZoneReport(services_.time_zone).bias_minutes;
  RecordingControllerHooks hooks;
  hooks.load_events = [this] {
    if (event_loader_) event_loader_->LoadEvents();
  };
  // The scheduler's timers, as the controller starts and ends Event recordings.
  hooks.delete_countdown_timer = [this] {
    if (scheduler_) scheduler_->DeleteCountdownTimer();
  };
  hooks.arm_stop_timer = [this](std::uint32_t) {
    if (scheduler_) scheduler_->ArmStopTimer();
  };
  hooks.delete_stop_timer = [this] {
    if (scheduler_) scheduler_->DeleteStopTimer();
  };
  // A format that cannot be analysed: the value in use goes with the stored one.
  hooks.set_saturation_threshold = [this](std::int32_t) {
    analysis_controls_->ForgetSaturationValue();
  };
  // The GPS receiver, when there are serial ports to find it on.
  const GpsPlatform& gps = services_.gps;
  if (gps.ports != nullptr && gps.post_to_ui) {
    gps_ = std::make_unique<GpsControl>(
        GpsControlContext{*gps.ports, log_, services_.clock, gps.post_to_ui,
                          [this] {
                            const VideoSourceInfo* info = sources_.CurrentSource();
                            return info != nullptr && info->is_active_event_recording;
                          },
                          [this](bool shown) { services_.windows.ShowStandByWindow(shown); },
                          gps.timings, gps.refresh_interval});
  }
  hooks.connect_gps_receiver = [this] { RunCommand(MenuCommand::UsbGpsReceiver); };
  // A recording's graph failed: its device may have gone, which the hot-plug handling
  // owns (the recording then resumes on the device's return).
  hooks.recording_device_left = [this] {
    hotplug_->HandleAllDeviceChanges();
    const VideoSourceInfo* info = sources_.CurrentSource();
    return info != nullptr && info->is_detached;
  };
  controller_ = std::make_unique<RecordingController>(RecordingControllerContext{
      *graph_, options_, log_, services_.clock, bias_minutes_, services_.current_directory,
      services_.windows, gps_.get(), hooks, services_.clock_discipline});
  controller_->set_initialising(true);
  if (inserter_) controller_->set_inserter_fields(inserter_->live().get());
  analysis_controls_ = std::make_unique<AnalysisControls>(AnalysisControlsContext{
      graph_->switches(), options_, log_,
      [this](std::int32_t threshold) { live_analysis_.SetSaturationThreshold(threshold); },
      [this] { return RestartLiveVideo(); },
      [this] { return SaveOptionsOrWarn(options_, DeviceConfigurations(sources_), errors_); }});
  EventLoader::Hooks loader_hooks;
  loader_hooks.device_list_empty = [this] { return sources_.Count() == 0; };
  // Never the name of a recording in progress: its stop would then write no log.
  loader_hooks.clear_current_video_file_name = [this] {
    controller_->ForgetIdleVideoFileName();
  };
  CountdownSchedulerContext schedule{*controller_,      sources_,
                                     services_.windows, services_.windows,
                                     *services_.timers, log_,     services_.clock,
                                     derived_,          {},       {},
                                     {},                {},
                                     {},                {}};
  schedule.close_playback = [this] { services_.windows.ClosePlaybackForEvent(); };
  // A receiver counts as having a fix when it is connected and its refresh has given a
  // position.
  readiness_ = std::make_unique<EventReadiness>(EventReadinessContext{
      sources_, options_, services_.current_directory, services_.clock, log_,
      services_.clock_discipline, services_.battery,
      [this] { return gps_ && gps_->IsOpen() && !gps_->last_position().latitude.empty(); }, {},
      [this] { return inserter_ ? inserter_->RecentClockMinusInserterMs() : std::nullopt; }});
  schedule.check_readiness = [this](FileTime start_utc, FileTime stop_utc) {
    readiness_->Check(start_utc, stop_utc);
  };
  schedule.gps = gps_.get();
  schedule.hibernation_possible = [this] { return hibernation_possible_; };
  schedule.hold_sleep = [this](const std::string& why) { return HoldSleep(why); };
  schedule.power_action = [this](bool hibernate, bool shutdown, std::function<void()> then) {
    if (controller_->recording_interrupted()) log_.ReportMessage(kInterruptedBeforePowerText, true);
    PerformPowerAction(hibernate, shutdown, std::move(then));
  };
  // A station on its way out schedules nothing more (an exit may end a power countdown).
  schedule.load_events = [this] {
    if (event_loader_ && !exiting_) event_loader_->LoadEvents();
  };
  scheduler_ = std::make_unique<CountdownScheduler>(std::move(schedule));
  event_loader_ = std::make_unique<EventLoader>(services_.clock, log_, *scheduler_,
                                                controller_->manually_stopped_events(),
                                                std::move(loader_hooks));
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

void AppState::BuildDeviceHotplug() {
  DeviceChangeHooks hooks;
  hooks.stop_video = [this] { return controller_->StopVideo(); };
  hooks.start_video = [this] { return StartVideoSized(); };
  hooks.resume_recording = [this](const std::string& path) { controller_->ResumeRecording(path); };
  hooks.recording_interrupted = [this] { controller_->MarkRecordingInterrupted(); };
  hooks.show_video_windows = [this] { ShowVideoWindowsForDevice(); };
  hooks.refresh_layout = [this] { RefreshMainWindowLayout(); };
  // The device windows exist once start-up made them; until then there is nothing to close.
  hooks.camera_format_open = [this] { return camera_format_ && camera_format_->IsOpen(); };
  hooks.camera_format_cancel_and_close = [this] {
    if (camera_format_) camera_format_->CancelAndClose();
  };
  hooks.device_selection_open = [this] { return device_selection_ && device_selection_->IsOpen(); };
  hooks.device_selection_refresh = [this] {
    if (device_selection_) device_selection_->Refresh();
  };
  hotplug_ = std::make_unique<DeviceHotplug>(DeviceChangeContext{
      sources_, services_.media, log_,
      [this] { return GraphValidationHooks(); },
      video_configurations_, options_.excluded_video_sources, options_.default_video_source,
      std::move(hooks)});
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
  StationWindows& windows = services_.windows;

  // The error table is static; the character sets are read now, and their absence is
  // reported once the User Messages window exists.
  LoadRecognitionSets(&recognition_sets_, errors_, log_);
  inserter_ = std::make_unique<StationInserter>("", services_.clock, log_);
  inserter_->LoadLearnt(recognition_sets_);
  initialising_ = true;
  layout_.initialising = true;
  command_counter_ = kFirstCommandIdentifier;
  sources_.SetCurrentSourceIndex(kNoCurrentSource);

  // The desktop's work area, then the objects behind the windows.
  layout_.work_area = windows.ReadWorkArea();
  BuildObjects();
  BuildDeviceHotplug();
  windows.LoadIcons();

  // The options file, and the stored saturation value when there is a filter to use it.
  options_loaded_ = LoadOptionsAtStartUp(VideoCodecNames(graph_->video_codecs()), log_, &options_,
                                         &derived_, &video_configurations_);
  if (options_loaded_ && options_.pixel_saturation_value != -1 && live_filter_) {
    analysis_controls_->TakeStoredSaturationValue();
  }

  // The main window with its idle title, and the video record window the renderer draws in.
  if (!windows.CreateMainWindow()) {
    errors_.RaiseAppError(ErrorCode::CannotCreateMainWindow);
    return E_ABORT;
  }
  windows.SetMainWindowTitle(kIdleTitle);
  if (!windows.CreateVideoRecordWindow()) {
    errors_.RaiseAppError(ErrorCode::CannotCreateVideoDisplayWindow);
    return E_ABORT;
  }
  graph_->renderers().set_display_window(windows.VideoDisplayWindow());

  // The attached devices, less those the observer excluded.
  if (Failed(sources_.GetAttachedVideoDeviceList(GraphValidationHooks(), video_configurations_))) {
    log_.ReportMessage(kDeviceListFailedText, true);
  }
  sources_.MarkIgnoredDevices(options_.excluded_video_sources);

  // The User Messages window, placed, takes the log; the time zone is its first report.
  MessageView* message_view = windows.CreateUserMessagesWindow(options_.message_window_position);
  if (message_view == nullptr) {
    errors_.RaiseAppError(ErrorCode::CannotCreateUserMessagesWindow);
    return E_ABORT;
  }
  PlaceWindow(WindowId::UserMessages, false, false, layout_, options_, log_, windows);
  log_.AttachView(message_view);
  log_.ReportMessage(MakeTimeZoneReport(services_.time_zone).text, true);

  // Fonts. Their failures are warnings; start-up goes on.
  for (const FontRequest& font : kStartUpFonts) {
    if (!windows.CreateFont(font) && font.failure) errors_.RaiseAppError(*font.failure);
  }

  // The stand-by window, the record controls, the scroll window and the tool windows.
  windows.CreateStandByWindow();
  if (!windows.CreateRecordControls(options_.record_buttons_space)) {
    // Without Start and Stop the station is useless; the observer is told why it ends.
    errors_.RaiseAppError(ErrorCode::CannotCreateControlsWindow);
    return E_ABORT;
  }
  if (!windows.CreateScrollWindow()) log_.ReportMessage(kScrollWindowNotCreatedText, true);
  if (!windows.CreateToolWindows(*analysis_controls_)) return E_ABORT;
  if (gps_) gps_->set_view(windows.GpsView());
  if (!BuildEventWindows()) return E_ABORT;
  BuildDeviceWindows();

  // The devices' saved configurations, and the menu command identifiers.
  ApplySavedConfigurations(log_, video_configurations_, &sources_, [this](std::uint32_t index) {
    ApplyDeviceProperties(sources_, log_, index);
  });
  ids_ = AssignCommandIds(&command_counter_);

  // The device to use: the saved default when it is there.
  sources_.SaveSelectionFlags();
  sources_.MarkDefaultDevice(options_.default_video_source);
  sources_.SelectCurrentSource();

  // Its windows and menus.
  if (Failed(ActivateDevice())) return E_ABORT;
  RefreshFrameExtra();

  // What the computer allows after an Event recording.
  if (!services_.power.CanHibernate()) {
    hibernation_possible_ = false;
    log_.ReportMessage(kCannotHibernateText, true);
  }
  if (!services_.power.MayShutDownOrHibernate()) log_.ReportMessage(kNoPowerPrivilegeText, true);

  // Every window where the options keep it; those not yet wanted hidden.
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

  // Live video and the Events only with a device to record them.
  if (DeviceActive()) {
    if (Succeeded(controller_->StartVideo())) SizeVideoWindowAfterStart();
    event_loader_->LoadEvents();
  }

  windows.ShowMainWindow();

  if (options_.autostart_gps) RunCommand(MenuCommand::UsbGpsReceiver);

  // The reports that waited for the User Messages window, and start-up is over.
  log_.FlushPending();
  initialising_ = false;
  layout_.initialising = false;
  controller_->set_initialising(false);
  // A device that came or went during start-up.
  if (device_change_waiting_) DeviceSetChanged();
  return S_OK;
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
  menus_ = BuildMenus(ids_, menu_state_);
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

bool AppState::BuildEventWindows() {
  schedule_event_ = std::make_unique<ScheduleEventModel>(ScheduleEventContext{
      services_.clock, log_, errors_, options_, derived_.default_recording_duration,
      [this] { event_list_->FillEventList(); }, [this] { RescheduleEvents(); }});
  event_list_ = std::make_unique<EventListModel>(EventListContext{
      services_.clock, log_, errors_, services_.current_directory,
      [this](const std::string& file_name) { schedule_event_->OpenForEditing(file_name); },
      [this] { RescheduleEvents(); }});
  file_options_ = std::make_unique<FileOptionsModel>(options_, log_);
  return services_.windows.CreateEventWindows(*schedule_event_, *event_list_);
}

void AppState::BuildDeviceWindows() {
  DeviceWindowHooks hooks;
  hooks.stop_video = [this] { return controller_->StopVideo(); };
  hooks.start_video = [this] { return StartVideoSized(); };
  hooks.recording_in_progress = [this] { return RecordingInProgress(); };
  hooks.refresh_layout = [this] { RefreshMainWindowLayout(); };
  hooks.show_video_windows = [this] { ShowVideoWindowsForDevice(); };
  hooks.save_options = [this] {
    return SaveOptionsOrWarn(options_, DeviceConfigurations(sources_), errors_);
  };
  hooks.validation_hooks = [this] { return GraphValidationHooks(); };
  camera_format_ = std::make_unique<CameraFormatModel>(sources_, log_, hooks);
  device_selection_ =
      std::make_unique<DeviceSelectionModel>(sources_, options_, log_, *camera_format_, hooks);
  services_.windows.CreateDeviceWindows(*device_selection_, *camera_format_);
}

void AppState::RunFileOptions() {
  if (services_.windows.RunFileOptionsDialog(*file_options_) != kFileOptionsSaved) return;
  SaveOptionsOrWarn(options_, DeviceConfigurations(sources_), errors_);
  schedule_event_->RefreshGlobalPrefix();
}

void AppState::RunOptionDialog(MenuCommand command) {
  StationWindows& windows = services_.windows;
  const auto save = [this] {
    return SaveOptionsOrWarn(options_, DeviceConfigurations(sources_), errors_);
  };
  int result = kDialogNoChange;
  switch (command) {
    case MenuCommand::DurationDefault: {
      DefaultDurationModel model(options_, derived_);
      result = windows.RunDefaultDurationDialog(model);
      break;
    }
    case MenuCommand::EventPending: {
      EventPendingModel model(options_, derived_, [this] { scheduler_->RefreshTimeBase(); });
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
      if (result == kDialogSave) save();
      // The renderer and the display choices take effect with the next start.
      if (result == kDialogSave || result == kDialogApplied) RestartLiveVideo();
      return;
    }
    case MenuCommand::Misc:
      if (!misc_options_) misc_options_ = std::make_unique<MiscellaneousOptionsModel>(options_, save);
      windows.OpenMiscellaneousOptions(*misc_options_);
      return;
    default:
      return;
  }
  if (result == kDialogSave) save();
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
