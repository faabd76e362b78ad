#include "station/device_change_reaction.h"

namespace vesk {
namespace {

bool IsRecording(const VideoSourceInfo& info) {
  return info.is_active_manual_recording || info.is_active_event_recording;
}

}  // namespace

void DeviceChangeReaction::Report(const char* lead, const std::string& name,
                                  std::string_view tail) {
  context_.log.ReportMessage(std::string(lead) + "\"" + name + "\"" + std::string(tail), true);
}

bool DeviceChangeReaction::RecordingInProgress() {
  const VideoSourceInfo* info = context_.sources.CurrentSource();
  return info != nullptr && IsRecording(*info);
}

DeviceChangeResult DeviceChangeReaction::HandleDeviceChange() {
  std::uint32_t index = kNoDeviceIndex;
  const DeviceChangeInputs inputs{context_.media,           context_.log,
                                  port_->ValidationHooks(), context_.configurations,
                                  context_.ignored_names,   context_.default_name};
  const DeviceChangeResult result = UpdateSourceVideoInfoList(context_.sources, inputs, &index);
  React(result, index);
  return result;
}

int DeviceChangeReaction::HandleAllDeviceChanges() {
  // Each call settles one device; a bound keeps a flapping device from holding the loop.
  const std::size_t bound = context_.sources.Count() + 16;
  int handled = 0;
  while (static_cast<std::size_t>(handled) < bound &&
         HandleDeviceChange() != DeviceChangeResult::Nothing) {
    ++handled;
  }
  return handled;
}

void DeviceChangeReaction::React(DeviceChangeResult result, std::uint32_t index) {
  namespace t = hotplug_texts;
  if (result == DeviceChangeResult::Nothing) return;
  DeviceChangePort& port = *port_;
  VideoSourceInfo* info = context_.sources.Source(index);
  if (info == nullptr) {
    context_.log.ReportMessage(IsDeparture(result) ? t::kDisconnectIndex : t::kConnectIndex, true);
    return;
  }
  switch (result) {
    case DeviceChangeResult::RecordingDetached:
      // The recording ends here with its file finished and its log written; the record keeps
      // its recording flag, file name and count, and stays in use, to resume on its return.
      port.StopVideo();
      Report("Active video capture device ", info->name, " disconnected while recording\r\n");
      port.RecordingInterrupted();
      return;
    case DeviceChangeResult::PreviewDetached:
      info->is_active_preview = false;
      Report("Active video capture device ", info->name, " disconnected\r\n");
      // The camera format window edits the device that left: its changes are undone.
      port.CloseCameraFormatWindow();
      context_.sources.SelectCurrentSource();
      port.StopVideo();
      port.ShowVideoWindows();
      if (context_.sources.CurrentSource() != nullptr) port.StartVideo();
      // A window showing the devices must not offer the one that left.
      port.RefreshDeviceSelectionWindow();
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
      ReactToArrival(*info, index);
      return;
    case DeviceChangeResult::IgnoredReattached:
      Report("Ignored video capture device ", info->name, " connected\r\n");
      return;
    case DeviceChangeResult::Nothing:
      return;
  }
  context_.log.ReportMessage("Logic error: default reached for connect / disconnect\r\n", false);
}

void DeviceChangeReaction::ResumeRecording(VideoSourceInfo& info) {
  // The continuation is named after the file the recording started with.
  // A name an earlier run left behind is passed over, never written into.
  std::uint32_t count = info.reconnect_count + 1;
  const std::string path = FreeContinuationFileName(info.recording_path, &count);
  if (path.empty()) {
    context_.log.ReportMessage(
        ContinuationFileName(info.recording_path, 1).empty()
            ? std::string(hotplug_texts::kNotAvi)
            : "ERROR: the recording cannot go on: every continuation name of " +
                  info.recording_path + " is taken\r\n",
        true);
    return;
  }
  info.reconnect_count = count;
  Report("Active video capture device ", info.name, " reconnected for recording\r\n");
  port_->ResumeRecording(path);
}

void DeviceChangeReaction::ReactToArrival(VideoSourceInfo& info, std::uint32_t index) {
  DeviceChangePort& port = *port_;
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
    port.RefreshLayout();
  } else if (info.name == context_.default_name && sources.CurrentSourceIndex() != index) {
    port.CloseCameraFormatWindow();
    sources.CurrentSource()->is_active_preview = false;
    info.is_active_preview = true;
    sources.SetCurrentSourceIndex(index);
    port.RefreshLayout();
    port.RefreshDeviceSelectionWindow();
    tail = " as the default\r\n";
  }
  Report("Video capture device ", info.name, " connected" + tail);
  port.StopVideo();
  port.ShowVideoWindows();
  port.StartVideo();
}

}  // namespace vesk
