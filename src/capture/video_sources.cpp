#include "capture/video_sources.h"

#include <algorithm>
#include <cstdio>

#include "base/code_page.h"
#include "capture/analog_format.h"

namespace vesk {
namespace {

constexpr std::int32_t kMinimumWidth = 640;
constexpr std::int32_t kMinimumHeight = 480;
constexpr std::uint32_t kNtscFrameRate = 30;
constexpr std::uint32_t kPalFrameRate = 25;
constexpr std::uint32_t kTicksPerSecond = 10'000'000;

// The friendly name as the station keys devices: cleaned and cut to the name's capacity.
HResult ReadDeviceName(DeviceMoniker* moniker, std::string* name) {
  std::string read;
  const HResult result = moniker->ReadFriendlyName(&read);
  if (Failed(result)) return result;
  CleanDeviceName(&read);
  *name = FitToCapacity(read, kVideoSourceNameCapacity);
  return S_OK;
}

bool IsRecordedSubtype(SubtypeCode code) {
  return code == SubtypeCode::MJPG || code == SubtypeCode::RGB24 || code == SubtypeCode::YUY2;
}

SubtypeCode SubtypeCodeOfMediaType(const MediaType& type) {
  switch (type.subtype) {
    case SubtypeCode::MJPG:
    case SubtypeCode::YUY2:
    case SubtypeCode::RGB24:
    case SubtypeCode::UYVY:
    case SubtypeCode::ARGB32:
      return type.subtype;
    default:
      return SubtypeCode::Other;
  }
}

std::uint32_t FrameRateOf(std::uint32_t time_per_frame) {
  if (time_per_frame == 0) return 0;
  std::uint32_t rate = kTicksPerSecond / time_per_frame;
  if (kTicksPerSecond % time_per_frame > time_per_frame / 2) ++rate;
  return rate;
}

// Adds one kept format to its frame-rate group. A new group goes directly after the last
// group with a higher rate, or directly after the first group when none is higher, so the
// first group stays first and the others follow in descending order.
void AddToFrameRateGroups(VideoFormat format, std::vector<VideoFormatsByFrameRate>* groups) {
  for (VideoFormatsByFrameRate& group : *groups) {
    if (group.frame_rate == format.frame_rate) {
      group.formats.push_back(std::move(format));
      return;
    }
  }
  VideoFormatsByFrameRate group;
  group.enabled = true;
  group.frame_rate = format.frame_rate;
  char rate_text[kRateTextCapacity];
  std::snprintf(rate_text, sizeof rate_text, "%u", format.frame_rate);
  group.rate_text = rate_text;
  group.formats.push_back(std::move(format));
  if (groups->empty()) {
    groups->push_back(std::move(group));
    return;
  }
  std::size_t insert_at = 1;
  for (std::size_t i = 0; i < groups->size(); ++i) {
    if ((*groups)[i].frame_rate > group.frame_rate) insert_at = i + 1;
  }
  groups->insert(groups->begin() + static_cast<std::ptrdiff_t>(insert_at), std::move(group));
}

}  // namespace

DeviceProperty& VideoSourceInfo::Property(std::size_t index) {
  switch (index) {
    case 0:
      return brightness;
    case 1:
      return contrast;
    case 2:
      return hue;
    case 3:
      return saturation;
    case 4:
      return sharpness;
    default:
      return gain;
  }
}

const DeviceProperty& VideoSourceInfo::Property(std::size_t index) const {
  return const_cast<VideoSourceInfo*>(this)->Property(index);
}

bool SetRecordingPath(VideoSourceInfo* info, std::string_view path) {
  if (CharacterCount(path) >= kRecordingPathCapacity) return false;
  info->recording_path = std::string(path);
  return true;
}

void CleanDeviceName(std::string* name) {
  const auto outside = [](char c) {
    const auto code = static_cast<unsigned char>(c);
    return code < 32 || code > 126;
  };
  name->erase(std::remove_if(name->begin(), name->end(), outside), name->end());
}

const VideoFormat* SourceVideoFormat(const VideoSourceInfo& info) {
  if (info.current_rate_index >= info.frame_rates.size()) return nullptr;
  const VideoFormatsByFrameRate& group = info.frame_rates[info.current_rate_index];
  if (group.current_format_index >= group.formats.size()) return nullptr;
  return &group.formats[group.current_format_index];
}

VideoFormat* SourceVideoFormat(VideoSourceInfo& info) {
  return const_cast<VideoFormat*>(SourceVideoFormat(static_cast<const VideoSourceInfo&>(info)));
}

VideoFormat MakeVideoFormat(const MediaType& media_type) {
  VideoFormat format;
  format.media_type = media_type;
  if (!media_type.has_format) {
    format.frame_rate = 0;
    format.subtype = SubtypeCode::NoFormat;
    return format;
  }
  format.width = media_type.width;
  format.height = media_type.height;
  char size_text[64];
  std::snprintf(size_text, sizeof size_text, "%dx%d", format.width, format.height);
  format.size_text = size_text;
  format.frame_rate = FrameRateOf(media_type.avg_time_per_frame);
  format.subtype = SubtypeCodeOfMediaType(media_type);
  return format;
}

int SetDevicePropertyValues(MessageLog& log, VideoProcAmp* proc_amp, ProcAmpProperty id,
                            DeviceProperty* property) {
  if (proc_amp == nullptr || property == nullptr) {
    log.ReportMessage("Logic error: NULL input parameter to SetDevicePropertyValues\r\n");
    return 0;
  }
  const DeviceProperty initial;
  property->supported = initial.supported;
  property->value = initial.value;
  property->minimum = initial.minimum;
  property->maximum = initial.maximum;
  property->step = initial.step;
  property->default_value = initial.default_value;

  std::int32_t value = 0;
  std::int32_t flags = 0;
  if (Failed(proc_amp->Get(id, &value, &flags)) || flags == kProcAmpFlagsAuto) return 0;
  property->value = value;
  ProcAmpRange range;
  if (Failed(proc_amp->GetRange(id, &range))) return 0;
  property->minimum = range.minimum;
  property->maximum = range.maximum;
  property->step = range.step;
  property->default_value = range.default_value;
  property->supported = 1;
  return 1;
}

HResult GetVideoDeviceFormats(MessageLog& log, VideoSourceInfo* info) {
  if (info == nullptr) {
    log.ReportMessage(
        "Logic error: attempt to get video device formats using a NULL pointer to "
        "VideoSourceInfo\r\n");
    return E_FAIL;
  }
  if (!info->base_filter) return E_POINTER;
  PinList pins;
  const HResult enumerated = info->base_filter->EnumPins(&pins);
  if (Failed(enumerated)) return enumerated;
  // The platform answers with no pins at all where the original had no enumerator.
  if (pins.empty()) {
    log.ReportMessage("WARNING: pin enumerator is NULL in GetVideoDeviceFormats\r\n");
    return E_FAIL;
  }

  std::vector<VideoFormat> kept;
  for (const std::shared_ptr<MediaPin>& pin : pins) {
    if (!pin) {
      log.ReportMessage("WARNING: pin interface pointer is NULL in GetVideoDeviceFormats\r\n");
      return E_FAIL;
    }
    PinDirection direction = PinDirection::Input;
    if (Failed(pin->QueryDirection(&direction)) || direction != PinDirection::Output) continue;
    std::vector<MediaType> types;
    if (Failed(pin->EnumMediaTypes(&types))) continue;
    for (const MediaType& type : types) {
      if (!type.is_video || !IsRecordedSubtype(type.subtype)) continue;
      VideoFormat format = MakeVideoFormat(type);
      if (format.frame_rate == 0 || format.width < kMinimumWidth ||
          format.height < kMinimumHeight) {
        continue;
      }
      kept.push_back(std::move(format));
    }
    if (!kept.empty()) break;
  }

  for (VideoFormat& format : kept) AddToFrameRateGroups(std::move(format), &info->frame_rates);
  return S_OK;
}

void SetAnalogDeviceFrameRate(MessageLog& log, VideoSourceInfo* info) {
  if (info == nullptr) {
    log.ReportMessage(
        "Logic error: NULL pointer to VideoSourceInfo in call to SetAnalogDeviceFrameRate\r\n");
    return;
  }
  for (std::size_t i = 0; i < info->frame_rates.size(); ++i) {
    VideoFormatsByFrameRate& group = info->frame_rates[i];
    bool enabled = false;
    if (info->analog_format == AnalogFormat::NTSC) enabled = group.frame_rate == kNtscFrameRate;
    if (info->analog_format == AnalogFormat::PAL) enabled = group.frame_rate == kPalFrameRate;
    group.enabled = enabled;
    if (!enabled) continue;
    info->current_rate_index = static_cast<std::uint32_t>(i);
    if (info->analog_format == AnalogFormat::PAL) {
      for (std::size_t f = 0; f < group.formats.size(); ++f) {
        if (group.formats[f].width == 720 && group.formats[f].height == 576) {
          group.current_format_index = static_cast<std::uint32_t>(f);
          break;
        }
      }
    }
  }
}

DeviceValidationHooks ValidationHooksFor(MediaGraph& graph) {
  DeviceValidationHooks hooks;
  hooks.find_analog_video_decoder = [&graph](const std::shared_ptr<MediaFilter>& filter,
                                             AnalogVideoDecoder** decoder) {
    return graph.FindAnalogVideoDecoder(filter, decoder);
  };
  return hooks;
}

HResult ValidateVideoCaptureDevice(MessageLog& log, const DeviceValidationHooks& hooks,
                                   const std::vector<VideoConfiguration>& video_configurations,
                                   VideoSourceInfo* info, DeviceMoniker* moniker) {
  // Both the device record and its moniker are needed.
  if (info == nullptr || moniker == nullptr) {
    log.ReportMessage("Logic error: NULL input parameter to ValidateVideoCaptureDevice\r\n");
    return E_FAIL;
  }
  // The frame grabbers for which automatic PAL/NTSC detection is offered.
  info->supports_auto_detect = info->name == "USB 2820 Device" || info->name == "USB 2861 Device";

  // The device's filter.
  std::shared_ptr<MediaFilter> filter;
  if (Failed(moniker->BindToFilter(&filter)) || !filter) return E_FAIL;
  info->base_filter = filter;

  // A device without picture controls keeps all six unsupported.
  VideoProcAmp* proc_amp = nullptr;
  if (Succeeded(filter->QueryVideoProcAmp(&proc_amp))) {
    if (proc_amp == nullptr) {
      log.ReportMessage(
          "WARNING: cannot set device properties in ValidateVideoCaptureDevice due to NULL "
          "interface\r\n");
      return E_FAIL;
    }
    for (std::size_t i = 0; i < kDevicePropertyCount; ++i) {
      SetDevicePropertyValues(log, proc_amp, kDevicePropertyIds[i], &info->Property(i));
    }
  }

  // A saved configuration of this device applies.
  for (const VideoConfiguration& configuration : video_configurations) {
    if (configuration.device_name == info->name) {
      info->has_configuration = true;
      break;
    }
  }

  // Only devices with an analog decoder have a TV standard.
  info->analog_format = AnalogFormat::Unknown;
  AnalogVideoDecoder* decoder = nullptr;
  const HResult found = hooks.find_analog_video_decoder
                            ? hooks.find_analog_video_decoder(filter, &decoder)
                            : E_NOINTERFACE;
  bool analog = false;
  if (Failed(found)) {
    info->analog_format = AnalogFormat::Digital;
    info->auto_detect_format = false;
    info->supports_auto_detect = false;
  } else {
    if (decoder == nullptr) {
      log.ReportMessage(
          "WARNING: interface to get analog device format is NULL in "
          "ValidateVideoCaptureDevice\r\n");
      return E_FAIL;
    }
    std::int32_t tv_format = 0;
    if (Failed(decoder->GetTvFormat(&tv_format))) {
      log.ReportMessage(
          "WARNING: cannot get analog device format in ValidateVideoCaptureDevice\r\n");
      return E_FAIL;
    }
    if (tv_format == kAnalogVideoNtscM) {
      info->analog_format = AnalogFormat::NTSC;
    } else if (tv_format == kAnalogVideoPalB) {
      info->analog_format = AnalogFormat::PAL;
    } else {
      log.ReportMessage(info->name +
                            "  has unsupported properties.  Only PAL_B and NTSC_M have "
                            "properties support\r\n",
                        false);
      return E_FAIL;
    }
    analog = true;
    if (info->supports_auto_detect) info->auto_detect_format = true;
  }

  // The device's formats, grouped by frame rate.
  if (HResult result = GetVideoDeviceFormats(log, info); Failed(result)) return result;

  // Groups are never created empty, so the first group always holds a first format.
  if (info->frame_rates.empty()) {
    log.ReportMessage("Video device source information has no frame rate entries\r\n");
    return E_FAIL;
  }
  if (info->frame_rates.front().formats.empty()) {
    log.ReportMessage(
        "Logic error: video device source frame rate structure has no video format entries in "
        "ValidateVideoCaptureDevice\r\n");
    return E_FAIL;
  }

  // The device's subtype is that of its first format.
  info->subtype = info->frame_rates.front().formats.front().subtype;

  // The outcome of format detection does not change the result.
  if (analog) {
    if (info->auto_detect_format && hooks.auto_set_analog_device_format) {
      hooks.auto_set_analog_device_format(info);
    } else {
      SetAnalogDeviceFrameRate(log, info);
    }
  }
  return S_OK;
}

VideoSourceInfo* VideoSources::Source(std::size_t index) {
  return index < sources_.size() ? sources_[index].get() : nullptr;
}

const VideoSourceInfo* VideoSources::Source(std::size_t index) const {
  return index < sources_.size() ? sources_[index].get() : nullptr;
}

VideoSourceInfo* VideoSources::FindByName(std::string_view name) { return Source(IndexOf(name)); }

std::uint32_t VideoSources::IndexOf(std::string_view name) const {
  for (std::size_t i = 0; i < sources_.size(); ++i) {
    if (sources_[i]->name == name) return static_cast<std::uint32_t>(i);
  }
  return kNoCurrentSource;
}

VideoSourceInfo& VideoSources::Append(VideoSourceInfo info) {
  sources_.push_back(std::make_unique<VideoSourceInfo>(std::move(info)));
  return *sources_.back();
}

const VideoFormat* VideoSources::CurrentVideoFormat() const {
  const VideoSourceInfo* source = CurrentSource();
  return source == nullptr ? nullptr : SourceVideoFormat(*source);
}

SubtypeCode VideoSources::CurrentSubtypeCode() const {
  const VideoFormat* format = CurrentVideoFormat();
  return format == nullptr ? SubtypeCode::NoFormat : format->subtype;
}

bool VideoSources::IsUnusableDeviceName(std::string_view name) const {
  return std::find(unusable_device_names_.begin(), unusable_device_names_.end(), name) !=
         unusable_device_names_.end();
}

HResult VideoSources::GetAttachedVideoDeviceList(
    const DeviceValidationHooks& hooks,
    const std::vector<VideoConfiguration>& video_configurations) {
  MonikerList monikers;
  const HResult enumerated = media_.EnumerateDevices(DeviceCategory::VideoInput, &monikers);
  if (enumerated == S_FALSE) return S_OK;
  if (Failed(enumerated)) return enumerated;

  for (const std::shared_ptr<DeviceMoniker>& moniker : monikers) {
    if (!moniker) {
      log_.ReportMessage(
          "WARNING: video input device moniker is NULL in GetAttachedVideoDeviceList\r\n");
      return E_FAIL;
    }
    std::string name;
    if (Failed(ReadDeviceName(moniker.get(), &name))) continue;
    AddVideoSource(hooks, video_configurations, name, moniker.get());
  }
  return S_OK;
}

int VideoSources::AddVideoSource(const DeviceValidationHooks& hooks,
                                 const std::vector<VideoConfiguration>& video_configurations,
                                 std::string_view cleaned_name, DeviceMoniker* moniker) {
  VideoSourceInfo info;
  info.name = FitToCapacity(cleaned_name, kVideoSourceNameCapacity);
  if (moniker != nullptr) info.identity = moniker->StableIdentity();
  if (Succeeded(ValidateVideoCaptureDevice(log_, hooks, video_configurations, &info, moniker))) {
    Append(std::move(info));
    return 1;
  }
  log_.ReportMessage("Device \"" + info.name + "\" cannot be used for video capture\r\n", false);
  unusable_device_names_.push_back(info.name);
  return 0;
}

HResult VideoSources::GetVideoSourceBaseFilter(std::uint32_t index) {
  return GetVideoSourceBaseFilter(Source(index));
}

HResult VideoSources::GetVideoSourceBaseFilter(VideoSourceInfo* info) {
  if (info == nullptr) {
    log_.ReportMessage(
        "Logic error: attempt to get base filter from a NULL pointer to VideoSourceInfo\r\n");
    return E_FAIL;
  }
  if (info->base_filter) return S_OK;

  MonikerList monikers;
  const HResult enumerated = media_.EnumerateDevices(DeviceCategory::VideoInput, &monikers);
  if (enumerated == S_FALSE) {
    log_.ReportMessage(
        "Logic error: attempt to get base filter for a VideoSourceInfo, but no video devices are "
        "found\r\n");
    return E_FAIL;
  }
  if (Failed(enumerated)) {
    log_.ReportMessage(
        "Logic error: attempt to get base filter for a VideoSourceInfo, but cannot enumerate "
        "video devices\r\n");
    return E_FAIL;
  }

  // Devices are matched by name only: of two with one name, the first reported is bound.
  for (const std::shared_ptr<DeviceMoniker>& moniker : monikers) {
    if (!moniker) {
      log_.ReportMessage(
          "WARNING: video input device moniker is NULL in GetVideoSourceBaseFilter\r\n");
      return E_FAIL;
    }
    std::string name;
    if (Failed(ReadDeviceName(moniker.get(), &name))) continue;
    if (name != info->name) continue;
    std::shared_ptr<MediaFilter> filter;
    if (Succeeded(moniker->BindToFilter(&filter))) info->base_filter = filter;
    break;
  }
  if (!info->base_filter) {
    log_.ReportMessage(
        "WARNING: returned base filter pointer is NULL in GetVideoSourceBaseFilter\r\n");
    return E_FAIL;
  }
  return S_OK;
}

void VideoSources::MarkIgnoredDevices(const std::vector<std::string>& ignored_device_names) {
  for (const auto& source : sources_) {
    if (std::find(ignored_device_names.begin(), ignored_device_names.end(), source->name) !=
        ignored_device_names.end()) {
      source->is_ignored = true;
    }
  }
}

void VideoSources::MarkDefaultDevice(std::string_view default_device_name) {
  for (const auto& source : sources_) source->is_default = source->name == default_device_name;
}

void VideoSources::SaveSelectionFlags() {
  for (const auto& source : sources_) {
    source->saved_is_default = source->is_default;
    source->saved_is_ignored = source->is_ignored;
  }
}

void VideoSources::RestoreSelectionFlags() {
  for (const auto& source : sources_) {
    source->is_default = source->saved_is_default;
    source->is_ignored = source->saved_is_ignored;
  }
}

void VideoSources::SelectCurrentSource() {
  std::uint32_t first_considered = kNoCurrentSource;
  for (std::size_t i = 0; i < sources_.size(); ++i) {
    const VideoSourceInfo& source = *sources_[i];
    if (source.is_ignored || source.is_detached) continue;
    if (source.is_default) {
      current_source_index_ = static_cast<std::uint32_t>(i);
      return;
    }
    if (first_considered == kNoCurrentSource) first_considered = static_cast<std::uint32_t>(i);
  }
  current_source_index_ = first_considered;
}

}  // namespace vesk
