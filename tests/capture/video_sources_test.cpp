#include "capture/video_sources.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/message_log.h"
#include "support/fake_clock.h"
#include "support/fake_media.h"
#include "support/recording_view.h"

namespace vesk {
namespace {

using testing::FakeAnalogDecoder;
using testing::FakeClock;
using testing::FakeFilter;
using testing::FakeGraph;
using testing::FakeMediaSystem;
using testing::FakeMoniker;
using testing::FakeProcAmp;
using testing::MakeFileTime;
using testing::MakeVideoType;
using testing::RecordingView;

constexpr std::uint32_t k25 = 400000;
constexpr std::uint32_t k30 = 333667;

std::string Timed(const std::string& text) { return "\r\n21:30:00 (UTC)\r\n" + text; }
std::string Plain(const std::string& text) { return "\r\n" + text; }

std::vector<std::string> RateTexts(const VideoSourceInfo& info) {
  std::vector<std::string> texts;
  for (const auto& group : info.frame_rates) texts.push_back(group.rate_text);
  return texts;
}

std::vector<std::string> SizeTexts(const VideoFormatsByFrameRate& group) {
  std::vector<std::string> texts;
  for (const auto& format : group.formats) texts.push_back(format.size_text);
  return texts;
}

class VideoSourcesTest : public ::testing::Test {
 protected:
  VideoSourcesTest() : clock_(MakeFileTime(2024, 5, 1, 21, 30, 0)), log_(clock_) {
    log_.AttachView(&view_);
  }

  HResult Enumerate() { return sources_.GetAttachedVideoDeviceList(hooks_, configurations_); }

  std::shared_ptr<FakeMoniker> AddAnalog(const std::string& name, std::int32_t tv_format) {
    auto moniker = media_.AddDevice(name, {MakeVideoType(SubtypeCode::YUY2, 720, 480, k30),
                                           MakeVideoType(SubtypeCode::YUY2, 720, 576, k25)});
    moniker->filter->decoder = std::make_unique<FakeAnalogDecoder>();
    moniker->filter->decoder->tv_format = tv_format;
    return moniker;
  }

  FakeClock clock_;
  MessageLog log_;
  RecordingView view_;
  FakeMediaSystem media_;
  FakeGraph graph_{&media_.plan};
  DeviceValidationHooks hooks_ = ValidationHooksFor(graph_);
  std::vector<VideoConfiguration> configurations_;
  VideoSources sources_{media_, log_};
};

TEST(CleanDeviceNameTest, RemovesEveryCharacterOutsidePrintableAscii) {
  std::string name = "USB\t Grabber\x7f (\xC3\xA9)\x1f";
  CleanDeviceName(&name);
  EXPECT_EQ(name, "USB Grabber ()");
  std::string plain = " ~Cam 1~ ";
  CleanDeviceName(&plain);
  EXPECT_EQ(plain, " ~Cam 1~ ");
}

TEST(MakeVideoFormatTest, RoundsTheFrameRateToNearestWithTiesDown) {
  EXPECT_EQ(MakeVideoFormat(MakeVideoType(SubtypeCode::YUY2, 720, 576, 333667)).frame_rate, 30u);
  EXPECT_EQ(MakeVideoFormat(MakeVideoType(SubtypeCode::YUY2, 720, 576, 333333)).frame_rate, 30u);
  EXPECT_EQ(MakeVideoFormat(MakeVideoType(SubtypeCode::YUY2, 720, 576, 400000)).frame_rate, 25u);
  EXPECT_EQ(MakeVideoFormat(MakeVideoType(SubtypeCode::YUY2, 720, 576, 166833)).frame_rate, 60u);
  // 10000000 / 4000000 leaves exactly half a frame time: the rate is not raised.
  EXPECT_EQ(MakeVideoFormat(MakeVideoType(SubtypeCode::YUY2, 720, 576, 4000000)).frame_rate, 2u);
  EXPECT_EQ(MakeVideoFormat(MakeVideoType(SubtypeCode::YUY2, 720, 576, 3999999)).frame_rate, 3u);
  EXPECT_EQ(MakeVideoFormat(MakeVideoType(SubtypeCode::YUY2, 720, 576, 0)).frame_rate, 0u);
  EXPECT_EQ(MakeVideoFormat(MakeVideoType(SubtypeCode::YUY2, 720, 576, 0xFFFFFFFFu)).frame_rate,
            0u);
}

TEST(MakeVideoFormatTest, TakesSizeAndSubtypeFromTheMediaType) {
  MediaType type = MakeVideoType(SubtypeCode::UYVY, 720, -576, k25);
  const VideoFormat format = MakeVideoFormat(type);
  EXPECT_EQ(format.size_text, "720x-576");
  EXPECT_EQ(format.width, 720);
  EXPECT_EQ(format.height, -576);
  EXPECT_EQ(format.subtype, SubtypeCode::UYVY);
  EXPECT_EQ(format.media_type, type);

  type.subtype = SubtypeCode::NoFormat;
  EXPECT_EQ(MakeVideoFormat(type).subtype, SubtypeCode::Other);

  type.has_format = false;
  const VideoFormat bare = MakeVideoFormat(type);
  EXPECT_EQ(bare.frame_rate, 0u);
  EXPECT_EQ(bare.subtype, SubtypeCode::NoFormat);
  EXPECT_EQ(bare.width, 0);
  EXPECT_EQ(bare.size_text, "");
}

TEST_F(VideoSourcesTest, EnumeratesUsableDevicesInOrderWithCleanedNames) {
  media_.AddDevice(
      "Web\x01"
      "cam",
      {MakeVideoType(SubtypeCode::MJPG, 1280, 720, k30)});
  AddAnalog("Grabber", kAnalogVideoPalB);
  ASSERT_EQ(Enumerate(), S_OK);
  ASSERT_EQ(sources_.Count(), 2u);
  const VideoSourceInfo& webcam = *sources_.Source(0);
  EXPECT_EQ(webcam.name, "Webcam");
  EXPECT_EQ(webcam.base_filter, media_.devices[0]->filter);
  EXPECT_EQ(webcam.analog_format, AnalogFormat::Digital);
  EXPECT_EQ(webcam.subtype, SubtypeCode::MJPG);
  EXPECT_EQ(sources_.Source(1)->name, "Grabber");
  EXPECT_EQ(sources_.Source(2), nullptr);
  EXPECT_TRUE(view_.entries.empty());
  EXPECT_TRUE(sources_.UnusableDeviceNames().empty());
}

TEST_F(VideoSourcesTest, DevicesWithoutUsableFormatsAreUnusableAndEnumerationGoesOn) {
  media_.AddDevice("Small Cam", {MakeVideoType(SubtypeCode::YUY2, 320, 240, k30)});
  media_.AddDevice("Still Cam", {MakeVideoType(SubtypeCode::YUY2, 720, 576, 0)});
  media_.AddDevice("Good Cam", {MakeVideoType(SubtypeCode::YUY2, 720, 576, k25)});
  ASSERT_EQ(Enumerate(), S_OK);
  ASSERT_EQ(sources_.Count(), 1u);
  EXPECT_EQ(sources_.Source(0)->name, "Good Cam");
  EXPECT_EQ(sources_.UnusableDeviceNames(), (std::vector<std::string>{"Small Cam", "Still Cam"}));
  EXPECT_TRUE(sources_.IsUnusableDeviceName("Still Cam"));
  EXPECT_EQ(view_.entries,
            (std::vector<std::string>{
                Timed("Video device source information has no frame rate entries\r\n"),
                Plain("Device \"Small Cam\" cannot be used for video capture\r\n"),
                Timed("Video device source information has no frame rate entries\r\n"),
                Plain("Device \"Still Cam\" cannot be used for video capture\r\n")}));
}

TEST_F(VideoSourcesTest, KeepsOnlyVideoFormatsOfRecordedSubtypesFrom640x480Up) {
  MediaType audio = MakeVideoType(SubtypeCode::YUY2, 720, 576, k25);
  audio.is_video = false;
  MediaType no_block = MakeVideoType(SubtypeCode::YUY2, 720, 576, k25);
  no_block.has_format = false;
  media_.AddDevice("Cam", {MakeVideoType(SubtypeCode::YUY2, 639, 480, k25),
                           MakeVideoType(SubtypeCode::RGB24, 640, 479, k25), audio, no_block,
                           MakeVideoType(SubtypeCode::UYVY, 720, 576, k25),
                           MakeVideoType(SubtypeCode::ARGB32, 720, 576, k25),
                           MakeVideoType(SubtypeCode::Other, 720, 576, k25),
                           MakeVideoType(SubtypeCode::RGB24, 640, 480, k25),
                           MakeVideoType(SubtypeCode::MJPG, 1920, 1080, k25),
                           MakeVideoType(SubtypeCode::YUY2, 720, 576, k25)});
  ASSERT_EQ(Enumerate(), S_OK);
  ASSERT_EQ(sources_.Count(), 1u);
  const VideoSourceInfo& info = *sources_.Source(0);
  ASSERT_EQ(info.frame_rates.size(), 1u);
  EXPECT_EQ(SizeTexts(info.frame_rates[0]),
            (std::vector<std::string>{"640x480", "1920x1080", "720x576"}));
  EXPECT_EQ(info.subtype, SubtypeCode::RGB24);
}

TEST_F(VideoSourcesTest, FirstOutputPinWithKeptFormatsSuppliesTheFormats) {
  auto filter = std::make_shared<FakeFilter>("device", "Cam");
  filter->AddPin("In", PinDirection::Input, {MakeVideoType(SubtypeCode::YUY2, 800, 600, k25)});
  filter->AddPin("Small", PinDirection::Output, {MakeVideoType(SubtypeCode::YUY2, 320, 240, k25)});
  filter->AddPin("Broken", PinDirection::Output, {MakeVideoType(SubtypeCode::YUY2, 1024, 768, k25)})
      ->direction_result = E_FAIL;
  filter->AddPin("Main", PinDirection::Output, {MakeVideoType(SubtypeCode::YUY2, 720, 576, k25)});
  filter->AddPin("Other", PinDirection::Output, {MakeVideoType(SubtypeCode::MJPG, 1280, 720, k25)});
  media_.devices.push_back(std::make_shared<FakeMoniker>("Cam", filter));
  ASSERT_EQ(Enumerate(), S_OK);
  ASSERT_EQ(sources_.Count(), 1u);
  ASSERT_EQ(sources_.Source(0)->frame_rates.size(), 1u);
  EXPECT_EQ(SizeTexts(sources_.Source(0)->frame_rates[0]), (std::vector<std::string>{"720x576"}));
}

TEST_F(VideoSourcesTest, GroupsFollowTheFirstRateThenDescendingRates) {
  media_.AddDevice("Cam", {MakeVideoType(SubtypeCode::YUY2, 720, 576, k25),
                           MakeVideoType(SubtypeCode::YUY2, 720, 480, 333333),
                           MakeVideoType(SubtypeCode::YUY2, 640, 480, 666667),
                           MakeVideoType(SubtypeCode::YUY2, 640, 480, 166833),
                           MakeVideoType(SubtypeCode::MJPG, 1280, 720, k30),
                           MakeVideoType(SubtypeCode::YUY2, 800, 600, k25)});
  ASSERT_EQ(Enumerate(), S_OK);
  const VideoSourceInfo& info = *sources_.Source(0);
  EXPECT_EQ(RateTexts(info), (std::vector<std::string>{"25", "60", "30", "15"}));
  EXPECT_EQ(SizeTexts(info.frame_rates[0]), (std::vector<std::string>{"720x576", "800x600"}));
  // 333333 and 333667 both round to 30.
  EXPECT_EQ(SizeTexts(info.frame_rates[2]), (std::vector<std::string>{"720x480", "1280x720"}));
  for (const auto& group : info.frame_rates) {
    EXPECT_TRUE(group.enabled);
    EXPECT_EQ(group.current_format_index, 0u);
  }
  EXPECT_EQ(info.current_rate_index, 0u);
}

TEST_F(VideoSourcesTest, ReadsPictureControlsAndLeavesAutomaticOnesUnsupported) {
  auto moniker = media_.AddDevice("Cam", {MakeVideoType(SubtypeCode::YUY2, 720, 576, k25)});
  auto proc_amp = std::make_unique<FakeProcAmp>();
  const auto entry = [](std::int32_t value, std::int32_t flags, ProcAmpRange range) {
    FakeProcAmp::Entry made;
    made.value = value;
    made.flags = flags;
    made.range = range;
    return made;
  };
  proc_amp->entries[ProcAmpProperty::Brightness] =
      entry(120, kProcAmpFlagsManual, ProcAmpRange{0, 255, 1, 128, 3});
  proc_amp->entries[ProcAmpProperty::Contrast] =
      entry(60, kProcAmpFlagsAuto, ProcAmpRange{0, 100, 1, 50, 3});
  proc_amp->entries[ProcAmpProperty::Gain] = entry(7, kProcAmpFlagsManual, ProcAmpRange{});
  proc_amp->entries[ProcAmpProperty::Gain].range_result = E_FAIL;
  moniker->filter->proc_amp = std::move(proc_amp);
  ASSERT_EQ(Enumerate(), S_OK);
  const VideoSourceInfo& info = *sources_.Source(0);
  EXPECT_EQ(info.brightness, (DeviceProperty{1, 120, 0, 0, 255, 1, 128}));
  const DeviceProperty initial{0, INT32_MIN, 0, INT32_MIN, INT32_MAX, INT32_MAX, INT32_MIN};
  EXPECT_EQ(info.contrast, initial);
  EXPECT_EQ(info.hue, initial);
  // The value was read before the range failed, and stays.
  EXPECT_EQ(info.gain, (DeviceProperty{0, 7, 0, INT32_MIN, INT32_MAX, INT32_MAX, INT32_MIN}));
}

TEST_F(VideoSourcesTest, PictureControlsOfADeviceWithoutThem) {
  media_.AddDevice("Plain", {MakeVideoType(SubtypeCode::YUY2, 720, 576, k25)});
  media_.AddDevice("Null", {MakeVideoType(SubtypeCode::YUY2, 720, 576, k25)})
      ->filter->proc_amp_query_gives_null = true;
  ASSERT_EQ(Enumerate(), S_OK);
  ASSERT_EQ(sources_.Count(), 1u);
  for (std::size_t i = 0; i < kDevicePropertyCount; ++i) {
    EXPECT_EQ(sources_.Source(0)->Property(i).supported, 0);
    EXPECT_EQ(sources_.Source(0)->Property(i).value, kPropertyNotSet);
  }
  EXPECT_EQ(view_.entries,
            (std::vector<std::string>{
                Timed("WARNING: cannot set device properties in ValidateVideoCaptureDevice due to "
                      "NULL interface\r\n"),
                Plain("Device \"Null\" cannot be used for video capture\r\n")}));

  DeviceProperty property;
  property.saved_value = 5;
  EXPECT_EQ(SetDevicePropertyValues(log_, nullptr, ProcAmpProperty::Hue, &property), 0);
  EXPECT_EQ(view_.entries.back(),
            Timed("Logic error: NULL input parameter to SetDevicePropertyValues\r\n"));
}

TEST_F(VideoSourcesTest, AnalogDevicesTakeTheirStandardAndItsFrameRateGroup) {
  AddAnalog("PAL Grabber", kAnalogVideoPalB);
  AddAnalog("NTSC Grabber", kAnalogVideoNtscM);
  ASSERT_EQ(Enumerate(), S_OK);
  const VideoSourceInfo& pal = *sources_.Source(0);
  EXPECT_EQ(pal.analog_format, AnalogFormat::PAL);
  EXPECT_FALSE(pal.auto_detect_format);
  EXPECT_FALSE(pal.supports_auto_detect);
  EXPECT_EQ(RateTexts(pal), (std::vector<std::string>{"30", "25"}));
  EXPECT_FALSE(pal.frame_rates[0].enabled);
  EXPECT_TRUE(pal.frame_rates[1].enabled);
  EXPECT_EQ(pal.current_rate_index, 1u);
  EXPECT_EQ(SourceVideoFormat(pal)->size_text, "720x576");

  const VideoSourceInfo& ntsc = *sources_.Source(1);
  EXPECT_EQ(ntsc.analog_format, AnalogFormat::NTSC);
  EXPECT_TRUE(ntsc.frame_rates[0].enabled);
  EXPECT_FALSE(ntsc.frame_rates[1].enabled);
  EXPECT_EQ(ntsc.current_rate_index, 0u);
}

TEST_F(VideoSourcesTest, AutoDetectingGrabbersRunTheDetectionHook) {
  std::vector<std::string> detected;
  hooks_.auto_set_analog_device_format = [&](VideoSourceInfo* info) {
    detected.push_back(info->name);
  };
  AddAnalog("USB 2820 Device", kAnalogVideoNtscM);
  AddAnalog("USB 2861 Device", kAnalogVideoPalB);
  AddAnalog("USB 2862 Device", kAnalogVideoPalB);
  ASSERT_EQ(Enumerate(), S_OK);
  EXPECT_EQ(detected, (std::vector<std::string>{"USB 2820 Device", "USB 2861 Device"}));
  EXPECT_TRUE(sources_.Source(0)->supports_auto_detect);
  EXPECT_TRUE(sources_.Source(0)->auto_detect_format);
  EXPECT_FALSE(sources_.Source(2)->auto_detect_format);
  // Without detection the grabber keeps the standard its decoder reports.
  hooks_.auto_set_analog_device_format = nullptr;
  AddAnalog("USB 2861 Device", kAnalogVideoPalB);
  media_.devices.erase(media_.devices.begin(), media_.devices.begin() + 3);
  ASSERT_EQ(Enumerate(), S_OK);
  EXPECT_EQ(sources_.Source(3)->current_rate_index, 1u);
}

TEST_F(VideoSourcesTest, WithoutADecoderEveryDeviceIsDigital) {
  // Decoder look-up failures make a grabber digital, even one that offers detection.
  AddAnalog("USB 2820 Device", kAnalogVideoPalB);
  media_.plan.Fail("FindAnalogVideoDecoder");
  media_.AddDevice("USB 2861 Device", {MakeVideoType(SubtypeCode::YUY2, 720, 576, k25)});
  bool detection_ran = false;
  hooks_.auto_set_analog_device_format = [&](VideoSourceInfo*) { detection_ran = true; };
  ASSERT_EQ(Enumerate(), S_OK);
  ASSERT_EQ(sources_.Count(), 2u);
  for (std::size_t i = 0; i < 2; ++i) {
    EXPECT_EQ(sources_.Source(i)->analog_format, AnalogFormat::Digital);
    EXPECT_FALSE(sources_.Source(i)->supports_auto_detect);
    EXPECT_FALSE(sources_.Source(i)->auto_detect_format);
  }
  EXPECT_FALSE(detection_ran);
}

TEST_F(VideoSourcesTest, AnalogDevicesWithAnUnreadableOrUnsupportedStandardAreUnusable) {
  AddAnalog("SECAM Grabber", 0x100);
  AddAnalog("Mute Grabber", kAnalogVideoPalB)->filter->decoder->get_result = E_FAIL;
  ASSERT_EQ(Enumerate(), S_OK);
  EXPECT_EQ(sources_.Count(), 0u);
  EXPECT_EQ(view_.entries,
            (std::vector<std::string>{
                Plain("SECAM Grabber  has unsupported properties.  Only PAL_B and NTSC_M have "
                      "properties support\r\n"),
                Plain("Device \"SECAM Grabber\" cannot be used for video capture\r\n"),
                Timed("WARNING: cannot get analog device format in ValidateVideoCaptureDevice\r\n"),
                Plain("Device \"Mute Grabber\" cannot be used for video capture\r\n")}));
}

TEST_F(VideoSourcesTest, ADecoderLookUpThatSucceedsWithoutADecoderIsAFault) {
  media_.AddDevice("Cam", {MakeVideoType(SubtypeCode::YUY2, 720, 576, k25)});
  hooks_.find_analog_video_decoder = [](const std::shared_ptr<MediaFilter>&,
                                        AnalogVideoDecoder** decoder) {
    *decoder = nullptr;
    return S_OK;
  };
  ASSERT_EQ(Enumerate(), S_OK);
  EXPECT_EQ(sources_.Count(), 0u);
  EXPECT_EQ(view_.entries.front(),
            Timed("WARNING: interface to get analog device format is NULL in "
                  "ValidateVideoCaptureDevice\r\n"));
}

TEST_F(VideoSourcesTest, FlagsDevicesThatHaveASavedConfiguration) {
  media_.AddDevice("Cam A", {MakeVideoType(SubtypeCode::YUY2, 720, 576, k25)});
  media_.AddDevice("Cam B", {MakeVideoType(SubtypeCode::YUY2, 720, 576, k25)});
  configurations_.resize(2);
  configurations_[0].device_name = "cam a";
  configurations_[1].device_name = "Cam B";
  ASSERT_EQ(Enumerate(), S_OK);
  EXPECT_FALSE(sources_.Source(0)->has_configuration);
  EXPECT_TRUE(sources_.Source(1)->has_configuration);
}

TEST_F(VideoSourcesTest, EnumerationResultsAndFailures) {
  EXPECT_EQ(Enumerate(), S_OK);  // no device at all
  EXPECT_EQ(sources_.Count(), 0u);

  media_.AddDevice("First", {MakeVideoType(SubtypeCode::YUY2, 720, 576, k25)});
  media_.AddDevice("Nameless", {MakeVideoType(SubtypeCode::YUY2, 720, 576, k25)})->name_result =
      E_FAIL;
  media_.AddDevice("Unbindable", {MakeVideoType(SubtypeCode::YUY2, 720, 576, k25)})->bind_result =
      E_FAIL;
  media_.devices.push_back(nullptr);
  media_.AddDevice("Last", {MakeVideoType(SubtypeCode::YUY2, 720, 576, k25)});

  media_.plan.Fail("EnumerateDevices:VideoInput", E_OUTOFMEMORY, 1);
  EXPECT_EQ(Enumerate(), E_OUTOFMEMORY);
  EXPECT_EQ(sources_.Count(), 0u);
  media_.plan.Clear("EnumerateDevices:VideoInput");

  // The devices found before a missing one stay; the name that cannot be read is skipped.
  EXPECT_EQ(Enumerate(), E_FAIL);
  ASSERT_EQ(sources_.Count(), 1u);
  EXPECT_EQ(sources_.Source(0)->name, "First");
  EXPECT_EQ(sources_.UnusableDeviceNames(), (std::vector<std::string>{"Unbindable"}));
  EXPECT_EQ(view_.entries, (std::vector<std::string>{
                               Plain("Device \"Unbindable\" cannot be used for video capture\r\n"),
                               Timed("WARNING: video input device moniker is NULL in "
                                     "GetAttachedVideoDeviceList\r\n")}));
}

TEST_F(VideoSourcesTest, NamesAreCutToTheirCapacity) {
  const std::string long_name(300, 'N');
  media_.AddDevice(long_name, {MakeVideoType(SubtypeCode::YUY2, 720, 576, k25)});
  ASSERT_EQ(Enumerate(), S_OK);
  VideoSourceInfo& info = *sources_.Source(0);
  EXPECT_EQ(info.name, std::string(255, 'N'));
  // Binding by name finds the device again with the cut name.
  info.base_filter.reset();
  EXPECT_EQ(sources_.GetVideoSourceBaseFilter(0u), S_OK);

  EXPECT_TRUE(SetRecordingPath(&info, std::string(255, 'p')));
  EXPECT_FALSE(SetRecordingPath(&info, std::string(256, 'q')));
  EXPECT_EQ(info.recording_path, std::string(255, 'p'));
}

TEST_F(VideoSourcesTest, DevicesSharingANameEachGetARecordButRebindToTheFirst) {
  auto first = media_.AddDevice("Twin", {MakeVideoType(SubtypeCode::YUY2, 720, 576, k25)});
  auto second = media_.AddDevice("Twin", {MakeVideoType(SubtypeCode::MJPG, 1280, 720, k30)});
  ASSERT_EQ(Enumerate(), S_OK);
  ASSERT_EQ(sources_.Count(), 2u);
  EXPECT_EQ(sources_.Source(0)->base_filter, first->filter);
  EXPECT_EQ(sources_.Source(1)->base_filter, second->filter);

  sources_.Source(1)->base_filter.reset();
  EXPECT_EQ(sources_.GetVideoSourceBaseFilter(1u), S_OK);
  EXPECT_EQ(sources_.Source(1)->base_filter, first->filter);
  EXPECT_EQ(second->binds, 1);
  EXPECT_TRUE(view_.entries.empty());
}

TEST_F(VideoSourcesTest, BindingTheBaseFilterReportsEachFailure) {
  media_.AddDevice("Cam", {MakeVideoType(SubtypeCode::YUY2, 720, 576, k25)});
  ASSERT_EQ(Enumerate(), S_OK);
  VideoSourceInfo& info = *sources_.Source(0);

  // A bound filter is kept without asking the platform.
  const int enumerations = media_.plan.Calls("EnumerateDevices:VideoInput");
  EXPECT_EQ(sources_.GetVideoSourceBaseFilter(&info), S_OK);
  EXPECT_EQ(media_.plan.Calls("EnumerateDevices:VideoInput"), enumerations);

  info.base_filter.reset();
  media_.plan.Fail("EnumerateDevices:VideoInput", S_FALSE);
  EXPECT_EQ(sources_.GetVideoSourceBaseFilter(&info), E_FAIL);
  media_.plan.Fail("EnumerateDevices:VideoInput", E_FAIL);
  EXPECT_EQ(sources_.GetVideoSourceBaseFilter(&info), E_FAIL);
  media_.plan.Clear("EnumerateDevices:VideoInput");
  media_.devices[0]->bind_result = E_FAIL;
  EXPECT_EQ(sources_.GetVideoSourceBaseFilter(&info), E_FAIL);
  media_.devices[0]->bind_result = S_OK;
  media_.devices[0]->name = "Other";
  EXPECT_EQ(sources_.GetVideoSourceBaseFilter(&info), E_FAIL);
  media_.devices.insert(media_.devices.begin(), nullptr);
  EXPECT_EQ(sources_.GetVideoSourceBaseFilter(&info), E_FAIL);
  EXPECT_EQ(sources_.GetVideoSourceBaseFilter(nullptr), E_FAIL);
  EXPECT_EQ(sources_.GetVideoSourceBaseFilter(7u), E_FAIL);
  EXPECT_FALSE(info.base_filter);

  const std::string null_info =
      Timed("Logic error: attempt to get base filter from a NULL pointer to VideoSourceInfo\r\n");
  const std::string nothing_bound =
      Timed("WARNING: returned base filter pointer is NULL in GetVideoSourceBaseFilter\r\n");
  EXPECT_EQ(view_.entries,
            (std::vector<std::string>{
                Timed("Logic error: attempt to get base filter for a VideoSourceInfo, but no video "
                      "devices are found\r\n"),
                Timed("Logic error: attempt to get base filter for a VideoSourceInfo, but cannot "
                      "enumerate video devices\r\n"),
                nothing_bound, nothing_bound,
                Timed("WARNING: video input device moniker is NULL in "
                      "GetVideoSourceBaseFilter\r\n"),
                null_info, null_info}));
}

TEST_F(VideoSourcesTest, ChoosesTheDeviceInUse) {
  for (const char* name : {"A", "B", "C"}) {
    media_.AddDevice(name, {MakeVideoType(SubtypeCode::YUY2, 720, 576, k25)});
  }
  ASSERT_EQ(Enumerate(), S_OK);
  EXPECT_EQ(sources_.CurrentSourceIndex(), kNoCurrentSource);
  EXPECT_EQ(sources_.CurrentVideoFormat(), nullptr);
  EXPECT_EQ(sources_.CurrentSubtypeCode(), SubtypeCode::NoFormat);
  EXPECT_EQ(sources_.CurrentSubtypeName(), " ");

  // A is ignored and default, C is default: C is used.
  sources_.Source(0)->is_default = true;
  sources_.Source(2)->is_default = true;
  sources_.MarkIgnoredDevices({"A", "Z"});
  sources_.SaveSelectionFlags();
  sources_.SelectCurrentSource();
  EXPECT_EQ(sources_.CurrentSourceIndex(), 2u);
  EXPECT_EQ(sources_.CurrentSubtypeCode(), SubtypeCode::YUY2);
  EXPECT_EQ(sources_.CurrentSubtypeName(), "YUY2");

  // Without a usable default the first considered device is used.
  sources_.MarkDefaultDevice("A");
  EXPECT_FALSE(sources_.Source(2)->is_default);
  sources_.SelectCurrentSource();
  EXPECT_EQ(sources_.CurrentSourceIndex(), 1u);

  // Ignoring is never undone by marking; detached devices are passed over.
  sources_.MarkIgnoredDevices({"C"});
  EXPECT_TRUE(sources_.Source(0)->is_ignored);
  sources_.Source(1)->is_detached = true;
  sources_.SelectCurrentSource();
  EXPECT_EQ(sources_.CurrentSourceIndex(), kNoCurrentSource);

  // Cancel of the device selection puts back the flags saved when it opened.
  sources_.RestoreSelectionFlags();
  EXPECT_TRUE(sources_.Source(0)->is_default);
  EXPECT_TRUE(sources_.Source(0)->is_ignored);
  EXPECT_TRUE(sources_.Source(2)->is_default);
  EXPECT_FALSE(sources_.Source(2)->is_ignored);
}

TEST(SetAnalogDeviceFrameRateTest, EnablesTheStandardsGroupAndItsPalFormat) {
  FakeClock clock(MakeFileTime(2024, 5, 1, 21, 30, 0));
  MessageLog log(clock);
  RecordingView view;
  log.AttachView(&view);
  VideoSourceInfo info;
  const auto group = [](std::uint32_t rate, std::vector<std::pair<int, int>> sizes) {
    VideoFormatsByFrameRate made;
    made.frame_rate = rate;
    for (auto [w, h] : sizes)
      made.formats.push_back(
          MakeVideoFormat(MakeVideoType(SubtypeCode::YUY2, w, h, 10000000 / rate)));
    made.current_format_index = 0;
    return made;
  };
  info.frame_rates = {group(30, {{720, 480}}), group(25, {{640, 480}, {720, 576}}),
                      group(25, {{768, 576}, {720, 576}, {720, 576}})};
  info.analog_format = AnalogFormat::PAL;
  SetAnalogDeviceFrameRate(log, &info);
  EXPECT_FALSE(info.frame_rates[0].enabled);
  EXPECT_TRUE(info.frame_rates[1].enabled);
  EXPECT_TRUE(info.frame_rates[2].enabled);
  EXPECT_EQ(info.current_rate_index, 2u);
  EXPECT_EQ(info.frame_rates[1].current_format_index, 1u);
  EXPECT_EQ(info.frame_rates[2].current_format_index, 1u);

  info.analog_format = AnalogFormat::NTSC;
  info.frame_rates[0].current_format_index = 0;
  SetAnalogDeviceFrameRate(log, &info);
  EXPECT_TRUE(info.frame_rates[0].enabled);
  EXPECT_FALSE(info.frame_rates[2].enabled);
  EXPECT_EQ(info.current_rate_index, 0u);

  info.analog_format = AnalogFormat::Unknown;
  SetAnalogDeviceFrameRate(log, &info);
  for (const auto& g : info.frame_rates) EXPECT_FALSE(g.enabled);
  EXPECT_EQ(info.current_rate_index, 0u);

  SetAnalogDeviceFrameRate(log, nullptr);
  EXPECT_EQ(
      view.entries,
      (std::vector<std::string>{Timed("Logic error: NULL pointer to VideoSourceInfo in call to "
                                      "SetAnalogDeviceFrameRate\r\n")}));
}

TEST_F(VideoSourcesTest, SourceVideoFormatNeedsBothIndexesInRange) {
  media_.AddDevice("Cam", {MakeVideoType(SubtypeCode::YUY2, 720, 576, k25),
                           MakeVideoType(SubtypeCode::MJPG, 1280, 720, k25)});
  ASSERT_EQ(Enumerate(), S_OK);
  VideoSourceInfo& info = *sources_.Source(0);
  info.frame_rates[0].current_format_index = 1;
  ASSERT_NE(SourceVideoFormat(info), nullptr);
  EXPECT_EQ(SourceVideoFormat(info)->subtype, SubtypeCode::MJPG);
  info.frame_rates[0].current_format_index = 2;
  EXPECT_EQ(SourceVideoFormat(info), nullptr);
  info.frame_rates[0].current_format_index = 0;
  info.current_rate_index = 1;
  EXPECT_EQ(SourceVideoFormat(info), nullptr);
  sources_.SetCurrentSourceIndex(0);
  EXPECT_EQ(sources_.CurrentVideoFormat(), nullptr);
  EXPECT_EQ(sources_.CurrentSubtypeCode(), SubtypeCode::NoFormat);
}

}  // namespace
}  // namespace vesk
