#pragma once

// The "Video Input Device" window: the attached devices and the ignored ones, the default
// device, and the way to the camera format window. A change of device acts on the live video
// at once; OK keeps the default and ignored devices in the options file, Cancel puts back
// what the window found when it was opened from the menu.

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "base/message_log.h"
#include "base/window_geometry.h"
#include "capture/camera_format.h"
#include "capture/device_window_station.h"
#include "capture/video_sources.h"
#include "config/options.h"

namespace vesk {

inline constexpr char kDeviceWindowTitle[] = "Video Input Device";
inline constexpr char kAttachDetachFailureText[] =
    "Failure in USB attach / detach detection mechanism\r\n";
inline constexpr char kDevicesRestoredText[] = "Settings for all devices are restored\r\n";

// The window's controls, in the order they are made.
enum class DeviceWindowControl {
  Prompt,
  Devices,
  DefaultDevice,
  SetProperties,
  Ignore,
  IgnoredLabel,
  IgnoredDevices,
  Restore,
  Ok,
  Cancel,
};
struct DeviceWindowControlPlace {
  DeviceWindowControl control;
  const char* text;
  ScreenRect rect;
};
inline constexpr PixelSize kDeviceWindowSize{360, 520};
inline constexpr std::array<DeviceWindowControlPlace, 10> kDeviceWindowControls = {{
    {DeviceWindowControl::Prompt, "Select device for video input:", {40, 20, 200, 20}},
    {DeviceWindowControl::Devices, "", {40, 45, 250, 90}},
    {DeviceWindowControl::DefaultDevice, " Default device", {40, 135, 225, 25}},
    {DeviceWindowControl::SetProperties, "Set Device Properties", {90, 180, 155, 28}},
    {DeviceWindowControl::Ignore, "Ignore Device", {90, 220, 155, 28}},
    {DeviceWindowControl::IgnoredLabel, "Ignored devices:", {40, 270, 200, 20}},
    {DeviceWindowControl::IgnoredDevices, "", {40, 295, 250, 90}},
    {DeviceWindowControl::Restore, " Restore device", {90, 385, 155, 28}},
    {DeviceWindowControl::Ok, "OK", {40, 435, 70, 28}},
    {DeviceWindowControl::Cancel, "Cancel", {220, 435, 70, 28}},
}};

struct DeviceSelectionPresentation {
  std::vector<std::string> devices;
  std::vector<std::string> ignored;
  int selected_device = -1;  // none
  bool default_checked = false;
};

class DeviceSelectionView {
 public:
  virtual ~DeviceSelectionView() = default;
  // Fills the window, shows it and brings it to the top.
  virtual void ShowDeviceWindow(const DeviceSelectionPresentation& presentation) = 0;
  virtual void HideDeviceWindow() = 0;
};

class DeviceSelectionModel {
 public:
  DeviceSelectionModel(VideoSources& sources, Options& options, MessageLog& log,
                       CameraFormatModel& camera_format, DeviceWindowStation& station)
      : sources_(sources),
        options_(options),
        log_(log),
        camera_format_(camera_format),
        station_(station) {}

  void set_view(DeviceSelectionView* view) { view_ = view; }

  // "Select Video Input Device...": takes what Cancel puts back, then shows the window.
  void OpenFromMenu();
  // Lists the devices again and shows the open window (without a device in use only while
  // there are ignored devices to restore); a closed window stays closed.
  void Refresh();
  bool IsOpen() const { return open_; }
  const DeviceSelectionPresentation& presentation() const { return shown_; }

  // Positions are those of the two lists as last shown.
  void SelectDevice(int position);
  void SetDefault(int position, bool ticked);
  void OpenProperties();
  void Ignore(int position);
  void RestoreDevice(int ignored_position);
  void Ok();
  void Cancel();

 private:
  // The device index of a list position, or kNoCurrentSource.
  static std::uint32_t DeviceAt(const std::vector<std::pair<int, std::uint32_t>>& pairs,
                                int position);
  // Stop, the video windows as the device in use asks, start when there is one.
  void SwitchDevice();
  // Ignores or restores a listed device (kNoCurrentSource: none selected), then switches.
  void SetIgnored(std::uint32_t index, bool ignored);

  VideoSources& sources_;
  Options& options_;
  MessageLog& log_;
  CameraFormatModel& camera_format_;
  DeviceWindowStation& station_;
  DeviceSelectionView* view_ = nullptr;
  // (list position, device index) of the two lists.
  std::vector<std::pair<int, std::uint32_t>> listed_devices_;
  std::vector<std::pair<int, std::uint32_t>> listed_ignored_devices_;
  std::uint32_t saved_source_index_ = kNoCurrentSource;
  DeviceSelectionPresentation shown_;
  bool open_ = false;
};

}  // namespace vesk
