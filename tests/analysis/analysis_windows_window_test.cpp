// The Pixel Saturation window on the offscreen platform, driving the real analysis settings
// and live analysis; restarts of the video are counted.

#include <gtest/gtest.h>

#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSlider>
#include <QTest>
#include <QToolTip>
#include <vector>

#include "analysis/pixel_saturation_window.h"
#include "analysis/pixels/live_analysis.h"
#include "support/fake_clock.h"

namespace vesk {
namespace {

TEST(AnalysisWindowsTest, OpeningInsertsTheFilterOnceAndTheSliderWritesTheRunningThreshold) {
  LiveSwitches switches;
  struct Station final : AnalysisStation {
    void SetFilterThreshold(std::int32_t t) override { analysis.SetSaturationThreshold(t); }
    HResult RestartLiveVideo() override { return ++restarts, S_OK; }
    bool SaveOptions() override { return saved.push_back(options.pixel_saturation_value), true; }
    testing::FakeClock clock{testing::MakeFileTime(2026, 9, 3, 21, 45, 0)};
    MessageLog log{clock};
    LiveAnalysis analysis{log};
    Options options;
    int restarts = 0;
    std::vector<std::int32_t> saved;
  } station;
  LiveAnalysis& analysis = station.analysis;
  AnalysisControls controls({switches, station.options, station.log, station});
  controls.TakeStoredSaturationValue();
  PixelSaturationWindow saturation(controls);

  saturation.OpenFromMenu();
  EXPECT_EQ(station.restarts, 1);
  // A graph start takes the settings of that moment: no saved value, so -1 (picture unchanged).
  analysis.PrepareStreaming(0, 25, controls.SettingsForStart(),
                            {std::vector<InterlacedSet>(2), {}});
  EXPECT_EQ(analysis.saturation_threshold(), -1);

  QSlider* slider = saturation.slider();
  slider->setFocus();
  QTest::keyClick(slider, Qt::Key_Left);
  EXPECT_EQ(analysis.saturation_threshold(), 254);
  // Dragging: each position is the threshold at once and shows at the handle.
  slider->setSliderDown(true);
  for (const int position : {120, 200}) {
    slider->setSliderPosition(position);
    EXPECT_EQ(analysis.saturation_threshold(), position);
    EXPECT_TRUE(QToolTip::isVisible());
    EXPECT_EQ(QToolTip::text(), QString::number(position));
  }
  slider->setSliderDown(false);
  // Opening again moves the slider to the value in use, reports nothing, restarts nothing.
  slider->blockSignals(true);
  slider->setValue(90);
  slider->blockSignals(false);
  QSignalSpy reported(&saturation, &PixelSaturationWindow::thresholdChanged);
  saturation.OpenFromMenu();
  EXPECT_EQ(slider->value(), 200);
  EXPECT_EQ(slider->toolTip(), "200");
  EXPECT_EQ(reported.count(), 0);
  EXPECT_EQ(station.restarts, 1);
  // The choice decides what the confirming button does.
  QTest::mouseClick(saturation.choice_button(SaturationChoice::SaveAsDefault), Qt::LeftButton);
  EXPECT_EQ(saturation.ok_button()->text(), "Save");
  QTest::mouseClick(saturation.ok_button(), Qt::LeftButton);
  EXPECT_EQ(station.saved, (std::vector<std::int32_t>{200}));
  EXPECT_FALSE(saturation.isVisible());
}

}  // namespace
}  // namespace vesk
