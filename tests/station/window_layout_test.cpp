#include "station/window_layout.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <limits>
#include <map>

#include "support/fake_clock.h"
#include "support/recording_view.h"
#include "support/temp_dir.h"

namespace vesk {

void PrintTo(const ScreenRect& r, std::ostream* os) {
  *os << "{" << r.x << ", " << r.y << ", " << r.width << ", " << r.height << "}";
}
void PrintTo(const PixelSize& s, std::ostream* os) { *os << s.width << "x" << s.height; }

namespace {

using testing::FakeClock;
using testing::MakeFileTime;
using testing::RecordingMessageBox;
using testing::RecordingView;
using testing::ScopedTempDir;

constexpr PixelSize kFrameExtra{16, 59};

// Windows as plain rectangles; records what the layout applied, in order.
class FakeWindows final : public WindowPlacementTarget {
 public:
  std::optional<ScreenRect> CurrentWindowRect(WindowId window) override {
    auto it = rects.find(window);
    if (it == rects.end()) return std::nullopt;
    return it->second;
  }
  void ApplyWindowPosition(WindowId window, const PositionResult& result) override {
    applied.push_back(window);
    rects[window] = result.window;
  }
  std::map<WindowId, ScreenRect> rects;
  std::vector<WindowId> applied;
};

class WindowLayoutTest : public ::testing::Test {
 protected:
  WindowLayoutTest() {
    SetDefaultOptions(&options);
    inputs.work_area = {0, 0, 1366, 728};
    inputs.frame_extra = kFrameExtra;
    log.AttachView(&view);
  }

  PositionResult Place(WindowId window, ScreenRect current, bool store = false, bool fit = false) {
    return PositionWindow(window, current, store, fit, inputs, options, log);
  }

  FakeClock clock{MakeFileTime(2026, 3, 1, 22, 15, 0)};
  MessageLog log{clock};
  RecordingView view;
  Options options;
  LayoutInputs inputs;
};

TEST_F(WindowLayoutTest, SavedPositionsAreClampedToTheScreenWithZeroAsLeftAndTopLimit) {
  inputs.initialising = true;
  options.record_controls_window_position = {-50, 20};
  PositionResult r = Place(WindowId::RecordControls, {150, 150, 300, 164});
  EXPECT_EQ(r.outcome, PositionOutcome::Placed);
  EXPECT_EQ(r.window, (ScreenRect{0, 20, 300, 164}));
  EXPECT_FALSE(r.content.has_value());

  // Beyond the right and bottom edges: the far edges touch the work area's.
  options.countdown_window_position = {1200, 700};
  r = Place(WindowId::Countdown, {100, 600, 318, 266});
  EXPECT_EQ(r.window, (ScreenRect{1366 - 318, 728 - 266, 318, 266}));

  // A panel at the top-left does not move windows: the limit is 0, not the work area's edge.
  inputs.work_area = {60, 30, 1366, 728};
  options.gps_window_position = {10, 5};
  EXPECT_EQ(Place(WindowId::Gps, {0, 0, 290, 355}).window, (ScreenRect{10, 5, 290, 355}));
  EXPECT_TRUE(view.entries.empty());
}

TEST_F(WindowLayoutTest, AWindowLargerThanTheWorkAreaKeepsItsCaptionOnTheScreen) {
  inputs.work_area = {0, 0, 800, 400};
  const PositionResult r = Place(WindowId::ViewEvents, {300, 200, 940, 470});
  EXPECT_EQ(r.window, (ScreenRect{0, 0, 940, 470}));
}

TEST_F(WindowLayoutTest, OutsideStartUpWindowsStayWhereTheUserPutThem) {
  options.schedule_event_window_position = {150, 300};
  const PositionResult r = Place(WindowId::ScheduleEvent, {400, 120, 400, 560}, /*store=*/true);
  EXPECT_EQ(r.window, (ScreenRect{400, 120, 400, 560}));
  EXPECT_EQ(options.schedule_event_window_position, (WindowPosition{400, 120}));
  // Without store nothing is written.
  Place(WindowId::ScheduleEvent, {10, 10, 400, 560});
  EXPECT_EQ(options.schedule_event_window_position, (WindowPosition{400, 120}));
}

TEST_F(WindowLayoutTest, MainWindowWrapsAFittingVideoWithItsFrame) {
  inputs.current_format_size = PixelSize{720, 576};
  const PositionResult r = Place(WindowId::Main, {100, 50, 660, 540});
  EXPECT_EQ(inputs.display_size, (PixelSize{720, 576}));
  EXPECT_EQ(r.window, (ScreenRect{100, 50, 720 + 16, 576 + 59}));
  ASSERT_TRUE(r.content.has_value());
  EXPECT_EQ(r.content->parent, VideoDisplayParent::MainWindow);
  EXPECT_FALSE(r.content->container_visible);
}

TEST_F(WindowLayoutTest, AVideoWiderThanTheWorkAreaGoesIntoTheScrollContainer) {
  inputs.current_format_size = PixelSize{1920, 480};
  const PositionResult r = Place(WindowId::Main, {100, 100, 660, 540});
  // As wide as the work area at x = 0, and 24 pixels taller than video plus frame.
  EXPECT_EQ(r.window, (ScreenRect{0, 100, 1366, 480 + 59 + 24}));
  ASSERT_TRUE(r.content.has_value());
  EXPECT_EQ(r.content->parent, VideoDisplayParent::ScrollContainer);
  EXPECT_TRUE(r.content->container_visible);
  EXPECT_EQ(r.content->container, (ScreenRect{0, 0, 1366 - 16, 480 + 24}));
}

TEST_F(WindowLayoutTest, AVideoTallerThanTheWorkAreaGetsRoomForTheVerticalScrollBar) {
  inputs.current_format_size = PixelSize{640, 1080};
  const PositionResult r = Place(WindowId::Main, {100, 100, 660, 540});
  EXPECT_EQ(r.window, (ScreenRect{100, 0, 640 + 16 + 24, 728}));
  EXPECT_EQ(r.content->container, (ScreenRect{0, 0, 640 + 24, 728 - 59}));
}

TEST_F(WindowLayoutTest, AVideoOverflowingTheWorkAreaNeverTakesTheWindowPastIt) {
  // x2 PAL on a 1280 x 1024 screen with a panel: both directions scroll inside the window.
  inputs.work_area = {0, 0, 1280, 999};
  inputs.current_format_size = PixelSize{720, 576};
  inputs.x2_magnification = true;
  PositionResult r = Place(WindowId::Main, {100, 100, 736, 635});
  EXPECT_EQ(r.window, (ScreenRect{0, 0, 1280, 999}));
  EXPECT_EQ(r.content->container, (ScreenRect{0, 0, 1280 - 16, 999 - 59}));
  // Only too wide, but the horizontal scroll bar's room does not fit below.
  inputs.x2_magnification = false;
  inputs.current_format_size = PixelSize{1920, 950};
  r = Place(WindowId::Main, {100, 100, 736, 635});
  EXPECT_EQ(r.window, (ScreenRect{0, 0, 1280, 999}));
  EXPECT_EQ(r.content->container, (ScreenRect{0, 0, 1280 - 16, 999 - 59}));
}

TEST_F(WindowLayoutTest, MagnificationDoublesTheDisplayAndGoingBackRestoresIt) {
  inputs.current_format_size = PixelSize{720, 480};
  inputs.x2_magnification = true;
  PositionResult r = Place(WindowId::Main, {100, 100, 736, 539});
  EXPECT_EQ(inputs.display_size, (PixelSize{1440, 960}));
  EXPECT_EQ(r.content->parent, VideoDisplayParent::ScrollContainer);

  inputs.x2_magnification = false;
  r = Place(WindowId::Main, r.window);
  EXPECT_EQ(inputs.display_size, (PixelSize{720, 480}));
  EXPECT_EQ(r.window, (ScreenRect{0, 0, 736, 539}));
  EXPECT_EQ(r.content->parent, VideoDisplayParent::MainWindow);
  EXPECT_FALSE(r.content->container_visible);
}

TEST_F(WindowLayoutTest, ResizingBelowTheMinimumClientSpringsBack) {
  inputs.display_size = {640, 480};
  PositionResult r = Place(WindowId::Main, {200, 150, 300, 200}, false, /*fit=*/true);
  EXPECT_EQ(r.window, (ScreenRect{200, 150, 640 + 16, 480 + 59}));
  EXPECT_EQ(r.content->parent, VideoDisplayParent::MainWindow);

  // A larger window is kept as the user made it.
  r = Place(WindowId::Main, {200, 150, 900, 700}, false, true);
  EXPECT_EQ(r.window, (ScreenRect{200, 28, 900, 700}));  // bottom edge kept on the work area
  EXPECT_EQ(r.content->parent, VideoDisplayParent::MainWindow);
}

TEST_F(WindowLayoutTest, ResizingSmallerThanTheVideoShrinksTheContainerByTheShortfall) {
  inputs.display_size = {720, 576};
  // Fit does not refresh the display size from the format.
  inputs.current_format_size = PixelSize{1920, 1080};
  PositionResult r = Place(WindowId::Main, {10, 10, 700, 600}, false, true);
  EXPECT_EQ(inputs.display_size, (PixelSize{720, 576}));
  EXPECT_EQ(r.window, (ScreenRect{10, 10, 700, 600}));
  EXPECT_EQ(r.content->parent, VideoDisplayParent::ScrollContainer);
  EXPECT_EQ(r.content->container, (ScreenRect{0, 0, 700 - 16, 600 - 59}));

  // Only the height falls short: the width stays the video's.
  r = Place(WindowId::Main, {10, 10, 800, 600}, false, true);
  EXPECT_EQ(r.content->container, (ScreenRect{0, 0, 720, 600 - 59}));
}

TEST_F(WindowLayoutTest, MinimisedWindowsAreLeftAlone) {
  options.main_window_position = {30, 40};
  inputs.current_format_size = PixelSize{720, 576};
  const PositionResult r = Place(WindowId::Main, MinimisedRect(), /*store=*/true);
  EXPECT_EQ(r.outcome, PositionOutcome::LeftMinimised);
  EXPECT_EQ(options.main_window_position, (WindowPosition{30, 40}));
  // The display size is still refreshed for the next placement.
  EXPECT_EQ(inputs.display_size, (PixelSize{720, 576}));
}

TEST_F(WindowLayoutTest, UnknownWindowsAreReportedAndNotMoved) {
  const ScreenRect where{300, 500, 350, 150};
  PositionResult r = Place(WindowId::StandBy, where, true);
  EXPECT_EQ(r.outcome, PositionOutcome::UnknownWindow);
  EXPECT_EQ(r.window, where);
  ASSERT_EQ(view.entries.size(), 1u);
  EXPECT_EQ(view.entries[0],
            "\r\n22:15:00 (UTC)\r\nHouston, we have a problem with window positioning\r\n");

  r = Place(static_cast<WindowId>(99), where);
  EXPECT_EQ(r.outcome, PositionOutcome::UnknownWindow);
  EXPECT_EQ(view.entries.size(), 2u);

  // Before the User Messages window exists the report waits in the queue.
  MessageLog early_log{clock};
  PositionWindow(WindowId::StandBy, where, false, false, inputs, options, early_log);
  EXPECT_EQ(early_log.PendingCount(), 1u);
}

TEST_F(WindowLayoutTest, UserMessagesWindowKeepsItsSizeInTheOptions) {
  inputs.initialising = true;
  options.message_window_position = {50, 60, 700, 460};
  PositionResult r = Place(WindowId::UserMessages, {0, 0, 100, 100});
  EXPECT_EQ(r.window, (ScreenRect{50, 60, 700, 460}));

  inputs.initialising = false;
  r = Place(WindowId::UserMessages, {70, 80, 500, 300}, /*store=*/true);
  EXPECT_EQ(options.message_window_position, (WindowPlacement{70, 80, 500, 300}));
}

TEST_F(WindowLayoutTest, PlaybackWindowIsSizedToItsVideoOnceStartUpIsOver) {
  inputs.playback_video_size = PixelSize{720, 480};
  inputs.initialising = true;
  options.playback_window_position = {180, 220};
  PositionResult r = Place(WindowId::Playback, {0, 0, 400, 300});
  EXPECT_EQ(r.window, (ScreenRect{180, 220, 400, 300}));

  inputs.initialising = false;
  r = Place(WindowId::Playback, {180, 100, 400, 300});
  EXPECT_EQ(r.window, (ScreenRect{180, 100, 720 + 16 + 5, 480 + 59 + 5}));
  inputs.x2_magnification = true;
  r = Place(WindowId::Playback, {0, 0, 400, 300});
  EXPECT_EQ(r.window, (ScreenRect{0, 0, 1440 + 16 + 5, 960 + 59 + 5}));
}

TEST_F(WindowLayoutTest, ExtremeSavedValuesDoNotOverflow) {
  inputs.initialising = true;
  options.pixel_saturation_window_position = {std::numeric_limits<std::int32_t>::max(),
                                              std::numeric_limits<std::int32_t>::min()};
  const PositionResult r = Place(WindowId::PixelSaturation, {0, 0, 650, 370});
  EXPECT_EQ(r.window, (ScreenRect{1366 - 650, 0, 650, 370}));
}

TEST_F(WindowLayoutTest, StartUpMeasuresTheFrameOnce) {
  EXPECT_EQ(MeasureFrameExtra({660, 540}, {644, 481}), (PixelSize{16, 59}));
  // An odd difference loses the half pixel, as the border is measured per side.
  EXPECT_EQ(MeasureFrameExtra({661, 540}, {644, 481}), (PixelSize{16, 59}));
}

TEST_F(WindowLayoutTest, EveryWindowButTheStandByWindowHasItsOwnOption) {
  Options marked;
  SetDefaultOptions(&marked);
  int i = 0;
  for (WindowId window : kStoreAllOrder) {
    ASSERT_TRUE(HasSavedPosition(window));
    Place(window, {++i, 0, 10, 10}, /*store=*/true);
    EXPECT_EQ(SavedWindowPosition(options, window)->x, i) << static_cast<int>(window);
  }
  // Fifteen different options, one per window.
  for (WindowId window : kStoreAllOrder) {
    for (WindowId other : kStoreAllOrder) {
      if (window != other) {
        EXPECT_NE(SavedWindowPosition(options, window), SavedWindowPosition(options, other));
      }
    }
  }
  EXPECT_FALSE(HasSavedPosition(WindowId::StandBy));
  EXPECT_FALSE(SavedWindowPosition(options, WindowId::StandBy).has_value());
}

TEST_F(WindowLayoutTest, ToolWindowsAreCreatedAtTheirSavedPositions) {
  options.gps_window_position = {11, 22};
  options.brightness_contrast_window_position = {5, 5};
  for (const ToolWindowSpec& tool : kToolWindows) {
    ASSERT_TRUE(HasSavedPosition(tool.window)) << tool.class_name;
  }
  EXPECT_EQ(ToolWindowCreationRect(options, kToolWindows[4]), (ScreenRect{11, 22, 290, 355}));
  EXPECT_STREQ(kToolWindows[4].title, "USB GPS Receiver");
  EXPECT_EQ(ToolWindowCreationRect(options, kToolWindows[0]), (ScreenRect{100, 700, 310, 270}));
}

class StoreAllWindowPositionsTest : public WindowLayoutTest {
 protected:
  StoreAllWindowPositionsTest() {
    inputs.current_format_size = PixelSize{720, 576};
    int i = 0;
    for (WindowId window : kStoreAllOrder) {
      windows.rects[window] = {40 + 20 * i, 30 + 10 * i, 300, 200};
      ++i;
    }
  }
  FakeWindows windows;
  RecordingMessageBox box;
  ErrorReporter errors{log, box};
  ScopedTempDir dir;
};

TEST_F(StoreAllWindowPositionsTest, StoresEveryWindowInOrderAndKeepsMinimisedOnesWhereTheyWere) {
  options.gps_window_position = {125, 550};
  windows.rects[WindowId::Gps] = MinimisedRect();
  windows.rects.erase(WindowId::Playback);  // not created yet

  StoreAllWindowPositions(inputs, options, log, windows);

  std::vector<WindowId> expected;
  for (WindowId window : kStoreAllOrder) {
    if (window != WindowId::Gps && window != WindowId::Playback) expected.push_back(window);
  }
  EXPECT_EQ(windows.applied, expected);
  EXPECT_EQ(options.gps_window_position, (WindowPosition{125, 550}));
  EXPECT_EQ(options.playback_window_position, (WindowPosition{180, 220}));
  EXPECT_EQ(options.devices_window_position, (WindowPosition{40 + 20 * 9, 30 + 10 * 9}));
  EXPECT_EQ(options.message_window_position, (WindowPlacement{100, 60, 300, 200}));
  EXPECT_EQ(options.main_window_position, (WindowPosition{40, 30}));
  EXPECT_EQ(windows.rects[WindowId::Main], (ScreenRect{40, 30, 736, 635}));
  EXPECT_TRUE(view.entries.empty());
}

TEST_F(StoreAllWindowPositionsTest, SetWindowPositionsThenARestartBringsEveryWindowBack) {
  ASSERT_TRUE(SetWindowPositions(inputs, options, {}, log, errors, windows));
  ASSERT_EQ(view.entries.size(), 1u);
  EXPECT_EQ(view.entries[0], "\r\n22:15:00 (UTC)\r\nDefault window positions are set\r\n");
  const std::map<WindowId, ScreenRect> before = windows.rects;

  // A new process: options read from the file, windows created at arbitrary places.
  Options reloaded;
  SetDefaultOptions(&reloaded);
  std::vector<VideoConfiguration> configurations;
  ASSERT_TRUE(LoadOptions({}, log, &reloaded, &configurations));
  FakeWindows fresh;
  for (const auto& [window, rect] : before) {
    fresh.rects[window] = {500, 500, rect.width, window == WindowId::Main ? 540 : rect.height};
  }
  // The device selection window is not placed at start-up: it is created where it was saved.
  const PixelPoint devices = *SavedWindowPosition(reloaded, WindowId::Devices);
  fresh.rects[WindowId::Devices].x = devices.x;
  fresh.rects[WindowId::Devices].y = devices.y;
  LayoutInputs start_up = inputs;
  start_up.initialising = true;
  PlaceWindow(WindowId::UserMessages, false, false, start_up, reloaded, log, fresh);
  for (WindowId window : kStartUpPlacementOrder) {
    PlaceWindow(window, false, false, start_up, reloaded, log, fresh);
  }
  for (const auto& [window, rect] : before) {
    EXPECT_EQ(fresh.rects[window], rect) << static_cast<int>(window);
  }
}

TEST_F(StoreAllWindowPositionsTest, AFailedSaveWarnsAndKeepsThePositionsInMemory) {
  std::filesystem::create_directory("VESK_options.xml");  // the file cannot be replaced
  EXPECT_FALSE(SetWindowPositions(inputs, options, {}, log, errors, windows));
  ASSERT_EQ(view.entries.size(), 2u);
  EXPECT_NE(view.entries[0].find("WARNING: "), std::string::npos);
  EXPECT_NE(view.entries[1].find("Default window positions are set\r\n"), std::string::npos);
  EXPECT_EQ(options.main_window_position, (WindowPosition{40, 30}));
}

}  // namespace
}  // namespace vesk
