#pragma once

// What the station needs of its windows, one small view per window. StationWindows gathers
// them with the recording controller's view, so the Qt windows, the headless stand-ins and
// the test doubles each implement one interface and the controller talks to them directly.

#include <optional>
#include <string_view>

#include "analysis/analysis_settings.h"
#include "base/error_table.h"
#include "base/message_view.h"
#include "base/power.h"
#include "base/window_geometry.h"
#include "capture/camera_format.h"
#include "capture/codec_selector.h"
#include "capture/device_selection.h"
#include "config/option_dialogs.h"
#include "config/options.h"
#include "events/event_countdown.h"
#include "gps/gps_control.h"
#include "events/event_list_model.h"
#include "events/file_options_model.h"
#include "events/schedule_event_model.h"
#include "media/media_graph.h"
#include "recording/recording_view.h"
#include "station/menu_model.h"
#include "station/window_constants.h"
#include "station/window_layout.h"

namespace vesk {

class InserterPort;

// The desktop and what every window shares: the work area, the icons and fonts, and the
// windows by identifier (placed through WindowPlacementTarget).
class DesktopView : public WindowPlacementTarget {
 public:
  // All zero when the work area cannot be read.
  virtual WorkArea ReadWorkArea() = 0;
  virtual void LoadIcons() = 0;
  virtual bool CreateFont(const FontRequest& font) = 0;
  virtual void HideWindow(WindowId window) = 0;
};

class MainWindowView {
 public:
  virtual ~MainWindowView() = default;
  // False when the window cannot be made.
  virtual bool CreateMainWindow() = 0;
  // The outer size and the client size the video gets.
  virtual void MeasureMainWindow(PixelSize* outer, PixelSize* client) = 0;
  // The main and the User Messages menu bars.
  virtual void ApplyMenus(const MenuBars& bars) = 0;
  // Shows the main window and brings the record controls to the top.
  virtual void ShowMainWindow() = 0;
  // The main window goes away and the event loop ends.
  virtual void DestroyMainWindow() = 0;
};

// The video record window inside the main window, and the scroll container around it.
class VideoRecordWindowView {
 public:
  virtual ~VideoRecordWindowView() = default;
  virtual bool CreateVideoRecordWindow() = 0;
  // What the station's own renderer draws into.
  virtual DisplayWindow VideoDisplayWindow() = 0;
  virtual void ShowVideoRecordWindow(bool shown) = 0;
  virtual bool CreateScrollWindow() = 0;
  virtual void HideScrollWindow() = 0;
};

class UserMessagesWindowView {
 public:
  virtual ~UserMessagesWindowView() = default;
  // Null when the window cannot be made.
  virtual MessageView* CreateUserMessagesWindow(const WindowPlacement& placement) = 0;
  virtual void ShowUserMessagesWindow() = 0;
};

class RecordControlsView {
 public:
  virtual ~RecordControlsView() = default;
  virtual bool CreateRecordControls(bool record_buttons_space) = 0;
  virtual void ShowRecordControls(bool shown) = 0;
};

class StandByWindowView {
 public:
  virtual ~StandByWindowView() = default;
  virtual void CreateStandByWindow() = 0;
  // Shown while the GPS ports are probed; nothing to show without a screen.
  virtual void ShowStandByWindow(bool) {}
  // The GPS window, once the tool windows exist (none without a screen).
  virtual GpsWindowView* GpsView() { return nullptr; }
};

// The countdown, brightness and contrast, Pixel Saturation and Frame Integration windows.
class ToolWindowsView {
 public:
  virtual ~ToolWindowsView() = default;
  // The tool windows that exist so far, hidden; the analysis windows act on analysis.
  virtual bool CreateToolWindows(AnalysisControls& analysis) = 0;
  // Shown and raised; hidden with both sliders back at 50.
  virtual void ShowBrightnessContrast(bool shown) = 0;
  // "Pixel Saturation...": the slider at the value in use, the window shown and raised, and
  // highlighting switched on (restarting live video) unless it already is.
  virtual void OpenPixelSaturationWindow() = 0;
  // "Frame Integration...": the count field at "2", the window shown and raised.
  virtual void OpenFrameIntegrationWindow() = 0;
};

// The Schedule Event and Event list windows, and the File options dialog.
class EventWindowsView {
 public:
  virtual ~EventWindowsView() = default;
  // Both windows, hidden, each becoming the view of its logic. False when one cannot be made.
  virtual bool CreateEventWindows(ScheduleEventModel& schedule, EventListModel& list) = 0;
  // Modal: kFileOptionsSaved after Save, kFileOptionsCancelled after Cancel or the close box.
  virtual int RunFileOptionsDialog(FileOptionsModel& file_options) = 0;
};

// The playback windows, where a screen shows them.
class PlaybackWindowsView {
 public:
  virtual ~PlaybackWindowsView() = default;
  // "Open": the file picker, then the file in the playback windows, which are shown; false
  // when no file was opened (nothing to play without a screen).
  virtual bool OpenPlaybackFromMenu() { return false; }
  // An Event recording is about to start: an open file is closed and the windows hidden.
  virtual void ClosePlaybackForEvent() {}
};

// The option dialogs and the codec selector. Without a screen they change nothing.
class OptionDialogsView {
 public:
  virtual ~OptionDialogsView() = default;
  // Modal; each returns its dialog's result (config/option_dialogs.h).
  virtual int RunDefaultDurationDialog(DefaultDurationModel&) { return kDialogNoChange; }
  virtual int RunEventPendingDialog(EventPendingModel&) { return kDialogNoChange; }
  virtual int RunPerformanceDialog(PerformanceModel&) { return kDialogNoChange; }
  // The model has run its discovery.
  virtual int RunCodecSelectorDialog(CodecSelectorModel&) { return kDialogApplied; }
  // The modeless Miscellaneous Options window, shown and raised.
  virtual void OpenMiscellaneousOptions(MiscellaneousOptionsModel&) {}
};

// The Video Input Device and camera format windows. Without a screen there are none, and
// their logic acts without a view.
class DeviceWindowsView {
 public:
  virtual ~DeviceWindowsView() = default;
  // Both windows, hidden, each becoming the view of its logic.
  virtual void CreateDeviceWindows(DeviceSelectionModel&, CameraFormatModel&) {}
};

// The time inserter's learning window, where a screen shows it.
class InserterWindowView {
 public:
  virtual ~InserterWindowView() = default;
  // "Learn the Time Inserter...": the window shown and raised, talking to the station through
  // port; null when this station has no live video to learn from (the window says so).
  virtual void OpenInserterWindow(InserterPort*) {}
};

class StationWindows : public RecordingWindowsView,
                       public DesktopView,
                       public MainWindowView,
                       public VideoRecordWindowView,
                       public UserMessagesWindowView,
                       public RecordControlsView,
                       public StandByWindowView,
                       public ToolWindowsView,
                       public CountdownView,
                       public EventWindowsView,
                       public OptionDialogsView,
                       public PowerCountdownView,
                       public PlaybackWindowsView,
                       public DeviceWindowsView,
                       public InserterWindowView {};

}  // namespace vesk
