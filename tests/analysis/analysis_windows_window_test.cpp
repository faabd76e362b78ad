// The Pixel Saturation and Frame Integration windows on the offscreen platform, driving the
// real analysis settings and live analysis; restarts of the video are counted.

#include <gtest/gtest.h>

#include <QAbstractSlider>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTest>
#include <QToolTip>
#include <memory>
#include <string>
#include <vector>

#include "analysis/frame_integration_window.h"
#include "analysis/pixel_saturation_window.h"
#include "analysis/pixels/live_analysis.h"
#include "support/fake_clock.h"
#include "support/recording_view.h"

namespace vesk {
namespace {

constexpr char kRangeReport[] =
    "\r\n21:45:00 (UTC)\r\n\r\nFrame count must be a value from 2 to 30\r\n";

class AnalysisWindowsTest : public ::testing::Test {
 protected:
  AnalysisWindowsTest() { log.AttachView(&view); }

  void Make(std::int32_t stored_value = -1) {
    options.pixel_saturation_value = stored_value;
    controls = std::make_unique<AnalysisControls>(AnalysisControlsContext{
        switches, options, log,
        [this](std::int32_t threshold) { analysis.SetSaturationThreshold(threshold); },
        [this] {
          ++restarts;
          return S_OK;
        },
        [this] {
          saved.push_back(options.pixel_saturation_value);
          return true;
        }});
    controls->TakeStoredSaturationValue();
    saturation = std::make_unique<PixelSaturationWindow>(*controls);
    integration = std::make_unique<FrameIntegrationWindow>(*controls);
  }

  // A graph start with the filter in it: the filter takes the settings of that moment.
  void StartGraph() { analysis.PrepareStreaming(0, 25, controls->SettingsForStart(), sets); }

  QStringList LabelTexts(QWidget* window) {
    QStringList texts;
    for (QLabel* label : window->findChildren<QLabel*>()) texts << label->text();
    return texts;
  }

  testing::FakeClock clock{testing::MakeFileTime(2026, 9, 3, 21, 45, 0)};
  MessageLog log{clock};
  testing::RecordingView view;
  RecognitionSets sets{std::vector<InterlacedSet>(2), {}};
  LiveAnalysis analysis{log};
  LiveSwitches switches;
  Options options;
  int restarts = 0;
  std::vector<std::int32_t> saved;
  std::unique_ptr<AnalysisControls> controls;
  std::unique_ptr<PixelSaturationWindow> saturation;
  std::unique_ptr<FrameIntegrationWindow> integration;
};

TEST_F(AnalysisWindowsTest, PixelSaturationHasItsControlsTextsAndRanges) {
  Make();
  EXPECT_EQ(saturation->objectName(), "PixelSaturation");
  EXPECT_EQ(saturation->windowTitle(), "Pixel Saturation");
  EXPECT_FALSE(saturation->isVisible());
  EXPECT_TRUE(LabelTexts(saturation.get()).contains("Set pixel saturation value, range 50 to 255"));
  QSlider* slider = saturation->slider();
  EXPECT_EQ(slider->minimum(), 50);
  EXPECT_EQ(slider->maximum(), 255);
  EXPECT_EQ(slider->value(), 255);
  EXPECT_EQ(slider->tickInterval(), 10);
  EXPECT_EQ(slider->pageStep(), 1);
  EXPECT_EQ(slider->tickPosition(), QSlider::TicksAbove);
  EXPECT_EQ(slider->geometry(), QRect(50, 105, 520, 70));
  EXPECT_EQ(saturation->choice_button(SaturationChoice::UseCurrentValue)->text(),
            "Use current value and close window");
  EXPECT_EQ(saturation->choice_button(SaturationChoice::SaveAsDefault)->text(),
            "Use current value as options default and close window");
  EXPECT_EQ(saturation->choice_button(SaturationChoice::RemoveDefault)->text(),
            "Remove saturation default from options and close window");
  EXPECT_EQ(saturation->choice_button(SaturationChoice::RemoveDefault)->objectName(), "32860");
  EXPECT_TRUE(saturation->choice_button(SaturationChoice::UseCurrentValue)->isChecked());
  EXPECT_EQ(saturation->ok_button()->text(), "OK");
  EXPECT_EQ(saturation->ok_button()->objectName(), "32861");
  EXPECT_EQ(saturation->cancel_button()->text(), "Cancel");
  EXPECT_TRUE(saturation->cancel_button()->isDefault());
}

TEST_F(AnalysisWindowsTest,
       OpeningFromTheMenuInsertsTheFilterOnceAndTheSliderWritesTheRunningThreshold) {
  Make();
  saturation->OpenFromMenu();
  EXPECT_TRUE(saturation->isVisible());
  EXPECT_TRUE(switches.saturation_highlight);
  EXPECT_EQ(restarts, 1);
  StartGraph();
  // No saved value: the filter runs with -1 and the picture is unchanged.
  EXPECT_EQ(analysis.saturation_threshold(), -1);

  QSlider* slider = saturation->slider();
  slider->setFocus();
  QTest::keyClick(slider, Qt::Key_Left);
  EXPECT_EQ(analysis.saturation_threshold(), 254);
  slider->triggerAction(QAbstractSlider::SliderPageStepSub);
  EXPECT_EQ(analysis.saturation_threshold(), 253);
  slider->setSliderPosition(200);  // dragging
  EXPECT_EQ(analysis.saturation_threshold(), 200);
  EXPECT_EQ(controls->saturation_value(), 200);
  // The running video took it: no restart, nothing saved.
  EXPECT_EQ(restarts, 1);
  EXPECT_TRUE(saved.empty());

  // Opening again moves the slider to the value in use and restarts nothing.
  slider->setValue(90);
  saturation->OpenFromMenu();
  EXPECT_EQ(slider->value(), 200);
  EXPECT_EQ(restarts, 1);
}

TEST_F(AnalysisWindowsTest, DraggingTheSaturationSliderShowsItsValueAtTheHandle) {
  Make();
  saturation->OpenFromMenu();
  QSlider* slider = saturation->slider();
  slider->setSliderDown(true);
  EXPECT_TRUE(QToolTip::isVisible());
  EXPECT_EQ(QToolTip::text(), "255");
  for (int position : {120, 87}) {
    slider->setSliderPosition(position);
    EXPECT_TRUE(QToolTip::isVisible());
    EXPECT_EQ(QToolTip::text(), QString::number(position));
  }
  slider->setSliderDown(false);
  for (int wait = 0; wait < 100 && QToolTip::isVisible(); ++wait) QTest::qWait(20);
  EXPECT_FALSE(QToolTip::isVisible());
}

TEST_F(AnalysisWindowsTest, TheChoicesNameTheButtonAndDecideWhatIsStored) {
  Make(120);
  saturation->OpenFromMenu();
  EXPECT_EQ(saturation->slider()->value(), 120);
  EXPECT_EQ(restarts, 0);  // highlighting was on from start-up

  QTest::mouseClick(saturation->choice_button(SaturationChoice::SaveAsDefault), Qt::LeftButton);
  EXPECT_EQ(saturation->ok_button()->text(), "Save");
  QTest::mouseClick(saturation->choice_button(SaturationChoice::RemoveDefault), Qt::LeftButton);
  EXPECT_EQ(saturation->ok_button()->text(), "Save");
  QTest::mouseClick(saturation->choice_button(SaturationChoice::UseCurrentValue), Qt::LeftButton);
  EXPECT_EQ(saturation->ok_button()->text(), "OK");

  saturation->slider()->setSliderPosition(180);
  saturation->slider()->setValue(180);
  QTest::mouseClick(saturation->ok_button(), Qt::LeftButton);
  EXPECT_FALSE(saturation->isVisible());
  EXPECT_TRUE(saved.empty());
  EXPECT_EQ(options.pixel_saturation_value, 120);
  EXPECT_EQ(analysis.saturation_threshold(), 180);

  saturation->OpenFromMenu();
  QTest::mouseClick(saturation->choice_button(SaturationChoice::SaveAsDefault), Qt::LeftButton);
  QTest::mouseClick(saturation->ok_button(), Qt::LeftButton);
  EXPECT_EQ(saved, (std::vector<std::int32_t>{180}));
  EXPECT_FALSE(saturation->isVisible());

  saturation->OpenFromMenu();
  QTest::mouseClick(saturation->choice_button(SaturationChoice::RemoveDefault), Qt::LeftButton);
  QTest::mouseClick(saturation->ok_button(), Qt::LeftButton);
  EXPECT_EQ(saved, (std::vector<std::int32_t>{180, -1}));
  // Unhighlighted at once; the filter stays until the next restart.
  EXPECT_EQ(analysis.saturation_threshold(), -1);
  EXPECT_FALSE(switches.saturation_highlight);
  EXPECT_EQ(restarts, 0);
}

TEST_F(AnalysisWindowsTest, ClosingOrCancellingPixelSaturationSwitchesItOffAndRestarts) {
  Make(150);
  saturation->OpenFromMenu();
  saturation->close();
  EXPECT_FALSE(saturation->isVisible());
  EXPECT_FALSE(switches.saturation_highlight);
  EXPECT_EQ(analysis.saturation_threshold(), -1);
  EXPECT_EQ(restarts, 1);
  EXPECT_EQ(options.pixel_saturation_value, 150);

  saturation->OpenFromMenu();
  EXPECT_EQ(restarts, 2);
  QTest::mouseClick(saturation->cancel_button(), Qt::LeftButton);
  EXPECT_FALSE(saturation->isVisible());
  EXPECT_FALSE(switches.saturation_highlight);
  EXPECT_EQ(restarts, 3);
}

TEST_F(AnalysisWindowsTest, FrameIntegrationHasItsControlsAndTexts) {
  Make();
  EXPECT_EQ(integration->objectName(), "FrameIntegration");
  EXPECT_EQ(integration->windowTitle(), "Frame Integration");
  const QStringList texts = LabelTexts(integration.get());
  EXPECT_TRUE(texts.contains("Frame Count:"));
  EXPECT_TRUE(texts.contains(
      "Integration frame count is the number of frames\noverlaid on top of one another and "
      "presented as a\nsingle frame.  Frame count can vary from 2 to 30.\nDisplay only impact.  "
      "Record file has no integration."));
  EXPECT_EQ(integration->count_field()->maxLength(), 2);
  EXPECT_EQ(integration->start_button()->text(), "Start");
  EXPECT_EQ(integration->start_button()->objectName(), "33028");
  EXPECT_EQ(integration->cancel_button()->text(), "Cancel");
  // Digits only.
  integration->count_field()->clear();
  QTest::keyClicks(integration->count_field(), "a1b");
  EXPECT_EQ(integration->count_field()->text(), "1");
}

TEST_F(AnalysisWindowsTest, CountsOutsideTwoToThirtyAreRefusedAndTheFieldGoesBackToTwo) {
  Make();
  integration->count_field()->setText("9");
  integration->OpenFromMenu();
  EXPECT_TRUE(integration->isVisible());
  EXPECT_EQ(integration->count_field()->text(), "2");
  for (const char* text : {"1", "31", ""}) {
    view.entries.clear();
    integration->count_field()->setText(text);
    QTest::mouseClick(integration->start_button(), Qt::LeftButton);
    EXPECT_EQ(view.entries, (std::vector<std::string>{kRangeReport})) << text;
    EXPECT_EQ(integration->count_field()->text(), "2") << text;
  }
  EXPECT_EQ(switches.integration_count, 1);
  EXPECT_EQ(restarts, 0);

  integration->count_field()->setText("30");
  QTest::mouseClick(integration->start_button(), Qt::LeftButton);
  EXPECT_EQ(switches.integration_count, 30);
  EXPECT_EQ(restarts, 1);
  EXPECT_TRUE(integration->isVisible());  // the window stays open
  StartGraph();
  EXPECT_EQ(analysis.integration().frame_count, 30u);
}

TEST_F(AnalysisWindowsTest, ClosingOrCancellingFrameIntegrationSwitchesItOffAndRestarts) {
  Make();
  integration->OpenFromMenu();
  integration->count_field()->setText("4");
  QTest::mouseClick(integration->start_button(), Qt::LeftButton);
  ASSERT_EQ(restarts, 1);
  integration->close();
  EXPECT_FALSE(integration->isVisible());
  EXPECT_EQ(switches.integration_count, 1);
  EXPECT_EQ(restarts, 2);

  integration->OpenFromMenu();
  QTest::mouseClick(integration->cancel_button(), Qt::LeftButton);
  EXPECT_FALSE(integration->isVisible());
  EXPECT_EQ(switches.integration_count, 1);
  EXPECT_EQ(restarts, 3);
}

}  // namespace
}  // namespace vesk
