#include "capture/device_hotplug.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <utility>

#include "base/files.h"

namespace vesk {
namespace {

// One device attached now, as the enumeration lists it.
struct AttachedDevice {
  std::string name;
  std::string identity;
  std::shared_ptr<DeviceMoniker> moniker;
  bool consumed = false;
};

bool IsRecording(const VideoSourceInfo& info) {
  return info.is_active_manual_recording || info.is_active_event_recording;
}

bool Contains(const std::vector<std::string>& names, std::string_view name) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

}  // namespace

std::string ContinuationFileName(std::string_view path, std::uint32_t count) {
  for (const std::string_view extension : {VideoFileExtension(RecordingFileFormat::Avi),
                                           VideoFileExtension(RecordingFileFormat::Ser)}) {
    if (path.size() < extension.size() ||
        path.substr(path.size() - extension.size()) != extension) {
      continue;
    }
    return std::string(path.substr(0, path.size() - extension.size())) + "_" +
           std::to_string(count) + std::string(extension);
  }
  return {};
}

bool RecordingNameFree(std::string_view path) {
  const std::string name(path);
  const std::size_t dot = name.find_last_of('.');
  const std::size_t slash = name.find_last_of(files::kSeparator);
  const bool has_extension =
      dot != std::string::npos && (slash == std::string::npos || dot > slash);
  return !files::NameTaken(name) &&
         !(has_extension && (files::NameTaken(name.substr(0, dot) + ".log") ||
                             files::NameTaken(name.substr(0, dot) + ".frames.csv")));
}

std::string FreeContinuationFileName(std::string_view path, std::uint32_t* count) {
  for (std::uint32_t n = std::max<std::uint32_t>(*count, 1); n <= kMaxContinuationCount; ++n) {
    std::string continuation = ContinuationFileName(path, n);
    if (continuation.empty()) return {};
    if (RecordingNameFree(continuation)) {
      *count = n;
      return continuation;
    }
  }
  return {};
}

namespace {

// Every record unseen; the number of records believed detached.
std::size_t ClearSeenMarks(VideoSources& sources) {
  std::size_t detached = 0;
  for (std::size_t i = 0; i < sources.Count(); ++i) {
    VideoSourceInfo& info = *sources.Source(i);
    info.seen_mark = false;
    if (info.is_detached) ++detached;
  }
  return detached;
}

// The devices attached now, less those that failed validation before; nothing when they
// cannot be listed (reported).
std::optional<std::vector<AttachedDevice>> ListAttachedDevices(VideoSources& sources,
                                                               const DeviceChangeInputs& in) {
  namespace t = hotplug_texts;
  MonikerList monikers;
  const HResult enumerated = in.media.EnumerateDevices(DeviceCategory::VideoInput, &monikers);
  if (Failed(enumerated)) {
    in.log.ReportMessage(t::kCannotEnumerate, true);
    return std::nullopt;
  }
  std::vector<AttachedDevice> attached;
  if (enumerated == S_FALSE) return attached;
  for (const std::shared_ptr<DeviceMoniker>& moniker : monikers) {
    if (!moniker) {
      in.log.ReportMessage(t::kNullMoniker, true);
      return std::nullopt;
    }
    std::string name;
    if (Failed(moniker->ReadFriendlyName(&name))) {
      in.log.ReportMessage(t::kCannotReadName, true);
      continue;
    }
    CleanDeviceName(&name);
    if (sources.IsUnusableDeviceName(name)) continue;
    attached.push_back(AttachedDevice{std::move(name), moniker->StableIdentity(), moniker});
  }
  return attached;
}

// Each record takes the device of its own identity, then one of its name; a device is
// taken once. The device each record took (null: none), by record.
std::vector<AttachedDevice*> MatchRecords(VideoSources& sources,
                                          std::vector<AttachedDevice>& attached) {
  const std::size_t records = sources.Count();
  std::vector<AttachedDevice*> match(records, nullptr);
  auto take = [&](std::size_t record, auto&& same) {
    for (AttachedDevice& device : attached) {
      if (device.consumed || !same(*sources.Source(record), device)) continue;
      device.consumed = true;
      match[record] = &device;
      sources.Source(record)->seen_mark = true;
      return;
    }
  };
  for (std::size_t i = 0; i < records; ++i) {
    if (sources.Source(i)->identity.empty()) continue;
    take(i, [](const VideoSourceInfo& info, const AttachedDevice& device) {
      return device.identity == info.identity;
    });
  }
  for (std::size_t i = 0; i < records; ++i) {
    if (match[i] != nullptr) continue;
    take(i, [](const VideoSourceInfo& info, const AttachedDevice& device) {
      return device.name == info.name;
    });
  }
  return match;
}

// A device left: the first attached record that was not seen.
DeviceChangeResult MarkDeparture(VideoSources& sources, MessageLog& log, std::uint32_t& index) {
  namespace t = hotplug_texts;
  for (std::size_t i = 0; i < sources.Count(); ++i) {
    VideoSourceInfo& info = *sources.Source(i);
    if (info.is_detached || info.seen_mark) continue;
    info.is_detached = true;
    index = static_cast<std::uint32_t>(i);
    if (info.is_ignored) return DeviceChangeResult::IgnoredDetached;
    const int active = int{info.is_active_preview} + int{info.is_active_manual_recording} +
                       int{info.is_active_event_recording};
    if (active > 1) {
      log.ReportMessage(t::kActiveFlagsCount, true);
      return DeviceChangeResult::Nothing;
    }
    if (active == 0) return DeviceChangeResult::InactiveDetached;
    return info.is_active_preview ? DeviceChangeResult::PreviewDetached
                                  : DeviceChangeResult::RecordingDetached;
  }
  log.ReportMessage(t::kRemovedNotFound, true);
  return DeviceChangeResult::Nothing;
}

// A device never seen before is validated and appended.
DeviceChangeResult AppendNewDevice(VideoSources& sources, const DeviceChangeInputs& in,
                                   const AttachedDevice& device, std::uint32_t& index) {
  const std::size_t before = sources.Count();
  if (sources.AddVideoSource(in.validation, in.configurations, device.name, device.moniker.get()) ==
      0) {
    return DeviceChangeResult::Nothing;
  }
  VideoSourceInfo& info = *sources.Source(before);
  info.seen_mark = true;
  index = static_cast<std::uint32_t>(before);
  // The options apply to it as to the devices found at start-up.
  info.is_ignored = Contains(in.ignored_names, info.name);
  info.is_default = info.name == in.default_name;
  return info.is_ignored ? DeviceChangeResult::IgnoredReattached : DeviceChangeResult::NewAttached;
}

// A known device came back: the first detached record that was seen.
DeviceChangeResult MarkReturn(VideoSources& sources, MessageLog& log,
                              const std::vector<AttachedDevice*>& match, std::uint32_t& index) {
  for (std::size_t i = 0; i < match.size(); ++i) {
    VideoSourceInfo& info = *sources.Source(i);
    if (!info.is_detached || !info.seen_mark) continue;
    index = static_cast<std::uint32_t>(i);
    info.is_detached = false;
    // Bound to the device found now, which may sit on another node than before.
    AttachedDevice& device = *match[i];
    info.identity = device.identity;
    info.base_filter.reset();
    std::shared_ptr<MediaFilter> filter;
    if (Succeeded(device.moniker->BindToFilter(&filter))) info.base_filter = std::move(filter);
    if (info.is_ignored) return DeviceChangeResult::IgnoredReattached;
    return IsRecording(info) ? DeviceChangeResult::RecordingReattached
                             : DeviceChangeResult::KnownReattached;
  }
  log.ReportMessage(hotplug_texts::kReattachedNotFound, true);
  return DeviceChangeResult::Nothing;
}

}  // namespace

DeviceChangeResult UpdateSourceVideoInfoList(VideoSources& sources, const DeviceChangeInputs& in,
                                             std::uint32_t* result_index) {
  std::uint32_t ignored_index = 0;
  std::uint32_t& index = result_index != nullptr ? *result_index : ignored_index;
  index = kNoDeviceIndex;

  const std::size_t records = sources.Count();
  const std::size_t detached = ClearSeenMarks(sources);
  std::optional<std::vector<AttachedDevice>> attached = ListAttachedDevices(sources, in);
  if (!attached) return DeviceChangeResult::Nothing;

  // Believed attached minus attached now: a device left (> 0), arrived (< 0), or one left
  // while another arrived (0), which cannot be told apart.
  const long long delta =
      static_cast<long long>(records - detached) - static_cast<long long>(attached->size());
  if (delta == 0) return DeviceChangeResult::Nothing;

  const std::vector<AttachedDevice*> match = MatchRecords(sources, *attached);
  const auto unconsumed = std::find_if(attached->begin(), attached->end(),
                                       [](const AttachedDevice& d) { return !d.consumed; });
  if (delta > 0) {
    if (unconsumed != attached->end()) {
      in.log.ReportMessage(hotplug_texts::kCountProblem, true);
      return DeviceChangeResult::Nothing;
    }
    return MarkDeparture(sources, in.log, index);
  }
  if (unconsumed != attached->end()) return AppendNewDevice(sources, in, *unconsumed, index);
  return MarkReturn(sources, in.log, match, index);
}

}  // namespace vesk
