#include "config/video_configuration.h"

#include <cstdio>

#include "base/code_page.h"
#include "base/scan_values.h"
#include "config/options.h"

namespace vesk {
namespace {

constexpr std::size_t kFieldCount = 11;

constexpr std::array<std::size_t, kFieldCount> kFieldCapacities = {
    kConfigDeviceNameCapacity, kConfigFrameRateCapacity,   kConfigFrameSizeCapacity,
    kConfigSubtypeCapacity,    kConfigPropertyCapacity,    kConfigPropertyCapacity,
    kConfigPropertyCapacity,   kConfigPropertyCapacity,    kConfigPropertyCapacity,
    kConfigPropertyCapacity,   kConfigAnalogFormatCapacity};

std::string AnalogStandardText(const DeviceConfigurationState& device) {
  if (device.auto_detect_format) return "AUTO";
  switch (device.analog_format) {
    case AnalogFormat::NTSC:
      return "NTSC";
    case AnalogFormat::PAL:
      return "PAL";
    case AnalogFormat::Digital:
      return "DIGITAL";
    default:
      return "NONE";
  }
}

}  // namespace

std::string FormatVideoConfiguration(const VideoConfiguration& configuration) {
  std::string text = configuration.device_name;
  text += '|';
  text += configuration.frame_rate;
  text += '|';
  text += configuration.frame_size;
  text += '|';
  text += configuration.subtype;
  for (const std::string& property : configuration.properties) {
    text += '|';
    text += property;
  }
  text += '|';
  text += configuration.analog_format;
  return text;
}

std::optional<VideoConfiguration> ReadVideoConfiguration(std::string_view text) {
  std::array<std::string_view, kFieldCount> fields;
  std::size_t start = 0;
  for (std::size_t i = 0; i + 1 < kFieldCount; ++i) {
    const std::size_t bar = text.find('|', start);
    // Without a "|" this field runs to the end and no further field can start.
    if (bar == std::string_view::npos) return std::nullopt;
    fields[i] = text.substr(start, bar - start);
    start = bar + 1;
  }
  if (start >= text.size()) return std::nullopt;
  fields[kFieldCount - 1] = text.substr(start);

  std::array<std::string, kFieldCount> cut;
  for (std::size_t i = 0; i < kFieldCount; ++i) {
    cut[i] = FitToCapacity(fields[i], kFieldCapacities[i]);
  }
  VideoConfiguration configuration;
  configuration.device_name = std::move(cut[0]);
  configuration.frame_rate = std::move(cut[1]);
  configuration.frame_size = std::move(cut[2]);
  configuration.subtype = std::move(cut[3]);
  for (std::size_t i = 0; i < kConfigurationPropertyCount; ++i) {
    configuration.properties[i] = std::move(cut[4 + i]);
  }
  configuration.analog_format = std::move(cut[10]);
  return configuration;
}

bool ParseVideoConfiguration(std::string_view text,
                             std::vector<VideoConfiguration>* video_configurations) {
  std::optional<VideoConfiguration> configuration = ReadVideoConfiguration(text);
  if (!configuration) return false;
  video_configurations->push_back(std::move(*configuration));
  return true;
}

VideoConfiguration MakeVideoConfiguration(const DeviceConfigurationState& device) {
  VideoConfiguration configuration;
  configuration.device_name = FitToCapacity(device.name, kConfigDeviceNameCapacity);
  configuration.frame_rate = FitToCapacity(device.rate_text, kConfigFrameRateCapacity);
  configuration.frame_size = FitToCapacity(device.format_text, kConfigFrameSizeCapacity);
  configuration.subtype = std::string(SubtypeNameOf(device.subtype));
  for (std::size_t i = 0; i < kConfigurationPropertyCount; ++i) {
    char number[kConfigPropertyCapacity];
    std::snprintf(number, sizeof number, "%ld", static_cast<long>(device.property_values[i]));
    configuration.properties[i] = number;
  }
  configuration.analog_format = AnalogStandardText(device);
  return configuration;
}

const VideoConfiguration* FindVideoConfiguration(
    const std::vector<VideoConfiguration>& video_configurations, std::string_view name) {
  for (const VideoConfiguration& configuration : video_configurations) {
    if (configuration.device_name == name) return &configuration;
  }
  return nullptr;
}

ConfigurationSettings ReadConfigurationSettings(const VideoConfiguration& configuration) {
  ConfigurationSettings settings;
  const std::string& standard = configuration.analog_format;
  if (standard == "NTSC") {
    settings.auto_detect_format = false;
    settings.analog_format = AnalogFormat::NTSC;
  } else if (standard == "PAL") {
    settings.auto_detect_format = false;
    settings.analog_format = AnalogFormat::PAL;
  } else if (standard == "DIGITAL") {
    settings.auto_detect_format = false;
    settings.analog_format = AnalogFormat::Digital;
  } else if (standard == "AUTO") {
    settings.auto_detect_format = true;
  } else {
    settings.analog_format = AnalogFormat::Unknown;
  }

  for (std::size_t i = 0; i < kConfigurationPropertyCount; ++i) {
    const std::string& text = configuration.properties[i];
    if (!text.empty() && text.front() == 'X') {
      settings.property_values[i] = kPropertyNotSet;
      continue;
    }
    std::int32_t value = 0;
    if (ScanValues(text, "%ld", {&value}) == 1) settings.property_values[i] = value;
  }
  return settings;
}

void ApplyConfigurationSettings(const ConfigurationSettings& settings,
                                DeviceConfigurationState* device) {
  if (settings.auto_detect_format) device->auto_detect_format = *settings.auto_detect_format;
  if (settings.analog_format) device->analog_format = *settings.analog_format;
  for (std::size_t i = 0; i < kConfigurationPropertyCount; ++i) {
    if (settings.property_values[i]) device->property_values[i] = *settings.property_values[i];
  }
}

}  // namespace vesk
