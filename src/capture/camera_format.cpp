#include "capture/camera_format.h"

#include <algorithm>
#include <cstdio>

#include "capture/device_properties.h"

namespace vesk {
namespace {

constexpr std::int32_t kRowTop = 45;
constexpr std::int32_t kRowStep = 50;

// The analog area's rows; returns the y where the "Video Media" lists start.
std::int32_t LayoutAnalogArea(const VideoSourceInfo& info, CameraFormatLayout* layout) {
  if (info.analog_format == AnalogFormat::Digital) {
    layout->digital_label = ScreenRect{80, 45, 80, 20};
    return 75;
  }
  std::int32_t y0 = 40;
  if (info.auto_detect_format || info.supports_auto_detect) {
    layout->auto_detect = ScreenRect{50, 40, 120, 20};
    y0 = 60;
  }
  layout->analog_box = ScreenRect{50, y0, 110, 75};
  layout->ntsc = ScreenRect{65, y0 + 15, 80, 25};
  layout->pal = ScreenRect{65, y0 + 40, 80, 25};
  return y0 + 85;
}

// The position of the n-th enabled group, or frame_rates.size().
std::size_t ListedGroup(const VideoSourceInfo& info, int listed_position) {
  int listed = 0;
  for (std::size_t i = 0; i < info.frame_rates.size(); ++i) {
    if (!info.frame_rates[i].enabled) continue;
    if (listed++ == listed_position) return i;
  }
  return info.frame_rates.size();
}

// A device's choice of standard, frame-rate group and formats, to put back.
struct FormatChoice {
  AnalogFormat analog_format = AnalogFormat::Unknown;
  bool auto_detect_format = false;
  std::uint32_t rate_index = 0;
  std::vector<bool> enabled;
  std::vector<std::uint32_t> format_indexes;
};

FormatChoice ChoiceOf(const VideoSourceInfo& info) {
  FormatChoice choice{info.analog_format, info.auto_detect_format, info.current_rate_index, {}, {}};
  for (const VideoFormatsByFrameRate& group : info.frame_rates) {
    choice.enabled.push_back(group.enabled);
    choice.format_indexes.push_back(group.current_format_index);
  }
  return choice;
}

bool SameChoice(const FormatChoice& a, const FormatChoice& b) {
  return a.analog_format == b.analog_format && a.rate_index == b.rate_index &&
         a.enabled == b.enabled && a.format_indexes == b.format_indexes;
}

void PutChoiceBack(const FormatChoice& choice, VideoSourceInfo* info) {
  info->analog_format = choice.analog_format;
  info->auto_detect_format = choice.auto_detect_format;
  info->current_rate_index = choice.rate_index;
  for (std::size_t i = 0; i < info->frame_rates.size() && i < choice.enabled.size(); ++i) {
    info->frame_rates[i].enabled = choice.enabled[i];
    info->frame_rates[i].current_format_index = choice.format_indexes[i];
  }
}

// A current group that is not offered gives way to the first that is.
void TakeOfferedGroup(VideoSourceInfo* info) {
  const bool current_enabled = info->current_rate_index < info->frame_rates.size() &&
                               info->frame_rates[info->current_rate_index].enabled;
  if (current_enabled) return;
  const std::size_t first = ListedGroup(*info, 0);
  info->current_rate_index =
      first < info->frame_rates.size() ? static_cast<std::uint32_t>(first) : 0;
}

}  // namespace

CameraFormatLayout LayoutCameraFormat(const VideoSourceInfo& info) {
  CameraFormatLayout layout;
  std::int32_t end = kRowTop;
  for (std::size_t i = 0; i < kDevicePropertyCount; ++i) {
    if (info.Property(i).supported == 0) continue;
    layout.property_labels[i] = ScreenRect{227, end + 13, 60, 25};
    layout.sliders[i] = ScreenRect{295, end, 200, 40};
    end += kRowStep;
  }
  layout.defaults_button = ScreenRect{275, end + 10, 190, 28};
  layout.properties_box = ScreenRect{220, 5, 285, end + 40};

  const std::int32_t y = LayoutAnalogArea(info, &layout);
  layout.rate_label = ScreenRect{30, y, 100, 20};
  layout.rate_list = ScreenRect{30, y + 22, 145, 100};
  layout.size_label = ScreenRect{30, y + 135, 100, 20};
  layout.size_list = ScreenRect{30, y + 157, 145, 100};
  layout.media_box = ScreenRect{15, 5, 175, y + 257};
  // The box's height leaves no room below the size list: the subtype goes under the box.
  layout.subtype_label = ScreenRect{30, y + 266, 95, 22};
  layout.subtype_field = ScreenRect{125, y + 266, 60, 22};

  const std::int32_t b = std::max(layout.properties_box.height, layout.media_box.height) + 35;
  layout.save_box = ScreenRect{160, b, 200, 25};
  layout.ok = ScreenRect{100, b + 50, 70, 28};
  layout.cancel = ScreenRect{360, b + 50, 70, 28};
  layout.window = PixelSize{550, b + 130};
  return layout;
}

std::vector<std::string> FrameSizeRows(const VideoFormatsByFrameRate& group) {
  const auto subtype_of = [](const VideoFormat& format) {
    return format.media_type.subtype_name.empty() ? std::string(SubtypeNameOf(format.subtype))
                                                  : format.media_type.subtype_name;
  };
  std::vector<std::string> rows;
  for (const VideoFormat& format : group.formats) {
    bool same_size = false;
    bool same_subtype = false;
    for (const VideoFormat& other : group.formats) {
      if (&other == &format || other.size_text != format.size_text) continue;
      same_size = true;
      same_subtype = same_subtype || subtype_of(other) == subtype_of(format);
    }
    std::string row = format.size_text;
    if (same_size) row.append(" ").append(subtype_of(format));
    const MediaType& type = format.media_type;
    if (same_subtype && type.rate_numerator > 0 && type.rate_denominator > 0) {
      char rate[32];
      std::snprintf(rate, sizeof rate, " %.4g fps",
                    static_cast<double>(type.rate_numerator) / type.rate_denominator);
      row += rate;
    }
    rows.push_back(std::move(row));
  }
  return rows;
}

SliderState SliderFor(const DeviceProperty& property) {
  SliderState slider;
  slider.minimum = std::min(property.minimum, property.maximum);
  slider.maximum = property.maximum;
  const std::int64_t span = static_cast<std::int64_t>(slider.maximum) - slider.minimum;
  slider.tick_frequency = static_cast<std::int32_t>(std::max<std::int64_t>(span / 10, 1));
  slider.position = std::clamp(property.value, slider.minimum, slider.maximum);
  return slider;
}

VideoSourceInfo* CameraFormatModel::Device() { return sources_.CurrentSource(); }

std::optional<CameraFormatPresentation> CameraFormatModel::Present() const {
  const VideoSourceInfo* info = sources_.CurrentSource();
  if (info == nullptr) return std::nullopt;
  CameraFormatPresentation shown;
  shown.title = info->name + kCameraFormatTitleSuffix;
  shown.layout = LayoutCameraFormat(*info);
  shown.auto_detect_checked = info->auto_detect_format;
  shown.ntsc_checked = info->analog_format == AnalogFormat::NTSC;
  shown.pal_checked = info->analog_format == AnalogFormat::PAL;
  shown.standard_buttons_enabled = !info->auto_detect_format;
  for (std::size_t i = 0; i < info->frame_rates.size(); ++i) {
    if (!info->frame_rates[i].enabled) continue;
    if (i == info->current_rate_index) shown.selected_rate = static_cast<int>(shown.rates.size());
    shown.rates.push_back(info->frame_rates[i].rate_text);
  }
  if (info->current_rate_index < info->frame_rates.size()) {
    const VideoFormatsByFrameRate& group = info->frame_rates[info->current_rate_index];
    shown.sizes = FrameSizeRows(group);
    if (group.current_format_index < group.formats.size()) {
      shown.selected_size = static_cast<int>(group.current_format_index);
      // The format in use, which need not share the subtype of the group's first format.
      shown.subtype = std::string(SubtypeNameOf(group.formats[group.current_format_index].subtype));
    }
  }
  for (std::size_t i = 0; i < kDevicePropertyCount; ++i) {
    if (info->Property(i).supported != 0) shown.sliders[i] = SliderFor(info->Property(i));
  }
  return shown;
}

void CameraFormatModel::Show() {
  VideoSourceInfo* info = Device();
  if (info == nullptr) return;
  TakeOfferedGroup(info);
  open_ = true;
  if (view_ != nullptr) view_->ShowCameraFormat(*Present());
}

void CameraFormatModel::Open() {
  VideoSourceInfo* info = Device();
  if (info == nullptr) return;
  if (info->analog_format == AnalogFormat::Unknown) {
    log_.ReportMessage(kUnknownFormatText, true);
    return;
  }
  TakeOfferedGroup(info);
  snapshot_ = Snapshot{
      sources_.CurrentSourceIndex(), info->analog_format, info->auto_detect_format, {}, {}};
  for (std::size_t i = 0; i < kDevicePropertyCount; ++i) {
    DeviceProperty& property = info->Property(i);
    if (property.supported != 0) property.saved_value = property.value;
  }
  info->saved_rate_index = info->current_rate_index;
  for (VideoFormatsByFrameRate& group : info->frame_rates) {
    group.saved_format_index = group.current_format_index;
    snapshot_.enabled.push_back(group.enabled);
    snapshot_.format_indexes.push_back(group.current_format_index);
  }
  Show();
}

void CameraFormatModel::Refresh() {
  if (!open_) return;
  if (Device() == nullptr) {
    open_ = false;
    if (view_ != nullptr) view_->HideCameraFormat();
    return;
  }
  if (sources_.CurrentSourceIndex() != snapshot_.device_index) {
    Open();
    return;
  }
  Show();
}

bool CameraFormatModel::RefuseWhileRecording() {
  if (!station_.RecordingInProgress()) return false;
  log_.ReportMessage(kRestartRefusedWhileRecording, true);
  Show();
  return true;
}

void CameraFormatModel::RestartOrPutBack(const std::function<void()>& put_back) {
  if (Failed(station_.StopVideo())) {
    Show();
    return;
  }
  if (Succeeded(station_.StartVideo())) {
    Show();
    return;
  }
  // The device listed the format but would not run it: the one that ran comes back.
  log_.ReportMessage(kFormatRefusedText, true);
  put_back();
  station_.RefreshMainWindowLayout();
  RestartCamera(station_);
  Show();
}

void CameraFormatModel::SelectRate(int listed_position) {
  VideoSourceInfo* info = Device();
  if (info == nullptr) return;
  const std::size_t group = ListedGroup(*info, listed_position);
  if (group >= info->frame_rates.size() || group == info->current_rate_index) return;
  if (RefuseWhileRecording()) return;
  const std::uint32_t previous = info->current_rate_index;
  info->current_rate_index = static_cast<std::uint32_t>(group);
  station_.RefreshMainWindowLayout();
  RestartOrPutBack([info, previous] { info->current_rate_index = previous; });
}

void CameraFormatModel::SelectSize(int position) {
  VideoSourceInfo* info = Device();
  if (info == nullptr || info->current_rate_index >= info->frame_rates.size() || position < 0) {
    return;
  }
  VideoFormatsByFrameRate& group = info->frame_rates[info->current_rate_index];
  const auto index = static_cast<std::uint32_t>(position);
  if (index >= group.formats.size() || index == group.current_format_index) return;
  if (RefuseWhileRecording()) return;
  const std::uint32_t previous = group.current_format_index;
  group.current_format_index = index;
  station_.RefreshMainWindowLayout();
  RestartOrPutBack([&group, previous] { group.current_format_index = previous; });
}

HResult CameraFormatModel::WriteStandard(AnalogFormat standard) {
  if (standard != AnalogFormat::NTSC && standard != AnalogFormat::PAL) {
    log_.ReportMessage(
        "Logic error: input device format is not analog in call to SetAnalogDeviceFormat\r\n",
        true);
    return E_FAIL;
  }
  VideoSourceInfo* info = Device();
  if (info == nullptr) {
    log_.ReportMessage(
        "Logic error: current source index is out-of-range in call to SetAnalogDeviceFormat\r\n",
        true);
    return E_FAIL;
  }
  AnalogVideoDecoder* decoder = nullptr;
  const DeviceValidationHooks graph =
      station_.GraphValidationHooks();
  if (!graph.find_analog_video_decoder || !info->base_filter ||
      Failed(graph.find_analog_video_decoder(info->base_filter, &decoder)) || decoder == nullptr) {
    log_.ReportMessage(
        "WARNING: analog video decoder interface is NULL in SetAnalogDeviceFormat\r\n", true);
    return E_FAIL;
  }
  if (Failed(decoder->PutTvFormat(standard == AnalogFormat::NTSC ? kAnalogVideoNtscM
                                                                 : kAnalogVideoPalB))) {
    log_.ReportMessage("WARNING: cannot set analog format in SetAnalogDeviceFormat\r\n", true);
    return E_FAIL;
  }
  return S_OK;
}

void CameraFormatModel::SetAutoDetect(bool ticked) {
  VideoSourceInfo* info = Device();
  if (info == nullptr) return;
  // The box shows the device's state again, whatever the click did to it.
  if (ticked == info->auto_detect_format) {
    if (open_) Show();
    return;
  }
  if (!ticked) {
    // The manual choice comes back; nothing to restart.
    info->auto_detect_format = false;
    Show();
    return;
  }
  if (RefuseWhileRecording()) return;
  const FormatChoice before = ChoiceOf(*info);
  info->auto_detect_format = true;
  const DeviceValidationHooks graph =
      station_.GraphValidationHooks();
  if (graph.auto_set_analog_device_format) graph.auto_set_analog_device_format(info);
  Show();
  station_.RefreshMainWindowLayout();
  RestartOrPutBack([this, info, before] {
    if (before.analog_format != info->analog_format) WriteStandard(before.analog_format);
    PutChoiceBack(before, info);
  });
}

void CameraFormatModel::ChooseStandard(AnalogFormat standard) {
  VideoSourceInfo* info = Device();
  if (info == nullptr) return;
  // A click on the checked button must not leave it unchecked.
  if (standard == info->analog_format) {
    if (open_) Show();
    return;
  }
  if (RefuseWhileRecording()) return;
  const FormatChoice before = ChoiceOf(*info);
  info->auto_detect_format = false;
  // A decoder that did not take the standard keeps the one it has, and so does the record.
  if (Failed(WriteStandard(standard))) {
    Show();
    return;
  }
  info->analog_format = standard;
  SetAnalogDeviceFrameRate(log_, info);
  Show();
  station_.RefreshMainWindowLayout();
  RestartOrPutBack([this, info, before] {
    WriteStandard(before.analog_format);
    PutChoiceBack(before, info);
  });
}

std::int32_t CameraFormatModel::MoveSlider(std::size_t property, std::int32_t position) {
  VideoSourceInfo* info = Device();
  if (info == nullptr || property >= kDevicePropertyCount) return position;
  if (Failed(SetPropertyFromSlider(sources_, log_, property, position))) {
    // The range may have changed with it: the whole window shows the device as it is.
    Show();
  }
  return info->Property(property).value;
}

void CameraFormatModel::SetDefaultValues() {
  SetPropertiesToDefaults(sources_, log_);
  Show();
}

void CameraFormatModel::Ok(bool save_configuration) {
  if (VideoSourceInfo* info = Device(); info != nullptr && save_configuration) {
    info->has_configuration = true;
    station_.SaveOptions();
  }
  open_ = false;
  if (view_ != nullptr) view_->HideCameraFormat();
}

void CameraFormatModel::Cancel() {
  if (!open_) {
    if (view_ != nullptr) view_->HideCameraFormat();
    return;
  }
  open_ = false;
  if (view_ != nullptr) view_->HideCameraFormat();
  VideoSourceInfo* info = sources_.Source(snapshot_.device_index);
  if (info == nullptr || info->is_detached ||
      sources_.CurrentSourceIndex() != snapshot_.device_index) {
    log_.ReportMessage(kDeviceGoneText, true);
    return;
  }
  FormatChoice saved{snapshot_.analog_format, snapshot_.auto_detect_format, info->saved_rate_index,
                     snapshot_.enabled, snapshot_.format_indexes};
  if (station_.RecordingInProgress()) {
    // The picture controls go back at once; the format waits for the recording to end.
    for (std::size_t i = 0; i < kDevicePropertyCount; ++i) {
      if (info->Property(i).supported != 0) {
        SetPropertyFromSlider(sources_, log_, i, info->Property(i).saved_value);
      }
    }
    if (!SameChoice(ChoiceOf(*info), saved))
      log_.ReportMessage(kFormatKeptWhileRecordingText, true);
    log_.ReportMessage(kDevicePropertiesRestoredText, true);
    return;
  }
  if (info->analog_format != saved.analog_format) WriteStandard(saved.analog_format);
  PutChoiceBack(saved, info);
  RestoreDeviceSettings(sources_, log_);
  station_.RefreshMainWindowLayout();
  RestartCamera(station_);
  log_.ReportMessage(kDevicePropertiesRestoredText, true);
}

void CameraFormatModel::CancelAndClose() {
  if (!open_) return;
  open_ = false;
  if (view_ != nullptr) view_->HideCameraFormat();
  VideoSourceInfo* info = sources_.Source(snapshot_.device_index);
  // A device that left keeps its record as it was; there is nothing to write to.
  if (info == nullptr || info->is_detached ||
      sources_.CurrentSourceIndex() != snapshot_.device_index) {
    return;
  }
  if (info->analog_format != snapshot_.analog_format) WriteStandard(snapshot_.analog_format);
  PutChoiceBack(FormatChoice{snapshot_.analog_format, snapshot_.auto_detect_format,
                             info->saved_rate_index, snapshot_.enabled, snapshot_.format_indexes},
                info);
  RestoreDeviceSettings(sources_, log_);
}

}  // namespace vesk
