#include "capture/video_configuration_apply.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/message_log.h"
#include "support/fake_clock.h"
#include "support/fake_media.h"
#include "support/recording_view.h"

namespace vesk {
namespace {

using testing::FakeClock;
using testing::FakeMediaSystem;
using testing::MakeFileTime;
using testing::MakeVideoType;
using testing::RecordingView;

VideoFormatsByFrameRate Group(std::uint32_t rate, std::vector<std::pair<int, int>> sizes) {
  VideoFormatsByFrameRate group;
  group.frame_rate = rate;
  group.rate_text = std::to_string(rate);
  for (auto [width, height] : sizes) {
    group.formats.push_back(
        MakeVideoFormat(MakeVideoType(SubtypeCode::YUY2, width, height, 10000000 / rate)));
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

VideoConfiguration Configuration(const std::string& text) {
  return ReadVideoConfiguration(text).value();
}

class VideoConfigurationApplyTest : public ::testing::Test {
 protected:
  VideoConfigurationApplyTest() : clock_(MakeFileTime(2023, 12, 31, 23, 59, 59)), log_(clock_) {
    log_.AttachView(&view_);
  }

  void Translate(const std::string& text, VideoSourceInfo* device) {
    const VideoConfiguration configuration = Configuration(text);
    TranslateVideoConfigurationToSourceInfo(log_, &configuration, device, 4, writer_);
  }

  FakeClock clock_;
  MessageLog log_;
  RecordingView view_;
  std::vector<std::uint32_t> written_;
  DevicePropertyWriter writer_ = [this](std::uint32_t index) { written_.push_back(index); };
};

TEST_F(VideoConfigurationApplyTest, AppliesRateFormatSubtypeStandardAndProperties) {
  VideoSourceInfo device = Device("Grabber");
  device.has_configuration = false;
  Translate("Grabber|25|640x480|MJPG|X1|-5|-2147483648|abc||2147483647|NTSC", &device);
  EXPECT_EQ(device.current_rate_index, 0u);
  EXPECT_EQ(device.frame_rates[0].current_format_index, 1u);
  EXPECT_TRUE(device.has_configuration);
  EXPECT_EQ(device.subtype, SubtypeCode::MJPG);
  EXPECT_EQ(device.analog_format, AnalogFormat::NTSC);
  EXPECT_FALSE(device.auto_detect_format);
  EXPECT_EQ(device.brightness.value, kPropertyNotSet);
  EXPECT_EQ(device.contrast.value, -5);
  EXPECT_EQ(device.hue.value, kPropertyNotSet);
  // Texts that do not scan leave the value.
  EXPECT_EQ(device.saturation.value, 13);
  EXPECT_EQ(device.sharpness.value, 14);
  EXPECT_EQ(device.gain.value, 2147483647);
  EXPECT_EQ(written_, (std::vector<std::uint32_t>{4}));
  EXPECT_TRUE(view_.entries.empty());

  Translate("Grabber|30|720x480|Y800|0|0|0|0|0|0|PAL|x", &device);
  EXPECT_EQ(device.current_rate_index, 1u);
  EXPECT_EQ(device.subtype, SubtypeCode::Other);
  EXPECT_EQ(device.analog_format, AnalogFormat::Unknown);

  device.auto_detect_format = false;
  Translate("Grabber|30|720x480|YUY2|0|0|0|0|0|0|AUTO", &device);
  EXPECT_TRUE(device.auto_detect_format);
  EXPECT_EQ(device.analog_format, AnalogFormat::Unknown);
  Translate("Grabber|30|720x480|YUY2|0|0|0|0|0|0|NONE", &device);
  EXPECT_TRUE(device.auto_detect_format);
  Translate("Grabber|30|720x480|YUY2|0|0|0|0|0|0|DIGITAL", &device);
  EXPECT_FALSE(device.auto_detect_format);
  EXPECT_EQ(device.analog_format, AnalogFormat::Digital);
}

TEST_F(VideoConfigurationApplyTest, ARateOrFormatTheDeviceNoLongerHasChangesNothing) {
  VideoSourceInfo device = Device("Grabber");
  device.has_configuration = false;
  device.frame_rates.push_back(Group(25, {{768, 576}}));
  const auto before = [&] {
    return std::tuple(device.current_rate_index, device.frame_rates[0].current_format_index,
                      device.frame_rates[2].current_format_index, device.subtype,
                      device.analog_format, device.brightness.value, device.has_configuration);
  };
  const auto unchanged = before();
  Translate("Grabber|15|720x576|MJPG|1|1|1|1|1|1|NTSC", &device);
  EXPECT_EQ(before(), unchanged);
  // Only the first group of the rate is searched.
  Translate("Grabber|25|768x576|MJPG|1|1|1|1|1|1|NTSC", &device);
  EXPECT_EQ(before(), unchanged);
  Translate("Grabber|25 |720x576|MJPG|1|1|1|1|1|1|NTSC", &device);
  EXPECT_EQ(before(), unchanged);
  EXPECT_TRUE(written_.empty());
  EXPECT_TRUE(view_.entries.empty());
}

TEST_F(VideoConfigurationApplyTest, MissingPartsAreALogicError) {
  VideoSourceInfo device = Device("Grabber");
  const VideoConfiguration configuration =
      Configuration("Grabber|30|720x480|MJPG|1|1|1|1|1|1|NTSC");
  TranslateVideoConfigurationToSourceInfo(log_, nullptr, &device, 0, writer_);
  TranslateVideoConfigurationToSourceInfo(log_, &configuration, nullptr, 0, writer_);
  TranslateVideoConfigurationToSourceInfo(log_, &configuration, &device, 0, nullptr);
  const std::string entry =
      "\r\n23:59:59 (UTC)\r\nLogic error: call to TranslateVideoConfigurationToSourceInfo with "
      "NULL values";
  EXPECT_EQ(view_.entries, (std::vector<std::string>{entry, entry, entry}));
  EXPECT_EQ(device.current_rate_index, 0u);
  EXPECT_TRUE(written_.empty());
}

TEST_F(VideoConfigurationApplyTest, SavedConfigurationsGoToFlaggedDevicesByName) {
  FakeMediaSystem media;
  VideoSources sources(media, log_);
  sources.Append(Device("Twin"));
  sources.Append(Device("Plain")).has_configuration = false;
  sources.Append(Device("Lost"));
  sources.Append(Device("Twin"));
  const std::vector<VideoConfiguration> configurations = {
      Configuration("Plain|30|720x480|MJPG|1|1|1|1|1|1|NTSC"),
      Configuration("Twin|30|720x480|MJPG|1|1|1|1|1|1|NTSC"),
      Configuration("Twin|25|640x480|RGB24|2|2|2|2|2|2|DIGITAL")};
  ApplySavedConfigurations(log_, configurations, &sources, writer_);

  for (std::size_t index : {0u, 3u}) {
    EXPECT_EQ(sources.Source(index)->current_rate_index, 1u) << index;
    EXPECT_EQ(sources.Source(index)->subtype, SubtypeCode::MJPG) << index;
  }
  EXPECT_EQ(sources.Source(1)->current_rate_index, 0u);
  EXPECT_EQ(sources.Source(1)->subtype, SubtypeCode::YUY2);
  EXPECT_EQ(written_, (std::vector<std::uint32_t>{0, 3}));
  EXPECT_EQ(view_.entries, (std::vector<std::string>{
                               "\r\n23:59:59 (UTC)\r\nLogic error: in MainWindow cannot find "
                               "configuration established in VideoPlayer\r\n"}));
}

TEST_F(VideoConfigurationApplyTest, MakesTheConfigurationOfADevicesCurrentChoices) {
  VideoSourceInfo device = Device("Grabber");
  device.current_rate_index = 0;
  device.frame_rates[0].current_format_index = 1;
  device.hue.value = kPropertyNotSet;
  device.gain.value = -7;
  EXPECT_EQ(FormatVideoConfiguration(MakeVideoConfiguration(device)),
            "Grabber|25|640x480|YUY2|10|11|-2147483648|13|14|-7|PAL");

  // Detection on is written as AUTO whatever the standard last detected.
  device.auto_detect_format = true;
  EXPECT_EQ(MakeVideoConfiguration(device).analog_format, "AUTO");

  // Indexes out of range give empty texts rather than reading past the lists.
  device.frame_rates[0].current_format_index = 2;
  EXPECT_EQ(MakeVideoConfiguration(device).frame_rate, "25");
  EXPECT_EQ(MakeVideoConfiguration(device).frame_size, "");
  device.current_rate_index = 2;
  EXPECT_EQ(MakeVideoConfiguration(device).frame_rate, "");

  // A configuration made from one device puts the same choices on a fresh one.
  VideoSourceInfo chosen = Device("Grabber");
  chosen.current_rate_index = 1;
  chosen.analog_format = AnalogFormat::NTSC;
  chosen.contrast.value = kPropertyNotSet;
  VideoSourceInfo fresh = Device("Grabber");
  Translate(FormatVideoConfiguration(MakeVideoConfiguration(chosen)), &fresh);
  EXPECT_EQ(MakeVideoConfiguration(fresh), MakeVideoConfiguration(chosen));
}

TEST_F(VideoConfigurationApplyTest, OnlyDevicesWithAConfigurationAreSaved) {
  FakeMediaSystem media;
  VideoSources sources(media, log_);
  sources.Append(Device("A"));
  sources.Append(Device("B")).has_configuration = false;
  sources.Append(Device("C"));
  const std::vector<VideoConfiguration> saved = DeviceConfigurations(sources);
  ASSERT_EQ(saved.size(), 2u);
  EXPECT_EQ(saved[0].device_name, "A");
  EXPECT_EQ(saved[1].device_name, "C");
}

}  // namespace
}  // namespace vesk
