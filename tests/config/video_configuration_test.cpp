#include "config/video_configuration.h"

#include <gtest/gtest.h>

#include "media/video_types.h"

namespace vesk {
namespace {

TEST(VideoConfigurationTest, ReadsTheElevenFields) {
  const auto configuration =
      ReadVideoConfiguration("USB Grabber|25|720x576|YUY2|X|128|0|-64|3|-2147483648|PAL|x");
  ASSERT_TRUE(configuration);
  EXPECT_EQ(configuration->device_name, "USB Grabber");
  EXPECT_EQ(configuration->frame_rate, "25");
  EXPECT_EQ(configuration->frame_size, "720x576");
  EXPECT_EQ(configuration->subtype, "YUY2");
  EXPECT_EQ(configuration->properties,
            (std::array<std::string, 6>{"X", "128", "0", "-64", "3", "-2147483648"}));
  // The last field keeps every further "|".
  EXPECT_EQ(configuration->analog_format, "PAL|x");
  EXPECT_EQ(FormatVideoConfiguration(*configuration),
            "USB Grabber|25|720x576|YUY2|X|128|0|-64|3|-2147483648|PAL|x");

  // Empty fields before the last are fields all the same.
  const auto sparse = ReadVideoConfiguration("||||||||||N");
  ASSERT_TRUE(sparse);
  EXPECT_EQ(sparse->device_name, "");
  EXPECT_EQ(sparse->analog_format, "N");
}

TEST(VideoConfigurationTest, DropsTextsWithoutAnEleventhField) {
  for (const char* text : {"", "Cam", "Cam|25|720x576|YUY2|0|0|0|0|0|0|",
                           "Cam|25|720x576|YUY2|0|0|0|0|0|0", "||||||||||"}) {
    std::vector<VideoConfiguration> list;
    EXPECT_FALSE(ParseVideoConfiguration(text, &list)) << text;
    EXPECT_TRUE(list.empty()) << text;
  }
  std::vector<VideoConfiguration> list;
  EXPECT_TRUE(ParseVideoConfiguration("A|1|2|3|4|5|6|7|8|9|NTSC", &list));
  EXPECT_TRUE(ParseVideoConfiguration("B|1|2|3|4|5|6|7|8|9|AUTO", &list));
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[1].device_name, "B");
}

TEST(VideoConfigurationTest, CutsOverLongFieldsToTheirCapacities) {
  const std::string text = std::string(300, 'n') + "|" + "1234567890123" + "|" +
                           std::string(25, 's') + "|" + std::string(70, 't') + "|" +
                           "12345678901234567890|0|0|0|0|0|" + std::string(40, 'a');
  const auto configuration = ReadVideoConfiguration(text);
  ASSERT_TRUE(configuration);
  EXPECT_EQ(configuration->device_name, std::string(255, 'n'));
  EXPECT_EQ(configuration->frame_rate, "123456789");
  EXPECT_EQ(configuration->frame_size, std::string(19, 's'));
  EXPECT_EQ(configuration->subtype, std::string(63, 't'));
  EXPECT_EQ(configuration->properties[0], "123456789012345");
  EXPECT_EQ(configuration->analog_format, std::string(31, 'a'));
}

TEST(VideoConfigurationTest, MakesTheTextOfADevice) {
  DeviceConfigurationState device;
  device.name = "USB Grabber";
  device.rate_text = "25";
  device.format_text = "720x576";
  device.subtype = SubtypeCode::YUY2;
  device.property_values = {kPropertyNotSet, 128, 0, -64, 2147483647, kPropertyNotSet};
  device.analog_format = AnalogFormat::PAL;
  EXPECT_EQ(FormatVideoConfiguration(MakeVideoConfiguration(device)),
            "USB Grabber|25|720x576|YUY2|-2147483648|128|0|-64|2147483647|-2147483648|PAL");

  // Auto-detect wins over the last detected standard.
  device.auto_detect_format = true;
  EXPECT_EQ(MakeVideoConfiguration(device).analog_format, "AUTO");
  device.auto_detect_format = false;
  const std::pair<AnalogFormat, const char*> standards[] = {{AnalogFormat::NTSC, "NTSC"},
                                                            {AnalogFormat::Digital, "DIGITAL"},
                                                            {AnalogFormat::Unknown, "NONE"},
                                                            {static_cast<AnalogFormat>(9), "NONE"}};
  for (const auto& [format, text] : standards) {
    device.analog_format = format;
    EXPECT_EQ(MakeVideoConfiguration(device).analog_format, text);
  }
  device.subtype = SubtypeCode::NoFormat;
  EXPECT_EQ(MakeVideoConfiguration(device).subtype, " ");
}

TEST(VideoConfigurationTest, SubtypeNamesBothWays) {
  const std::pair<SubtypeCode, const char*> names[] = {{SubtypeCode::MJPG, "MJPG"},
                                                       {SubtypeCode::RGB24, "RGB24"},
                                                       {SubtypeCode::UYVY, "UYVY"},
                                                       {SubtypeCode::YUY2, "YUY2"},
                                                       {SubtypeCode::ARGB32, "ARGB32"}};
  for (const auto& [code, name] : names) {
    EXPECT_EQ(SubtypeNameOf(code), name);
    EXPECT_EQ(SubtypeCodeOf(name), code);
  }
  EXPECT_EQ(SubtypeNameOf(SubtypeCode::Other), " ");
  EXPECT_EQ(SubtypeNameOf(SubtypeCode::NoFormat), " ");
  for (const char* other : {"", " ", "mjpg", "YUY2 ", "RGB"}) {
    EXPECT_EQ(SubtypeCodeOf(other), SubtypeCode::Other) << other;
  }
}

TEST(VideoConfigurationTest, SettingsFromTheStandardAndPropertyFields) {
  VideoConfiguration configuration;
  configuration.properties = {"X1", "-2147483648", "abc", "2147483648", " +12px", ""};
  configuration.analog_format = "PAL|x";

  DeviceConfigurationState device;
  device.auto_detect_format = true;
  device.analog_format = AnalogFormat::NTSC;
  device.property_values = {1, 2, 3, 4, 5, 6};
  ApplyConfigurationSettings(ReadConfigurationSettings(configuration), &device);
  // An unknown standard makes the format Unknown and leaves detection alone.
  EXPECT_TRUE(device.auto_detect_format);
  EXPECT_EQ(device.analog_format, AnalogFormat::Unknown);
  EXPECT_EQ(device.property_values,
            (std::array<std::int32_t, 6>{kPropertyNotSet, kPropertyNotSet, 3, 4, 12, 6}));

  const std::tuple<const char*, bool, AnalogFormat> standards[] = {
      {"NTSC", false, AnalogFormat::NTSC},
      {"PAL", false, AnalogFormat::PAL},
      {"DIGITAL", false, AnalogFormat::Digital},
      {"AUTO", true, AnalogFormat::PAL},  // detection on, format as it was
      {"pal", true, AnalogFormat::Unknown}};
  for (const auto& [text, auto_detect, format] : standards) {
    DeviceConfigurationState state;
    state.auto_detect_format = true;
    state.analog_format = AnalogFormat::PAL;
    configuration.analog_format = text;
    ApplyConfigurationSettings(ReadConfigurationSettings(configuration), &state);
    EXPECT_EQ(state.auto_detect_format, auto_detect) << text;
    EXPECT_EQ(state.analog_format, format) << text;
  }
}

TEST(VideoConfigurationTest, DevicesWithTheSameNameFindTheFirstConfiguration) {
  std::vector<VideoConfiguration> list;
  ASSERT_TRUE(ParseVideoConfiguration("Cam|25|720x576|YUY2|0|0|0|0|0|0|PAL", &list));
  ASSERT_TRUE(ParseVideoConfiguration("Cam|30|640x480|MJPG|0|0|0|0|0|0|NTSC", &list));
  EXPECT_EQ(FindVideoConfiguration(list, "Cam"), &list[0]);
  EXPECT_EQ(FindVideoConfiguration(list, "cam"), nullptr);
  EXPECT_EQ(FindVideoConfiguration(list, "Cam "), nullptr);
}

}  // namespace
}  // namespace vesk
