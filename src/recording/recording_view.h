#pragma once

// What the recording controller needs of the windows: titles, the Start and Stop buttons,
// the tool windows a recording hides, the video window's size and the playback windows.
// The Qt windows implement it; tests record it. The menus are the station's
// (recording_menus.h).

#include <string_view>

namespace vesk {

// Main window titles.
constexpr std::string_view kIdleTitle = "VESK Video Capture Version 2";
constexpr std::string_view kEventPendingTitle = "VESK Video Capture -- Event pending";
constexpr std::string_view kRecordingTitle = "VESK Video Capture -- Recording in progress";
// The countdown window's titles.
constexpr const char* kCountdownPendingTitle = "Event Pending";
constexpr const char* kCountdownRecordingTitle = "Recording Event";

// The question the Stop button asks during an Event recording.
constexpr std::string_view kStopEventCaption = "Attention";
constexpr std::string_view kStopEventQuestion = "Event recording in progress.  Stop now?";

class RecordingWindowsView {
 public:
  virtual ~RecordingWindowsView() = default;

  virtual void SetMainWindowTitle(std::string_view title) = 0;
  virtual void SetCountdownWindowTitle(std::string_view title) = 0;
  virtual void HideCountdownWindow() = 0;

  // The Start and Stop buttons of the record controls window.
  virtual void EnableStartButton(bool enabled) = 0;
  virtual void EnableStopButton(bool enabled) = 0;

  // Tool windows a recording start hides.
  virtual void HideFrameIntegrationWindow() = 0;
  virtual void HidePixelSaturationWindow() = 0;
  virtual void HideGpsWindow() = 0;

  // The displayed video size (the format's, doubled with x2 magnification), read by the
  // scroll window; then the video record window sized to window_width x window_height
  // without moving it, updated and shown.
  virtual void SizeVideoRecordWindow(int video_width, int video_height, int window_width,
                                     int window_height) = 0;

  // The video goes nowhere (a recording with the display turned off, or no renderer that
  // runs here): the video record window shows that instead of the last frame it was given;
  // false when video is drawn.
  virtual void ShowDisplayOff(bool) {}

  // Before a recording: pauses a playing file and hides both playback windows. Returns
  // whether they were shown (a file was open), so they come back after the recording.
  virtual bool HidePlaybackWindows() = 0;
  virtual void ShowPlaybackWindows() = 0;

  // A modal question without owner window, buttons Yes and No, exclamation icon. Returns
  // true only for Yes.
  virtual bool AskYesNo(std::string_view caption, std::string_view text) = 0;
};

}  // namespace vesk
