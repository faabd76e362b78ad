#include "capture/video_sources.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "support/capture_bed.h"

namespace vesk {
namespace {

using testing::FakeAnalogDecoder;
using testing::FakeGraph;
using testing::FakeMoniker;
using testing::MakeVideoType;

constexpr std::uint32_t k25 = 400000;
constexpr std::uint32_t k30 = 333667;

using testing::Timed;
std::string Plain(const std::string& text) { return "\r\n" + text; }

class VideoSourcesTest : public ::testing::Test, protected testing::CaptureBed {
 protected:
  HResult Enumerate() { return sources.GetAttachedVideoDeviceList(hooks_, configurations_); }

  std::shared_ptr<FakeMoniker> AddAnalog(const std::string& name, std::int32_t tv_format) {
    auto moniker = media.AddDevice(name, {MakeVideoType(SubtypeCode::YUY2, 720, 480, k30),
                                          MakeVideoType(SubtypeCode::YUY2, 720, 576, k25)});
    moniker->filter->decoder = std::make_unique<FakeAnalogDecoder>();
    moniker->filter->decoder->tv_format = tv_format;
    return moniker;
  }

  FakeGraph graph_{&media.plan};
  DeviceValidationHooks hooks_ = ValidationHooksFor(graph_);
  std::vector<VideoConfiguration> configurations_;
};

// Devices without a usable format or standard are named as unusable; enumeration goes on.
TEST_F(VideoSourcesTest, UsableDevicesAreListedInOrderWithCleanedNamesAndTheOthersSaid) {
  media.AddDevice(
      "Web\x01"
      "cam",
      {MakeVideoType(SubtypeCode::MJPG, 1280, 720, k30)});
  media.AddDevice("Small Cam", {MakeVideoType(SubtypeCode::YUY2, 320, 240, k30)});
  media.AddDevice("Still Cam", {MakeVideoType(SubtypeCode::YUY2, 720, 576, 0)});
  AddAnalog("Grabber", kAnalogVideoPalB);
  ASSERT_EQ(Enumerate(), S_OK);
  ASSERT_EQ(sources.Count(), 2u);
  const VideoSourceInfo& webcam = *sources.Source(0);
  EXPECT_EQ(
      std::tuple(webcam.name, webcam.base_filter, webcam.analog_format, sources.Source(1)->name),
      std::tuple("Webcam", media.devices[0]->filter, AnalogFormat::Digital, "Grabber"));
  EXPECT_EQ(sources.UnusableDeviceNames(), (std::vector<std::string>{"Small Cam", "Still Cam"}));
  EXPECT_EQ(view.entries,
            (std::vector<std::string>{
                Timed("Video device source information has no frame rate entries\r\n"),
                Plain("Device \"Small Cam\" cannot be used for video capture\r\n"),
                Timed("Video device source information has no frame rate entries\r\n"),
                Plain("Device \"Still Cam\" cannot be used for video capture\r\n")}));
}

TEST_F(VideoSourcesTest, AnalogDevicesTakeTheirStandardAndItsFrameRateGroupOrAreUnusable) {
  AddAnalog("PAL Grabber", kAnalogVideoPalB);
  AddAnalog("SECAM Grabber", 0x100);
  AddAnalog("Mute Grabber", kAnalogVideoPalB)->filter->decoder->get_result = E_FAIL;
  AddAnalog("NTSC Grabber", kAnalogVideoNtscM);
  ASSERT_EQ(Enumerate(), S_OK);
  ASSERT_EQ(sources.Count(), 2u);
  // Each takes the group of its standard: PAL the 25 after the 30, NTSC the first.
  const VideoSourceInfo& pal = *sources.Source(0);
  const VideoSourceInfo& ntsc = *sources.Source(1);
  EXPECT_EQ(std::tuple(pal.analog_format, pal.supports_auto_detect, pal.frame_rates[0].rate_text,
                       pal.frame_rates[1].rate_text, pal.frame_rates[0].enabled,
                       SourceVideoFormat(pal)->size_text),
            std::tuple(AnalogFormat::PAL, false, "30", "25", false, "720x576"));
  EXPECT_EQ(std::tuple(ntsc.analog_format, ntsc.frame_rates[1].enabled, ntsc.current_rate_index),
            std::tuple(AnalogFormat::NTSC, false, 0u));
  EXPECT_EQ(view.entries,
            (std::vector<std::string>{
                Plain("SECAM Grabber  has unsupported properties.  Only PAL_B and NTSC_M have "
                      "properties support\r\n"),
                Plain("Device \"SECAM Grabber\" cannot be used for video capture\r\n"),
                Timed("WARNING: cannot get analog device format in ValidateVideoCaptureDevice\r\n"),
                Plain("Device \"Mute Grabber\" cannot be used for video capture\r\n")}));
}

TEST_F(VideoSourcesTest, EnumerationResultsAndFailures) {
  EXPECT_EQ(Enumerate(), S_OK);  // no device at all
  media.AddDevice("First", {MakeVideoType(SubtypeCode::YUY2, 720, 576, k25)});
  media.AddDevice("Nameless", {MakeVideoType(SubtypeCode::YUY2, 720, 576, k25)})->name_result =
      E_FAIL;
  media.AddDevice("Unbindable", {MakeVideoType(SubtypeCode::YUY2, 720, 576, k25)})->bind_result =
      E_FAIL;
  media.devices.push_back(nullptr);
  media.AddDevice("Last", {MakeVideoType(SubtypeCode::YUY2, 720, 576, k25)});

  media.plan.Fail("EnumerateDevices:VideoInput", E_OUTOFMEMORY, 1);
  EXPECT_EQ(Enumerate(), E_OUTOFMEMORY);
  media.plan.Clear("EnumerateDevices:VideoInput");

  // The devices found before a missing one stay; the name that cannot be read is skipped.
  EXPECT_EQ(Enumerate(), E_FAIL);
  ASSERT_EQ(sources.Count(), 1u);
  EXPECT_EQ(sources.Source(0)->name, "First");
  EXPECT_EQ(sources.UnusableDeviceNames(), (std::vector<std::string>{"Unbindable"}));
  EXPECT_EQ(view.entries, (std::vector<std::string>{
                              Plain("Device \"Unbindable\" cannot be used for video capture\r\n"),
                              Timed("WARNING: video input device moniker is NULL in "
                                    "GetAttachedVideoDeviceList\r\n")}));
}

TEST_F(VideoSourcesTest, BindingTheBaseFilterReportsEachFailure) {
  media.AddDevice("Cam", {MakeVideoType(SubtypeCode::YUY2, 720, 576, k25)});
  ASSERT_EQ(Enumerate(), S_OK);
  VideoSourceInfo& info = *sources.Source(0);

  info.base_filter.reset();
  media.plan.Fail("EnumerateDevices:VideoInput", S_FALSE, 1, 1);  // the device is gone
  EXPECT_EQ(sources.GetVideoSourceBaseFilter(&info), E_FAIL);
  media.devices[0]->bind_result = E_FAIL;
  EXPECT_EQ(sources.GetVideoSourceBaseFilter(&info), E_FAIL);
  media.devices[0]->bind_result = S_OK;
  media.devices[0]->name = "Other";
  EXPECT_EQ(sources.GetVideoSourceBaseFilter(&info), E_FAIL);
  EXPECT_EQ(sources.GetVideoSourceBaseFilter(7u), E_FAIL);
  EXPECT_FALSE(info.base_filter);
  EXPECT_EQ(view.entries.size(), 4u);  // each failure is reported
  EXPECT_EQ(view.entries[1],
            Timed("WARNING: returned base filter pointer is NULL in GetVideoSourceBaseFilter\r\n"));
}

}  // namespace
}  // namespace vesk
