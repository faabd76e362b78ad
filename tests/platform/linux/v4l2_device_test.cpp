#include "platform/linux/v4l2_device.h"

#include <gtest/gtest.h>
#include <linux/videodev2.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "platform/linux/v4l2_enumerator.h"
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
  return {true, name, code, true, width, height, time, numerator, denominator, standard};
}

MediaType Pal(const char* name, SubtypeCode code, std::int32_t width, std::int32_t height) {
  return Type(name, code, width, height, 400000, 25, 1, AnalogFormat::PAL);
}

MediaType Ntsc(const char* name, SubtypeCode code) {
  return Type(name, code, 720, 480, 333667, 30000, 1001, AnalogFormat::NTSC);
}

// A device on a recorded node; the node stays with the test so it can be changed.
struct Replay {
  explicit Replay(RecordedNode recorded) : node(std::move(recorded)) {
    auto owned = std::make_unique<RecordedDriver>(&node);
    driver = owned.get();
    device = std::make_unique<V4l2Device>(std::move(owned));
  }
  std::vector<MediaType> Formats() {
    std::vector<MediaType> types;
    EXPECT_EQ(device->QueryFormats(&types), V4l2Status::Ok);
    return types;
  }
  RecordedNode node;
  RecordedDriver* driver = nullptr;
  std::unique_ptr<V4l2Device> device;
};

// The grabber gives one size range (that of its current standard) and no intervals: it
// offers the full picture of each standard it lists, at that standard's period. The webcam
// offers every size and interval it lists, in its order.
TEST(V4l2DeviceTest, RecordedNodesOfferWhatTheirDriversList) {
  std::vector<MediaType> webcam;
  for (auto [name, code] : {std::pair{"MJPG", SubtypeCode::MJPG}, {"YUY2", SubtypeCode::YUY2}}) {
    const bool yuyv = code == SubtypeCode::YUY2;
    for (auto [width, height] : {std::pair{1280, 720}, {640, 480}, {320, 240}}) {
      if (yuyv && width == 1280) continue;  // last, at its own rates
      webcam.push_back(Type(name, code, width, height, 333333, 30, 1));
      webcam.push_back(Type(name, code, width, height, 666667, 15, 1));
      webcam.push_back(Type(name, code, width, height, 2000000, 5, 1));
    }
  }
  webcam.push_back(Type("YUY2", SubtypeCode::YUY2, 1280, 720, 1000000, 10, 1));
  webcam.push_back(Type("YUY2", SubtypeCode::YUY2, 1280, 720, 2000000, 5, 1));
  const std::vector<MediaType> grabber = {
      Ntsc("YUY2", SubtypeCode::YUY2), Pal("YUY2", SubtypeCode::YUY2, 720, 576),
      Ntsc("RGBP", SubtypeCode::Other), Pal("RGBP", SubtypeCode::Other, 720, 576)};

  for (auto [recorded, types, analog] : {std::tuple{testing::Usb2861Grabber(), grabber, true},
                                         {testing::UvcWebcam(), webcam, false}}) {
    Replay replay(recorded);
    EXPECT_EQ(replay.Formats(), types) << recorded.card;
    std::string card;
    std::string bus;
    ASSERT_EQ(replay.device->QueryCard(&card, &bus), V4l2Status::Ok);
    EXPECT_EQ(card, recorded.card);
    EXPECT_EQ(bus, recorded.bus_info);
    bool is_analog = !analog;
    ASSERT_EQ(replay.device->QueryAnalog(&is_analog), V4l2Status::Ok);
    EXPECT_EQ(is_analog, analog) << recorded.card;
  }
}

// Pulls the device away after every possible number of calls: each question fails with
// Gone, leaves nothing half filled, and never crashes.
TEST(V4l2DeviceTest, VanishingDeviceFailsEveryQuestion) {
  for (const RecordedNode& recorded : {testing::Usb2861Grabber(), testing::UvcWebcam()}) {
    Replay counting(recorded);
    counting.Formats();
    const int calls = counting.driver->calls();
    ASSERT_GT(calls, 5);
    for (int after = 0; after < calls; ++after) {
      Replay replay(recorded);
      replay.driver->VanishAfter(after);
      std::vector<MediaType> types = {Type("YUY2", SubtypeCode::YUY2, 1, 1, 1, 1, 1)};
      EXPECT_EQ(replay.device->QueryFormats(&types), V4l2Status::Gone) << after;
      EXPECT_TRUE(types.empty());
      bool analog = false;
      EXPECT_EQ(replay.device->QueryAnalog(&analog), V4l2Status::Gone) << after;
      std::string card = "kept";
      std::string bus;
      EXPECT_EQ(replay.device->QueryCard(&card, &bus), V4l2Status::Gone);
      EXPECT_EQ(card, "kept");
    }
  }
}

TEST(V4l2DeviceTest, OddListsAreCutShortOrFilledIn) {
  // Drivers that answer every index with the same entry are cut off at the repeat.
  Replay endless(testing::UvcWebcam());
  endless.driver->AnswerEndlessly();
  EXPECT_EQ(endless.Formats(),
            (std::vector{Type("MJPG", SubtypeCode::MJPG, 1280, 720, 333333, 30, 1)}));
  EXPECT_LT(endless.driver->calls(), 50);
  Replay endless_grabber(testing::Usb2861Grabber());
  endless_grabber.driver->AnswerEndlessly();
  EXPECT_EQ(endless_grabber.Formats(), (std::vector{Ntsc("YUY2", SubtypeCode::YUY2)}));

  // A digital node without a size list offers the size it would take.
  RecordedNode webcam = testing::UvcWebcam();
  webcam.formats.resize(1);
  webcam.formats[0].sizes.clear();
  webcam.current_width = 640;
  webcam.current_height = 480;
  const std::vector<MediaType> tried = Replay(webcam).Formats();
  ASSERT_EQ(tried.size(), 3u);
  EXPECT_EQ(tried[0], Type("MJPG", SubtypeCode::MJPG, 640, 480, 333333, 30, 1));

  // An analog node that lists discrete sizes, one of them empty, offers them as listed.
  RecordedNode grabber = testing::Usb2861Grabber();
  grabber.formats.resize(1);
  grabber.formats[0].sizes = {testing::DiscreteSize(720, 576), testing::DiscreteSize(0, 0),
                              testing::DiscreteSize(360, 288)};
  EXPECT_EQ(Replay(grabber).Formats(), (std::vector{Pal("YUY2", SubtypeCode::YUY2, 720, 576),
                                                    Pal("YUY2", SubtypeCode::YUY2, 360, 288)}));
}

TEST(V4l2DeviceTest, OpenRefusesWhatIsNotACaptureNode) {
  std::unique_ptr<V4l2Device> device = std::make_unique<V4l2Device>(nullptr);
  EXPECT_EQ(V4l2Device::Open("", &device), V4l2Status::Refused);
  EXPECT_EQ(device, nullptr);
  EXPECT_EQ(V4l2Device::Open("/dev/video-that-is-not-there", &device), V4l2Status::Gone);
  EXPECT_EQ(V4l2Device::Open("/dev/null", &device), V4l2Status::Failed);
  EXPECT_EQ(V4l2Device::Open("/", &device), V4l2Status::Failed);
  EXPECT_EQ(device, nullptr);
  EXPECT_EQ(V4l2StatusOf(ENXIO), V4l2Status::Gone);
  EXPECT_EQ(V4l2StatusOf(EBUSY), V4l2Status::Failed);
}

TEST(V4l2EnumeratorTest, CaptureNodesByTheirCapabilities) {
  const RecordedNode webcam = testing::UvcWebcam();
  const RecordedNode grabber = testing::Usb2861Grabber();
  const std::uint32_t video = V4L2_CAP_DEVICE_CAPS | V4L2_CAP_VIDEO_CAPTURE;
  const struct {
    std::uint32_t capabilities, device_caps;
    bool capture;
  } cases[] = {
      {webcam.capabilities, webcam.device_caps, true},
      {grabber.capabilities, grabber.device_caps, true},
      // The webcam's metadata node, the grabber's VBI node, codecs and scalers.
      {webcam.capabilities, V4L2_CAP_META_CAPTURE | V4L2_CAP_STREAMING, false},
      {grabber.capabilities, V4L2_CAP_VBI_CAPTURE | V4L2_CAP_STREAMING, false},
      {V4L2_CAP_DEVICE_CAPS | V4L2_CAP_VIDEO_M2M, V4L2_CAP_VIDEO_M2M, false},
      {video, V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_VIDEO_OUTPUT, false},
      // Old drivers without device capabilities.
      {V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_STREAMING, 0, true},
      {V4L2_CAP_VIDEO_CAPTURE_MPLANE, 0, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(IsV4l2CaptureNode(c.capabilities, c.device_caps), c.capture) << c.device_caps;
  }
}

TEST(V4l2EnumeratorTest, NodesSortByTheirNumber) {
  EXPECT_EQ(V4l2NodeNumber("/dev/video12"), 12);
  EXPECT_EQ(V4l2NodeNumber("video3"), 3);
  for (const char* path : {"/dev/video", "/dev/video1a", "/dev/radio0", "/dev/video99999999999"}) {
    EXPECT_EQ(V4l2NodeNumber(path), INT_MAX) << path;
  }
  std::vector<V4l2Node> nodes = {{"/dev/video10", "B", ""},
                                 {"/dev/v4l/by-id/cam", "X", ""},
                                 {"/dev/video2", "A", ""},
                                 {"/dev/video0", "C", ""}};
  SortV4l2Nodes(&nodes);
  std::vector<std::string> paths;
  for (const V4l2Node& node : nodes) paths.push_back(node.device_path);
  EXPECT_EQ(paths, (std::vector<std::string>{"/dev/video0", "/dev/video2", "/dev/video10",
                                             "/dev/v4l/by-id/cam"}));
}

TEST(V4l2EnumeratorTest, FolderWithoutCaptureNodesGivesAnEmptyList) {
  EXPECT_TRUE(ScanV4l2CaptureNodes("/nonexistent-folder-for-v4l2-test").empty());
  char pattern[] = "/tmp/vesk-v4l2-XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  const std::string folder = pattern;
  // Files named like nodes that are no V4L2 nodes: a plain file, a FIFO (opening must not
  // wait for a writer), a folder.
  std::ofstream(folder + "/video0") << "not a device";
  ASSERT_EQ(mkfifo((folder + "/video1").c_str(), 0600), 0);
  ASSERT_EQ(mkdir((folder + "/video2").c_str(), 0700), 0);
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
