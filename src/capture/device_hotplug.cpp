#include "capture/device_hotplug.h"

#include <algorithm>
#include <memory>
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
  for (const std::string_view extension :
       {VideoFileExtension(RecordingFileFormat::Avi), VideoFileExtension(RecordingFileFormat::Ser)}) {
    if (path.size() < extension.size() || path.substr(path.size() - extension.size()) != extension) {
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
  const bool has_extension = dot != std::string::npos && (slash == std::string::npos || dot > slash);
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

DeviceChangeResult UpdateSourceVideoInfoList(VideoSources& sources, MediaSystem& media,
                                             MessageLog& log, const DeviceValidationHooks& hooks,
                                             const std::vector<VideoConfiguration>& configurations,
                                             const std::vector<std::string>& ignored_names,
                                             std::string_view default_name,
                                             std::uint32_t* result_index) {
  namespace t = hotplug_texts;
  std::uint32_t ignored_index = 0;
  std::uint32_t& index = result_index != nullptr ? *result_index : ignored_index;
  index = kNoDeviceIndex;

  // The records believed attached.
  const std::size_t records = sources.Count();
  std::size_t detached = 0;
  for (std::size_t i = 0; i < records; ++i) {
    VideoSourceInfo& info = *sources.Source(i);
    info.seen_mark = false;
    if (info.is_detached) ++detached;
  }

  // The devices attached now, less those that failed validation before.
  MonikerList monikers;
  const HResult enumerated = media.EnumerateDevices(DeviceCategory::VideoInput, &monikers);
  if (Failed(enumerated)) {
    log.ReportMessage(t::kCannotEnumerate, true);
    return DeviceChangeResult::Nothing;
  }
  std::vector<AttachedDevice> attached;
  if (enumerated != S_FALSE) {
    for (const std::shared_ptr<DeviceMoniker>& moniker : monikers) {
      if (!moniker) {
        log.ReportMessage(t::kNullMoniker, true);
        return DeviceChangeResult::Nothing;
      }
      std::string name;
      if (Failed(moniker->ReadFriendlyName(&name))) {
        log.ReportMessage(t::kCannotReadName, true);
        continue;
      }
      CleanDeviceName(&name);
      if (sources.IsUnusableDeviceName(name)) continue;
      attached.push_back(AttachedDevice{std::move(name), moniker->StableIdentity(), moniker});
    }
  }

  // Believed attached minus attached now: a device left (> 0), arrived (< 0), or one left
  // while another arrived (0), which cannot be told apart.
  const long long delta =
      static_cast<long long>(records - detached) - static_cast<long long>(attached.size());
  if (delta == 0) return DeviceChangeResult::Nothing;

  // Each record takes the device of its own identity, then one of its name; a device is
  // taken once.
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
  const auto unconsumed = std::find_if(attached.begin(), attached.end(),
                                       [](const AttachedDevice& d) { return !d.consumed; });

  if (delta > 0) {
    if (unconsumed != attached.end()) {
      log.ReportMessage(t::kCountProblem, true);
      return DeviceChangeResult::Nothing;
    }
    // A device left: the first attached record that was not seen.
    for (std::size_t i = 0; i < records; ++i) {
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

  if (unconsumed != attached.end()) {
    // A device never seen before.
    const std::size_t before = sources.Count();
    if (sources.AddVideoSource(hooks, configurations, unconsumed->name,
                               unconsumed->moniker.get()) == 0) {
      return DeviceChangeResult::Nothing;
    }
    VideoSourceInfo& info = *sources.Source(before);
    info.seen_mark = true;
    index = static_cast<std::uint32_t>(before);
    // The options apply to it as to the devices found at start-up.
    info.is_ignored = Contains(ignored_names, info.name);
    info.is_default = info.name == default_name;
    return info.is_ignored ? DeviceChangeResult::IgnoredReattached
                           : DeviceChangeResult::NewAttached;
  }

  // A known device came back: the first detached record that was seen.
  for (std::size_t i = 0; i < records; ++i) {
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
  log.ReportMessage(t::kReattachedNotFound, true);
  return DeviceChangeResult::Nothing;
}

void DeviceHotplug::Report(const char* lead, const std::string& name, std::string_view tail) {
  context_.log.ReportMessage(std::string(lead) + "\"" + name + "\"" + std::string(tail), true);
}

bool DeviceHotplug::RecordingInProgress() {
  const VideoSourceInfo* info = context_.sources.CurrentSource();
  return info != nullptr && IsRecording(*info);
}

DeviceChangeResult DeviceHotplug::HandleDeviceChange() {
  std::uint32_t index = kNoDeviceIndex;
  const DeviceValidationHooks hooks =
      context_.validation_hooks ? context_.validation_hooks() : DeviceValidationHooks{};
  const DeviceChangeResult result = UpdateSourceVideoInfoList(
      context_.sources, context_.media, context_.log, hooks, context_.configurations,
      context_.ignored_names, context_.default_name, &index);
  React(result, index);
  return result;
}

int DeviceHotplug::HandleAllDeviceChanges() {
  // Each call settles one device; a bound keeps a flapping device from holding the loop.
  const std::size_t bound = context_.sources.Count() + 16;
  int handled = 0;
  while (static_cast<std::size_t>(handled) < bound &&
         HandleDeviceChange() != DeviceChangeResult::Nothing) {
    ++handled;
  }
  return handled;
}

void DeviceHotplug::React(DeviceChangeResult result, std::uint32_t index) {
  namespace t = hotplug_texts;
  if (result == DeviceChangeResult::Nothing) return;
  const DeviceChangeHooks& hooks = context_.hooks;
  VideoSourceInfo* info = context_.sources.Source(index);
  if (info == nullptr) {
    context_.log.ReportMessage(
        static_cast<int>(result) <= 3 ? t::kDisconnectIndex : t::kConnectIndex, true);
    return;
  }
  switch (result) {
    case DeviceChangeResult::RecordingDetached:
      // The recording ends here with its file finished and its log written; the record keeps
      // its recording flag, file name and count, and stays in use, to resume on its return.
      if (hooks.stop_video) hooks.stop_video();
      Report("Active video capture device ", info->name, " disconnected while recording\r\n");
      if (hooks.recording_interrupted) hooks.recording_interrupted();
      return;
    case DeviceChangeResult::PreviewDetached:
      info->is_active_preview = false;
      Report("Active video capture device ", info->name, " disconnected\r\n");
      // The camera format window edits the device that left: its changes are undone.
      if (hooks.camera_format_open && hooks.camera_format_open() &&
          hooks.camera_format_cancel_and_close) {
        hooks.camera_format_cancel_and_close();
      }
      context_.sources.SelectCurrentSource();
      if (hooks.stop_video) hooks.stop_video();
      if (hooks.show_video_windows) hooks.show_video_windows();
      if (context_.sources.CurrentSource() != nullptr && hooks.start_video) hooks.start_video();
      // A window showing the devices must not offer the one that left.
      if (hooks.device_selection_open && hooks.device_selection_open() &&
          hooks.device_selection_refresh) {
        hooks.device_selection_refresh();
      }
      return;
    case DeviceChangeResult::InactiveDetached:
      Report("Inactive video capture device ", info->name, " disconnected\r\n");
      return;
    case DeviceChangeResult::IgnoredDetached:
      Report("Ignored video capture device ", info->name, " disconnected\r\n");
      return;
    case DeviceChangeResult::RecordingReattached:
      ResumeRecording(*info);
      return;
    case DeviceChangeResult::KnownReattached:
    case DeviceChangeResult::NewAttached:
      ReactToArrival(result, *info, index);
      return;
    case DeviceChangeResult::IgnoredReattached:
      Report("Ignored video capture device ", info->name, " connected\r\n");
      return;
    case DeviceChangeResult::Nothing:
      return;
  }
  context_.log.ReportMessage("Logic error: default reached for connect / disconnect\r\n", false);
}

void DeviceHotplug::ResumeRecording(VideoSourceInfo& info) {
  // The continuation is named after the file the recording started with.
  // A name an earlier run left behind is passed over, never written into.
  std::uint32_t count = info.reconnect_count + 1;
  const std::string path = FreeContinuationFileName(info.recording_path, &count);
  if (path.empty()) {
    context_.log.ReportMessage(ContinuationFileName(info.recording_path, 1).empty()
                                   ? std::string(hotplug_texts::kNotAvi)
                                   : "ERROR: the recording cannot go on: every continuation name of " +
                                         info.recording_path + " is taken\r\n",
                               true);
    return;
  }
  info.reconnect_count = count;
  Report("Active video capture device ", info.name, " reconnected for recording\r\n");
  if (context_.hooks.resume_recording) context_.hooks.resume_recording(path);
}

void DeviceHotplug::ReactToArrival(DeviceChangeResult, VideoSourceInfo& info, std::uint32_t index) {
  const DeviceChangeHooks& hooks = context_.hooks;
  VideoSources& sources = context_.sources;
  std::string tail = "\r\n";
  // A recording in progress (or waiting for its device) is never switched or restarted
  // for a device that arrives; the switch to the default waits for the observer.
  if (RecordingInProgress()) {
    Report("Video capture device ", info.name, " connected\r\n");
    return;
  }
  const VideoSourceInfo* current = sources.CurrentSource();
  if (current == nullptr || current->is_detached) {
    if (current != nullptr) sources.CurrentSource()->is_active_preview = false;
    sources.SetCurrentSourceIndex(index);
    if (hooks.refresh_layout) hooks.refresh_layout();
  } else if (info.name == context_.default_name && sources.CurrentSourceIndex() != index) {
    if (hooks.camera_format_open && hooks.camera_format_open() &&
        hooks.camera_format_cancel_and_close) {
      hooks.camera_format_cancel_and_close();
    }
    sources.CurrentSource()->is_active_preview = false;
    info.is_active_preview = true;
    sources.SetCurrentSourceIndex(index);
    if (hooks.refresh_layout) hooks.refresh_layout();
    if (hooks.device_selection_open && hooks.device_selection_open() &&
        hooks.device_selection_refresh) {
      hooks.device_selection_refresh();
    }
    tail = " as the default\r\n";
  }
  Report("Video capture device ", info.name, " connected" + tail);
  if (hooks.stop_video) hooks.stop_video();
  if (hooks.show_video_windows) hooks.show_video_windows();
  if (hooks.start_video) hooks.start_video();
}

}  // namespace vesk
