#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "media/video_types.h"

namespace vesk {

// The six picture controls a configuration carries, in this order: brightness, contrast,
// hue, saturation, sharpness, gain.
constexpr std::size_t kConfigurationPropertyCount = 6;

// Capacities of the fields in characters, counting the terminator of the original buffers.
constexpr std::size_t kConfigDeviceNameCapacity = 256;
constexpr std::size_t kConfigFrameRateCapacity = 10;
constexpr std::size_t kConfigFrameSizeCapacity = 20;
constexpr std::size_t kConfigSubtypeCapacity = 64;
constexpr std::size_t kConfigPropertyCapacity = 16;
constexpr std::size_t kConfigAnalogFormatCapacity = 32;

// A device's saved settings as text: one VConfig option.
struct VideoConfiguration {
  std::string device_name;
  std::string frame_rate;  // rate text of the chosen frame-rate group
  std::string frame_size;  // size text of the chosen format in that group
  std::string subtype;     // SubtypeNameOf the device's subtype
  // "%ld" of each property value; a text beginning with "X" means no value is set.
  std::array<std::string, kConfigurationPropertyCount> properties;
  std::string analog_format;  // "AUTO", "NTSC", "PAL", "DIGITAL" or "NONE"

  friend bool operator==(const VideoConfiguration&, const VideoConfiguration&) = default;
};

// What a configuration is built from and applied to: the current choices of one device.
// The device model fills it from its records.
struct DeviceConfigurationState {
  std::string name;
  std::string rate_text;    // of the current frame-rate group
  std::string format_text;  // of that group's current format
  SubtypeCode subtype = SubtypeCode::Other;
  std::array<std::int32_t, kConfigurationPropertyCount> property_values{
      kPropertyNotSet, kPropertyNotSet, kPropertyNotSet,
      kPropertyNotSet, kPropertyNotSet, kPropertyNotSet};
  bool auto_detect_format = false;
  AnalogFormat analog_format = AnalogFormat::Unknown;
};

// The text form: the eleven fields joined with "|".
std::string FormatVideoConfiguration(const VideoConfiguration& configuration);

// Reads the text form. Fields run from one "|" to the next; the eleventh takes the rest
// of the text, further "|" included. Fewer than eleven fields, or an empty eleventh, gives
// nothing. Over-long fields are cut to their capacities.
std::optional<VideoConfiguration> ReadVideoConfiguration(std::string_view text);

// Appends the configuration read from text, or drops the text silently. Returns whether
// one was appended.
bool ParseVideoConfiguration(std::string_view text,
                             std::vector<VideoConfiguration>* video_configurations);

// The configuration that saves a device's current choices.
VideoConfiguration MakeVideoConfiguration(const DeviceConfigurationState& device);

// The first configuration whose device name equals name exactly, or none.
const VideoConfiguration* FindVideoConfiguration(
    const std::vector<VideoConfiguration>& video_configurations, std::string_view name);

// The picture and standard settings a configuration makes, once its frame rate and format
// have been found on the device. Absent members leave the device as it is.
struct ConfigurationSettings {
  std::optional<bool> auto_detect_format;
  std::optional<AnalogFormat> analog_format;
  std::array<std::optional<std::int32_t>, kConfigurationPropertyCount> property_values;
};

// The analog standard ("NTSC", "PAL", "DIGITAL" switch detection off and set the format,
// "AUTO" switches it on, anything else makes the format Unknown) and the property values
// (a text starting with "X" is not set, otherwise "%ld"; a text that does not scan
// changes nothing).
ConfigurationSettings ReadConfigurationSettings(const VideoConfiguration& configuration);

// Applies those settings onto a device's state.
void ApplyConfigurationSettings(const ConfigurationSettings& settings,
                                DeviceConfigurationState* device);

}  // namespace vesk
