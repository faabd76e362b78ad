#pragma once

// Saved device configurations put back onto the devices at start-up, and a device's
// current choices taken as a configuration when the options are saved.

#include <cstdint>
#include <functional>
#include <vector>

#include "base/message_log.h"
#include "capture/video_sources.h"
#include "config/video_configuration.h"

namespace vesk {

// Writes a device's picture-control values to the device, given its index in the device
// list. The capture graph provides it; an empty writer means there is no capture graph.
using DevicePropertyWriter = std::function<void(std::uint32_t device_index)>;

// The device's current choices as the configuration text form needs them. A rate or format
// index out of range gives an empty text.
DeviceConfigurationState DeviceConfigurationStateOf(const VideoSourceInfo& info);

// The configuration that saves a device's current choices.
VideoConfiguration MakeVideoConfiguration(const VideoSourceInfo& info);

// The configurations of the devices that hold one, in device-list order (what the options
// file stores).
std::vector<VideoConfiguration> DeviceConfigurations(const VideoSources& sources);

// Applies one configuration to one device: the frame-rate group and format named by the
// configuration (nothing changes when either no longer exists on the device), the subtype,
// the analog standard and the picture-control values, which are then written to the device.
void TranslateVideoConfigurationToSourceInfo(MessageLog& log,
                                             const VideoConfiguration* configuration,
                                             VideoSourceInfo* device, std::uint32_t device_index,
                                             const DevicePropertyWriter& write_properties);

// For every device flagged as having a configuration, applies the first configuration of
// that name.
void ApplySavedConfigurations(MessageLog& log,
                              const std::vector<VideoConfiguration>& video_configurations,
                              VideoSources* sources, const DevicePropertyWriter& write_properties);

}  // namespace vesk
