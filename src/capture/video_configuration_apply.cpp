#include "capture/video_configuration_apply.h"

namespace vesk {

DeviceConfigurationState DeviceConfigurationStateOf(const VideoSourceInfo& info) {
  DeviceConfigurationState state;
  state.name = info.name;
  if (info.current_rate_index < info.frame_rates.size()) {
    const VideoFormatsByFrameRate& group = info.frame_rates[info.current_rate_index];
    state.rate_text = group.rate_text;
    if (group.current_format_index < group.formats.size()) {
      state.format_text = group.formats[group.current_format_index].size_text;
    }
  }
  state.subtype = info.subtype;
  for (std::size_t i = 0; i < kConfigurationPropertyCount; ++i) {
    state.property_values[i] = info.Property(i).value;
  }
  state.auto_detect_format = info.auto_detect_format;
  state.analog_format = info.analog_format;
  return state;
}

VideoConfiguration MakeVideoConfiguration(const VideoSourceInfo& info) {
  return MakeVideoConfiguration(DeviceConfigurationStateOf(info));
}

std::vector<VideoConfiguration> DeviceConfigurations(const VideoSources& sources) {
  std::vector<VideoConfiguration> configurations;
  for (std::size_t i = 0; i < sources.Count(); ++i) {
    const VideoSourceInfo* source = sources.Source(i);
    if (source->has_configuration) configurations.push_back(MakeVideoConfiguration(*source));
  }
  return configurations;
}

void TranslateVideoConfigurationToSourceInfo(MessageLog& log,
                                             const VideoConfiguration* configuration,
                                             VideoSourceInfo* device, std::uint32_t device_index,
                                             const DevicePropertyWriter& write_properties) {
  // Nothing to apply without a configuration, a device and a way to write its properties.
  if (configuration == nullptr || device == nullptr || !write_properties) {
    log.ReportMessage(
        "Logic error: call to TranslateVideoConfigurationToSourceInfo with NULL values");
    return;
  }
  // Only the first group of the saved rate is searched for the saved size.
  std::size_t rate_index = 0;
  while (rate_index < device->frame_rates.size() &&
         device->frame_rates[rate_index].rate_text != configuration->frame_rate) {
    ++rate_index;
  }
  // A device that now offers other formats keeps what enumeration chose; the observer is told
  // why the saved choice did not return.
  const auto no_longer_fits = [&] {
    log.ReportMessage("NOTE: the saved configuration of device \"" + device->name +
                          "\" no longer fits the formats it offers and is not applied\r\n",
                      true);
  };
  if (rate_index == device->frame_rates.size()) return no_longer_fits();
  VideoFormatsByFrameRate& group = device->frame_rates[rate_index];
  std::size_t format_index = 0;
  while (format_index < group.formats.size() &&
         group.formats[format_index].size_text != configuration->frame_size) {
    ++format_index;
  }
  if (format_index == group.formats.size()) return no_longer_fits();

  // The saved rate group is the current one.
  device->current_rate_index = static_cast<std::uint32_t>(rate_index);
  device->has_configuration = true;
  group.current_format_index = static_cast<std::uint32_t>(format_index);
  device->subtype = SubtypeCodeOf(configuration->subtype);

  // The saved standard, auto-detection and property values.
  const ConfigurationSettings settings = ReadConfigurationSettings(*configuration);
  if (settings.auto_detect_format) device->auto_detect_format = *settings.auto_detect_format;
  if (settings.analog_format) device->analog_format = *settings.analog_format;
  for (std::size_t i = 0; i < kConfigurationPropertyCount; ++i) {
    if (settings.property_values[i]) device->Property(i).value = *settings.property_values[i];
  }

  // The saved properties go to the device.
  write_properties(device_index);
}

void ApplySavedConfigurations(MessageLog& log,
                              const std::vector<VideoConfiguration>& video_configurations,
                              VideoSources* sources, const DevicePropertyWriter& write_properties) {
  for (std::size_t i = 0; i < sources->Count(); ++i) {
    VideoSourceInfo* device = sources->Source(i);
    if (!device->has_configuration) continue;
    const VideoConfiguration* configuration =
        FindVideoConfiguration(video_configurations, device->name);
    if (configuration == nullptr) {
      log.ReportMessage(
          "Logic error: in MainWindow cannot find configuration established in VideoPlayer\r\n");
      continue;
    }
    TranslateVideoConfigurationToSourceInfo(log, configuration, device,
                                            static_cast<std::uint32_t>(i), write_properties);
  }
}

}  // namespace vesk
