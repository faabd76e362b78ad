#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "base/error_table.h"
#include "base/message_log.h"
#include "base/window_geometry.h"
#include "config/options.h"
#include "config/video_configuration.h"

namespace vesk {

// The station's top-level windows. All but the stand-by window keep a saved position in the
// options.
enum class WindowId : int {
  Main,
  UserMessages,
  Playback,
  RecordControls,
  PlaybackControls,
  Devices,
  CameraFormat,
  MiscellaneousOptions,
  Gps,
  PixelSaturation,
  FrameIntegration,
  Countdown,
  ScheduleEvent,
  ViewEvents,
  BrightnessContrast,
  StandBy,
};

constexpr const char* kWindowPositioningProblem =
    "Houston, we have a problem with window positioning\r\n";
constexpr const char* kDefaultWindowPositionsSet = "Default window positions are set\r\n";

// A minimised window reports this left and top; it is never moved nor stored.
constexpr std::int32_t kMinimisedCoordinate = -32000;
inline ScreenRect MinimisedRect() { return {kMinimisedCoordinate, kMinimisedCoordinate, 0, 0}; }

// The main window's client area never shrinks below this when the user resizes it.
constexpr PixelSize kMinimumVideoClient{640, 480};
// Room for the scroll bar added when the video overflows the work area in one direction.
constexpr std::int32_t kScrollBarAllowance = 24;
// The playback window's margin around its video, beyond the frame.
constexpr std::int32_t kPlaybackVideoMargin = 5;

// The windows in the order "Set Window Positions" stores them.
constexpr std::array<WindowId, 15> kStoreAllOrder = {
    WindowId::Main,          WindowId::Playback,        WindowId::PlaybackControls,
    WindowId::UserMessages,  WindowId::RecordControls,  WindowId::Countdown,
    WindowId::ScheduleEvent, WindowId::ViewEvents,      WindowId::BrightnessContrast,
    WindowId::Devices,       WindowId::CameraFormat,    WindowId::MiscellaneousOptions,
    WindowId::Gps,           WindowId::PixelSaturation, WindowId::FrameIntegration,
};

// The windows start-up places once a device is chosen, in order (the User Messages window is
// placed earlier, as soon as it exists). The camera format, miscellaneous options and GPS
// windows are hidden again afterwards.
constexpr std::array<WindowId, 13> kStartUpPlacementOrder = {
    WindowId::Main,
    WindowId::RecordControls,
    WindowId::Countdown,
    WindowId::BrightnessContrast,
    WindowId::PixelSaturation,
    WindowId::FrameIntegration,
    WindowId::Gps,
    WindowId::MiscellaneousOptions,
    WindowId::CameraFormat,
    WindowId::ScheduleEvent,
    WindowId::ViewEvents,
    WindowId::Playback,
    WindowId::PlaybackControls,
};

// Whether the window keeps a saved position in the options.
bool HasSavedPosition(WindowId window);

// The saved top-left corner of the window; empty for a window without a saved position.
std::optional<PixelPoint> SavedWindowPosition(const Options& options, WindowId window);

// The hidden tool windows created after the countdown window, in creation order. Each is
// created at its saved position (ToolWindowCreationRect) with the size given.
struct ToolWindowSpec {
  WindowId window;
  const char* class_name;  // the widget's object name
  const char* title;
  PixelSize size;
};
constexpr std::array<ToolWindowSpec, 9> kToolWindows = {{
    {WindowId::BrightnessContrast, "BrightnessContrast", "Brightness and Contrast", {310, 270}},
    {WindowId::Devices, "SelectVideoDeviceClassName", "Video Input Device", {360, 520}},
    {WindowId::CameraFormat, "DeviceFormat", " Properties", {550, 640}},
    {WindowId::MiscellaneousOptions, "MiscellaneousOptions", "Miscellaneous Options", {380, 200}},
    {WindowId::Gps, "GPSDevice", "USB GPS Receiver", {290, 355}},
    {WindowId::PixelSaturation, "PixelSaturation", "Pixel Saturation", {650, 370}},
    {WindowId::FrameIntegration, "FrameIntegration", "Frame Integration", {500, 300}},
    {WindowId::ScheduleEvent, "ScheduleEvents", "Schedule Event", {400, 560}},
    {WindowId::ViewEvents, "ViewEvents", "View, Edit, Delete Events", {940, 470}},
}};

// Where a tool window is created: its saved position, except the brightness and contrast
// window, which starts at 100, 700 and is placed with the others afterwards.
ScreenRect ToolWindowCreationRect(const Options& options, const ToolWindowSpec& tool);

// The main window's frame, measured once at start-up from its outer and client sizes: the
// extra width is twice the side border, the extra height the caption and menu bar plus the
// bottom border.
PixelSize MeasureFrameExtra(PixelSize window, PixelSize client);

// The live video display size: the format's size, doubled while x2 magnification is on.
PixelSize LiveDisplaySize(PixelSize format_size, bool x2_magnification);

// Everything the layout reads besides the window itself. Kept beside the application state.
struct LayoutInputs {
  bool initialising = false;
  WorkArea work_area;
  // The main window's frame (MeasureFrameExtra); also used for the playback window.
  PixelSize frame_extra;
  // The live video display size as last refreshed. Placing the main window without fit
  // refreshes it from current_format_size.
  PixelSize display_size;
  // The chosen format of the current device; empty without a device.
  std::optional<PixelSize> current_format_size;
  bool x2_magnification = false;
  // The loaded playback video's size; empty when no playback video is loaded.
  std::optional<PixelSize> playback_video_size;
};

enum class VideoDisplayParent { MainWindow, ScrollContainer };

// Where the main window shows the video display: straight in its client area, or inside the
// scrolling container placed at the client's top-left corner.
struct MainWindowContent {
  VideoDisplayParent parent = VideoDisplayParent::MainWindow;
  // In main-window client coordinates; the container is shown exactly when the video is in it.
  ScreenRect container;
  bool container_visible = false;
  friend bool operator==(const MainWindowContent&, const MainWindowContent&) = default;
};

enum class PositionOutcome {
  Placed,         // move and size the window to `window` without changing its z-order
  LeftMinimised,  // nothing changes
  UnknownWindow,  // reported; the window stays where it is
  NotCreated,     // PlaceWindow only: the window does not exist
};

struct PositionResult {
  PositionOutcome outcome = PositionOutcome::LeftMinimised;
  ScreenRect window;
  // Only for the main window.
  std::optional<MainWindowContent> content;
};

// Places one window. current is its outer rectangle (MinimisedRect() when minimised). With
// store, the result is written into the window's option. fit is for the main window only,
// when the user has resized it. inputs.display_size is refreshed for the main window without
// fit.
PositionResult PositionWindow(WindowId window, const ScreenRect& current, bool store, bool fit,
                              LayoutInputs& inputs, Options& options, MessageLog& log);

// What the layout needs of the windows: implemented by the window layer.
class WindowPlacementTarget {
 public:
  virtual ~WindowPlacementTarget() = default;
  // The outer rectangle, MinimisedRect() for a minimised window, empty when the window has
  // not been created.
  virtual std::optional<ScreenRect> CurrentWindowRect(WindowId window) = 0;
  // Called for Placed results only.
  virtual void ApplyWindowPosition(WindowId window, const PositionResult& result) = 0;
};

// PositionWindow over an existing window, applying the result. A window that does not exist
// is left alone.
PositionResult PlaceWindow(WindowId window, bool store, bool fit, LayoutInputs& inputs,
                           Options& options, MessageLog& log, WindowPlacementTarget& target);

// Places every window in kStoreAllOrder with store: the current layout becomes the saved one.
void StoreAllWindowPositions(LayoutInputs& inputs, Options& options, MessageLog& log,
                             WindowPlacementTarget& target);

// The "Set Window Positions" command: store all, save the options file (a failure is
// warned about) and report kDefaultWindowPositionsSet. Returns whether the save worked.
bool SetWindowPositions(LayoutInputs& inputs, Options& options,
                        const std::vector<VideoConfiguration>& device_configurations,
                        MessageLog& log, ErrorReporter& errors, WindowPlacementTarget& target);

}  // namespace vesk
