#pragma once

// Devices plugged in and out while the station runs: the devices attached now are compared
// with the device list, and the one device that left or arrived is marked. How the station
// reacts is its own (station/device_change_reaction.h); the continuation names of a
// recording whose device came back (name_1.avi, name_2.avi, ...) are found here.
//
// Devices are matched by the platform's stable identity first (serial number or port),
// then by name, so a frame grabber back on another node is the same device and two
// grabbers of one model stay apart. Runs on the user-interface thread.

#include <cstdint>
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

// Whether the change is a device that left (else one that arrived, or nothing).
constexpr bool IsDeparture(DeviceChangeResult result) {
  switch (result) {
    case DeviceChangeResult::RecordingDetached:
    case DeviceChangeResult::PreviewDetached:
    case DeviceChangeResult::InactiveDetached:
    case DeviceChangeResult::IgnoredDetached:
      return true;
    default:
      return false;
  }
}

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

// What a reconciliation reads besides the device list.
struct DeviceChangeInputs {
  MediaSystem& media;
  MessageLog& log;
  DeviceValidationHooks validation;
  const std::vector<VideoConfiguration>& configurations;
  // The options' excluded devices and default device.
  const std::vector<std::string>& ignored_names;
  std::string_view default_name;
};

// Compares the attached devices with the list and updates the one record that changed;
// *result_index receives its index (kNoDeviceIndex when none). One device per call.
DeviceChangeResult UpdateSourceVideoInfoList(VideoSources& sources, const DeviceChangeInputs& in,
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

}  // namespace vesk
