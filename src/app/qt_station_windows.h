#pragma once

// The station's windows on Qt: creates them when start-up asks, places them where the
// layout says, and hands observer actions (menus, buttons, close boxes) to the station.

#include <QFont>
#include <QIcon>
#include <array>
#include <functional>
#include <map>
#include <memory>
#include <utility>

#include "station/station.h"

class QWidget;

namespace vesk {
class MainWindow;
class VideoRecordWindow;
class UserMessagesWindow;
class RecordControlsWindow;
class CountdownWindow;
class BrightnessContrastWindow;
class MiscellaneousOptionsWindow;
class StandByWindow;
class PixelSaturationWindow;
class FrameIntegrationWindow;
class GpsWindow;
class ScheduleEventWindow;
class EventListWindow;
class PowerCountdownWindow;
class PlaybackWindow;
class PlaybackMedia;
class DeviceSelectionWindow;
class CameraFormatWindow;
class InserterWindow;
}  // namespace vesk

namespace vesk::qt {

class QtStationWindows final : public StationWindows {
 public:
  QtStationWindows();
  ~QtStationWindows() override;

  // The station the windows report to; set before its start-up runs. The time inserter's
  // window goes with the station whose port it polls.
  void set_station(AppState* station);
  // Ends the event loop when the main window goes (QCoreApplication::quit by default).
  void set_on_quit(std::function<void()> on_quit) { on_quit_ = std::move(on_quit); }

  MainWindow* main_window() const { return main_.get(); }
  VideoRecordWindow* video_window() const { return video_; }
  UserMessagesWindow* user_messages_window() const { return user_messages_.get(); }
  RecordControlsWindow* record_controls_window() const { return record_controls_.get(); }
  CountdownWindow* countdown_window() const { return countdown_.get(); }
  BrightnessContrastWindow* brightness_contrast_window() const { return brightness_.get(); }
  StandByWindow* standby_window() const { return standby_.get(); }
  PixelSaturationWindow* pixel_saturation_window() const { return pixel_saturation_.get(); }
  FrameIntegrationWindow* frame_integration_window() const { return frame_integration_.get(); }
  GpsWindow* gps_window() const { return gps_.get(); }
  ScheduleEventWindow* schedule_event_window() const { return schedule_event_.get(); }
  EventListWindow* event_list_window() const { return event_list_.get(); }
  QWidget* WidgetOf(WindowId window) const;
  const QIcon& icon(StationIcon which) const { return icons_[static_cast<std::size_t>(which)]; }

  // WindowPlacementTarget
  std::optional<ScreenRect> CurrentWindowRect(WindowId window) override;
  void ApplyWindowPosition(WindowId window, const PositionResult& result) override;

  // StationWindows: the views of each window and the recording controller's
  bool CreateMainWindow() override;
  bool CreateVideoRecordWindow() override;
  DisplayWindow VideoDisplayWindow() override;
  void LoadIcons() override;
  MessageView* CreateUserMessagesWindow(const WindowPlacement& placement) override;
  bool CreateFont(const FontRequest& font) override;
  void CreateStandByWindow() override;
  void ShowStandByWindow(bool shown) override;
  GpsWindowView* GpsView() override;
  bool CreateRecordControls(bool record_buttons_space) override;
  bool CreateScrollWindow() override;
  bool CreateToolWindows(AnalysisControls& analysis) override;
  WorkArea ReadWorkArea() override;
  void MeasureMainWindow(PixelSize* outer, PixelSize* client) override;
  void ApplyMenus(const MenuBars& bars) override;
  void ShowVideoRecordWindow(bool shown) override;
  void HideScrollWindow() override;
  void ShowRecordControls(bool shown) override;
  void ShowUserMessagesWindow() override;
  void ShowMainWindow() override;
  void HideWindow(WindowId window) override;
  void ShowBrightnessContrast(bool shown) override;
  void OpenPixelSaturationWindow() override;
  void OpenFrameIntegrationWindow() override;
  bool CreateEventWindows(ScheduleEventModel& schedule, EventListModel& list) override;
  int RunFileOptionsDialog(FileOptionsModel& file_options) override;
  int RunDefaultDurationDialog(DefaultDurationModel& model) override;
  int RunEventPendingDialog(EventPendingModel& model) override;
  int RunPerformanceDialog(PerformanceModel& model) override;
  int RunCodecSelectorDialog(CodecSelectorModel& model) override;
  void OpenMiscellaneousOptions(MiscellaneousOptionsModel& model) override;
  void CreateDeviceWindows(DeviceSelectionModel& devices, CameraFormatModel& format) override;
  // Made at its first opening, and again for another port.
  void OpenInserterWindow(InserterPort* port) override;
  InserterWindow* inserter_window() const { return inserter_.get(); }
  DeviceSelectionWindow* device_window() const { return device_window_.get(); }
  CameraFormatWindow* camera_format_window() const { return camera_format_window_.get(); }
  MiscellaneousOptionsWindow* miscellaneous_options_window() const { return misc_options_.get(); }
  void DestroyMainWindow() override;
  void SetMainWindowTitle(std::string_view title) override;
  void SetCountdownWindowTitle(std::string_view title) override;
  void HideCountdownWindow() override;
  void ShowCountdown(const CountdownTexts& texts) override;
  void UpdateCountdown(const CountdownTexts& texts) override;
  void EnableStartButton(bool enabled) override;
  void EnableStopButton(bool enabled) override;
  void HideFrameIntegrationWindow() override;
  void HidePixelSaturationWindow() override;
  void HideGpsWindow() override;
  void SizeVideoRecordWindow(int video_width, int video_height, int window_width,
                             int window_height) override;
  void ShowDisplayOff(bool off) override;
  bool HidePlaybackWindows() override;
  void ShowPlaybackWindows() override;
  bool OpenPlaybackFromMenu() override;
  // Hidden, once the station is known; true when they exist.
  bool CreatePlaybackWindows();
  void ClosePlaybackForEvent() override;
  // Made at the first "Open"; null before.
  PlaybackWindow* playback_window() const { return playback_.get(); }
  // Tests choose the file the picker would give.
  void set_playback_file_chooser(std::function<std::string()> choose) {
    choose_playback_file_ = std::move(choose);
  }
  bool AskYesNo(std::string_view caption, std::string_view text) override;
  void StartPowerCountdown(PowerActionKind kind,
                           std::function<void(PowerCountdownResult)> done) override;
  void CancelPowerCountdown() override;
  PowerCountdownWindow* power_countdown_window() const { return power_countdown_.get(); }

 private:
  class Actions;
  QFont Font(int height, FontFace face) const;
  void GiveIcons(QWidget* window) const;

  AppState* station_ = nullptr;
  std::unique_ptr<Actions> actions_;  // outlives the windows that report to it
  std::function<void()> on_quit_;
  std::array<QIcon, kStationIconFiles.size()> icons_;
  std::map<std::pair<int, FontFace>, QFont> fonts_;
  std::unique_ptr<MainWindow> main_;
  VideoRecordWindow* video_ = nullptr;  // owned by the main window
  std::unique_ptr<UserMessagesWindow> user_messages_;
  std::unique_ptr<RecordControlsWindow> record_controls_;
  bool record_controls_wanted_ = false;  // shown once the main window is
  std::unique_ptr<CountdownWindow> countdown_;
  std::unique_ptr<BrightnessContrastWindow> brightness_;
  std::unique_ptr<StandByWindow> standby_;
  std::unique_ptr<PixelSaturationWindow> pixel_saturation_;
  std::unique_ptr<FrameIntegrationWindow> frame_integration_;
  std::unique_ptr<GpsWindow> gps_;
  std::unique_ptr<MiscellaneousOptionsWindow> misc_options_;
  std::unique_ptr<ScheduleEventWindow> schedule_event_;
  std::unique_ptr<EventListWindow> event_list_;
  std::unique_ptr<PowerCountdownWindow> power_countdown_;
  std::unique_ptr<DeviceSelectionWindow> device_window_;
  std::unique_ptr<CameraFormatWindow> camera_format_window_;
  std::unique_ptr<InserterWindow> inserter_;
  std::unique_ptr<PlaybackMedia> playback_media_;
  std::unique_ptr<PlaybackWindow> playback_;
  std::function<std::string()> choose_playback_file_;
};

}  // namespace vesk::qt
