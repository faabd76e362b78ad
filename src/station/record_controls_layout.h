#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "base/error_table.h"
#include "base/window_geometry.h"
#include "config/options.h"
#include "events/event_timing.h"
#include "recording/recording_view.h"

namespace vesk {

// Object names of the windows around the live video (the original window classes).
constexpr const char* kVideoRecordWindowClass = "VeskVideoRecordWindow";
constexpr const char* kScrollWindowClass = "VeskVideoScrollWindow";
constexpr const char* kRecordControlsWindowClass = "RecordControlsWindow";
constexpr const char* kCountdownWindowClass = "CountdownWindow";
constexpr const char* kBrightnessContrastWindowClass = "BrightnessContrast";
constexpr const char* kStandByWindowClass = "AppUnresponsive";

// --- Video record window ------------------------------------------------------------------

// Created at 0, 0 with this size; resized to the format once a camera starts.
constexpr ScreenRect kVideoWindowInitialRect{0, 0, 100, 100};
// The video window is this much larger than the displayed frame.
constexpr PixelSize kVideoWindowMargin{10, 7};
// The size of the video record window for a format: the frame, doubled for x2 magnification,
// plus the margin.
PixelSize VideoRecordWindowSize(PixelSize format_size, bool x2_magnification);

// --- Record controls ----------------------------------------------------------------------

constexpr const char* kRecordControlsTitle = "Record";
constexpr const char* kStartButtonText = "Start\r\nRecording";
constexpr const char* kStopButtonText = "Stop\r\nRecording";
constexpr PixelPoint kRecordControlsCreatedAt{150, 150};
// The extra space around the buttons when the RecordButtonsSpace option is set.
constexpr std::int32_t kRecordButtonsSpacing = 20;

struct RecordControlsGeometry {
  PixelSize window;
  ScreenRect start_button;  // in the window's client area
  ScreenRect stop_button;
  friend bool operator==(const RecordControlsGeometry&, const RecordControlsGeometry&) = default;
};
RecordControlsGeometry RecordControlsLayout(bool record_buttons_space);

struct RecordButtonStates {
  bool start_enabled = true;
  bool stop_enabled = false;
  friend bool operator==(const RecordButtonStates&, const RecordButtonStates&) = default;
};
// Start in live video, Stop while recording.
RecordButtonStates RecordButtonsFor(bool recording);

// --- Countdown window ---------------------------------------------------------------------

// The titles kCountdownPendingTitle and kCountdownRecordingTitle are the recording
// controller's (recording/recording_view.h).
constexpr ScreenRect kCountdownWindowRect{100, 600, 318, 266};
constexpr const char* kCountdownLabel = "Countdown to recording start time:";
constexpr const char* kUtcTimeLabel = "  Computer time (UTC):";

enum class CountdownPane { Label, BigDisplay, StartLine, EventLine, EndLine };
// Creation order.
constexpr std::array<CountdownPane, 5> kCountdownPanes = {
    CountdownPane::Label, CountdownPane::BigDisplay, CountdownPane::StartLine,
    CountdownPane::EventLine, CountdownPane::EndLine};
// The order in which an Event becoming pending shows the panes; the window itself follows.
constexpr std::array<CountdownPane, 5> kShowCountdownOrder = {
    CountdownPane::StartLine, CountdownPane::EventLine, CountdownPane::EndLine,
    CountdownPane::Label, CountdownPane::BigDisplay};

enum class CountdownFont { Tahoma72, Consolas18 };

struct CountdownPaneLayout {
  ScreenRect rect;  // in the countdown window's client area
  bool border = false;
  PixelPoint text_at;  // where the pane's text is drawn
  CountdownFont font = CountdownFont::Consolas18;
  friend bool operator==(const CountdownPaneLayout&, const CountdownPaneLayout&) = default;
};
CountdownPaneLayout CountdownPaneLayoutOf(CountdownPane pane);

std::string_view CountdownLabelText(CountdownTimeBase time_base);

// What a pane draws.
std::string CountdownPaneText(CountdownPane pane, const CountdownTexts& texts);

// The end of a text's first line: the scan looks at positions 1 to kFirstLineScanLimit.
// Found: position is just past the first CR (1 when the text starts with CR). Not found:
// position is where the scan stopped (the text's end, or past the limit).
constexpr std::size_t kFirstLineScanLimit = 511;
struct FirstLineEnd {
  bool found = false;
  std::size_t position = 0;
  friend bool operator==(const FirstLineEnd&, const FirstLineEnd&) = default;
};
FirstLineEnd FindEndOfFirstLine(std::string_view text);

// The first line of the Event header (before its first CR) and the second (after that CR and
// its LF, up to the next CR). A line whose CR is not found stays empty.
struct EventHeaderLines {
  std::string first;
  std::string second;
};
EventHeaderLines SplitEventHeader(std::string_view header);

// --- Brightness and contrast window -------------------------------------------------------

constexpr const char* kBrightnessContrastTitle = "Brightness and Contrast";
constexpr ScreenRect kBrightnessContrastCreatedRect{100, 700, 310, 270};
constexpr int kBrightnessSliderId = 32878;
constexpr int kContrastSliderId = 33038;
// Both sliders return here when the adjustment ends.
constexpr int kSliderNeutralPosition = 50;

struct SliderLayout {
  int id = 0;
  ScreenRect rect;
  int minimum = 0;
  int maximum = 100;
  std::array<int, 3> ticks = {25, 50, 75};
  int page = 1;
  int position = kSliderNeutralPosition;
  ErrorCode failure = ErrorCode::CannotCreateBrightnessSliderChild;
};
struct SliderLabelLayout {
  const char* text = "";
  ScreenRect rect;  // centred text, 18-point Consolas
  ErrorCode failure = ErrorCode::CannotCreateBrightnessSliderParent;
};

constexpr SliderLayout kBrightnessSlider{kBrightnessSliderId,
                                         {20, 30, 250, 40},
                                         0,
                                         100,
                                         {25, 50, 75},
                                         1,
                                         kSliderNeutralPosition,
                                         ErrorCode::CannotCreateBrightnessSliderChild};
constexpr SliderLayout kContrastSlider{kContrastSliderId,
                                       {20, 150, 250, 40},
                                       0,
                                       100,
                                       {25, 50, 75},
                                       1,
                                       kSliderNeutralPosition,
                                       ErrorCode::CannotCreateContrastSliderChild};
constexpr SliderLabelLayout kBrightnessLabel{
    "Brightness", {20, 70, 250, 30}, ErrorCode::CannotCreateBrightnessSliderParent};
constexpr SliderLabelLayout kContrastLabel{
    "Contrast", {20, 190, 250, 30}, ErrorCode::CannotCreateContrastSliderParent};

enum class PictureSlider { Brightness, Contrast };

// --- Scroll window ------------------------------------------------------------------------

// The arrows of the scroll window's bars move the video this many pixels; the scroll area
// itself keeps the video within its edges.
constexpr int kScrollLineStep = 5;

}  // namespace vesk
