#include "station/window_layout.h"

#include <algorithm>
#include <limits>

namespace vesk {
namespace {

// The WindowPosition option of a window; null for the User Messages window (it keeps a
// WindowPlacement) and for windows without a saved position.
template <typename OptionsT>
auto PositionOption(OptionsT& options, WindowId window) -> decltype(&options.main_window_position) {
  switch (window) {
    case WindowId::Main:
      return &options.main_window_position;
    case WindowId::Playback:
      return &options.playback_window_position;
    case WindowId::RecordControls:
      return &options.record_controls_window_position;
    case WindowId::PlaybackControls:
      return &options.playback_controls_window_position;
    case WindowId::Devices:
      return &options.devices_window_position;
    case WindowId::CameraFormat:
      return &options.camera_format_window_position;
    case WindowId::MiscellaneousOptions:
      return &options.miscellaneous_options_window_position;
    case WindowId::Gps:
      return &options.gps_window_position;
    case WindowId::PixelSaturation:
      return &options.pixel_saturation_window_position;
    case WindowId::FrameIntegration:
      return &options.frame_integration_window_position;
    case WindowId::Countdown:
      return &options.countdown_window_position;
    case WindowId::ScheduleEvent:
      return &options.schedule_event_window_position;
    case WindowId::ViewEvents:
      return &options.view_events_window_position;
    case WindowId::BrightnessContrast:
      return &options.brightness_contrast_window_position;
    case WindowId::UserMessages:  // has its own placement record
    case WindowId::StandBy:
      break;
  }
  return nullptr;
}

// Option values come from a file the user may edit, so the arithmetic runs wide and the
// results are brought back into range.
std::int32_t ToInt32(std::int64_t value) {
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(
      value, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

struct Placement {
  std::int64_t x;
  std::int64_t y;
  std::int64_t width;
  std::int64_t height;
};

MainWindowContent LayOutMainWindow(bool fit, const LayoutInputs& inputs, Placement& p) {
  const std::int64_t display_width = inputs.display_size.width;
  const std::int64_t display_height = inputs.display_size.height;
  const std::int64_t extra_width = inputs.frame_extra.width;
  const std::int64_t extra_height = inputs.frame_extra.height;
  bool horizontal_overflow = false;
  bool vertical_overflow = false;

  if (!fit) {
    p.width = display_width + extra_width;
    p.height = display_height + extra_height;
    if (p.width > inputs.work_area.Width()) {
      p.x = inputs.work_area.left;
      p.width = inputs.work_area.Width();
      horizontal_overflow = true;
    }
    if (p.height > inputs.work_area.Height()) {
      p.y = inputs.work_area.top;
      p.height = inputs.work_area.Height();
      vertical_overflow = true;
    }
  } else {
    p.width = std::max(p.width, extra_width + kMinimumVideoClient.width);
    p.height = std::max(p.height, extra_height + kMinimumVideoClient.height);
    horizontal_overflow = p.width < display_width + extra_width;
    vertical_overflow = p.height < display_height + extra_height;
  }

  if (!horizontal_overflow && !vertical_overflow) return MainWindowContent{};

  std::int64_t container_width = display_width;
  std::int64_t container_height = display_height;
  if (fit) {
    container_width += std::min<std::int64_t>(0, p.width - display_width - extra_width);
    container_height += std::min<std::int64_t>(0, p.height - display_height - extra_height);
  } else {
    // The direction that does not overflow gets room for the other direction's scroll bar.
    if (horizontal_overflow) {
      container_height += kScrollBarAllowance;
      container_width = p.width - extra_width;
      p.height += kScrollBarAllowance;
    }
    if (vertical_overflow) {
      container_width += kScrollBarAllowance;
      container_height = p.height - extra_height;
      p.width += kScrollBarAllowance;
    }
    // The allowance must not push the window past the work area, where its lower edge (and
    // the time stamp in the video) could not be reached: the window stops at the work area
    // and the container scrolls in that direction too.
    if (p.width > inputs.work_area.Width()) {
      p.x = inputs.work_area.left;
      p.width = inputs.work_area.Width();
    }
    if (p.height > inputs.work_area.Height()) {
      p.y = inputs.work_area.top;
      p.height = inputs.work_area.Height();
    }
    container_width = std::min(container_width, p.width - extra_width);
    container_height = std::min(container_height, p.height - extra_height);
  }
  MainWindowContent content;
  content.parent = VideoDisplayParent::ScrollContainer;
  content.container = {0, 0, ToInt32(container_width), ToInt32(container_height)};
  content.container_visible = true;
  return content;
}

}  // namespace

bool HasSavedPosition(WindowId window) {
  static const Options kDefaults;
  return window == WindowId::UserMessages || PositionOption(kDefaults, window) != nullptr;
}

std::optional<PixelPoint> SavedWindowPosition(const Options& options, WindowId window) {
  if (window == WindowId::UserMessages) {
    return PixelPoint{options.message_window_position.x, options.message_window_position.y};
  }
  const WindowPosition* saved = PositionOption(options, window);
  if (saved == nullptr) return std::nullopt;
  return PixelPoint{saved->x, saved->y};
}

ScreenRect ToolWindowCreationRect(const Options& options, const ToolWindowSpec& tool) {
  PixelPoint at{100, 700};
  if (tool.window != WindowId::BrightnessContrast) {
    at = SavedWindowPosition(options, tool.window).value_or(PixelPoint{});
  }
  return {at.x, at.y, tool.size.width, tool.size.height};
}

PixelSize MeasureFrameExtra(PixelSize window, PixelSize client) {
  const std::int32_t border = (window.width - client.width) / 2;
  const std::int32_t caption = window.height - client.height - border;
  return {2 * border, caption + border};
}

PixelSize LiveDisplaySize(PixelSize format_size, bool x2_magnification) {
  if (!x2_magnification) return format_size;
  return {ToInt32(2 * std::int64_t{format_size.width}),
          ToInt32(2 * std::int64_t{format_size.height})};
}

PositionResult PositionWindow(WindowId window, const ScreenRect& current, bool store, bool fit,
                              LayoutInputs& inputs, Options& options, MessageLog& log) {
  if (window == WindowId::Main && !fit && inputs.current_format_size.has_value()) {
    inputs.display_size = LiveDisplaySize(*inputs.current_format_size, inputs.x2_magnification);
  }

  PositionResult result;
  result.window = current;
  if (current.x == kMinimisedCoordinate && current.y == kMinimisedCoordinate) {
    result.outcome = PositionOutcome::LeftMinimised;
    return result;
  }

  Placement p{current.x, current.y, current.width, current.height};

  WindowPosition* position_option = PositionOption(options, window);
  WindowPlacement* placement_option =
      window == WindowId::UserMessages ? &options.message_window_position : nullptr;
  if (position_option == nullptr && placement_option == nullptr) {
    log.ReportMessage(kWindowPositioningProblem, true);
    result.outcome = PositionOutcome::UnknownWindow;
    return result;
  }

  if (inputs.initialising) {
    if (placement_option != nullptr) {
      p = {placement_option->x, placement_option->y, placement_option->width,
           placement_option->height};
    } else {
      p.x = position_option->x;
      p.y = position_option->y;
    }
  }

  if (window == WindowId::Playback && !inputs.initialising &&
      inputs.playback_video_size.has_value()) {
    const PixelSize video = LiveDisplaySize(*inputs.playback_video_size, inputs.x2_magnification);
    p.width = std::int64_t{video.width} + inputs.frame_extra.width + kPlaybackVideoMargin;
    p.height = std::int64_t{video.height} + inputs.frame_extra.height + kPlaybackVideoMargin;
    // Within the work area; the video scrolls beyond it, with room for the scroll bar.
    if (p.width > inputs.work_area.Width()) {
      p.width = inputs.work_area.Width();
      p.height += kScrollBarAllowance;
    }
    if (p.height > inputs.work_area.Height()) {
      p.height = inputs.work_area.Height();
      p.width = std::min<std::int64_t>(p.width + kScrollBarAllowance, inputs.work_area.Width());
    }
  }

  if (window == WindowId::Main) result.content = LayOutMainWindow(fit, inputs, p);

  // The right and bottom edges first, then the left and top ones, so that a window larger
  // than the work area keeps its caption on the screen. The limits are the work area's own
  // edges: a caption under a panel could no longer be taken to drag the window.
  const WorkArea& area = inputs.work_area;
  if (p.x + p.width > area.right) p.x = area.right - p.width;
  if (p.y + p.height > area.bottom) p.y = area.bottom - p.height;
  if (p.x < area.left) p.x = area.left;
  if (p.y < area.top) p.y = area.top;

  result.window = {ToInt32(p.x), ToInt32(p.y), ToInt32(p.width), ToInt32(p.height)};
  if (store) {
    if (placement_option != nullptr) {
      *placement_option = {result.window.x, result.window.y, result.window.width,
                           result.window.height};
    } else {
      *position_option = {result.window.x, result.window.y};
    }
  }
  result.outcome = PositionOutcome::Placed;
  return result;
}

PositionResult PlaceWindow(WindowId window, bool store, bool fit, LayoutInputs& inputs,
                           Options& options, MessageLog& log, WindowPlacementTarget& target) {
  const std::optional<ScreenRect> current = target.CurrentWindowRect(window);
  if (!current.has_value()) {
    PositionResult result;
    result.outcome = PositionOutcome::NotCreated;
    return result;
  }
  PositionResult result = PositionWindow(window, *current, store, fit, inputs, options, log);
  if (result.outcome == PositionOutcome::Placed) target.ApplyWindowPosition(window, result);
  return result;
}

void StoreAllWindowPositions(LayoutInputs& inputs, Options& options, MessageLog& log,
                             WindowPlacementTarget& target) {
  for (WindowId window : kStoreAllOrder) {
    PlaceWindow(window, /*store=*/true, /*fit=*/false, inputs, options, log, target);
  }
}

bool SetWindowPositions(LayoutInputs& inputs, Options& options,
                        const std::vector<VideoConfiguration>& device_configurations,
                        MessageLog& log, ErrorReporter& errors, WindowPlacementTarget& target) {
  StoreAllWindowPositions(inputs, options, log, target);
  const bool saved = SaveOptionsOrWarn(options, device_configurations, errors);
  log.ReportMessage(kDefaultWindowPositionsSet, true);
  return saved;
}

}  // namespace vesk
