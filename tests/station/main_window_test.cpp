#include "station/main_window.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QSlider>
#include <QTest>
#include <algorithm>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "analysis/frame_integration_window.h"
#include "analysis/pixel_saturation_window.h"
#include "config/options.h"
#include "station/brightness_contrast_window.h"
#include "station/record_controls_window.h"
#include "station/user_messages_window.h"
#include "station/video_record_window.h"
#include "station/window_layout.h"
#include "ui_support/station_fixture.h"

namespace vesk {
namespace {

using testing::StationWindowTest;

// One line per menu entry: popups as "[text]", separators as "-", items as "text #offset"
// (offset from the first identifier), "(gray)" and "(checked)" when so; nested popups are
// indented.
void Describe(QMenu* menu, int first, const std::string& indent, std::vector<std::string>* out) {
  for (QAction* action : menu->actions()) {
    if (action->isSeparator()) {
      out->push_back(indent + "-");
      continue;
    }
    std::string line = indent;
    if (QMenu* sub = action->menu()) {
      line += "[" + action->text().toStdString() + "]";
      if (!action->isEnabled() || !sub->isEnabled()) line += " (gray)";
      out->push_back(line);
      Describe(sub, first, indent + "  ", out);
      continue;
    }
    line += action->text().toStdString() + " #" + std::to_string(action->data().toInt() - first);
    if (!action->isEnabled()) line += " (gray)";
    if (action->isChecked()) line += " (checked)";
    out->push_back(line);
  }
}

std::vector<std::string> DescribeBar(QMenuBar* bar, int first) {
  std::vector<std::string> out;
  for (QAction* action : bar->actions()) {
    // Built in steps: GCC 12 at -O3 misreads "[" + string&& as an overlapping copy.
    std::string line = "[";
    // As displayed: the title's mnemonic marker is not part of its text.
    line += action->text().remove(QLatin1Char('&')).toStdString();
    line += "]";
    if (!action->isEnabled()) line += " (gray)";
    out.push_back(line);
    Describe(action->menu(), first, "  ", &out);
  }
  return out;
}

TEST_F(StationWindowTest, MenusHaveTheirTextsOrderAndIdentifiers) {
  AddDevice();
  Start();
  EXPECT_EQ(windows.main_window()->objectName(), "VESK_VideoCapture");
  EXPECT_EQ(windows.main_window()->windowTitle(), "VESK Video Capture Version 2");
  EXPECT_EQ(DescribeBar(windows.main_window()->menuBar(), kFirstCommandIdentifier),
            (std::vector<std::string>{
                "[File]",
                "  Open #8",
                "  Exit #9",
                "[Events]",
                "  Schedule... #10",
                "  Edit and Delete... #11",
                "[Display]",
                "  Brightness/Contrast... #12",
                "  Pixel Saturation... #14",
                "  Frame Integration... #15",
                "  USB GPS Receiver... #16",
                "  -",
                "  x2 Magnification #13",
                "[Options]",
                "  Select Video Input Device... #0",
                "  [Recording Options]",
                "    File... #1",
                "    Codec... #3",
                "    Duration Default... #2",
                "  Event Pending... #4",
                "  Performance... #5",
                "  Misc... #6",
                "  Set Window Positions #7",
                "[Help]",
                "  About VESK Video Application #17",
            }));
  EXPECT_EQ(
      DescribeBar(windows.user_messages_window()->menuBar(), kFirstCommandIdentifier),
      (std::vector<std::string>{"[File]", "  Save Messages #18", "  Save Messages and Clear #19"}));
  EXPECT_TRUE(MainAction(MenuCommand::X2Magnification)->isCheckable());
}

TEST_F(StationWindowTest, F10AltAndMnemonicsReachTheMenuBarsFromTheKeyboard) {
  AddDevice();
  Start();
  for (QMainWindow* window : {static_cast<QMainWindow*>(windows.main_window()),
                              static_cast<QMainWindow*>(windows.user_messages_window())}) {
    window->show();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    QMenuBar* bar = window->menuBar();
    EXPECT_EQ(bar->actions().front()->text(), "&File");

    // F10 and Alt with the underlined letter open the first menu.
    for (const QKeyCombination keys :
         {QKeyCombination(Qt::AltModifier, Qt::Key_F), QKeyCombination(Qt::Key_F10)}) {
      SCOPED_TRACE(QKeySequence(keys).toString().toStdString());
      QTest::keyClick(window, keys.key(), keys.keyboardModifiers());
      ASSERT_EQ(bar->activeAction(), bar->actions().front());
      QMenu* menu = bar->activeAction()->menu();
      EXPECT_TRUE(menu->isVisible());
      // Escape closes the menu, a second one leaves the bar.
      QTest::keyClick(menu, Qt::Key_Escape);
      QTest::keyClick(bar, Qt::Key_Escape);
      EXPECT_EQ(bar->activeAction(), nullptr);
    }

    // Alt alone selects the first title; the arrows then move along the bar.
    QTest::keyPress(window, Qt::Key_Alt);
    QTest::keyRelease(window, Qt::Key_Alt);
    ASSERT_EQ(bar->activeAction(), bar->actions().front());
    if (bar->actions().size() > 1) {
      QTest::keyClick(bar, Qt::Key_Right);
      EXPECT_EQ(bar->activeAction(), bar->actions()[1]);
    }
    QTest::keyClick(bar, Qt::Key_Escape);
  }
}

TEST_F(StationWindowTest, WithoutADeviceTheItemsThatNeedOneAreGrayed) {
  Start();
  const std::vector<std::string> menus =
      DescribeBar(windows.main_window()->menuBar(), kFirstCommandIdentifier);
  for (const char* gray :
       {"  Brightness/Contrast... #12 (gray)", "  Pixel Saturation... #14 (gray)",
        "  Frame Integration... #15 (gray)", "  x2 Magnification #13 (gray)",
        "  Select Video Input Device... #0 (gray)", "    Codec... #3 (gray)"}) {
    EXPECT_NE(std::find(menus.begin(), menus.end(), gray), menus.end()) << gray;
  }
  EXPECT_TRUE(MainAction(MenuCommand::Exit)->isEnabled());
  EXPECT_TRUE(MainAction(MenuCommand::UsbGpsReceiver)->isEnabled());
  EXPECT_FALSE(windows.record_controls_window()->isVisible());
  EXPECT_FALSE(windows.video_window()->isVisible());
}

TEST_F(StationWindowTest, StartAndStopSwitchButtonsTitleAndMenus) {
  AddDevice();
  Start();
  RecordControlsWindow* controls = windows.record_controls_window();
  ASSERT_TRUE(controls->isVisible());
  EXPECT_EQ(controls->windowTitle(), "Record");
  EXPECT_TRUE(controls->start_button()->isEnabled());
  EXPECT_FALSE(controls->stop_button()->isEnabled());

  QTest::mouseClick(controls->start_button(), Qt::LeftButton);
  EXPECT_FALSE(controls->start_button()->isEnabled());
  EXPECT_TRUE(controls->stop_button()->isEnabled());
  EXPECT_EQ(windows.main_window()->windowTitle(), "VESK Video Capture -- Recording in progress");
  EXPECT_FALSE(media.graphs.back()->output_path.empty());
  const std::vector<std::string> recording =
      DescribeBar(windows.main_window()->menuBar(), kFirstCommandIdentifier);
  for (const char* gray : {"[Events] (gray)", "[Display] (gray)", "[Options] (gray)",
                           "[Help] (gray)", "  Open #8 (gray)"}) {
    EXPECT_NE(std::find(recording.begin(), recording.end(), gray), recording.end()) << gray;
  }
  EXPECT_FALSE(UserMessagesAction(MenuCommand::SaveMessages)->isEnabled() &&
               windows.user_messages_window()->menuBar()->actions().front()->isEnabled());
  EXPECT_TRUE(MainAction(MenuCommand::Exit)->isEnabled());

  QTest::mouseClick(controls->stop_button(), Qt::LeftButton);
  EXPECT_TRUE(controls->start_button()->isEnabled());
  EXPECT_FALSE(controls->stop_button()->isEnabled());
  EXPECT_EQ(windows.main_window()->windowTitle(), "VESK Video Capture Version 2");
  EXPECT_TRUE(std::filesystem::exists("VideoFiles/07_14_2026_03_05_09.log"));
  for (const std::string& line :
       DescribeBar(windows.main_window()->menuBar(), kFirstCommandIdentifier)) {
    EXPECT_EQ(line.find("(gray)"), std::string::npos) << line;
  }
  // Live video again.
  EXPECT_TRUE(media.graphs.back()->running);
}

TEST_F(StationWindowTest, X2TwiceRestartsTwiceAndReturnsToNormalSize) {
  AddDevice();
  Start();
  VideoRecordWindow* video = windows.video_window();
  // The frame plus the video window's margin.
  EXPECT_EQ(video->size(), QSize(730, 583));
  const int runs = media.plan.Calls("Run");

  MainAction(MenuCommand::X2Magnification)->trigger();
  EXPECT_TRUE(MainAction(MenuCommand::X2Magnification)->isChecked());
  EXPECT_EQ(video->size(), QSize(1450, 1159));
  // Twice the video no longer fits the screen: it is shown in the scrolling container, and
  // the window, frame and all, stays within the work area.
  EXPECT_TRUE(windows.main_window()->video_in_scroll_container());
  const QRect area = windows.main_window()->screen()->availableGeometry();
  EXPECT_TRUE(area.contains(windows.main_window()->frameGeometry()))
      << windows.main_window()->frameGeometry().width() << " x "
      << windows.main_window()->frameGeometry().height();

  MainAction(MenuCommand::X2Magnification)->trigger();
  EXPECT_FALSE(MainAction(MenuCommand::X2Magnification)->isChecked());
  EXPECT_EQ(video->size(), QSize(730, 583));
  EXPECT_EQ(media.plan.Calls("Run"), runs + 2);
  EXPECT_TRUE(media.graphs.back()->running);
}

TEST_F(StationWindowTest, SetWindowPositionsThenARestartBringsEveryWindowBackAsSaved) {
  AddDevice();
  Start();
  auto rects = [this] {
    std::vector<std::optional<ScreenRect>> out;
    for (WindowId window : kStoreAllOrder) out.push_back(windows.CurrentWindowRect(window));
    return out;
  };
  const auto shown = rects();
  MainAction(MenuCommand::SetWindowPositions)->trigger();
  const Options saved = station->options();
  // Stored as created: the frame's rectangle.
  EXPECT_EQ(saved.message_window_position, (WindowPlacement{50, 50, 700, 460}));
  EXPECT_EQ(rects(), shown);

  station.reset();
  Start();
  EXPECT_EQ(rects(), shown);
  MainAction(MenuCommand::SetWindowPositions)->trigger();
  EXPECT_EQ(station->options().message_window_position, saved.message_window_position);
  for (WindowId window : kStoreAllOrder) {
    EXPECT_EQ(SavedWindowPosition(station->options(), window), SavedWindowPosition(saved, window))
        << static_cast<int>(window);
  }
}

TEST_F(StationWindowTest, ExitStopsARunningRecordingAndWritesItsLogFirst) {
  AddDevice();
  Start();
  windows.record_controls_window()->start_button()->click();
  ASSERT_FALSE(media.graphs.back()->output_path.empty());

  MainAction(MenuCommand::Exit)->trigger();
  EXPECT_TRUE(std::filesystem::exists("VideoFiles/07_14_2026_03_05_09.log"));
  EXPECT_FALSE(media.graphs.back()->running);
  EXPECT_FALSE(windows.main_window()->isVisible());
  EXPECT_EQ(quits, 1);
}

TEST_F(StationWindowTest, TheCloseBoxStopsARunningRecordingAndWritesItsLogFirst) {
  AddDevice();
  Start();
  windows.record_controls_window()->start_button()->click();

  windows.main_window()->close();
  EXPECT_FALSE(windows.main_window()->isVisible());
  EXPECT_TRUE(std::filesystem::exists("VideoFiles/07_14_2026_03_05_09.log"));
  EXPECT_FALSE(media.graphs.back()->running);
  EXPECT_EQ(quits, 1);
}

TEST_F(StationWindowTest, RecordAndUserMessagesWindowsCannotBeClosed) {
  AddDevice();
  Start();
  EXPECT_FALSE(windows.record_controls_window()->close());
  EXPECT_TRUE(windows.record_controls_window()->isVisible());
  EXPECT_FALSE(windows.user_messages_window()->close());
  EXPECT_TRUE(windows.user_messages_window()->isVisible());
  EXPECT_EQ(quits, 0);
}

TEST_F(StationWindowTest, BrightnessContrastShowsItsShellAndItsCloseBoxEndsTheAdjustment) {
  AddDevice();
  Start();
  const int runs = media.plan.Calls("Run");
  MainAction(MenuCommand::BrightnessContrast)->trigger();
  QWidget* window = windows.brightness_contrast_window();
  ASSERT_TRUE(window->isVisible());
  EXPECT_EQ(window->windowTitle(), "Brightness and Contrast");
  EXPECT_TRUE(MainAction(MenuCommand::BrightnessContrast)->isChecked());

  window->close();
  EXPECT_FALSE(window->isVisible());
  EXPECT_FALSE(MainAction(MenuCommand::BrightnessContrast)->isChecked());
  // Each change of the adjustment restarts live video.
  EXPECT_EQ(media.plan.Calls("Run"), runs + 2);
}

bool TransformIn(const testing::FakeGraph& graph) {
  const std::vector<std::string> names = graph.FilterNames();
  return std::find(names.begin(), names.end(), kTransformFilterName) != names.end();
}

TEST_F(StationWindowTest, PixelSaturationOpensItsWindowAndSwitchesHighlightingOnOnce) {
  AddDevice();
  Start(true);
  PixelSaturationWindow* window = windows.pixel_saturation_window();
  ASSERT_NE(window, nullptr);
  EXPECT_FALSE(window->isVisible());
  const int runs = media.plan.Calls("Run");

  MainAction(MenuCommand::PixelSaturation)->trigger();
  EXPECT_TRUE(window->isVisible());
  EXPECT_EQ(window->windowTitle(), "Pixel Saturation");
  // No value in use: the slider stays where it was made.
  EXPECT_EQ(window->slider()->value(), 255);
  EXPECT_TRUE(station->graph().switches().saturation_highlight);
  EXPECT_EQ(media.plan.Calls("Run"), runs + 1);
  EXPECT_TRUE(TransformIn(*media.graphs.back()));
  // The filter passes frames unchanged until the slider moves.
  EXPECT_EQ(station->live_analysis().saturation_threshold(), -1);

  // Already on: the window only comes forward.
  MainAction(MenuCommand::PixelSaturation)->trigger();
  EXPECT_EQ(media.plan.Calls("Run"), runs + 1);
  EXPECT_TRUE(window->isVisible());
}

TEST_F(StationWindowTest, AStoredSaturationValueHighlightsFromTheStartAndPlacesTheSlider) {
  Options options;
  options.pixel_saturation_value = 120;
  options.pixel_saturation_window_position = {60, 70};
  options.frame_integration_window_position = {80, 90};
  ASSERT_TRUE(SaveOptions(options, {}));
  AddDevice();
  Start(true);
  EXPECT_TRUE(TransformIn(*media.graphs.back()));
  EXPECT_EQ(station->live_analysis().saturation_threshold(), 120);
  // Both windows were placed at start-up where the options keep them.
  EXPECT_EQ(windows.pixel_saturation_window()->frameGeometry().topLeft(), QPoint(60, 70));
  EXPECT_EQ(windows.frame_integration_window()->frameGeometry().topLeft(), QPoint(80, 90));
  const int runs = media.plan.Calls("Run");

  MainAction(MenuCommand::PixelSaturation)->trigger();
  EXPECT_EQ(windows.pixel_saturation_window()->slider()->value(), 120);
  EXPECT_EQ(media.plan.Calls("Run"), runs);
}

TEST_F(StationWindowTest, FrameIntegrationOpensWithCountTwoAndStartRestartsTheVideo) {
  AddDevice();
  Start(true);
  FrameIntegrationWindow* window = windows.frame_integration_window();
  window->count_field()->setText("7");
  const int runs = media.plan.Calls("Run");

  MainAction(MenuCommand::FrameIntegration)->trigger();
  EXPECT_TRUE(window->isVisible());
  EXPECT_EQ(window->count_field()->text(), "2");
  EXPECT_EQ(media.plan.Calls("Run"), runs);

  QTest::mouseClick(window->start_button(), Qt::LeftButton);
  EXPECT_EQ(station->analysis_controls().integration_count(), 2);
  EXPECT_EQ(media.plan.Calls("Run"), runs + 1);
  EXPECT_EQ(station->live_analysis().integration().frame_count, 2u);
  EXPECT_TRUE(window->isVisible());
}

TEST_F(StationWindowTest, ARecordingHidesFrameIntegrationAndSwitchesItOff) {
  AddDevice();
  Start(true);
  MainAction(MenuCommand::PixelSaturation)->trigger();
  MainAction(MenuCommand::FrameIntegration)->trigger();
  windows.frame_integration_window()->count_field()->setText("4");
  QTest::mouseClick(windows.frame_integration_window()->start_button(), Qt::LeftButton);
  ASSERT_EQ(station->analysis_controls().integration_count(), 4);

  windows.record_controls_window()->start_button()->click();
  ASSERT_FALSE(media.graphs.back()->output_path.empty());
  EXPECT_FALSE(windows.frame_integration_window()->isVisible());
  EXPECT_EQ(station->analysis_controls().integration_count(), 1);
  // Display filters stay while recording (the option is off): highlighting goes on.
  EXPECT_TRUE(windows.pixel_saturation_window()->isVisible());
  EXPECT_TRUE(TransformIn(*media.graphs.back()));

  // Exit hides the analysis windows without cancelling them (no restart on the way out).
  const int runs = media.plan.Calls("Run");
  MainAction(MenuCommand::Exit)->trigger();
  EXPECT_FALSE(windows.pixel_saturation_window()->isVisible());
  EXPECT_EQ(media.plan.Calls("Run"), runs);
  EXPECT_TRUE(station->graph().switches().saturation_highlight);
}

}  // namespace
}  // namespace vesk
