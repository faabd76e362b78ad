#pragma once

// How the station reacts to a device plugged in or out: it reports the change, switches the
// device in use, and resumes a recording whose device came back into a continuation file.
// Capture finds what changed (capture/device_hotplug.h); the station acts on it here. Runs on
// the user-interface thread.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/hresult.h"
#include "base/message_log.h"
#include "capture/device_hotplug.h"
#include "capture/video_sources.h"
#include "config/video_configuration.h"
#include "media/media_graph.h"

namespace vesk {

// What the reactions ask of the station.
class DeviceChangePort {
 public:
  virtual ~DeviceChangePort() = default;
  // How a device found now is validated (its analog standard tested, ...).
  virtual DeviceValidationHooks ValidationHooks() = 0;
  // The recording controller's StopVideo and StartVideo.
  virtual HResult StopVideo() = 0;
  virtual HResult StartVideo() = 0;
  // The continuation becomes the video file being recorded, then the windows show the
  // recording again and the graph records into it; a start that fails ends the recording
  // as any failed start does.
  virtual void ResumeRecording(const std::string& path) = 0;
  // A recording lost its device (its file and log are finished).
  virtual void RecordingInterrupted() = 0;
  // Shows or hides the video windows for the device in use, which is marked active.
  virtual void ShowVideoWindows() = 0;
  // The main window's layout follows the device in use.
  virtual void RefreshLayout() = 0;
  // An open camera format window undoes its changes and closes; a closed one stays so.
  virtual void CloseCameraFormatWindow() = 0;
  // An open device selection window shows the list again.
  virtual void RefreshDeviceSelectionWindow() = 0;
};

struct DeviceChangeContext {
  VideoSources& sources;
  MediaSystem& media;
  MessageLog& log;
  const std::vector<VideoConfiguration>& configurations;
  // The options' excluded devices and default device.
  const std::vector<std::string>& ignored_names;
  const std::string& default_name;
};

class DeviceChangeReaction {
 public:
  DeviceChangeReaction(DeviceChangeContext context, std::unique_ptr<DeviceChangePort> port)
      : context_(context), port_(std::move(port)) {}

  // One reconciliation and its reaction.
  DeviceChangeResult HandleDeviceChange();
  // Reconciles until nothing is left to do (each call handles one device); the number of
  // changes handled.
  int HandleAllDeviceChanges();

 private:
  void React(DeviceChangeResult result, std::uint32_t index);
  void ReactToArrival(VideoSourceInfo& info, std::uint32_t index);
  void ResumeRecording(VideoSourceInfo& info);
  void Report(const char* lead, const std::string& name, std::string_view tail);
  bool RecordingInProgress();

  DeviceChangeContext context_;
  std::unique_ptr<DeviceChangePort> port_;
};

}  // namespace vesk
