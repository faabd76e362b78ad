#include "platform/linux/v4l2_device.h"

#include <gtest/gtest.h>
#include <linux/videodev2.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "platform/linux/v4l2_enumerator.h"
#include "platform/linux/v4l2_translation.h"
#include "recorded/recorded_driver.h"
#include "recorded/usb_2861_grabber.h"
#include "recorded/uvc_webcam.h"

namespace vesk {
namespace {

using testing::RecordedDriver;
using testing::RecordedNode;

MediaType Type(const char* name, SubtypeCode code, std::int32_t width, std::int32_t height,
               std::uint32_t time, std::int32_t numerator, std::int32_t denominator,
               AnalogFormat standard = AnalogFormat::Digital) {
  MediaType type;
  type.subtype_name = name;
  type.subtype = code;
  type.width = width;
  type.height = height;
  type.avg_time_per_frame = time;
  type.rate_numerator = numerator;
  type.rate_denominator = denominator;
  type.standard = standard;
  return type;
}

// A device on a recorded node; the node stays with the test so it can be changed.
struct Replay {
  explicit Replay(RecordedNode recorded) : node(std::move(recorded)) {
    auto owned = std::make_unique<RecordedDriver>(&node);
    driver = owned.get();
    device = std::make_unique<V4l2Device>(std::move(owned));
  }
  RecordedNode node;
  RecordedDriver* driver = nullptr;
  std::unique_ptr<V4l2Device> device;
};

TEST(V4l2DeviceTest, AnalogGrabberOffersEachStandardsFullPicture) {
  Replay replay(testing::Usb2861Grabber());
  std::vector<MediaType> types;
  ASSERT_EQ(replay.device->QueryFormats(&types), S_OK);
  const std::vector<MediaType> expected = {
      Type("YUY2", SubtypeCode::YUY2, 720, 480, 333667, 30000, 1001, AnalogFormat::NTSC),
      Type("YUY2", SubtypeCode::YUY2, 720, 576, 400000, 25, 1, AnalogFormat::PAL),
      Type("RGBP", SubtypeCode::Other, 720, 480, 333667, 30000, 1001, AnalogFormat::NTSC),
      Type("RGBP", SubtypeCode::Other, 720, 576, 400000, 25, 1, AnalogFormat::PAL),
  };
  EXPECT_EQ(types, expected);

  std::string card;
  std::string bus;
  ASSERT_EQ(replay.device->QueryCard(&card, &bus), S_OK);
  EXPECT_EQ(card, "USB 2861 Device");
  EXPECT_EQ(bus, "usb-0000:00:14.0-3");
}

TEST(V4l2DeviceTest, AnalogGrabberSwitchesStandardsBothWays) {
  Replay replay(testing::Usb2861Grabber());
  AnalogVideoDecoder* decoder = nullptr;
  ASSERT_EQ(replay.device->QueryAnalogVideoDecoder(&decoder), S_OK);
  ASSERT_NE(decoder, nullptr);
  std::int32_t format = 0;
  ASSERT_EQ(decoder->GetTvFormat(&format), S_OK);
  EXPECT_EQ(format, kAnalogVideoPalB);

  ASSERT_EQ(decoder->PutTvFormat(kAnalogVideoNtscM), S_OK);
  ASSERT_EQ(decoder->GetTvFormat(&format), S_OK);
  EXPECT_EQ(format, kAnalogVideoNtscM);
  ASSERT_EQ(decoder->PutTvFormat(kAnalogVideoPalB), S_OK);
  ASSERT_EQ(decoder->GetTvFormat(&format), S_OK);
  EXPECT_EQ(format, kAnalogVideoPalB);
  EXPECT_EQ(replay.driver->standards_set(),
            (std::vector<v4l2_std_id>{V4L2_STD_NTSC_M, V4L2_STD_PAL_B}));

  // Formats the station does not support are refused without touching the device.
  EXPECT_EQ(decoder->PutTvFormat(kAnalogVideoPalM), E_INVALIDARG);
  EXPECT_EQ(decoder->PutTvFormat(0x20), E_INVALIDARG);
  EXPECT_EQ(replay.driver->standards_set().size(), 2u);

  // A grabber left on SECAM reads as a format of its own, which the device model refuses.
  replay.node.current_standard = V4L2_STD_SECAM_L;
  ASSERT_EQ(decoder->GetTvFormat(&format), S_OK);
  EXPECT_EQ(format, kAnalogVideoSecamB);
}

TEST(V4l2DeviceTest, AnalogGrabberHasFourManualControls) {
  Replay replay(testing::Usb2861Grabber());
  VideoProcAmp* proc_amp = nullptr;
  ASSERT_EQ(replay.device->QueryVideoProcAmp(&proc_amp), S_OK);
  ProcAmpRange range;
  ASSERT_EQ(proc_amp->GetRange(ProcAmpProperty::Brightness, &range), S_OK);
  EXPECT_EQ(range.minimum, 0);
  EXPECT_EQ(range.maximum, 255);
  EXPECT_EQ(range.step, 1);
  EXPECT_EQ(range.default_value, 128);
  EXPECT_EQ(range.capabilities, kProcAmpFlagsManual);
  ASSERT_EQ(proc_amp->GetRange(ProcAmpProperty::Hue, &range), S_OK);
  EXPECT_EQ(range.minimum, -128);
  EXPECT_EQ(range.maximum, 127);

  std::int32_t value = 0;
  std::int32_t flags = 0;
  for (ProcAmpProperty property : {ProcAmpProperty::Brightness, ProcAmpProperty::Contrast,
                                   ProcAmpProperty::Hue, ProcAmpProperty::Saturation}) {
    EXPECT_EQ(proc_amp->Get(property, &value, &flags), S_OK);
    EXPECT_EQ(flags, kProcAmpFlagsManual);
  }
  ASSERT_EQ(proc_amp->Get(ProcAmpProperty::Contrast, &value, &flags), S_OK);
  EXPECT_EQ(value, 64);

  value = 99;
  for (ProcAmpProperty property : {ProcAmpProperty::Gain, ProcAmpProperty::Sharpness}) {
    EXPECT_EQ(proc_amp->Get(property, &value, &flags), kV4l2PropertyUnsupported);
    EXPECT_EQ(proc_amp->GetRange(property, &range), kV4l2PropertyUnsupported);
    EXPECT_EQ(proc_amp->Set(property, 1, kProcAmpFlagsManual), kV4l2PropertyUnsupported);
  }
  EXPECT_EQ(value, 99);
  EXPECT_EQ(proc_amp->Set(ProcAmpProperty::Hue, 5, kProcAmpFlagsAuto), E_INVALIDARG);
}

TEST(V4l2DeviceTest, WebcamOffersEverySizeAndIntervalInOrder) {
  Replay replay(testing::UvcWebcam());
  std::vector<MediaType> types;
  ASSERT_EQ(replay.device->QueryFormats(&types), S_OK);
  std::vector<MediaType> expected;
  for (auto [width, height] : {std::pair{1280, 720}, {640, 480}, {320, 240}}) {
    expected.push_back(Type("MJPG", SubtypeCode::MJPG, width, height, 333333, 30, 1));
    expected.push_back(Type("MJPG", SubtypeCode::MJPG, width, height, 666667, 15, 1));
    expected.push_back(Type("MJPG", SubtypeCode::MJPG, width, height, 2000000, 5, 1));
  }
  for (auto [width, height] : {std::pair{640, 480}, {320, 240}}) {
    expected.push_back(Type("YUY2", SubtypeCode::YUY2, width, height, 333333, 30, 1));
    expected.push_back(Type("YUY2", SubtypeCode::YUY2, width, height, 666667, 15, 1));
    expected.push_back(Type("YUY2", SubtypeCode::YUY2, width, height, 2000000, 5, 1));
  }
  expected.push_back(Type("YUY2", SubtypeCode::YUY2, 1280, 720, 1000000, 10, 1));
  expected.push_back(Type("YUY2", SubtypeCode::YUY2, 1280, 720, 2000000, 5, 1));
  EXPECT_EQ(types, expected);

  AnalogVideoDecoder* decoder = reinterpret_cast<AnalogVideoDecoder*>(1);
  EXPECT_EQ(replay.device->QueryAnalogVideoDecoder(&decoder), E_NOINTERFACE);
  EXPECT_EQ(decoder, nullptr);
}

TEST(V4l2DeviceTest, WebcamGainReadsAutomaticUntilSetByHand) {
  Replay replay(testing::UvcWebcam());
  VideoProcAmp* proc_amp = nullptr;
  ASSERT_EQ(replay.device->QueryVideoProcAmp(&proc_amp), S_OK);
  std::int32_t value = 0;
  std::int32_t flags = 0;
  ASSERT_EQ(proc_amp->Get(ProcAmpProperty::Gain, &value, &flags), S_OK);
  EXPECT_EQ(value, 37);
  EXPECT_EQ(flags, kProcAmpFlagsAuto);
  ProcAmpRange range;
  ASSERT_EQ(proc_amp->GetRange(ProcAmpProperty::Gain, &range), S_OK);
  EXPECT_EQ(range.maximum, 100);
  EXPECT_EQ(range.capabilities, kProcAmpFlagsAuto | kProcAmpFlagsManual);

  // Hue has an automatic mode that is off; brightness has none.
  ASSERT_EQ(proc_amp->Get(ProcAmpProperty::Hue, &value, &flags), S_OK);
  EXPECT_EQ(flags, kProcAmpFlagsManual);
  ASSERT_EQ(proc_amp->GetRange(ProcAmpProperty::Hue, &range), S_OK);
  EXPECT_EQ(range.capabilities, kProcAmpFlagsAuto | kProcAmpFlagsManual);
  ASSERT_EQ(proc_amp->Get(ProcAmpProperty::Brightness, &value, &flags), S_OK);
  EXPECT_EQ(value, 10);
  ASSERT_EQ(proc_amp->GetRange(ProcAmpProperty::Brightness, &range), S_OK);
  EXPECT_EQ(range.minimum, -64);
  EXPECT_EQ(range.capabilities, kProcAmpFlagsManual);
  ASSERT_EQ(proc_amp->Get(ProcAmpProperty::Sharpness, &value, &flags), S_OK);
  EXPECT_EQ(value, 3);

  // A value by hand turns the automatic mode off first, or it would not take.
  ASSERT_EQ(proc_amp->Set(ProcAmpProperty::Gain, 50, kProcAmpFlagsManual), S_OK);
  ASSERT_EQ(proc_amp->Get(ProcAmpProperty::Gain, &value, &flags), S_OK);
  EXPECT_EQ(value, 50);
  EXPECT_EQ(flags, kProcAmpFlagsManual);
  ASSERT_EQ(proc_amp->Set(ProcAmpProperty::Gain, 0, kProcAmpFlagsAuto), S_OK);
  ASSERT_EQ(proc_amp->Get(ProcAmpProperty::Gain, &value, &flags), S_OK);
  EXPECT_EQ(flags, kProcAmpFlagsAuto);
  EXPECT_EQ(value, 50);

  // Out of range or meaningless requests change nothing (the driver would clamp).
  EXPECT_EQ(proc_amp->Set(ProcAmpProperty::Brightness, 65, kProcAmpFlagsManual), E_INVALIDARG);
  EXPECT_EQ(proc_amp->Set(ProcAmpProperty::Brightness, 0, 0), E_INVALIDARG);
  EXPECT_EQ(proc_amp->Set(ProcAmpProperty::Brightness, 0, kProcAmpFlagsAuto), E_INVALIDARG);
  ASSERT_EQ(proc_amp->Get(ProcAmpProperty::Brightness, &value, &flags), S_OK);
  EXPECT_EQ(value, 10);
  EXPECT_EQ(proc_amp->Get(ProcAmpProperty::Gain, nullptr, &flags), E_POINTER);
  EXPECT_EQ(proc_amp->GetRange(ProcAmpProperty::Gain, nullptr), E_POINTER);
}

TEST(V4l2DeviceTest, DisabledControlIsMissing) {
  RecordedNode node = testing::UvcWebcam();
  for (testing::RecordedControl& control : node.controls) {
    if (control.id == V4L2_CID_GAIN) control.flags |= V4L2_CTRL_FLAG_DISABLED;
  }
  Replay replay(node);
  VideoProcAmp* proc_amp = nullptr;
  ASSERT_EQ(replay.device->QueryVideoProcAmp(&proc_amp), S_OK);
  std::int32_t value = 0;
  std::int32_t flags = 0;
  EXPECT_EQ(proc_amp->Get(ProcAmpProperty::Gain, &value, &flags), kV4l2PropertyUnsupported);
  ProcAmpRange range;
  EXPECT_EQ(proc_amp->GetRange(ProcAmpProperty::Gain, &range), kV4l2PropertyUnsupported);
}

// Pulls the device away after every possible number of calls: each operation fails with
// the device-gone result, leaves nothing half filled, and never crashes.
TEST(V4l2DeviceTest, VanishingDeviceFailsEveryCall) {
  for (RecordedNode recorded : {testing::Usb2861Grabber(), testing::UvcWebcam()}) {
    Replay counting(recorded);
    std::vector<MediaType> types;
    ASSERT_EQ(counting.device->QueryFormats(&types), S_OK);
    const int calls = counting.driver->calls();
    ASSERT_GT(calls, 5);
    for (int after = 0; after < calls; ++after) {
      Replay replay(recorded);
      replay.driver->VanishAfter(after);
      types = {Type("YUY2", SubtypeCode::YUY2, 1, 1, 1, 1, 1)};
      EXPECT_EQ(replay.device->QueryFormats(&types), kV4l2DeviceGone) << after;
      EXPECT_TRUE(types.empty());
    }

    Replay gone(recorded);
    gone.driver->VanishAfter(0);
    VideoProcAmp* proc_amp = nullptr;
    ASSERT_EQ(gone.device->QueryVideoProcAmp(&proc_amp), S_OK);
    std::int32_t value = 0;
    std::int32_t flags = 0;
    ProcAmpRange range;
    EXPECT_EQ(proc_amp->Get(ProcAmpProperty::Brightness, &value, &flags), kV4l2DeviceGone);
    EXPECT_EQ(proc_amp->GetRange(ProcAmpProperty::Brightness, &range), kV4l2DeviceGone);
    EXPECT_EQ(proc_amp->Set(ProcAmpProperty::Brightness, 0, kProcAmpFlagsManual), kV4l2DeviceGone);
    AnalogVideoDecoder* decoder = nullptr;
    EXPECT_EQ(gone.device->QueryAnalogVideoDecoder(&decoder), kV4l2DeviceGone);
    std::string card;
    std::string bus;
    EXPECT_EQ(gone.device->QueryCard(&card, &bus), kV4l2DeviceGone);
  }

  // Gone between finding the decoder and using it.
  Replay replay(testing::Usb2861Grabber());
  AnalogVideoDecoder* decoder = nullptr;
  ASSERT_EQ(replay.device->QueryAnalogVideoDecoder(&decoder), S_OK);
  replay.driver->VanishAfter(0);
  std::int32_t format = 0;
  EXPECT_EQ(decoder->GetTvFormat(&format), kV4l2DeviceGone);
  EXPECT_EQ(decoder->PutTvFormat(kAnalogVideoNtscM), kV4l2DeviceGone);
  // Gone between reading a control and its automatic mode.
  Replay webcam(testing::UvcWebcam());
  VideoProcAmp* proc_amp = nullptr;
  ASSERT_EQ(webcam.device->QueryVideoProcAmp(&proc_amp), S_OK);
  std::int32_t value = 0;
  std::int32_t flags = 0;
  for (int after = 0; after < 4; ++after) {
    webcam.driver->VanishAfter(after);
    EXPECT_EQ(proc_amp->Get(ProcAmpProperty::Gain, &value, &flags), kV4l2DeviceGone) << after;
    webcam.driver->VanishAfter(after);
    EXPECT_EQ(proc_amp->Set(ProcAmpProperty::Gain, 3, kProcAmpFlagsManual), kV4l2DeviceGone)
        << after;
  }
}

TEST(V4l2DeviceTest, DriverThatNeverStopsAnsweringIsCutOff) {
  Replay replay(testing::UvcWebcam());
  replay.driver->AnswerEndlessly();
  std::vector<MediaType> types;
  ASSERT_EQ(replay.device->QueryFormats(&types), S_OK);
  EXPECT_EQ(types,
            (std::vector<MediaType>{Type("MJPG", SubtypeCode::MJPG, 1280, 720, 333333, 30, 1)}));
  EXPECT_LT(replay.driver->calls(), 50);

  Replay grabber(testing::Usb2861Grabber());
  grabber.driver->AnswerEndlessly();
  ASSERT_EQ(grabber.device->QueryFormats(&types), S_OK);
  // One format, and of the standards only the first, which the driver repeats.
  EXPECT_EQ(types, (std::vector<MediaType>{Type("YUY2", SubtypeCode::YUY2, 720, 480, 333667, 30000,
                                                1001, AnalogFormat::NTSC)}));
}

TEST(V4l2DeviceTest, NodeWithoutSizeListOffersItsTriedSize) {
  RecordedNode node = testing::UvcWebcam();
  node.formats.resize(1);
  node.formats[0].sizes.clear();
  node.current_width = 640;
  node.current_height = 480;
  Replay replay(node);
  std::vector<MediaType> types;
  ASSERT_EQ(replay.device->QueryFormats(&types), S_OK);
  ASSERT_EQ(types.size(), 3u);
  EXPECT_EQ(types[0], Type("MJPG", SubtypeCode::MJPG, 640, 480, 333333, 30, 1));

  // Analog grabber with discrete sizes of the current standard only, and a mixed-up
  // answer in between: the sizes are taken as listed.
  RecordedNode grabber = testing::Usb2861Grabber();
  grabber.formats.resize(1);
  grabber.formats[0].sizes = {testing::DiscreteSize(720, 576), testing::DiscreteSize(0, 0),
                              testing::DiscreteSize(360, 288)};
  Replay analog(grabber);
  ASSERT_EQ(analog.device->QueryFormats(&types), S_OK);
  EXPECT_EQ(types,
            (std::vector<MediaType>{
                Type("YUY2", SubtypeCode::YUY2, 720, 576, 400000, 25, 1, AnalogFormat::PAL),
                Type("YUY2", SubtypeCode::YUY2, 360, 288, 400000, 25, 1, AnalogFormat::PAL)}));
}

TEST(V4l2DeviceTest, OpenRefusesWhatIsNotACaptureNode) {
  std::unique_ptr<V4l2Device> device = std::make_unique<V4l2Device>(nullptr);
  EXPECT_EQ(V4l2Device::Open("", &device), E_INVALIDARG);
  EXPECT_EQ(device, nullptr);
  EXPECT_EQ(V4l2Device::Open("/dev/video-that-is-not-there", &device), kV4l2DeviceGone);
  EXPECT_EQ(V4l2Device::Open("/dev/null", &device), E_FAIL);
  EXPECT_EQ(V4l2Device::Open("/", &device), E_FAIL);
  EXPECT_EQ(device, nullptr);
  EXPECT_EQ(V4l2Device::Open("/dev/null", nullptr), E_POINTER);
  EXPECT_EQ(V4l2ResultOf(0), S_OK);
  EXPECT_EQ(V4l2ResultOf(ENODEV), kV4l2DeviceGone);
  EXPECT_EQ(V4l2ResultOf(EBUSY), E_FAIL);
}

TEST(V4l2EnumeratorTest, CaptureNodesByTheirCapabilities) {
  const RecordedNode webcam = testing::UvcWebcam();
  const RecordedNode grabber = testing::Usb2861Grabber();
  EXPECT_TRUE(IsV4l2CaptureNode(webcam.capabilities, webcam.device_caps));
  EXPECT_TRUE(IsV4l2CaptureNode(grabber.capabilities, grabber.device_caps));
  // The webcam's second node carries only its metadata.
  EXPECT_FALSE(IsV4l2CaptureNode(webcam.capabilities, V4L2_CAP_META_CAPTURE | V4L2_CAP_STREAMING));
  // A grabber's VBI node.
  EXPECT_FALSE(IsV4l2CaptureNode(grabber.capabilities, V4L2_CAP_VBI_CAPTURE | V4L2_CAP_STREAMING));
  // Codecs and scalers.
  EXPECT_FALSE(IsV4l2CaptureNode(V4L2_CAP_DEVICE_CAPS | V4L2_CAP_VIDEO_M2M,
                                 V4L2_CAP_VIDEO_M2M | V4L2_CAP_STREAMING));
  EXPECT_FALSE(IsV4l2CaptureNode(V4L2_CAP_DEVICE_CAPS | V4L2_CAP_VIDEO_CAPTURE,
                                 V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_VIDEO_OUTPUT));
  // Old drivers without device capabilities.
  EXPECT_TRUE(IsV4l2CaptureNode(V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_STREAMING, 0));
  EXPECT_FALSE(IsV4l2CaptureNode(V4L2_CAP_VIDEO_CAPTURE_MPLANE, 0));
}

TEST(V4l2EnumeratorTest, NodesSortByTheirNumber) {
  EXPECT_EQ(V4l2NodeNumber("/dev/video0"), 0);
  EXPECT_EQ(V4l2NodeNumber("/dev/video12"), 12);
  EXPECT_EQ(V4l2NodeNumber("video3"), 3);
  EXPECT_EQ(V4l2NodeNumber("/dev/video"), INT_MAX);
  EXPECT_EQ(V4l2NodeNumber("/dev/video1a"), INT_MAX);
  EXPECT_EQ(V4l2NodeNumber("/dev/radio0"), INT_MAX);
  EXPECT_EQ(V4l2NodeNumber("/dev/video99999999999999999999"), INT_MAX);
  std::vector<V4l2Node> nodes = {{"/dev/video10", "B", ""},
                                 {"/dev/v4l/by-id/cam", "X", ""},
                                 {"/dev/video2", "A", ""},
                                 {"/dev/video0", "C", ""}};
  SortV4l2Nodes(&nodes);
  ASSERT_EQ(nodes.size(), 4u);
  EXPECT_EQ(nodes[0].device_path, "/dev/video0");
  EXPECT_EQ(nodes[1].device_path, "/dev/video2");
  EXPECT_EQ(nodes[2].device_path, "/dev/video10");
  EXPECT_EQ(nodes[3].device_path, "/dev/v4l/by-id/cam");
}

TEST(V4l2EnumeratorTest, FolderWithoutCaptureNodesGivesAnEmptyList) {
  EXPECT_TRUE(ScanV4l2CaptureNodes("/nonexistent-folder-for-v4l2-test").empty());
  char pattern[] = "/tmp/vesk-v4l2-XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  const std::string folder = pattern;
  EXPECT_TRUE(ScanV4l2CaptureNodes(folder).empty());
  // Files named like nodes that are no V4L2 nodes: a plain file, a FIFO (opening must not
  // wait for a writer), a folder.
  std::ofstream(folder + "/video0") << "not a device";
  ASSERT_EQ(mkfifo((folder + "/video1").c_str(), 0600), 0);
  ASSERT_EQ(mkdir((folder + "/video2").c_str(), 0700), 0);
  EXPECT_TRUE(ScanV4l2CaptureNodes(folder).empty());
  EXPECT_TRUE(ScanV4l2CaptureNodes(folder + "/").empty());
  std::remove((folder + "/video0").c_str());
  std::remove((folder + "/video1").c_str());
  rmdir((folder + "/video2").c_str());
  rmdir(folder.c_str());

  // This machine may or may not have capture devices; whatever it has is complete.
  for (const V4l2Node& node : EnumerateV4l2CaptureNodes()) {
    EXPECT_NE(V4l2NodeNumber(node.device_path), INT_MAX) << node.device_path;
  }
}

}  // namespace
}  // namespace vesk
