#include "capture/device_selection.h"

#include <algorithm>

namespace vesk {

std::uint32_t DeviceSelectionModel::DeviceAt(
    const std::vector<std::pair<int, std::uint32_t>>& pairs, int position) {
  for (const auto& [listed, index] : pairs) {
    if (listed == position) return index;
  }
  return kNoCurrentSource;
}

void DeviceSelectionModel::OpenFromMenu() {
  sources_.SaveSelectionFlags();
  saved_source_index_ = sources_.CurrentSourceIndex();
  open_ = true;
  Refresh();
}

void DeviceSelectionModel::Refresh() {
  if (!open_) return;
  shown_ = DeviceSelectionPresentation{};
  listed_devices_.clear();
  listed_ignored_devices_.clear();
  for (std::uint32_t i = 0; i < sources_.Count(); ++i) {
    const VideoSourceInfo& info = *sources_.Source(i);
    if (info.is_detached) continue;
    auto& names = info.is_ignored ? shown_.ignored : shown_.devices;
    auto& pairs = info.is_ignored ? listed_ignored_devices_ : listed_devices_;
    pairs.emplace_back(static_cast<int>(names.size()), i);
    names.push_back(info.name);
  }
  const VideoSourceInfo* current = sources_.CurrentSource();
  if (current != nullptr) {
    for (const auto& [position, index] : listed_devices_) {
      if (index == sources_.CurrentSourceIndex()) shown_.selected_device = position;
    }
    shown_.default_checked = current->is_default;
  }
  // Without a device in use the window is only of use to restore an ignored one.
  open_ = current != nullptr || !shown_.ignored.empty();
  if (view_ == nullptr) return;
  if (open_) {
    view_->ShowDeviceWindow(shown_);
  } else {
    view_->HideDeviceWindow();
  }
}

void DeviceSelectionModel::SelectDevice(int position) {
  const std::uint32_t index = DeviceAt(listed_devices_, position);
  if (index == kNoCurrentSource) {
    log_.ReportMessage(kAttachDetachFailureText, true);
    return;
  }
  if (index == sources_.CurrentSourceIndex()) return;
  if (station_.RecordingInProgress()) {
    log_.ReportMessage(kRestartRefusedWhileRecording, true);
    Refresh();
    return;
  }
  sources_.SetCurrentSourceIndex(index);
  station_.RefreshMainWindowLayout();
  // The device that was in use stops; the chosen one is activated and starts.
  if (Succeeded(station_.StopVideo())) {
    station_.ShowVideoWindowsForDevice();
    station_.StartVideo();
  }
  if (camera_format_.IsOpen()) camera_format_.Refresh();
  Refresh();
}

void DeviceSelectionModel::SetDefault(int position, bool ticked) {
  const std::uint32_t index = DeviceAt(listed_devices_, position);
  if (index == kNoCurrentSource) return;
  if (ticked) {
    for (std::uint32_t i = 0; i < sources_.Count(); ++i)
      sources_.Source(i)->is_default = i == index;
  } else {
    sources_.Source(index)->is_default = false;
  }
  shown_.default_checked = ticked;
}

void DeviceSelectionModel::OpenProperties() { camera_format_.Open(); }

void DeviceSelectionModel::SwitchDevice() {
  station_.StopVideo();
  station_.ShowVideoWindowsForDevice();
  if (sources_.CurrentSource() != nullptr) station_.StartVideo();
}

void DeviceSelectionModel::Ignore(int position) {
  SetIgnored(DeviceAt(listed_devices_, position), true);
}

void DeviceSelectionModel::RestoreDevice(int ignored_position) {
  SetIgnored(DeviceAt(listed_ignored_devices_, ignored_position), false);
}

void DeviceSelectionModel::SetIgnored(std::uint32_t index, bool ignored) {
  if (index != kNoCurrentSource) {
    if (station_.RecordingInProgress()) {
      log_.ReportMessage(kRestartRefusedWhileRecording, true);
    } else {
      VideoSourceInfo& info = *sources_.Source(index);
      info.is_ignored = ignored;
      if (ignored) info.is_default = false;
      camera_format_.CancelAndClose();
      log_.ReportMessage(
          "Device \"" + info.name + (ignored ? "\" is ignored\r\n" : "\" is restored\r\n"), true);
      sources_.SelectCurrentSource();
      SwitchDevice();
    }
  }
  Refresh();
}

void DeviceSelectionModel::Ok() {
  bool changed = false;
  for (std::uint32_t i = 0; i < sources_.Count(); ++i) {
    const VideoSourceInfo& info = *sources_.Source(i);
    changed = changed || info.is_default != info.saved_is_default ||
              info.is_ignored != info.saved_is_ignored;
  }
  if (changed) {
    // Ignored devices that are not plugged in this time stay ignored.
    std::vector<std::string> ignored;
    for (const std::string& name : options_.excluded_video_sources) {
      if (sources_.IndexOf(name) == kNoCurrentSource) ignored.push_back(name);
    }
    for (std::uint32_t i = 0; i < sources_.Count(); ++i) {
      const VideoSourceInfo& info = *sources_.Source(i);
      if (info.is_ignored &&
          std::find(ignored.begin(), ignored.end(), info.name) == ignored.end()) {
        ignored.push_back(info.name);
      }
      if (info.is_default) options_.default_video_source = info.name;
    }
    options_.excluded_video_sources = std::move(ignored);
    station_.SaveOptions();
  }
  open_ = false;
  if (view_ != nullptr) view_->HideDeviceWindow();
}

void DeviceSelectionModel::Cancel() {
  camera_format_.CancelAndClose();
  sources_.RestoreSelectionFlags();
  open_ = false;
  if (view_ != nullptr) view_->HideDeviceWindow();
  if (station_.RecordingInProgress()) {
    // The device that records stays in use.
    if (sources_.CurrentSourceIndex() != saved_source_index_) {
      log_.ReportMessage(kRestartRefusedWhileRecording, true);
    }
    log_.ReportMessage(kDevicesRestoredText, true);
    return;
  }
  // A device that left since the window opened cannot come back into use.
  const VideoSourceInfo* saved = sources_.Source(saved_source_index_);
  if (saved != nullptr && !saved->is_detached) {
    sources_.SetCurrentSourceIndex(saved_source_index_);
  } else {
    sources_.SelectCurrentSource();
  }
  station_.ShowVideoWindowsForDevice();
  station_.RefreshMainWindowLayout();
  if (Succeeded(station_.StopVideo()) && sources_.CurrentSource() != nullptr) {
    station_.StartVideo();
  }
  log_.ReportMessage(kDevicesRestoredText, true);
}

}  // namespace vesk
