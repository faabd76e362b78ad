#include "station/record_controls_layout.h"

#include <gtest/gtest.h>

#include <string>

namespace vesk {
namespace {

TEST(RecordControlsLayoutTest, ButtonSpacingWidensTheWindowAndMovesBothButtons) {
  const RecordControlsGeometry tight = RecordControlsLayout(false);
  EXPECT_EQ(tight.window, (PixelSize{224, 144}));
  EXPECT_EQ(tight.start_button, (ScreenRect{3, 3, 100, 100}));
  EXPECT_EQ(tight.stop_button, (ScreenRect{106, 3, 100, 100}));

  const RecordControlsGeometry spaced = RecordControlsLayout(true);
  EXPECT_EQ(spaced.window, (PixelSize{224 + 40, 144 + 20}));
  EXPECT_EQ(spaced.start_button, (ScreenRect{23, 23, 100, 100}));
  EXPECT_EQ(spaced.stop_button, (ScreenRect{126, 23, 100, 100}));

  EXPECT_STREQ(kStartButtonText, "Start\r\nRecording");
  EXPECT_STREQ(kStopButtonText, "Stop\r\nRecording");
  EXPECT_EQ(RecordButtonsFor(false), (RecordButtonStates{true, false}));
  EXPECT_EQ(RecordButtonsFor(true), (RecordButtonStates{false, true}));
}

TEST(RecordControlsLayoutTest, VideoWindowIsTheFrameWithItsMargin) {
  EXPECT_EQ(VideoRecordWindowSize({720, 576}, false), (PixelSize{730, 583}));
  EXPECT_EQ(VideoRecordWindowSize({720, 576}, true), (PixelSize{1450, 1159}));
}

TEST(EventHeaderLinesTest, FindsTheEndOfTheFirstLine) {
  EXPECT_EQ(FindEndOfFirstLine("Start\r\nEvent\r\n"), (FirstLineEnd{true, 6}));
  EXPECT_EQ(FindEndOfFirstLine("\r\nabc"), (FirstLineEnd{true, 1}));
  EXPECT_EQ(FindEndOfFirstLine("a\r"), (FirstLineEnd{true, 2}));
  // Not found: where the scan stopped, never past the end.
  EXPECT_EQ(FindEndOfFirstLine("abc"), (FirstLineEnd{false, 3}));
  EXPECT_EQ(FindEndOfFirstLine(""), (FirstLineEnd{false, 0}));
  EXPECT_EQ(FindEndOfFirstLine("x"), (FirstLineEnd{false, 1}));
}

TEST(EventHeaderLinesTest, TheScanEndsAtPosition511) {
  std::string text(511, 'x');
  text += '\r';  // at position 511: still found
  EXPECT_EQ(FindEndOfFirstLine(text), (FirstLineEnd{true, 512}));
  text.insert(0, "y");  // the CR moves to 512
  EXPECT_EQ(FindEndOfFirstLine(text), (FirstLineEnd{false, 512}));
}

TEST(EventHeaderLinesTest, EventHeaderGivesTheStartAndEventLines) {
  const std::string header =
      "Start time:  July 14, 2026  21:02:30\r\n"
      "Event time:  July 14, 2026  21:03:45\r\n"
      "Recording duration:  2 minutes  30 seconds\r\n";
  EventHeaderLines lines = SplitEventHeader(header);
  EXPECT_EQ(lines.first, "Start time:  July 14, 2026  21:02:30");
  EXPECT_EQ(lines.second, "Event time:  July 14, 2026  21:03:45");

  // Without any CR both panes stay empty; a second line without its CR stays empty.
  lines = SplitEventHeader("Start time only");
  EXPECT_EQ(lines.first, "");
  EXPECT_EQ(lines.second, "");
  lines = SplitEventHeader("first\r\nsecond without end");
  EXPECT_EQ(lines.first, "first");
  EXPECT_EQ(lines.second, "");
  // A CR at the very end is not followed by anything to read.
  lines = SplitEventHeader("first\r");
  EXPECT_EQ(lines.first, "first");
  EXPECT_EQ(lines.second, "");
  lines = SplitEventHeader("\r\n\r\n");
  EXPECT_EQ(lines.first, "");
  EXPECT_EQ(lines.second, "");
}

TEST(CountdownLayoutTest, FivePanesEach306Wide) {
  EXPECT_EQ(kCountdownWindowRect, (ScreenRect{100, 600, 318, 266}));
  const std::vector<std::pair<int, int>> expected = {
      {0, 29}, {29, 110}, {139, 30}, {168, 30}, {197, 30}};
  for (std::size_t i = 0; i < kCountdownPanes.size(); ++i) {
    const CountdownPaneLayout pane = CountdownPaneLayoutOf(kCountdownPanes[i]);
    EXPECT_EQ(pane.rect, (ScreenRect{0, expected[i].first, 306, expected[i].second}));
    EXPECT_EQ(pane.border, i >= 2);
  }
  EXPECT_EQ(CountdownPaneLayoutOf(CountdownPane::BigDisplay).font, CountdownFont::Tahoma72);
  EXPECT_EQ(CountdownPaneLayoutOf(CountdownPane::BigDisplay).text_at, (PixelPoint{25, 17}));
  EXPECT_EQ(CountdownPaneLayoutOf(CountdownPane::Label).text_at, (PixelPoint{10, 12}));
  EXPECT_EQ(CountdownPaneLayoutOf(CountdownPane::EndLine).text_at, (PixelPoint{10, 5}));
}

TEST(CountdownLayoutTest, PanesDrawTheirTexts) {
  CountdownTexts texts;
  texts.countdown = "00:01:15";
  texts.event_header = "Start time:  A\r\nEvent time:  B\r\nRecording duration:  C\r\n";
  texts.end = "End time:  D";
  EXPECT_EQ(CountdownPaneText(CountdownPane::BigDisplay, texts), "00:01:15");
  EXPECT_EQ(CountdownPaneText(CountdownPane::StartLine, texts), "Start time:  A");
  EXPECT_EQ(CountdownPaneText(CountdownPane::EventLine, texts), "Event time:  B");
  EXPECT_EQ(CountdownPaneText(CountdownPane::EndLine, texts), "End time:  D");

  const std::string label = CountdownPaneText(CountdownPane::Label, texts);
  EXPECT_EQ(label, "Countdown to recording start time:");
  EXPECT_EQ(label.size(), 34u);
  texts.time_base = CountdownTimeBase::Utc;
  const std::string utc_label = CountdownPaneText(CountdownPane::Label, texts);
  EXPECT_EQ(utc_label, "  Computer time (UTC):");
  EXPECT_EQ(utc_label.size(), 22u);
}

TEST(BrightnessContrastWindowTest, SlidersAndLabelsSitWhereTheyShould) {
  EXPECT_EQ(kBrightnessSlider.id, 32878);
  EXPECT_EQ(kContrastSlider.id, 33038);
  EXPECT_EQ(kBrightnessSlider.rect, (ScreenRect{20, 30, 250, 40}));
  EXPECT_EQ(kContrastSlider.rect, (ScreenRect{20, 150, 250, 40}));
  for (const SliderLayout& slider : {kBrightnessSlider, kContrastSlider}) {
    EXPECT_EQ(slider.minimum, 0);
    EXPECT_EQ(slider.maximum, 100);
    EXPECT_EQ(slider.ticks, (std::array<int, 3>{25, 50, 75}));
    EXPECT_EQ(slider.page, 1);
    EXPECT_EQ(slider.position, 50);
  }
  EXPECT_EQ(kBrightnessLabel.rect, (ScreenRect{20, 70, 250, 30}));
  EXPECT_EQ(kContrastLabel.rect, (ScreenRect{20, 190, 250, 30}));
  EXPECT_EQ(PictureSliderOf(32878), PictureSlider::Brightness);
  EXPECT_EQ(PictureSliderOf(33038), PictureSlider::Contrast);
  EXPECT_FALSE(PictureSliderOf(33039).has_value());
}

TEST(BrightnessContrastWindowTest, DraggingIsContinuousAndClicksUseTheSlidersPosition) {
  EXPECT_EQ(SliderValueFor(SliderAction::ThumbTrack, 63, 50), 63);
  EXPECT_EQ(SliderValueFor(SliderAction::PageUp, 63, 49), 49);
  EXPECT_EQ(SliderValueFor(SliderAction::LineDown, 63, 51), 51);
  EXPECT_FALSE(SliderValueFor(SliderAction::Other, 63, 51).has_value());
}

class ScrollWindowTest : public ::testing::Test {
 protected:
  ScrollState state;
};

TEST_F(ScrollWindowTest, MaximaAreTheVideoBeyondTheClientAndNeverNegative) {
  ScrollResize resize = ResizeScrollView({1920, 480}, {1300, 500}, &state);
  EXPECT_EQ(state.horizontal.maximum, 620);
  EXPECT_EQ(state.vertical.maximum, 0);
  EXPECT_EQ(resize.horizontal, (ScrollBarSetting{620, 1300, 0}));
  EXPECT_EQ(resize.vertical, (ScrollBarSetting{0, 500, 0}));
}

TEST_F(ScrollWindowTest, ArrowsMoveFivePixelsAndTheChannelFiftyNeverPastTheEdges) {
  ResizeScrollView({800, 600}, {700, 500}, &state);  // maxima 100 and 100
  ScrollAxis& h = state.horizontal;
  EXPECT_EQ(ScrollAxisBy(ScrollAction::LineForward, 0, &h), 5);
  EXPECT_EQ(ScrollAxisBy(ScrollAction::PageForward, 0, &h), 50);
  EXPECT_EQ(h.position, 55);
  EXPECT_EQ(ScrollAxisBy(ScrollAction::PageForward, 0, &h), 45);  // stops at the edge
  EXPECT_EQ(ScrollAxisBy(ScrollAction::LineForward, 0, &h), 0);
  EXPECT_EQ(h.position, 100);
  EXPECT_EQ(ScrollAxisBy(ScrollAction::PageBack, 0, &h), -50);
  EXPECT_EQ(ScrollAxisBy(ScrollAction::LineBack, 0, &h), -5);
  EXPECT_EQ(ScrollAxisBy(ScrollAction::ThumbPosition, -30, &h), -45);
  EXPECT_EQ(h.position, 0);
  EXPECT_EQ(ScrollAxisBy(ScrollAction::ThumbPosition, 70, &h), 70);
  // Dragging the thumb does not move the picture.
  EXPECT_EQ(ScrollAxisBy(ScrollAction::Other, 10, &h), 0);
  EXPECT_EQ(h.position, 70);

  ScrollAxisBy(ScrollAction::PageForward, 0, &state.vertical);
  EXPECT_EQ(VideoWindowOffset(state), (PixelPoint{-70, -50}));
}

TEST_F(ScrollWindowTest, GrowingTheClientKeepsThePositionWithinTheNewMaximum) {
  ResizeScrollView({800, 600}, {700, 500}, &state);
  ScrollAxisBy(ScrollAction::ThumbPosition, 90, &state.horizontal);
  const ScrollResize resize = ResizeScrollView({800, 600}, {760, 500}, &state);
  EXPECT_EQ(state.horizontal, (ScrollAxis{40, 40}));
  // The bar shows where the picture is.
  EXPECT_EQ(resize.horizontal.position, 40);
  EXPECT_EQ(VideoWindowOffset(state).x, -40);
  // Larger than the video: nothing to scroll.
  ResizeScrollView({800, 600}, {900, 700}, &state);
  EXPECT_EQ(state.horizontal, (ScrollAxis{0, 0}));
  EXPECT_EQ(ScrollAxisBy(ScrollAction::LineForward, 0, &state.horizontal), 0);
}

}  // namespace
}  // namespace vesk
