#pragma once

// The station without a screen: no window exists, so nothing is placed or shown; the User
// Messages window is a stream, and live video reaches a frame target that only counts what
// arrives (the station's own renderer still runs, so recordings and their logs are as on a
// desktop).

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <ostream>
#include <utility>

#include "base/stream_message_view.h"
#include "media/video_frame_target.h"
#include "station/station.h"

namespace vesk {

class CountingFrameTarget final : public VideoFrameTarget {
 public:
  void PresentFrame(const VideoFrame&, const VideoRect&, bool) override { ++frames_; }
  std::int64_t frames() const { return frames_.load(); }

 private:
  std::atomic<std::int64_t> frames_{0};
};

class HeadlessWindows : public StationWindows {
 public:
  explicit HeadlessWindows(std::ostream& out) : view_(out) {}

  // Called when the station exits (the main window would be destroyed here).
  void set_on_destroy(std::function<void()> on_destroy) { on_destroy_ = std::move(on_destroy); }
  const CountingFrameTarget& frame_target() const { return frame_target_; }

  // DesktopView
  std::optional<ScreenRect> CurrentWindowRect(WindowId) override { return std::nullopt; }
  void ApplyWindowPosition(WindowId, const PositionResult&) override {}
  WorkArea ReadWorkArea() override { return {}; }
  void LoadIcons() override {}
  bool CreateFont(const FontRequest&) override { return true; }
  void HideWindow(WindowId) override {}
  // MainWindowView
  bool CreateMainWindow() override { return true; }
  void MeasureMainWindow(PixelSize* outer, PixelSize* client) override {
    *outer = {};
    *client = {};
  }
  void ApplyMenus(const MenuBars&) override {}
  void ShowMainWindow() override {}
  void DestroyMainWindow() override {
    if (on_destroy_) on_destroy_();
  }
  // VideoRecordWindowView
  bool CreateVideoRecordWindow() override { return true; }
  DisplayWindow VideoDisplayWindow() override { return DisplayWindowOf(&frame_target_); }
  void ShowVideoRecordWindow(bool) override {}
  bool CreateScrollWindow() override { return true; }
  void HideScrollWindow() override {}
  // UserMessagesWindowView, RecordControlsView, StandByWindowView
  MessageView* CreateUserMessagesWindow(const WindowPlacement&) override { return &view_; }
  void ShowUserMessagesWindow() override {}
  bool CreateRecordControls(bool) override { return true; }
  void ShowRecordControls(bool) override {}
  void CreateStandByWindow() override {}
  // ToolWindowsView
  bool CreateToolWindows(AnalysisControls&) override { return true; }
  void ShowBrightnessContrast(bool) override {}
  void OpenPixelSaturationWindow() override {}
  void OpenFrameIntegrationWindow() override {}
  // EventWindowsView: the logic runs without views, so the commands show nothing.
  bool CreateEventWindows(ScheduleEventModel&, EventListModel&) override { return true; }
  int RunFileOptionsDialog(FileOptionsModel&) override { return kFileOptionsCancelled; }
  // RecordingWindowsView (the menus are the station's)
  void SetMainWindowTitle(std::string_view) override {}
  void SetCountdownWindowTitle(std::string_view) override {}
  void HideCountdownWindow() override {}
  // The announcement in User Messages says when; a line a second would bury the log.
  void ShowCountdown(const CountdownTexts&) override {}
  void UpdateCountdown(const CountdownTexts&) override {}
  void EnableStartButton(bool) override {}
  void EnableStopButton(bool) override {}
  void HideFrameIntegrationWindow() override {}
  void HidePixelSaturationWindow() override {}
  void HideGpsWindow() override {}
  void SizeVideoRecordWindow(int, int, int, int) override {}
  bool HidePlaybackWindows() override { return false; }
  void ShowPlaybackWindows() override {}
  // Nobody is there to answer: a running Event recording is never stopped by a question.
  bool AskYesNo(std::string_view, std::string_view) override { return false; }

 private:
  StreamMessageView view_;
  CountingFrameTarget frame_target_;
  std::function<void()> on_destroy_;
};

}  // namespace vesk
