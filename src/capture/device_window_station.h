#pragma once

// What the Video Input Device and camera format windows need of the station around them:
// the camera's stop and start (the recording controller's), whether a recording runs, the
// main window's layout, the options file and the graph's device look-ups. The station
// implements it; tests count the calls.

#include "base/hresult.h"
#include "capture/video_sources.h"

namespace vesk {

class DeviceWindowStation {
 public:
  virtual ~DeviceWindowStation() = default;

  virtual HResult StopVideo() = 0;
  // Starts the camera of the device in use, the video window sized to what started.
  virtual HResult StartVideo() = 0;
  // A running recording is never stopped by these windows.
  virtual bool RecordingInProgress() const = 0;
  // The main window follows the device in use and its frame size.
  virtual void RefreshMainWindowLayout() = 0;
  // The video windows shown or hidden for the device in use (none: hidden).
  virtual void ShowVideoWindowsForDevice() = 0;
  // Writes the options file with every device's configuration; false when it failed
  // (already reported).
  virtual bool SaveOptions() = 0;
  // The decoder look-up and automatic PAL/NTSC detection of the capture graph.
  virtual DeviceValidationHooks GraphValidationHooks() = 0;
};

// Refused while a recording runs: the restart would end the recording.
inline constexpr char kRestartRefusedWhileRecording[] =
    "NOTE: this change needs a camera restart and is not made while a recording runs\r\n";

// Stop, then start when the stop succeeded. A failed stop leaves the camera stopped.
inline HResult RestartCamera(DeviceWindowStation& station) {
  if (Failed(station.StopVideo())) return E_FAIL;
  return station.StartVideo();
}

}  // namespace vesk
