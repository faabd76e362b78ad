#pragma once

// What the Video Input Device and camera format windows need of the station around them:
// the camera's stop and start (the recording controller's), whether a recording runs, the
// main window's layout, the options file and the graph's device look-ups.

#include <functional>

#include "base/hresult.h"
#include "capture/video_sources.h"

namespace vesk {

struct DeviceWindowHooks {
  std::function<HResult()> stop_video;
  std::function<HResult()> start_video;
  // A running recording is never stopped by these windows.
  std::function<bool()> recording_in_progress;
  // The main window follows the device in use and its frame size.
  std::function<void()> refresh_layout;
  // The video windows shown or hidden for the device in use (none: hidden).
  std::function<void()> show_video_windows;
  // Writes the options file with every device's configuration; false when it failed
  // (already reported).
  std::function<bool()> save_options;
  // The decoder look-up and automatic PAL/NTSC detection of the capture graph.
  std::function<DeviceValidationHooks()> validation_hooks;
};

// Refused while a recording runs: the restart would end the recording.
inline constexpr char kRestartRefusedWhileRecording[] =
    "NOTE: this change needs a camera restart and is not made while a recording runs\r\n";

// Stop, then start when the stop succeeded. A failed stop leaves the camera stopped.
inline HResult RestartCamera(const DeviceWindowHooks& hooks) {
  if (hooks.stop_video && Failed(hooks.stop_video())) return E_FAIL;
  return hooks.start_video ? hooks.start_video() : S_OK;
}

inline bool RecordingRuns(const DeviceWindowHooks& hooks) {
  return hooks.recording_in_progress && hooks.recording_in_progress();
}

}  // namespace vesk
