#include "capture/device_properties.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "capture/colour_control.h"
#include "support/capture_bed.h"

namespace vesk {
namespace {

using Set = testing::FakeProcAmp::SetCall;
using testing::Timed;

struct DevicePropertiesTest : ::testing::Test, testing::CaptureBed {
  DevicePropertiesTest() {
    auto filter = AddPal();
    filter->proc_amp = std::make_unique<testing::FakeProcAmp>();
    amp = filter->proc_amp.get();
    device().base_filter = filter;
    // Brightness and gain are offered; gain's default is unknown.
    amp->ranges = {{ProcAmpProperty::Brightness, {0, 255, 1, 128, 2}},
                   {ProcAmpProperty::Gain, {0, 100, 1, 0, 2}}};
    device().brightness = {1, 90, 90, 0, 255, 1, 128};
    device().gain = {1, 40, 0, 0, 100, 1, kPropertyNotSet};
  }
  testing::FakeProcAmp* amp = nullptr;
};

TEST_F(DevicePropertiesTest, ValuesAreStoredOnlyOnceTheDeviceTookThemAndFollowANarrowedRange) {
  EXPECT_EQ(SetPropertyFromSlider(sources, log, 0, 200), S_OK);
  amp->set_results[ProcAmpProperty::Brightness] = E_FAIL;
  EXPECT_EQ(SetPropertyValue(sources, log, ProcAmpProperty::Brightness, 10), E_FAIL);
  EXPECT_EQ(device().brightness.value, 200);
  EXPECT_EQ(view.entries.back(), Timed("WARNING: cannot manually set property value\r\n"));
  amp->set_results.clear();
  amp->ranges[ProcAmpProperty::Brightness] = {16, 235, 1, 126, 2};  // after a standard switch
  EXPECT_EQ(SetPropertyValue(sources, log, ProcAmpProperty::Brightness, 250), S_OK);
  EXPECT_EQ(device().brightness, (DeviceProperty{1, 235, 90, 16, 235, 1, 126}));
  // Defaults: the unknown one is skipped without error.
  EXPECT_EQ(SetPropertiesToDefaults(sources, log), S_OK);
  EXPECT_EQ(std::tuple(device().brightness.value, device().gain.value), std::tuple(126, 40));
  amp->set_results[ProcAmpProperty::Brightness] = E_FAIL;
  EXPECT_EQ(SetPropertiesToDefaults(sources, log), E_ABORT);
  EXPECT_EQ(view.entries.back(), Timed("Unable to set current device properties to defaults\r\n"));
  // The device vanished with its filter: reported, nothing breaks.
  device().base_filter.reset();
  EXPECT_EQ(SetPropertyValue(sources, log, ProcAmpProperty::Gain, 1), E_FAIL);
  RestoreDeviceSettings(sources, log);
}

TEST_F(DevicePropertiesTest, ApplySkipsUnsetValuesAndCancelRestoresWhatTheWindowFound) {
  device().gain.value = kPropertyNotSet;  // a driver would clamp it to black
  amp->set_results[ProcAmpProperty::Brightness] = E_FAIL;
  EXPECT_EQ(ApplyDeviceProperties(sources, log, 0), S_OK);
  EXPECT_EQ(amp->sets, (std::vector<Set>{{ProcAmpProperty::Brightness, 90, kProcAmpFlagsManual}}));
  EXPECT_EQ(view.entries.back(),
            "\r\nWARNING: unable to manually set an individual device property\r\n");
  amp->set_results.clear();
  amp->sets.clear();
  device().brightness.value = 17;
  device().frame_rates.push_back(device().frame_rates.front());
  device().current_rate_index = 1;
  device().frame_rates[0].current_format_index = 5;
  RestoreDeviceSettings(sources, log);
  EXPECT_EQ(amp->sets, (std::vector<Set>{{ProcAmpProperty::Brightness, 90, kProcAmpFlagsManual},
                                         {ProcAmpProperty::Gain, 0, kProcAmpFlagsManual}}));
  EXPECT_EQ(std::tuple(device().current_rate_index, device().frame_rates[0].current_format_index),
            std::tuple(0u, 0u));
}

TEST_F(DevicePropertiesTest, ColourControlMapsPercentagesAndLeavesNegativeOnesAlone) {
  EXPECT_EQ((std::vector<int>{ColourValueOfPercent(0), ColourValueOfPercent(1),
                              ColourValueOfPercent(50), ColourValueOfPercent(100)}),
            (std::vector<int>{-127, -125, 0, 127}));
  std::shared_ptr<MediaFilter> filter = CreateColourControl(media, log);
  ASSERT_TRUE(filter);
  auto* values = media.colour_filters.back()->colour_control.get();
  EXPECT_EQ(SetColourControl(filter.get(), log, 100, -1), S_OK);
  EXPECT_EQ(SetColourControl(filter.get(), log, -1, 1), S_OK);
  EXPECT_EQ(values->values, (std::map<ColourKey, std::int32_t>{{ColourKey::Brightness, 127},
                                                               {ColourKey::Contrast, -125}}));
  values->set_result = E_FAIL;
  EXPECT_EQ(SetColourControl(filter.get(), log, -1, 10), E_FAIL);
  EXPECT_EQ(view.entries.back(), Timed("\r\nCannot set contrast control\r\n"));
  media.plan.Fail("CreateColourControl");
  EXPECT_FALSE(CreateColourControl(media, log));
}

}  // namespace
}  // namespace vesk
