#pragma once

// The camera format window (the device's name followed by " Properties"): the device's TV
// standard, frame-rate groups, frame sizes, media subtype and picture-control sliders, with
// their layout, which depends on the device. Every change acts on the live video at once;
// Cancel puts back everything the window found when it opened.

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/message_log.h"
#include "base/window_geometry.h"
#include "capture/device_window_station.h"
#include "capture/video_sources.h"

namespace vesk {

inline constexpr char kCameraFormatTitleSuffix[] = " Properties";
inline constexpr char kUnknownFormatText[] =
    "Device has an unknown format; properties cannot be set\r\n";
inline constexpr char kDevicePropertiesRestoredText[] =
    "Settings for all device properties are restored\r\n";
inline constexpr char kFormatRefusedText[] =
    "WARNING: the device refused the chosen format; the previous format is put back\r\n";
inline constexpr char kControlRejectedText[] =
    "WARNING: the device did not take the new value; the slider shows the device's value\r\n";
inline constexpr char kFormatKeptWhileRecordingText[] =
    "NOTE: the frame rate, frame size and TV standard stay as they are while a recording "
    "runs\r\n";
inline constexpr char kDeviceGoneText[] =
    "NOTE: the device is no longer attached; its settings cannot be put back\r\n";

inline constexpr std::array<const char*, kDevicePropertyCount> kPropertyLabels = {
    "Brightness", "Contrast", "Hue", "Saturation", "Sharpness", "Gain"};

// Where every control of the window goes; an empty entry is hidden.
struct CameraFormatLayout {
  std::array<std::optional<ScreenRect>, kDevicePropertyCount> property_labels;
  std::array<std::optional<ScreenRect>, kDevicePropertyCount> sliders;
  ScreenRect defaults_button;
  ScreenRect properties_box;
  std::optional<ScreenRect> digital_label;
  std::optional<ScreenRect> auto_detect;
  std::optional<ScreenRect> analog_box;
  std::optional<ScreenRect> ntsc;
  std::optional<ScreenRect> pal;
  ScreenRect rate_label;
  ScreenRect rate_list;
  ScreenRect size_label;
  ScreenRect size_list;
  ScreenRect media_box;
  ScreenRect subtype_label;
  ScreenRect subtype_field;
  ScreenRect save_box;
  ScreenRect ok;
  ScreenRect cancel;
  PixelSize window;
};

CameraFormatLayout LayoutCameraFormat(const VideoSourceInfo& info);

struct SliderState {
  std::int32_t minimum = 0;
  std::int32_t maximum = 0;
  std::int32_t tick_frequency = 1;
  std::int32_t position = 0;
};

// Everything the window shows.
struct CameraFormatPresentation {
  std::string title;
  CameraFormatLayout layout;
  bool auto_detect_checked = false;
  bool ntsc_checked = false;
  bool pal_checked = false;
  bool standard_buttons_enabled = true;
  std::vector<std::string> rates;
  int selected_rate = -1;
  std::vector<std::string> sizes;
  int selected_size = -1;
  std::string subtype;
  std::array<std::optional<SliderState>, kDevicePropertyCount> sliders;
};

// The frame-size list's rows for a frame-rate group: each format's size, and where the group
// offers that size more than once, what tells the rows apart: the subtype, then the exact
// frame rate ("640x480 MJPG", "640x480 YUY2 29.97 fps").
std::vector<std::string> FrameSizeRows(const VideoFormatsByFrameRate& group);

// The trackbar of one control: its range sent as 16 bits, ticks every tenth of it (at least
// 1), at the control's value.
SliderState SliderFor(const DeviceProperty& property);

class CameraFormatView {
 public:
  virtual ~CameraFormatView() = default;
  // Fills the window, shows it and brings it to the top.
  virtual void ShowCameraFormat(const CameraFormatPresentation& presentation) = 0;
  virtual void HideCameraFormat() = 0;
};

class CameraFormatModel {
 public:
  CameraFormatModel(VideoSources& sources, MessageLog& log, DeviceWindowStation& station)
      : sources_(sources), log_(log), station_(station) {}

  void set_view(CameraFormatView* view) { view_ = view; }

  // "Set Device Properties": takes what Cancel puts back and shows the device in use.
  void Open();
  // Shows the device in use again, keeping what Cancel puts back. A different device in use
  // opens afresh.
  void Refresh();
  bool IsOpen() const { return open_; }
  // The window as it stands now; empty without a device in use.
  std::optional<CameraFormatPresentation> Present() const;

  // The observer's actions; rate is the position among the listed (enabled) groups.
  void SelectRate(int listed_position);
  void SelectSize(int position);
  void SetAutoDetect(bool ticked);
  void ChooseStandard(AnalogFormat standard);
  // The value the slider should show afterwards (the device's).
  std::int32_t MoveSlider(std::size_t property, std::int32_t position);
  void SetDefaultValues();
  void Ok(bool save_configuration);
  void Cancel();
  // The device window's Ignore and Restore, and the hot-plug reconciliation.
  void CancelAndClose();

 private:
  struct Snapshot {
    std::uint32_t device_index = kNoCurrentSource;
    AnalogFormat analog_format = AnalogFormat::Unknown;
    bool auto_detect_format = false;
    std::vector<bool> enabled;
    std::vector<std::uint32_t> format_indexes;
  };
  VideoSourceInfo* Device();
  // Reports and refuses while a recording runs.
  bool RefuseWhileRecording();
  // Restarts; a start the device refuses puts back what put_back restores and starts again.
  void RestartOrPutBack(const std::function<void()>& put_back);
  HResult WriteStandard(AnalogFormat standard);
  void Show();

  VideoSources& sources_;
  MessageLog& log_;
  DeviceWindowStation& station_;
  CameraFormatView* view_ = nullptr;
  Snapshot snapshot_;
  bool open_ = false;
};

}  // namespace vesk
