#include "station/window_layout.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <limits>
#include <map>
#include <string>
#include <vector>

#include "support/fake_clock.h"
#include "support/recording_view.h"
#include "support/temp_dir.h"

namespace vesk {

namespace {

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

  testing::FakeClock clock{testing::MakeFileTime(2026, 3, 1, 22, 15, 0)};
  MessageLog log{clock};
  testing::RecordingView view;
  Options options;
  LayoutInputs inputs;
};

TEST_F(WindowLayoutTest, SavedPositionsAreKeptOnTheWorkAreaWithTheCaptionInside) {
  inputs.initialising = true;
  const auto placed = [&](WindowId window, WindowPosition Options::*saved, WindowPosition at,
                          ScreenRect current, WorkArea area) {
    options.*saved = at;
    inputs.work_area = area;
    const PositionResult r = Place(window, current);
    EXPECT_EQ(r.outcome, PositionOutcome::Placed);
    return r.window;
  };
  const WorkArea area{0, 0, 1366, 728};
  EXPECT_EQ(placed(WindowId::RecordControls, &Options::record_controls_window_position, {-50, 20},
                   {150, 150, 300, 164}, area),
            (ScreenRect{0, 20, 300, 164}));
  // Beyond the right and bottom edges: the far edges touch the work area's.
  EXPECT_EQ(placed(WindowId::Countdown, &Options::countdown_window_position, {1200, 700},
                   {100, 600, 318, 266}, area),
            (ScreenRect{1366 - 318, 728 - 266, 318, 266}));
  EXPECT_EQ(
      placed(WindowId::PixelSaturation, &Options::pixel_saturation_window_position,
             {std::numeric_limits<std::int32_t>::max(), std::numeric_limits<std::int32_t>::min()},
             {0, 0, 650, 370}, area),
      (ScreenRect{1366 - 650, 0, 650, 370}));
  // A panel at the top-left: the caption comes out from under it.
  EXPECT_EQ(placed(WindowId::Gps, &Options::gps_window_position, {10, 5}, {0, 0, 290, 355},
                   {60, 30, 1366, 728}),
            (ScreenRect{60, 30, 290, 355}));
  // Larger than the work area: the caption stays on the screen.
  EXPECT_EQ(placed(WindowId::ViewEvents, &Options::view_events_window_position, {300, 200},
                   {300, 200, 940, 470}, {0, 0, 800, 400}),
            (ScreenRect{0, 0, 940, 470}));
  EXPECT_TRUE(view.entries.empty());
}

// The window wraps the video with its frame (16 x 59), or scrolls what does not fit: as wide as
// the work area at x = 0 with 24 pixels more for the scroll bar, never past the work area.
TEST_F(WindowLayoutTest, MainWindowWrapsTheVideoWithItsFrameOrScrollsWhatDoesNotFit) {
  constexpr VideoDisplayParent kScroll = VideoDisplayParent::ScrollContainer;
  const WorkArea laptop{0, 0, 1366, 728};
  const WorkArea panel{0, 0, 1280, 999};  // 1280 x 1024 with a panel
  const struct {
    WorkArea area;
    PixelSize format;
    bool x2;
    ScreenRect window;
    MainWindowContent content;
  } cases[] = {
      {laptop, {720, 576}, false, {100, 50, 720 + 16, 576 + 59}, {}},
      {laptop, {1920, 480}, false, {0, 50, 1366, 480 + 83}, {kScroll, {0, 0, 1350, 504}, true}},
      {laptop, {640, 1080}, false, {100, 0, 640 + 40, 728}, {kScroll, {0, 0, 664, 669}, true}},
      // Magnified twice the video scrolls; back to normal it fits again.
      {laptop, {720, 480}, true, {0, 0, 1366, 728}, {kScroll, {0, 0, 1366 - 16, 728 - 59}, true}},
      {laptop, {720, 480}, false, {100, 50, 736, 539}, {}},
      // Both directions scroll inside the window.
      {panel, {720, 576}, true, {0, 0, 1280, 999}, {kScroll, {0, 0, 1280 - 16, 999 - 59}, true}},
      // Only too wide, but the horizontal scroll bar's room does not fit below.
      {panel, {1920, 950}, false, {0, 0, 1280, 999}, {kScroll, {0, 0, 1280 - 16, 999 - 59}, true}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.format.width) + "x" + std::to_string(c.format.height));
    inputs.work_area = c.area;
    inputs.current_format_size = c.format;
    inputs.x2_magnification = c.x2;
    const PositionResult r = Place(WindowId::Main, {100, 50, 660, 540});
    EXPECT_EQ(inputs.display_size,
              (c.x2 ? PixelSize{c.format.width * 2, c.format.height * 2} : c.format));
    EXPECT_EQ(r.window, c.window);
    EXPECT_EQ(r.content.value_or(MainWindowContent{}), c.content);
  }
}

TEST_F(WindowLayoutTest, ResizingByTheObserverSpringsBackOrScrollsTheShortfall) {
  // Fit does not refresh the display size from the format.
  inputs.current_format_size = PixelSize{1920, 1080};
  const auto fitted = [&](PixelSize display, ScreenRect current, ScreenRect expected) {
    inputs.display_size = display;
    const PositionResult r = Place(WindowId::Main, current, false, /*fit=*/true);
    EXPECT_EQ(r.window, expected);
    EXPECT_EQ(inputs.display_size, display);
    return r.content.value_or(MainWindowContent{});
  };
  // Below the minimum client size: back to the video's size.
  EXPECT_EQ(fitted({640, 480}, {200, 150, 300, 200}, {200, 150, 640 + 16, 480 + 59}).parent,
            VideoDisplayParent::MainWindow);
  // Larger is kept, its bottom edge on the work area.
  EXPECT_EQ(fitted({640, 480}, {200, 150, 900, 700}, {200, 28, 900, 700}).parent,
            VideoDisplayParent::MainWindow);
  EXPECT_EQ(fitted({720, 576}, {10, 10, 700, 600}, {10, 10, 700, 600}).container,
            (ScreenRect{0, 0, 700 - 16, 600 - 59}));
  // Only the height falls short: the width stays the video's.
  EXPECT_EQ(fitted({720, 576}, {10, 10, 800, 600}, {10, 10, 800, 600}).container,
            (ScreenRect{0, 0, 720, 600 - 59}));
}

TEST_F(WindowLayoutTest, MinimisedAndUnknownWindowsAreLeftAlone) {
  options.main_window_position = {30, 40};
  inputs.current_format_size = PixelSize{720, 576};
  EXPECT_EQ(Place(WindowId::Main, MinimisedRect(), true).outcome, PositionOutcome::LeftMinimised);
  EXPECT_EQ(options.main_window_position, (WindowPosition{30, 40}));
  // The display size is still refreshed for the next placement.
  EXPECT_EQ(inputs.display_size, (PixelSize{720, 576}));

  const ScreenRect where{300, 500, 350, 150};
  for (WindowId window : {WindowId::StandBy, static_cast<WindowId>(99)}) {
    const PositionResult r = Place(window, where, true);
    EXPECT_EQ(r.outcome, PositionOutcome::UnknownWindow);
    EXPECT_EQ(r.window, where);
  }
  EXPECT_EQ(view.entries, (std::vector<std::string>(2,
                                                    "\r\n22:15:00 (UTC)\r\nHouston, we have a "
                                                    "problem with window positioning\r\n")));
}

TEST_F(WindowLayoutTest, PlaybackWindowIsSizedToItsVideoOnceStartUpIsOver) {
  inputs.playback_video_size = PixelSize{720, 480};
  inputs.initialising = true;
  EXPECT_EQ(Place(WindowId::Playback, {0, 0, 400, 300}).window, (ScreenRect{180, 220, 400, 300}));
  inputs.initialising = false;
  EXPECT_EQ(Place(WindowId::Playback, {180, 100, 400, 300}).window,
            (ScreenRect{180, 100, 720 + 16 + 5, 480 + 59 + 5}));
  // A video larger than the work area scrolls inside a window that fills it.
  inputs.x2_magnification = true;
  EXPECT_EQ(Place(WindowId::Playback, {0, 0, 400, 300}).window, (ScreenRect{0, 0, 1366, 728}));
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
  testing::RecordingMessageBox box;
  ErrorReporter errors{log, box};
  testing::ScopedTempDir dir;
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
