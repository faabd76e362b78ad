#include "capture/device_properties.h"

#include <algorithm>

namespace vesk {
namespace {

// The device in use's control interface, with the reports of the two logic errors.
struct Target {
  VideoSourceInfo* info = nullptr;
  VideoProcAmp* proc_amp = nullptr;
  HResult result = S_OK;
};

struct Texts {
  const char* unknown_device;
  const char* null_filter;
  const char* null_interface;
  const char* unknown_id;
};

constexpr Texts kSetTexts{
    "Logic error: setting property value for unknown current device\r\n",
    "Logic error: setting property value with NULL base filter\r\n",
    "WARNING: attempt to set property value with NULL interface\r\n",
    "WARNING: attempt to set unknown property to a value\r\n"};
constexpr Texts kDefaultTexts{
    "Logic error: setting property value to default for unknown current device\r\n",
    "Logic error: setting property value to default with NULL base filter\r\n",
    "WARNING: attempt to set property value to default with NULL interface\r\n",
    "WARNING: attempt to set unknown property to default value\r\n"};

Target FindTarget(VideoSources& sources, MessageLog& log, const Texts& texts) {
  Target target;
  target.info = sources.CurrentSource();
  if (target.info == nullptr) {
    log.ReportMessage(texts.unknown_device, true);
    target.result = E_FAIL;
    return target;
  }
  if (!target.info->base_filter) {
    log.ReportMessage(texts.null_filter, true);
    target.result = E_FAIL;
    return target;
  }
  // A failing query ends the call with its own result, silently.
  target.result = target.info->base_filter->QueryVideoProcAmp(&target.proc_amp);
  if (Succeeded(target.result) && target.proc_amp == nullptr) {
    log.ReportMessage(texts.null_interface, true);
    target.result = E_FAIL;
  }
  return target;
}

}  // namespace

std::size_t DevicePropertyIndexOf(ProcAmpProperty id) {
  const auto found = std::find(kDevicePropertyIds.begin(), kDevicePropertyIds.end(), id);
  return static_cast<std::size_t>(found - kDevicePropertyIds.begin());
}

HResult SetPropertyValue(VideoSources& sources, MessageLog& log, ProcAmpProperty id,
                         std::int32_t value) {
  const Target target = FindTarget(sources, log, kSetTexts);
  if (Failed(target.result)) return target.result;
  const std::size_t index = DevicePropertyIndexOf(id);
  if (index >= kDevicePropertyCount) {
    log.ReportMessage(kSetTexts.unknown_id, true);
    return E_FAIL;
  }
  HResult result = target.proc_amp->Set(id, value, kProcAmpFlagsManual);
  if (Failed(result)) {
    // A driver may change a control's range with the TV standard: the record takes the
    // range the device now has, and a value outside it is brought inside once.
    DeviceProperty& property = target.info->Property(index);
    ProcAmpRange range;
    if (Succeeded(target.proc_amp->GetRange(id, &range)) && range.minimum <= range.maximum) {
      property.minimum = range.minimum;
      property.maximum = range.maximum;
      property.step = range.step;
      property.default_value = range.default_value;
      const std::int32_t inside = std::clamp(value, range.minimum, range.maximum);
      if (inside != value) {
        value = inside;
        result = target.proc_amp->Set(id, value, kProcAmpFlagsManual);
      }
    }
    if (Failed(result)) {
      log.ReportMessage("WARNING: cannot manually set property value\r\n", true);
      return result;
    }
  }
  target.info->Property(index).value = value;
  return S_OK;
}

HResult SetPropertyToDefault(VideoSources& sources, MessageLog& log, ProcAmpProperty id) {
  const Target target = FindTarget(sources, log, kDefaultTexts);
  if (Failed(target.result)) return target.result;
  const std::size_t index = DevicePropertyIndexOf(id);
  if (index >= kDevicePropertyCount) {
    log.ReportMessage(kDefaultTexts.unknown_id, true);
    return E_FAIL;
  }
  DeviceProperty& property = target.info->Property(index);
  // A default the device never told is left alone.
  if (property.default_value == kPropertyNotSet) return S_OK;
  const HResult result = target.proc_amp->Set(id, property.default_value, kProcAmpFlagsManual);
  if (Failed(result)) return result;
  property.value = property.default_value;
  return S_OK;
}

HResult SetPropertiesToDefaults(VideoSources& sources, MessageLog& log) {
  if (sources.CurrentSource() == nullptr) return E_ABORT;
  for (ProcAmpProperty id : kDevicePropertyIds) {
    if (Failed(SetPropertyToDefault(sources, log, id))) {
      log.ReportMessage("Unable to set current device properties to defaults\r\n", true);
      return E_ABORT;
    }
  }
  return S_OK;
}

HResult SetPropertyFromSlider(VideoSources& sources, MessageLog& log, std::size_t slider,
                              std::int32_t value) {
  if (sources.CurrentSource() == nullptr || slider >= kDevicePropertyCount) return E_FAIL;
  return SetPropertyValue(sources, log, kDevicePropertyIds[slider], value);
}

HResult ApplyDeviceProperties(VideoSources& sources, MessageLog& log, std::uint32_t device_index) {
  VideoSourceInfo* info = sources.Source(device_index);
  if (info == nullptr) {
    log.ReportMessage(
        "Logic error: attempt to set device properties using an invalid source index\r\n", true);
    return E_FAIL;
  }
  if (!info->base_filter) {
    log.ReportMessage(
        "Logic error: attempt to set device properties for source with a NULL filter "
        "pointer\r\n",
        true);
    return E_FAIL;
  }
  VideoProcAmp* proc_amp = nullptr;
  if (Failed(info->base_filter->QueryVideoProcAmp(&proc_amp)) || proc_amp == nullptr) {
    log.ReportMessage(
        "WARNING: attempt to set device properties such as brightness and contrast failed\r\n",
        true);
    return E_FAIL;
  }
  for (std::size_t i = 0; i < kDevicePropertyCount; ++i) {
    const DeviceProperty& property = info->Property(i);
    // "Not set" is no value: written, a driver would clamp it to the control's minimum
    // and leave a black picture.
    if (property.supported == 0 || property.value == kPropertyNotSet) continue;
    if (Failed(proc_amp->Set(kDevicePropertyIds[i], property.value, kProcAmpFlagsManual))) {
      log.ReportMessage("WARNING: unable to manually set an individual device property\r\n",
                        false);
    }
  }
  return S_OK;
}

void RestoreDeviceSettings(VideoSources& sources, MessageLog& log) {
  VideoSourceInfo* info = sources.CurrentSource();
  if (info == nullptr) return;
  for (std::size_t i = 0; i < kDevicePropertyCount; ++i) {
    DeviceProperty& property = info->Property(i);
    if (property.supported == 0) continue;
    property.value = property.saved_value;
    SetPropertyFromSlider(sources, log, i, property.saved_value);
  }
  info->current_rate_index = info->saved_rate_index;
  if (info->current_rate_index < info->frame_rates.size()) {
    VideoFormatsByFrameRate& group = info->frame_rates[info->current_rate_index];
    group.current_format_index = group.saved_format_index;
  }
}

}  // namespace vesk
