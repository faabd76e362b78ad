#include "capture/device_properties.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "capture/colour_control.h"
#include "support/capture_bed.h"

namespace vesk {
namespace {

using testing::FakeProcAmp;
using Names = std::vector<std::string>;
using Set = FakeProcAmp::SetCall;
constexpr auto kManual = kProcAmpFlagsManual;

std::string Timed(const std::string& text) { return "\r\n03:05:09 (UTC)\r\n" + text; }

class DevicePropertiesTest : public ::testing::Test, protected testing::CaptureBed {
 protected:
  DevicePropertiesTest() {
    auto filter = AddPal();
    filter->proc_amp = std::make_unique<FakeProcAmp>();
    amp = filter->proc_amp.get();
    device().base_filter = filter;
    // Brightness and gain are offered; gain's default is unknown.
    amp->ranges[ProcAmpProperty::Brightness] = {0, 255, 1, 128, 2};
    amp->ranges[ProcAmpProperty::Gain] = {0, 100, 1, 0, 2};
    device().brightness = {1, 90, 0, 0, 255, 1, 128};
    device().gain = {1, 40, 0, 0, 100, 1, kPropertyNotSet};
  }
  FakeProcAmp* amp = nullptr;
};

TEST_F(DevicePropertiesTest, ValuesAreStoredOnlyOnceTheDeviceTookThem) {
  EXPECT_EQ(SetPropertyFromSlider(sources, log, 0, 200), S_OK);
  EXPECT_EQ(device().brightness.value, 200);
  amp->set_results[ProcAmpProperty::Brightness] = E_FAIL;
  EXPECT_EQ(SetPropertyValue(sources, log, ProcAmpProperty::Brightness, 10), E_FAIL);
  EXPECT_EQ(device().brightness.value, 200);
  EXPECT_EQ(view.entries.back(), Timed("WARNING: cannot manually set property value\r\n"));
  EXPECT_EQ(SetPropertyValue(sources, log, static_cast<ProcAmpProperty>(7), 1), E_FAIL);
  EXPECT_EQ(view.entries.back(), Timed("WARNING: attempt to set unknown property to a value\r\n"));

  // A range narrowed by a standard switch: the record follows it and the value is brought in.
  amp->set_results.clear();
  amp->ranges[ProcAmpProperty::Brightness] = {16, 235, 1, 126, 2};
  EXPECT_EQ(SetPropertyValue(sources, log, ProcAmpProperty::Brightness, 250), S_OK);
  EXPECT_EQ(device().brightness, (DeviceProperty{1, 235, 0, 16, 235, 1, 126}));

  // Defaults: the unknown one is skipped without error.
  view.entries.clear();
  EXPECT_EQ(SetPropertiesToDefaults(sources, log), S_OK);
  EXPECT_EQ(std::tuple(device().brightness.value, device().gain.value), std::tuple(126, 40));
  EXPECT_TRUE(view.entries.empty());
  amp->set_results[ProcAmpProperty::Brightness] = E_FAIL;
  EXPECT_EQ(SetPropertiesToDefaults(sources, log), E_ABORT);
  EXPECT_EQ(view.entries.back(), Timed("Unable to set current device properties to defaults\r\n"));

  // Without a device in use, or when it vanished with its filter.
  device().base_filter.reset();
  EXPECT_EQ(SetPropertyValue(sources, log, ProcAmpProperty::Gain, 1), E_FAIL);
  EXPECT_EQ(view.entries.back(), Timed("Logic error: setting property value with NULL base filter\r\n"));
  sources.SetCurrentSourceIndex(kNoCurrentSource);
  EXPECT_EQ(SetPropertiesToDefaults(sources, log), E_ABORT);
  RestoreDeviceSettings(sources, log);  // nothing to restore, nothing breaks
}

TEST_F(DevicePropertiesTest, ApplyWritesTheSetValuesAndCancelRestoresWhatTheWindowFound) {
  device().brightness.saved_value = 90;
  device().gain.value = kPropertyNotSet;
  amp->set_results[ProcAmpProperty::Brightness] = E_FAIL;
  EXPECT_EQ(ApplyDeviceProperties(sources, log, 0), S_OK);
  EXPECT_EQ(amp->sets, (std::vector<Set>{{ProcAmpProperty::Brightness, 90, kManual}}));
  EXPECT_EQ(view.entries,
            (Names{"\r\nWARNING: unable to manually set an individual device property\r\n"}));
  EXPECT_EQ(ApplyDeviceProperties(sources, log, 3), E_FAIL);
  EXPECT_EQ(view.entries.back(),
            Timed("Logic error: attempt to set device properties using an invalid source "
                  "index\r\n"));

  amp->set_results.clear();
  amp->sets.clear();
  device().brightness.value = 17;
  device().frame_rates.push_back(device().frame_rates.front());
  device().saved_rate_index = 0;
  device().current_rate_index = 1;
  device().frame_rates[0].saved_format_index = 0;
  device().frame_rates[0].current_format_index = 5;
  RestoreDeviceSettings(sources, log);
  EXPECT_EQ(amp->sets, (std::vector<Set>{{ProcAmpProperty::Brightness, 90, kManual},
                                         {ProcAmpProperty::Gain, 0, kManual}}));
  EXPECT_EQ(device().brightness.value, 90);
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
  EXPECT_EQ(values->values,
            (std::map<ColourKey, std::int32_t>{{ColourKey::Brightness, 127},
                                               {ColourKey::Contrast, -125}}));
  values->set_result = E_FAIL;
  EXPECT_EQ(SetColourControl(filter.get(), log, 10, 10), E_FAIL);
  EXPECT_EQ(view.entries, (Names{Timed("\r\nCannot set brightness control\r\n"),
                                 Timed("\r\nCannot set contrast control\r\n")}));
  EXPECT_EQ(SetColourControl(nullptr, log, 10, -1), E_FAIL);

  media.plan.Fail("CreateColourControl");
  EXPECT_FALSE(CreateColourControl(media, log));
  EXPECT_EQ(view.entries.back(),
            Timed("\r\nThe DMO color control filter is not installed.  Brightness/contrast is not "
                  "impemented."));
}

}  // namespace
}  // namespace vesk
