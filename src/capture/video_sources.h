#pragma once

// The capture devices the station knows: one VideoSourceInfo per device with its formats
// grouped by frame rate, its six picture controls and its TV standard, the device in use,
// and the start-up enumeration that builds the list.

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/hresult.h"
#include "base/message_log.h"
#include "config/video_configuration.h"
#include "media/media_graph.h"
#include "media/video_types.h"

namespace vesk {

// Capacities in characters, counting the terminator of the original buffers.
constexpr std::size_t kVideoSourceNameCapacity = 256;
constexpr std::size_t kRateTextCapacity = 10;
constexpr std::size_t kSizeTextCapacity = 256;

// CurrentSourceIndex when no device is in use.
constexpr std::uint32_t kNoCurrentSource = 0xFFFFFFFFu;

// One capture format of a device.
struct VideoFormat {
  // The device's own description, handed back unchanged when the format is chosen.
  MediaType media_type;
  std::string size_text;  // width "x" height, e.g. "720x576"
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::uint32_t frame_rate = 0;  // frames per second, rounded; 0 without a frame time
  SubtypeCode subtype = SubtypeCode::NoFormat;
};

// A device's formats that share one frame rate.
struct VideoFormatsByFrameRate {
  // Offered in the camera format window; analog devices enable only their standard's group.
  bool enabled = true;
  std::uint32_t frame_rate = 0;
  std::string rate_text;  // frame_rate printed with "%u"
  std::uint32_t current_format_index = 0;
  std::uint32_t saved_format_index = 0;
  std::vector<VideoFormat> formats;  // in the order the device reported them
};

// One picture control of a device, as probed.
struct DeviceProperty {
  std::int32_t supported = 0;  // 1 when the device offers it under manual control
  std::int32_t value = kPropertyNotSet;
  // Taken when the camera format window opens, written back on Cancel.
  std::int32_t saved_value = 0;
  std::int32_t minimum = INT32_MIN;
  std::int32_t maximum = INT32_MAX;
  std::int32_t step = INT32_MAX;
  std::int32_t default_value = INT32_MIN;

  friend bool operator==(const DeviceProperty&, const DeviceProperty&) = default;
};

// The picture controls in the order devices are probed and configurations store them.
constexpr std::size_t kDevicePropertyCount = 6;
constexpr std::array<ProcAmpProperty, kDevicePropertyCount> kDevicePropertyIds = {
    ProcAmpProperty::Brightness, ProcAmpProperty::Contrast,  ProcAmpProperty::Hue,
    ProcAmpProperty::Saturation, ProcAmpProperty::Sharpness, ProcAmpProperty::Gain};

// One capture device. The name is the device's key everywhere.
struct VideoSourceInfo {
  bool is_default = false;
  bool saved_is_default = false;
  bool is_ignored = false;
  bool saved_is_ignored = false;
  bool has_configuration = false;
  bool is_detached = false;
  bool is_active_preview = false;
  bool is_active_manual_recording = false;
  bool is_active_event_recording = false;
  bool seen_mark = false;  // scratch mark of hot-plug reconciliation
  bool auto_detect_format = false;
  bool supports_auto_detect = false;
  std::shared_ptr<MediaFilter> base_filter;
  AnalogFormat analog_format = AnalogFormat::Unknown;
  DeviceProperty brightness;
  DeviceProperty contrast;
  DeviceProperty hue;
  DeviceProperty saturation;
  DeviceProperty sharpness;
  DeviceProperty gain;
  SubtypeCode subtype = SubtypeCode::NoFormat;
  std::uint32_t current_rate_index = 0;
  std::uint32_t saved_rate_index = 0;
  std::vector<VideoFormatsByFrameRate> frame_rates;
  std::string name;  // cleaned friendly name, at most kVideoSourceNameCapacity - 1 characters
  // The platform's stable identity of the device (DeviceMoniker::StableIdentity), so a
  // device that returns is recognised among others of its name.
  std::string identity;
  std::uint32_t reconnect_count = 0;
  std::string recording_path;  // at most kRecordingPathCapacity - 1 characters

  // The six controls in kDevicePropertyIds order (0 brightness ... 5 gain).
  DeviceProperty& Property(std::size_t index);
  const DeviceProperty& Property(std::size_t index) const;
};

// Sets recording_path; fails, leaving it as it was, when the path does not fit its capacity.
bool SetRecordingPath(VideoSourceInfo* info, std::string_view path);

// Removes every character outside 32..126 when there is one.
void CleanDeviceName(std::string* name);

// The format in use of a device, or nullptr when either index is out of range.
const VideoFormat* SourceVideoFormat(const VideoSourceInfo& info);
VideoFormat* SourceVideoFormat(VideoSourceInfo& info);

// Builds one format from a media type: rate = 10000000 / frame time, rounded to nearest
// with ties down; no format block gives rate 0 and NoFormat.
VideoFormat MakeVideoFormat(const MediaType& media_type);

// Reads one picture control: initial values first, then value and range. Returns 1 when the
// device offers the control under manual control, else 0.
int SetDevicePropertyValues(MessageLog& log, VideoProcAmp* proc_amp, ProcAmpProperty id,
                            DeviceProperty* property);

// Fills info->frame_rates from the first output pin that offers usable formats (MJPG,
// RGB24, YUY2 of at least 640x480 with a frame rate), grouped by frame rate.
HResult GetVideoDeviceFormats(MessageLog& log, VideoSourceInfo* info);

// Enables only the frame-rate groups of the device's TV standard (25 for PAL, 30 for NTSC;
// none for any other) and makes the last of them current; with PAL its first 720x576
// format becomes the group's current format.
void SetAnalogDeviceFrameRate(MessageLog& log, VideoSourceInfo* info);

// What device validation needs of the capture graph: its builder's look-up of a filter's
// analog video decoder, and automatic PAL/NTSC detection (which may run a test graph).
struct DeviceValidationHooks {
  std::function<HResult(const std::shared_ptr<MediaFilter>& filter, AnalogVideoDecoder** decoder)>
      find_analog_video_decoder;
  // Empty: the device keeps the standard it reports (SetAnalogDeviceFrameRate).
  std::function<void(VideoSourceInfo* info)> auto_set_analog_device_format;
};

// Hooks that find decoders through the given graph's builder, without automatic detection
// (that needs the capture graph's renderers: ValidationHooksFor(CaptureGraph&) in
// analog_format.h).
DeviceValidationHooks ValidationHooksFor(MediaGraph& graph);

// Binds and probes a new record; S_OK when the device can be used for capture.
HResult ValidateVideoCaptureDevice(MessageLog& log, const DeviceValidationHooks& hooks,
                                   const std::vector<VideoConfiguration>& video_configurations,
                                   VideoSourceInfo* info, DeviceMoniker* moniker);

// The device list and the device in use. Records are never removed while the process runs
// and keep their addresses: a device that leaves is only marked detached.
class VideoSources {
 public:
  VideoSources(MediaSystem& media, MessageLog& log) : media_(media), log_(log) {}

  std::size_t Count() const { return sources_.size(); }
  // nullptr when index is out of range.
  VideoSourceInfo* Source(std::size_t index);
  const VideoSourceInfo* Source(std::size_t index) const;
  // The first record with this name, or nullptr.
  VideoSourceInfo* FindByName(std::string_view name);
  // Index of the first record with this name, or kNoCurrentSource.
  std::uint32_t IndexOf(std::string_view name) const;
  VideoSourceInfo& Append(VideoSourceInfo info);

  std::uint32_t CurrentSourceIndex() const { return current_source_index_; }
  void SetCurrentSourceIndex(std::uint32_t index) { current_source_index_ = index; }
  // The device in use, or nullptr when CurrentSourceIndex is out of range.
  VideoSourceInfo* CurrentSource() { return Source(current_source_index_); }
  const VideoSourceInfo* CurrentSource() const { return Source(current_source_index_); }
  // SourceVideoFormat of the device in use, or nullptr.
  const VideoFormat* CurrentVideoFormat() const;
  // The current format's subtype; NoFormat when there is no current format.
  SubtypeCode CurrentSubtypeCode() const;
  std::string_view CurrentSubtypeName() const { return SubtypeNameOf(CurrentSubtypeCode()); }

  // Names of devices that failed validation, so they are not tried again when plugged in.
  const std::vector<std::string>& UnusableDeviceNames() const { return unusable_device_names_; }
  bool IsUnusableDeviceName(std::string_view name) const;

  // Start-up enumeration of the attached video input devices. S_OK also without devices;
  // a failure leaves the devices found so far in place.
  HResult GetAttachedVideoDeviceList(const DeviceValidationHooks& hooks,
                                     const std::vector<VideoConfiguration>& video_configurations);
  // Validates a device and appends it (returns 1), or records its name as unusable (0).
  int AddVideoSource(const DeviceValidationHooks& hooks,
                     const std::vector<VideoConfiguration>& video_configurations,
                     std::string_view cleaned_name, DeviceMoniker* moniker);
  // Makes sure the device's filter is bound, binding the first device of that name.
  HResult GetVideoSourceBaseFilter(VideoSourceInfo* info);
  HResult GetVideoSourceBaseFilter(std::uint32_t index);

  // Choice of the device in use at start-up.
  void MarkIgnoredDevices(const std::vector<std::string>& ignored_device_names);
  void MarkDefaultDevice(std::string_view default_device_name);
  void SaveSelectionFlags();
  void RestoreSelectionFlags();
  void SelectCurrentSource();

 private:
  MediaSystem& media_;
  MessageLog& log_;
  std::vector<std::unique_ptr<VideoSourceInfo>> sources_;
  std::uint32_t current_source_index_ = kNoCurrentSource;
  std::vector<std::string> unusable_device_names_;
};

}  // namespace vesk
