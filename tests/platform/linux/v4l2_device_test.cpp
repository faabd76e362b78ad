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
  ASSERT_EQ(replay.device->QueryFormats(&types), V4l2Status::Ok);
  const std::vector<MediaType> expected = {
      Type("YUY2", SubtypeCode::YUY2, 720, 480, 333667, 30000, 1001, AnalogFormat::NTSC),
      Type("YUY2", SubtypeCode::YUY2, 720, 576, 400000, 25, 1, AnalogFormat::PAL),
      Type("RGBP", SubtypeCode::Other, 720, 480, 333667, 30000, 1001, AnalogFormat::NTSC),
      Type("RGBP", SubtypeCode::Other, 720, 576, 400000, 25, 1, AnalogFormat::PAL),
  };
  EXPECT_EQ(types, expected);

  std::string card;
  std::string bus;
  ASSERT_EQ(replay.device->QueryCard(&card, &bus), V4l2Status::Ok);
  EXPECT_EQ(card, "USB 2861 Device");
  EXPECT_EQ(bus, "usb-0000:00:14.0-3");
  bool analog = false;
  ASSERT_EQ(replay.device->QueryAnalog(&analog), V4l2Status::Ok);
  EXPECT_TRUE(analog);
}

TEST(V4l2DeviceTest, WebcamOffersEverySizeAndIntervalInOrder) {
  Replay replay(testing::UvcWebcam());
  std::vector<MediaType> types;
  ASSERT_EQ(replay.device->QueryFormats(&types), V4l2Status::Ok);
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

  bool analog = true;
  ASSERT_EQ(replay.device->QueryAnalog(&analog), V4l2Status::Ok);
  EXPECT_FALSE(analog);
}

// Pulls the device away after every possible number of calls: each operation fails with
// Gone, leaves nothing half filled, and never crashes.
TEST(V4l2DeviceTest, VanishingDeviceFailsEveryCall) {
  for (RecordedNode recorded : {testing::Usb2861Grabber(), testing::UvcWebcam()}) {
    Replay counting(recorded);
    std::vector<MediaType> types;
    ASSERT_EQ(counting.device->QueryFormats(&types), V4l2Status::Ok);
    const int calls = counting.driver->calls();
    ASSERT_GT(calls, 5);
    for (int after = 0; after < calls; ++after) {
      Replay replay(recorded);
      replay.driver->VanishAfter(after);
      types = {Type("YUY2", SubtypeCode::YUY2, 1, 1, 1, 1, 1)};
      EXPECT_EQ(replay.device->QueryFormats(&types), V4l2Status::Gone) << after;
      EXPECT_TRUE(types.empty());
    }

    Replay gone(recorded);
    gone.driver->VanishAfter(0);
    std::string card;
    std::string bus;
    EXPECT_EQ(gone.device->QueryCard(&card, &bus), V4l2Status::Gone);
    bool analog = false;
    EXPECT_EQ(gone.device->QueryAnalog(&analog), V4l2Status::Gone);
    v4l2_std_id standard = 0;
    EXPECT_EQ(gone.device->GetStandard(&standard), V4l2Status::Gone);
    EXPECT_EQ(gone.device->SetStandardFamily(V4l2StandardFamily::NtscM), V4l2Status::Gone);
  }

  // Gone between reading a control and its automatic mode: every call of a picture control
  // says so, whichever of its questions meets the gap.
  Replay webcam(testing::UvcWebcam());
  const std::uint32_t gain = V4L2_CID_GAIN;
  const std::uint32_t autogain = V4L2_CID_AUTOGAIN;
  for (int after = 0; after < 4; ++after) {
    std::int32_t value = 0;
    bool automatic = false;
    webcam.driver->VanishAfter(after);
    EXPECT_EQ(webcam.device->ReadPictureControl(gain, autogain, &value, &automatic),
              V4l2Status::Gone)
        << after;
    webcam.driver->VanishAfter(after);
    EXPECT_EQ(webcam.device->WritePictureControl(gain, autogain, 3), V4l2Status::Gone) << after;
    webcam.driver->VanishAfter(after);
    EXPECT_EQ(webcam.device->SwitchToAutomatic(gain, autogain),
              after < 3 ? V4l2Status::Gone : V4l2Status::Ok)
        << after;
  }
}

TEST(V4l2DeviceTest, DriverThatNeverStopsAnsweringIsCutOff) {
  Replay replay(testing::UvcWebcam());
  replay.driver->AnswerEndlessly();
  std::vector<MediaType> types;
  ASSERT_EQ(replay.device->QueryFormats(&types), V4l2Status::Ok);
  EXPECT_EQ(types,
            (std::vector<MediaType>{Type("MJPG", SubtypeCode::MJPG, 1280, 720, 333333, 30, 1)}));
  EXPECT_LT(replay.driver->calls(), 50);

  Replay grabber(testing::Usb2861Grabber());
  grabber.driver->AnswerEndlessly();
  ASSERT_EQ(grabber.device->QueryFormats(&types), V4l2Status::Ok);
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
  ASSERT_EQ(replay.device->QueryFormats(&types), V4l2Status::Ok);
  ASSERT_EQ(types.size(), 3u);
  EXPECT_EQ(types[0], Type("MJPG", SubtypeCode::MJPG, 640, 480, 333333, 30, 1));

  // Analog grabber with discrete sizes of the current standard only, and a mixed-up
  // answer in between: the sizes are taken as listed.
  RecordedNode grabber = testing::Usb2861Grabber();
  grabber.formats.resize(1);
  grabber.formats[0].sizes = {testing::DiscreteSize(720, 576), testing::DiscreteSize(0, 0),
                              testing::DiscreteSize(360, 288)};
  Replay analog(grabber);
  ASSERT_EQ(analog.device->QueryFormats(&types), V4l2Status::Ok);
  EXPECT_EQ(types,
            (std::vector<MediaType>{
                Type("YUY2", SubtypeCode::YUY2, 720, 576, 400000, 25, 1, AnalogFormat::PAL),
                Type("YUY2", SubtypeCode::YUY2, 360, 288, 400000, 25, 1, AnalogFormat::PAL)}));
}

TEST(V4l2DeviceTest, OpenRefusesWhatIsNotACaptureNode) {
  std::unique_ptr<V4l2Device> device = std::make_unique<V4l2Device>(nullptr);
  EXPECT_EQ(V4l2Device::Open("", &device), V4l2Status::Refused);
  EXPECT_EQ(device, nullptr);
  EXPECT_EQ(V4l2Device::Open("/dev/video-that-is-not-there", &device), V4l2Status::Gone);
  EXPECT_EQ(V4l2Device::Open("/dev/null", &device), V4l2Status::Failed);
  EXPECT_EQ(V4l2Device::Open("/", &device), V4l2Status::Failed);
  EXPECT_EQ(device, nullptr);
  EXPECT_EQ(V4l2StatusOf(0), V4l2Status::Ok);
  EXPECT_EQ(V4l2StatusOf(ENODEV), V4l2Status::Gone);
  EXPECT_EQ(V4l2StatusOf(ENXIO), V4l2Status::Gone);
  EXPECT_EQ(V4l2StatusOf(EBUSY), V4l2Status::Failed);
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
