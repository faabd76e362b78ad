#pragma once

// Devices plugged in and out while the station runs: the devices attached now are compared
// with the device list, the one device that left or arrived is marked, and the station
// reacts: it reports the change, switches the device in use, and resumes a recording whose
// device came back into a continuation file (name_1.avi, name_2.avi, ...).
//
// Devices are matched by the platform's stable identity first (serial number or port),
// then by name, so a frame grabber back on another node is the same device and two
// grabbers of one model stay apart. Runs on the user-interface thread.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "base/hresult.h"
#include "base/message_log.h"
#include "capture/video_sources.h"
#include "config/video_configuration.h"
#include "media/media_graph.h"

namespace vesk {

// What changed, with the index of the device concerned.
enum class DeviceChangeResult : int {
  RecordingDetached = 0,    // a device that was recording left
  PreviewDetached = 1,      // the device in use for live video left
  InactiveDetached = 2,     // a device not in use left
  IgnoredDetached = 3,      // an ignored device left
  RecordingReattached = 4,  // a device that was recording when it left is back
  KnownReattached = 5,      // a known device (not ignored, not recording) is back
  NewAttached = 6,          // a device never seen before was validated and appended
  IgnoredReattached = 7,    // an ignored device is back (or a new one the options exclude)
  Nothing = 8,              // nothing to do, or a failure (already reported)
};

constexpr std::uint32_t kNoDeviceIndex = 0xFFFFFFFFu;

namespace hotplug_texts {
inline constexpr std::string_view kCannotEnumerate =
    "WARNING: cannot create a video input device enumerator\r\n";
inline constexpr std::string_view kNullMoniker =
    "WARNING: video input device moniker is NULL in UpdateSourceVideoInfoList\r\n";
inline constexpr std::string_view kCannotReadName =
    "WARNING: cannot read the name of an attached device\r\n";
inline constexpr std::string_view kCountProblem =
    "Device connect / disconnect logic error - attached devices count problem\r\n";
inline constexpr std::string_view kRemovedNotFound =
    "Device disconnect logic error - cannot find removed device in source vector\r\n";
inline constexpr std::string_view kActiveFlagsCount =
    "Device connect / disconnect logic error - active flags count greater than 1\r\n";
inline constexpr std::string_view kReattachedNotFound =
    "Device connect / disconnect logic error - expected to find a reattached device\r\n";
inline constexpr std::string_view kDisconnectIndex =
    "Device disconnect logic error - device index out of range\r\n";
inline constexpr std::string_view kConnectIndex =
    "Device connect logic error - device index out of range\r\n";
inline constexpr std::string_view kNotAvi =
    "Device connect / disconnect logic error - manual file pathname does not end with .avi\r\n";
}  // namespace hotplug_texts

// Compares the attached devices with the list and updates the one record that changed;
// *result_index receives its index (kNoDeviceIndex when none). One device per call.
DeviceChangeResult UpdateSourceVideoInfoList(VideoSources& sources, MediaSystem& media,
                                             MessageLog& log, const DeviceValidationHooks& hooks,
                                             const std::vector<VideoConfiguration>& configurations,
                                             const std::vector<std::string>& ignored_names,
                                             std::string_view default_name,
                                             std::uint32_t* result_index);

// The continuation of the recording first named path after its count-th reconnect:
// "obs.avi" gives "obs_1.avi", then "obs_2.avi". Empty when path does not end with ".avi".
std::string ContinuationFileName(std::string_view path, std::uint32_t count);

// Whether a recording may be written at path: nothing stands there, at its log (the name
// with ".log" for its extension) or at its frame-time record (".frames.csv"). A recording
// never replaces an earlier one.
bool RecordingNameFree(std::string_view path);

// The first continuation of path, counting from *count, whose name is free; *count receives
// its number. Empty when path does not end with ".avi" or no name is free before the limit.
std::string FreeContinuationFileName(std::string_view path, std::uint32_t* count);
constexpr std::uint32_t kMaxContinuationCount = 9999;

// What the reactions ask of the station. Empty functions are skipped.
struct DeviceChangeHooks {
  // The recording controller's StopVideo and StartVideo.
  std::function<HResult()> stop_video;
  std::function<HResult()> start_video;
  // The continuation becomes the video file being recorded, then the windows show the
  // recording again (SetRecordingUi without storing the name) and the graph records into
  // it; a start that fails ends the recording as any failed start does.
  std::function<void(const std::string& path)> resume_recording;
  // A recording lost its device (its file and log are finished).
  std::function<void()> recording_interrupted;
  // Shows or hides the video windows for the device in use, which is marked active.
  std::function<void()> show_video_windows;
  // The main window's layout follows the device in use.
  std::function<void()> refresh_layout;
  // The camera format window: whether it is open; undo its changes and close it.
  std::function<bool()> camera_format_open;
  std::function<void()> camera_format_cancel_and_close;
  // The device selection window: whether it is open; show the list again.
  std::function<bool()> device_selection_open;
  std::function<void()> device_selection_refresh;
};

struct DeviceChangeContext {
  VideoSources& sources;
  MediaSystem& media;
  MessageLog& log;
  std::function<DeviceValidationHooks()> validation_hooks;
  const std::vector<VideoConfiguration>& configurations;
  // The options' excluded devices and default device.
  const std::vector<std::string>& ignored_names;
  const std::string& default_name;
  DeviceChangeHooks hooks;
};

class DeviceHotplug {
 public:
  explicit DeviceHotplug(DeviceChangeContext context) : context_(std::move(context)) {}

  // One reconciliation and its reaction.
  DeviceChangeResult HandleDeviceChange();
  // Reconciles until nothing is left to do (each call handles one device); the number of
  // changes handled.
  int HandleAllDeviceChanges();
  // The windows' parts of the reactions are connected here once those windows exist.
  DeviceChangeHooks& hooks() { return context_.hooks; }

 private:
  void React(DeviceChangeResult result, std::uint32_t index);
  void ReactToArrival(DeviceChangeResult result, VideoSourceInfo& info, std::uint32_t index);
  void ResumeRecording(VideoSourceInfo& info);
  void Report(const char* lead, const std::string& name, std::string_view tail);
  bool RecordingInProgress();

  DeviceChangeContext context_;
};

}  // namespace vesk
