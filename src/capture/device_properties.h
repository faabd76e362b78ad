#pragma once

// The picture controls of the capture devices (brightness, contrast, hue, saturation,
// sharpness, gain): set in the device one at a time or all to their defaults, written
// after a saved configuration was applied, and put back when the camera format window is
// cancelled. A value is stored in the device record only once the device took it.

#include <cstddef>
#include <cstdint>

#include "base/hresult.h"
#include "base/message_log.h"
#include "capture/video_sources.h"
#include "media/media_graph.h"

namespace vesk {

// The position of a control's record (0 brightness ... 5 gain), or kDevicePropertyCount
// for an id that is none of the six.
std::size_t DevicePropertyIndexOf(ProcAmpProperty id);

// On the device in use.
HResult SetPropertyValue(VideoSources& sources, MessageLog& log, ProcAmpProperty id,
                         std::int32_t value);
HResult SetPropertyToDefault(VideoSources& sources, MessageLog& log, ProcAmpProperty id);
// All six, in order, stopping at the first failure (E_ABORT, reported).
HResult SetPropertiesToDefaults(VideoSources& sources, MessageLog& log);
// slider: 0 brightness ... 5 gain.
HResult SetPropertyFromSlider(VideoSources& sources, MessageLog& log, std::size_t slider,
                              std::int32_t value);

// Writes every supported control's value to a device (after a saved configuration).
HResult ApplyDeviceProperties(VideoSources& sources, MessageLog& log, std::uint32_t device_index);

// Puts back what the camera format window found when it opened: the controls' values, the
// frame-rate group and the group's format.
void RestoreDeviceSettings(VideoSources& sources, MessageLog& log);

}  // namespace vesk
