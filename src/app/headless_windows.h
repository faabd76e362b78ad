#pragma once

// The station without a screen: no window exists, so nothing is placed or shown; the User
// Messages window is a stream, and live video reaches a frame target that only counts what
// arrives (the station's own renderer still runs, so recordings and their logs are as on a
// desktop). The power countdown is printed once a second; SIGINT (the station's exit)
// cancels it.

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <ostream>
#include <utility>

#include "base/stream_message_view.h"
#include "events/power_action.h"
#include "media/video_frame_target.h"
#include "station/station.h"

namespace vesk {

class CountingFrameTarget final : public VideoFrameTarget {
 public:
  void PresentFrame(const VideoFrame& frame, const VideoRect& destination,
                    bool preserve_aspect) override {
    ++frames_;
    if (VideoFrameTarget* tap = tap_.load()) tap->PresentFrame(frame, destination, preserve_aspect);
  }
  std::int64_t frames() const { return frames_.load(); }
  // Every frame also goes to tap while one is set (learning the time inserter); the tap
  // must outlive the video or be taken away first.
  void set_tap(VideoFrameTarget* tap) { tap_.store(tap); }

 private:
  std::atomic<std::int64_t> frames_{0};
  std::atomic<VideoFrameTarget*> tap_{nullptr};
};

class HeadlessWindows : public StationWindows {
 public:
  explicit HeadlessWindows(std::ostream& out) : out_(out), view_(out) {}

  // Runs work on the UI thread after a delay; the entry point gives the event loop's timer.
  // Without one the power countdown cannot wait and ends as if it had run out.
  using DelayedWork = std::function<void(int milliseconds, std::function<void()> work)>;
  void set_delayed_work(DelayedWork delayed_work) { delayed_work_ = std::move(delayed_work); }

  // Called when the station exits (the main window would be destroyed here).
  void set_on_destroy(std::function<void()> on_destroy) { on_destroy_ = std::move(on_destroy); }
  const CountingFrameTarget& frame_target() const { return frame_target_; }
  CountingFrameTarget& frame_target() { return frame_target_; }

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

  // PowerCountdownView
  void StartPowerCountdown(PowerActionKind kind,
                           std::function<void(PowerCountdownResult)> done) override {
    // One countdown at a time: an earlier one still running ends unanswered.
    ++power_countdown_;
    power_kind_ = kind;
    power_done_ = std::move(done);
    power_seconds_ = kPowerCountdownSeconds;
    out_ << PowerCountdownLine(kind, power_seconds_) << " (Ctrl+C cancels)" << std::endl;
    if (!delayed_work_) {
      EndPowerCountdown(PowerCountdownResult::TimedOut);
      return;
    }
    ArmPowerTick();
  }
  void CancelPowerCountdown() override {
    if (!power_done_) return;
    out_ << PowerCountdownTextsFor(power_kind_).button << " (the station is exiting)" << std::endl;
    EndPowerCountdown(PowerCountdownResult::Cancelled);
  }

 private:
  void ArmPowerTick() {
    const std::uint64_t countdown = ++power_countdown_;
    delayed_work_(1000, [this, countdown] {
      // A tick of a countdown that ended already.
      if (countdown != power_countdown_ || !power_done_) return;
      if (--power_seconds_ > 0) {
        out_ << PowerCountdownLine(power_kind_, power_seconds_) << std::endl;
        ArmPowerTick();
      } else {
        EndPowerCountdown(PowerCountdownResult::TimedOut);
      }
    });
  }
  void EndPowerCountdown(PowerCountdownResult result) {
    ++power_countdown_;
    std::function<void(PowerCountdownResult)> done = std::move(power_done_);
    power_done_ = nullptr;
    if (done) done(result);
  }

  std::ostream& out_;
  DelayedWork delayed_work_;
  PowerActionKind power_kind_ = PowerActionKind::Hibernate;
  std::function<void(PowerCountdownResult)> power_done_;
  int power_seconds_ = 0;
  std::uint64_t power_countdown_ = 0;
  StreamMessageView view_;
  CountingFrameTarget frame_target_;
  std::function<void()> on_destroy_;
};

}  // namespace vesk
