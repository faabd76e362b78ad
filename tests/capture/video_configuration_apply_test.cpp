#include "capture/video_configuration_apply.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/capture_bed.h"

namespace vesk {
namespace {

VideoFormatsByFrameRate Group(std::uint32_t rate, std::vector<std::pair<int, int>> sizes) {
  VideoFormatsByFrameRate group;
  group.frame_rate = rate;
  group.rate_text = std::to_string(rate);
  for (auto [width, height] : sizes) {
    group.formats.push_back(
        MakeVideoFormat(testing::MakeVideoType(SubtypeCode::YUY2, width, height, 10000000 / rate)));
  }
  return group;
}

// A device as enumeration leaves it: groups 25 (720x576, 640x480) and 30 (720x480).
VideoSourceInfo Device(const std::string& name) {
  VideoSourceInfo info;
  info.name = name;
  info.has_configuration = true;
  info.analog_format = AnalogFormat::PAL;
  info.subtype = SubtypeCode::YUY2;
  info.frame_rates = {Group(25, {{720, 576}, {640, 480}}), Group(30, {{720, 480}})};
  for (std::size_t i = 0; i < kDevicePropertyCount; ++i) info.Property(i).value = 10 + int(i);
  return info;
}

// What a configuration sets: the rate, the format of the first group, the subtype, the
// standard and the first four properties.
auto Applied(const VideoSourceInfo& d) {
  return std::tuple(d.current_rate_index, d.frame_rates[0].current_format_index,
                    d.has_configuration, d.subtype, d.analog_format, d.brightness.value,
                    d.contrast.value, d.saturation.value, d.gain.value);
}

class VideoConfigurationApplyTest : public ::testing::Test, protected testing::CaptureBed {
 protected:
  void Translate(const std::string& text, VideoSourceInfo* device) {
    const VideoConfiguration configuration = ReadVideoConfiguration(text).value();
    TranslateVideoConfigurationToSourceInfo(log, &configuration, device, 4, writer_);
  }

  std::vector<std::uint32_t> written_;
  DevicePropertyWriter writer_ = [this](std::uint32_t index) { written_.push_back(index); };
};

TEST_F(VideoConfigurationApplyTest, AppliesRateFormatSubtypeStandardAndProperties) {
  VideoSourceInfo device = Device("Grabber");
  device.has_configuration = false;
  Translate("Grabber|25|640x480|MJPG|X1|-5|-2147483648|abc||2147483647|NTSC", &device);
  // A text that does not scan leaves the value (saturation's 13).
  EXPECT_EQ(Applied(device), std::tuple(0u, 1u, true, SubtypeCode::MJPG, AnalogFormat::NTSC,
                                        kPropertyNotSet, -5, 13, 2147483647));
  EXPECT_EQ(written_, (std::vector<std::uint32_t>{4}));
  EXPECT_TRUE(view.entries.empty());

  Translate("Grabber|30|720x480|Y800|0|0|0|0|0|0|PAL|x", &device);
  EXPECT_EQ(device.current_rate_index, 1u);
  EXPECT_EQ(device.subtype, SubtypeCode::Other);
  EXPECT_EQ(device.analog_format, AnalogFormat::Unknown);
}

TEST_F(VideoConfigurationApplyTest, ARateOrFormatTheDeviceNoLongerHasChangesNothing) {
  VideoSourceInfo device = Device("Grabber");
  device.has_configuration = false;
  device.frame_rates.push_back(Group(25, {{768, 576}}));
  const auto unchanged = Applied(device);
  Translate("Grabber|15|720x576|MJPG|1|1|1|1|1|1|NTSC", &device);
  // Only the first group of the rate is searched.
  Translate("Grabber|25|768x576|MJPG|1|1|1|1|1|1|NTSC", &device);
  EXPECT_EQ(Applied(device), unchanged);
  EXPECT_EQ(device.frame_rates[2].current_format_index, 0u);
  EXPECT_TRUE(written_.empty());
  EXPECT_EQ(view.entries,
            std::vector<std::string>(2,
                                     "\r\n03:05:09 (UTC)\r\nNOTE: the saved configuration of "
                                     "device \"Grabber\" no longer fits the formats it "
                                     "offers and is not applied\r\n"));
}

}  // namespace
}  // namespace vesk
