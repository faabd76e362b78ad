#include "analysis/analysis_settings.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/fake_clock.h"
#include "support/recording_view.h"

namespace vesk {
namespace {

constexpr char kRangeReport[] =
    "\r\n04:10:00 (UTC)\r\n\r\nFrame count must be a value from 2 to 30\r\n";

class AnalysisControlsTest : public ::testing::Test, public AnalysisStation {
 protected:
  AnalysisControlsTest() { log.AttachView(&view); }

  AnalysisControls& Make(std::int32_t stored_value = -1) {
    options.pixel_saturation_value = stored_value;
    controls =
        std::make_unique<AnalysisControls>(AnalysisControlsContext{switches, options, log, *this});
    controls->TakeStoredSaturationValue();
    return *controls;
  }

  void SetFilterThreshold(std::int32_t t) override { thresholds.push_back(t); }
  HResult RestartLiveVideo() override { return ++restarts, S_OK; }
  bool SaveOptions() override { return saved.push_back(options.pixel_saturation_value), true; }

  testing::FakeClock clock{testing::MakeFileTime(2026, 5, 2, 4, 10, 0)};
  MessageLog log{clock};
  testing::RecordingView view;
  LiveSwitches switches;
  Options options;
  std::vector<std::int32_t> thresholds;
  std::vector<std::int32_t> saved;
  int restarts = 0;
  std::unique_ptr<AnalysisControls> controls;
};

TEST_F(AnalysisControlsTest, TheThreeChoicesKeepSaveOrRemoveTheDefaultWithoutRestart) {
  // A stored default switches highlighting on at start-up (the station's tests see it used).
  AnalysisControls& c = Make(120);
  EXPECT_TRUE(switches.saturation_highlight);
  EXPECT_EQ(c.SliderPositionForOpen(), 120);
  c.SliderMoved(90);
  c.ConfirmSaturation(SaturationChoice::UseCurrentValue, 90);
  EXPECT_TRUE(saved.empty());
  EXPECT_EQ(options.pixel_saturation_value, 120);  // the stored default is not the value in use
  EXPECT_EQ(c.SettingsForStart().saturation_value, 90);

  c.ConfirmSaturation(SaturationChoice::SaveAsDefault, 210);
  EXPECT_EQ(saved, (std::vector<std::int32_t>{210}));
  EXPECT_EQ(thresholds.back(), 210);

  c.ConfirmSaturation(SaturationChoice::RemoveDefault, 210);
  EXPECT_EQ(saved, (std::vector<std::int32_t>{210, -1}));
  EXPECT_FALSE(switches.saturation_highlight);
  EXPECT_EQ(thresholds.back(), -1);
  // The filter stays in place until the next restart.
  EXPECT_EQ(restarts, 0);
}

TEST_F(AnalysisControlsTest, CancelSwitchesHighlightingOffAndRestartsButKeepsTheStoredDefault) {
  AnalysisControls& c = Make(150);
  c.SliderMoved(60);
  c.CancelSaturation();
  EXPECT_FALSE(switches.saturation_highlight);
  EXPECT_EQ(restarts, 1);
  EXPECT_EQ(options.pixel_saturation_value, 150);
  // Opened again: the slider stays where it was, and the filter comes back with -1.
  EXPECT_EQ(c.SliderPositionForOpen(), std::nullopt);
  EXPECT_TRUE(c.SwitchHighlightingOn());
  EXPECT_EQ(c.SettingsForStart().saturation_value, -1);
  EXPECT_FALSE(c.SwitchHighlightingOn());  // already on: no second restart
  EXPECT_EQ(restarts, 2);
}

TEST_F(AnalysisControlsTest, StartRefusesCountsOutsideTheRangeWithTheMessageAndNoRestart) {
  AnalysisControls& c = Make();
  // Only the first 31 characters are read: a number that starts beyond them is not seen.
  for (const std::string& text :
       std::vector<std::string>{"1", "31", "", "x5", std::string(31, ' ') + "5"}) {
    view.entries.clear();
    EXPECT_FALSE(c.StartIntegration(text));
    EXPECT_EQ(view.entries, (std::vector<std::string>{kRangeReport})) << text;
  }
  EXPECT_EQ(switches.integration_count, 1);
  EXPECT_EQ(restarts, 0);

  view.entries.clear();
  EXPECT_TRUE(c.StartIntegration("30"));
  EXPECT_TRUE(view.entries.empty());
  EXPECT_EQ(c.SettingsForStart().integration_frame_count, 30u);
  EXPECT_EQ(restarts, 1);
  // A refused count leaves the running integration as it was.
  EXPECT_FALSE(c.StartIntegration("1"));
  EXPECT_EQ(switches.integration_count, 30);

  c.CancelIntegration();
  EXPECT_FALSE(c.integration_on());
  EXPECT_EQ(restarts, 2);
}

}  // namespace
}  // namespace vesk
