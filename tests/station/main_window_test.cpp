#include "station/main_window.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSlider>
#include <QTest>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "analysis/frame_integration_window.h"
#include "analysis/pixel_saturation_window.h"
#include "station/brightness_contrast_window.h"
#include "station/record_controls_window.h"
#include "station/user_messages_window.h"
#include "station/video_record_window.h"
#include "station/window_layout.h"
#include "ui_support/station_fixture.h"

namespace vesk {
namespace {

using testing::StationWindowTest;
using Lines = std::vector<std::string>;

// One line per entry: text (without keyboard marks), identifier, "gray", "checked".
std::string Line(const std::string& indent, std::string text, int id, bool enabled, bool checked) {
  return indent + text + " #" + std::to_string(id) + (enabled ? "" : " gray") +
         (checked ? " checked" : "");
}

void Describe(const std::vector<MenuEntry>& entries, const std::string& indent, Lines* out) {
  for (const MenuEntry& e : entries) {
    out->push_back(
        e.kind == MenuEntryKind::Separator
            ? indent + "-"
            : Line(indent, e.text, e.kind == MenuEntryKind::Item ? e.id : 0, e.enabled, e.checked));
    Describe(e.children, indent + "  ", out);
  }
}

void Describe(const QList<QAction*>& actions, const std::string& indent, Lines* out) {
  for (QAction* a : actions) {
    QMenu* sub = a->menu();
    out->push_back(a->isSeparator()
                       ? indent + "-"
                       : Line(indent, a->text().remove('&').toStdString(),
                              sub ? 0 : a->data().toInt(),
                              a->isEnabled() && (!sub || sub->isEnabled()), a->isChecked()));
    if (sub != nullptr) Describe(sub->actions(), indent + "  ", out);
  }
}

// Both menu bars show the station's menu model: texts, order, identifiers and states.
void ExpectMenusFromModel(qt::QtStationWindows& windows, const AppState& station) {
  Lines model, shown;
  Describe(station.menus().main, "", &model);
  Describe(station.menus().user_messages, "UM ", &model);
  Describe(windows.main_window()->menuBar()->actions(), "", &shown);
  Describe(windows.user_messages_window()->menuBar()->actions(), "UM ", &shown);
  EXPECT_EQ(shown, model);
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

TEST(MainWindowMenusTest, EntriesOfAnotherShapeBuildTheBarAnew) {
  MainWindow window;
  std::vector<MenuEntry> entries = BuildMenus(CommandIds{}, MenuState{}).main;
  window.ApplyMenus(entries);
  ASSERT_NE(window.action(MenuCommand::About), nullptr);
  entries.pop_back();  // no "Help"
  window.ApplyMenus(entries);
  EXPECT_EQ(window.action(MenuCommand::About), nullptr);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(window.menuBar()->findChildren<QMenu*>().size(), 5);  // with "Recording Options"
}

TEST_F(StationWindowTest, SetWindowPositionsThenARestartBringsEveryWindowBackAsSaved) {
  AddDevice();
  // Saved in the corner and beyond it: the captions come back on the work area.
  Options options;
  SetDefaultOptions(&options);
  options.main_window_position = {0, 0};
  options.record_controls_window_position = {-40, -30};
  ASSERT_TRUE(SaveOptions(options, {}));
  Start();
  // Every window shown, as the window manager frames it: where each frame stands, and the
  // sizes the layout sets.
  auto frames = [this] {
    std::vector<QRect> out;
    for (WindowId window : kStoreAllOrder) {
      QWidget* widget = windows.WidgetOf(window);
      if (widget != nullptr) widget->show();
    }
    Settle();
    for (WindowId window : kStoreAllOrder) {
      const QRect frame =
          windows.WidgetOf(window) ? windows.WidgetOf(window)->frameGeometry() : QRect();
      const bool sized = window == WindowId::UserMessages || window == WindowId::Main;
      out.push_back(sized ? frame : QRect(frame.topLeft(), QSize(1, 1)));
    }
    return out;
  };
  const auto shown = frames();
  const QPoint corner = QGuiApplication::primaryScreen()->availableGeometry().topLeft();
  EXPECT_EQ(shown[0].topLeft(), corner);
  EXPECT_EQ(shown[4].topLeft(), corner);  // the Record window
  // Stored as created: the frame's rectangle.
  EXPECT_EQ(windows.user_messages_window()->frameGeometry(), QRect(50, 50, 700, 460));
  MainAction(MenuCommand::SetWindowPositions)->trigger();
  const Options saved = station->options();
  EXPECT_EQ(saved.message_window_position, (WindowPlacement{50, 50, 700, 460}));
  EXPECT_EQ(frames(), shown);

  StopStation();
  Start();
  // The restarted windows are placed again as the window manager frames them, which on a
  // cold desktop can take a few rounds.
  auto after_restart = frames();
  for (int round = 0; round < 20 && after_restart != shown; ++round) after_restart = frames();
  EXPECT_EQ(after_restart, shown);
  MainAction(MenuCommand::SetWindowPositions)->trigger();
  EXPECT_EQ(station->options().message_window_position, saved.message_window_position);
  for (WindowId window : kStoreAllOrder) {
    EXPECT_EQ(SavedWindowPosition(station->options(), window), SavedWindowPosition(saved, window))
        << static_cast<int>(window);
  }
}

TEST_F(StationWindowTest, TheRecordWindowStaysAboveTheMainWindowWhenTheVideoIsClicked) {
  AddDevice();
  Start();
  QWidget* main = windows.main_window();
  const WId record = windows.record_controls_window()->winId();
  if (QGuiApplication::platformName() != QLatin1String("xcb")) return;
  Settle();
  main->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(main));
  Settle();
  // The window manager's stacking order, bottom to top.
  QProcess xprop;
  xprop.start(QStringLiteral("xprop"), {"-root", "_NET_CLIENT_LIST_STACKING"});
  ASSERT_TRUE(xprop.waitForFinished(5000));
  const QString listed = QString::fromLatin1(xprop.readAllStandardOutput()).section('#', 1);
  const auto at = [&](WId id) { return listed.indexOf(QStringLiteral("0x%1").arg(id, 0, 16)); };
  ASSERT_GE(at(main->winId()), 0) << listed.toStdString();
  EXPECT_GT(at(record), at(main->winId())) << listed.toStdString();
}

TEST_F(StationWindowTest, StartAndStopSwitchButtonsTitleAndMenus) {
  AddDevice();
  Start();
  EXPECT_EQ(windows.main_window()->objectName().toStdString(), kMainWindowClass);
  ExpectMenusFromModel(windows, *station);
  QAction* open = MainAction(MenuCommand::Open);
  const auto menus = windows.main_window()->menuBar()->findChildren<QMenu*>().size();
  RecordControlsWindow* controls = windows.record_controls_window();
  ASSERT_TRUE(controls->isVisible());
  EXPECT_TRUE(controls->start_button()->isEnabled());
  EXPECT_FALSE(controls->stop_button()->isEnabled());

  QTest::mouseClick(controls->start_button(), Qt::LeftButton);
  EXPECT_FALSE(controls->start_button()->isEnabled());
  EXPECT_TRUE(controls->stop_button()->isEnabled());
  EXPECT_EQ(windows.main_window()->windowTitle(), "VESK Video Capture -- Recording in progress");
  EXPECT_TRUE(Recording());
  ExpectMenusFromModel(windows, *station);

  // Neither the record controls nor the User Messages window can be closed.
  EXPECT_FALSE(controls->close() || windows.user_messages_window()->close());
  EXPECT_TRUE(controls->isVisible() && windows.user_messages_window()->isVisible());

  QTest::mouseClick(controls->stop_button(), Qt::LeftButton);
  EXPECT_TRUE(controls->start_button()->isEnabled());
  EXPECT_EQ(windows.main_window()->windowTitle(), "VESK Video Capture Version 2");
  EXPECT_TRUE(std::filesystem::exists(testing::kRecordingLogFile));
  ExpectMenusFromModel(windows, *station);
  // The menus were changed in place: the same actions, no menu added.
  EXPECT_EQ(MainAction(MenuCommand::Open), open);
  EXPECT_EQ(windows.main_window()->menuBar()->findChildren<QMenu*>().size(), menus);
  EXPECT_TRUE(media.graphs.back()->running);
  EXPECT_EQ(quits, 0);
}

TEST_F(StationWindowTest, X2TwiceRestartsTwiceAndReturnsToNormalSize) {
  AddDevice();
  Start();
  VideoRecordWindow* video = windows.video_window();
  // The frame plus the video window's margin.
  EXPECT_EQ(video->size(), QSize(730, 583));
  const int runs = Runs();

  MainAction(MenuCommand::X2Magnification)->trigger();
  EXPECT_TRUE(MainAction(MenuCommand::X2Magnification)->isChecked());
  EXPECT_EQ(video->size(), QSize(1450, 1159));
  // Twice the video no longer fits the screen: it is shown in the scrolling container, and
  // the window, frame and all, stays within the work area.
  EXPECT_TRUE(windows.main_window()->video_in_scroll_container());
  // Its arrows move the video five pixels.
  EXPECT_EQ(windows.main_window()->scroll_container()->horizontalScrollBar()->singleStep(), 5);
  const QRect area = windows.main_window()->screen()->availableGeometry();
  EXPECT_TRUE(area.contains(windows.main_window()->frameGeometry()))
      << windows.main_window()->frameGeometry().width() << " x "
      << windows.main_window()->frameGeometry().height();

  MainAction(MenuCommand::X2Magnification)->trigger();
  EXPECT_FALSE(MainAction(MenuCommand::X2Magnification)->isChecked());
  EXPECT_EQ(video->size(), QSize(730, 583));
  EXPECT_EQ(Runs(), runs + 2);
  EXPECT_TRUE(media.graphs.back()->running);
}

TEST_F(StationWindowTest, ExitAndTheCloseBoxStopARunningRecordingAndWriteItsLogFirst) {
  AddDevice();
  for (const bool close_box : {false, true}) {
    StopStation();
    // What the first round recorded would send the second into a continuation file.
    const std::string log = testing::kRecordingLogFile;
    std::filesystem::remove(log);
    std::filesystem::remove(log.substr(0, log.size() - 4) + ".frames.csv");
    quits = 0;
    Start();
    windows.record_controls_window()->start_button()->click();
    ASSERT_TRUE(Recording());
    if (close_box) {
      windows.main_window()->close();
    } else {
      MainAction(MenuCommand::Exit)->trigger();
    }
    EXPECT_TRUE(std::filesystem::exists(testing::kRecordingLogFile)) << close_box;
    EXPECT_FALSE(media.graphs.back()->running);
    EXPECT_FALSE(windows.main_window()->isVisible());
    // A second request (the close box after Exit) does nothing more.
    station->Exit();
    EXPECT_EQ(quits, 1);
  }
}

TEST_F(StationWindowTest, BrightnessContrastShowsItsWindowAndItsCloseBoxEndsTheAdjustment) {
  AddDevice();
  Start();
  const int runs = Runs();
  MainAction(MenuCommand::BrightnessContrast)->trigger();
  BrightnessContrastWindow* window = windows.brightness_contrast_window();
  ASSERT_TRUE(window->isVisible());
  EXPECT_TRUE(MainAction(MenuCommand::BrightnessContrast)->isChecked());

  // A step reports the slider's new position, a drag every position it passes, the release
  // nothing more: each reaches the colour control at once.
  const auto& values = media.colour_filters.back()->colour_control->values;
  QSlider* slider = window->slider(PictureSlider::Brightness);
  QTest::keyClick(slider, Qt::Key_Right);
  EXPECT_EQ(values.at(ColourKey::Brightness), 2);  // 51 % of -127 to 127
  slider->setSliderDown(true);
  for (const auto& [position, value] : {std::pair{60, 25}, std::pair{63, 33}}) {
    slider->setSliderPosition(position);
    EXPECT_EQ(values.at(ColourKey::Brightness), value);
  }
  slider->setSliderDown(false);

  // Closing returns the sliders to the middle without reporting it.
  window->close();
  EXPECT_EQ(slider->value(), 50);
  EXPECT_EQ(values.at(ColourKey::Brightness), 33);
  EXPECT_FALSE(window->isVisible());
  EXPECT_FALSE(MainAction(MenuCommand::BrightnessContrast)->isChecked());
  // Each change of the adjustment restarts live video.
  EXPECT_EQ(Runs(), runs + 2);
}

TEST_F(StationWindowTest, ARecordingHidesFrameIntegrationAndExitHidesAnalysisWithoutARestart) {
  AddDevice();
  Start(true);
  MainAction(MenuCommand::PixelSaturation)->trigger();
  MainAction(MenuCommand::FrameIntegration)->trigger();
  QTest::mouseClick(windows.frame_integration_window()->start_button(), Qt::LeftButton);
  ASSERT_EQ(station->analysis_controls().integration_count(), 2);

  windows.record_controls_window()->start_button()->click();
  ASSERT_TRUE(Recording());
  EXPECT_FALSE(windows.frame_integration_window()->isVisible());
  EXPECT_EQ(station->analysis_controls().integration_count(), 1);
  // Display filters stay while recording (the option is off): highlighting goes on.
  EXPECT_TRUE(windows.pixel_saturation_window()->isVisible());
  EXPECT_TRUE(TransformInGraph());

  // Exit hides the analysis windows without cancelling them (no restart on the way out).
  const int runs = Runs();
  MainAction(MenuCommand::Exit)->trigger();
  EXPECT_FALSE(windows.pixel_saturation_window()->isVisible());
  EXPECT_EQ(Runs(), runs);
  EXPECT_TRUE(station->graph().switches().saturation_highlight);
}

}  // namespace
}  // namespace vesk
