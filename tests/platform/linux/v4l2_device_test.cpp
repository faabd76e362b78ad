#include "platform/linux/v4l2_device.h"

#include <gtest/gtest.h>
#include <linux/videodev2.h>
#include <sys/stat.h>

#include <cstdint>
#include <string>
#include <tuple>
#include <vector>

#include "platform/linux/v4l2_enumerator.h"
#include "recorded/recorded_driver.h"
#include "recorded/usb_2861_grabber.h"
#include "recorded/uvc_webcam.h"
#include "support/temp_dir.h"

namespace vesk {
namespace {

using testing::RecordedNode;
using Code = SubtypeCode;

MediaType Type(const char* name, Code code, std::int32_t width, std::int32_t height,
               std::uint32_t time, std::int32_t numerator, std::int32_t denominator = 1,
               AnalogFormat standard = AnalogFormat::Digital) {
  return {true, name, code, true, width, height, time, numerator, denominator, standard};
}
MediaType Pal(std::int32_t width, std::int32_t height, std::uint32_t time = 400000,
              const char* name = "YUY2", Code code = Code::YUY2) {
  return Type(name, code, width, height, time, 10000000 / time, 1, AnalogFormat::PAL);
}
MediaType Ntsc(std::int32_t width, std::int32_t height, const char* name = "YUY2",
               Code code = Code::YUY2) {
  return Type(name, code, width, height, 333667, 30000, 1001, AnalogFormat::NTSC);
}

struct Replay : testing::RecordedDevice {
  using RecordedDevice::RecordedDevice;
  std::vector<MediaType> Formats() {
    std::vector<MediaType> types;
    EXPECT_EQ(device->QueryFormats(&types), V4l2Status::Ok);
    return types;
  }
};

// The grabber gives one size range (that of its current standard) and no intervals: it offers
// the full picture of each standard it lists, at its period. The webcam offers every size and
// interval it lists, in order. Unplugged after any call, each says Gone and leaves nothing.
// Their buffers' flags say when each stamps a frame (the buffer asked for goes back); a node
// another holder streams from cannot say.
TEST(V4l2DeviceTest, RecordedNodesOfferWhatTheyListUntilUnpluggedAndSayWhenTheyStampFrames) {
  std::vector<MediaType> webcam;
  for (auto [name, code] : {std::pair{"MJPG", Code::MJPG}, {"YUY2", Code::YUY2}}) {
    for (auto [width, height] : {std::pair{1280, 720}, {640, 480}, {320, 240}}) {
      if (code == Code::YUY2 && width == 1280) continue;  // last, at its own rates
      for (auto [time, rate] : {std::pair{333333u, 30}, {666667u, 15}, {2000000u, 5}}) {
        webcam.push_back(Type(name, code, width, height, time, rate));
      }
    }
  }
  webcam.push_back(Type("YUY2", Code::YUY2, 1280, 720, 1000000, 10));
  webcam.push_back(Type("YUY2", Code::YUY2, 1280, 720, 2000000, 5));
  const std::vector<MediaType> grabber = {Ntsc(720, 480), Pal(720, 576),
                                          Ntsc(720, 480, "RGBP", Code::Other),
                                          Pal(720, 576, 400000, "RGBP", Code::Other)};

  using Origin = FrameTimeOrigin;
  for (auto [recorded, types, analog, origin] :
       {std::tuple{testing::Usb2861Grabber(), grabber, true, Origin::kDriverEndOfFrame},
        {testing::UvcWebcam(), webcam, false, Origin::kDriverStartOfExposure}}) {
    SCOPED_TRACE(recorded.card);
    Replay replay(recorded);
    EXPECT_EQ(replay.Formats(), types);
    ASSERT_GT(replay.driver->calls, 5);
    for (int after = 0; after < replay.driver->calls; ++after) {
      Replay unplugged(recorded);
      unplugged.driver->VanishAfter(after);
      std::vector<MediaType> left = {Pal(1, 1)};
      EXPECT_EQ(unplugged.device->QueryFormats(&left), V4l2Status::Gone) << after;
      EXPECT_TRUE(left.empty());
    }
    bool is_analog = !analog;
    ASSERT_EQ(replay.device->QueryAnalog(&is_analog), V4l2Status::Ok);
    EXPECT_EQ(is_analog, analog);
    std::uint32_t flags = 0;
    ASSERT_EQ(replay.device->QueryBufferFlags(&flags), V4l2Status::Ok);
    EXPECT_EQ(V4l2FrameTimeOrigin(flags), origin);
    EXPECT_EQ(replay.node.buffers_held, 0u);
  }
  EXPECT_EQ(V4l2StatusOf(ENXIO), V4l2Status::Gone);  // as some drivers say it
  Replay busy(testing::UvcWebcam());
  busy.node.reqbufs_error = EBUSY;
  std::uint32_t flags = 0;
  EXPECT_EQ(busy.device->QueryBufferFlags(&flags), V4l2Status::Failed);
}

// The recorded nodes changed as other drivers answer.
TEST(V4l2DeviceTest, OtherDriversAnswers) {
  // Drivers that repeat an entry instead of ending the list are cut off at the repeat.
  Replay repeating(testing::UvcWebcam());
  const testing::RecordedFormat mjpg{V4L2_PIX_FMT_MJPEG,
                                     {{1280, 720, {{1, 30}, {1, 30}}}, {1280, 720, {}}}};
  repeating.node.formats = {mjpg, mjpg};
  EXPECT_EQ(repeating.Formats(), (std::vector{Type("MJPG", Code::MJPG, 1280, 720, 333333, 30)}));

  // An analog node's discrete sizes as listed (an empty one left out), each with the standard
  // of its height, else the current one (PAL-B), and its period, else the standard's own.
  Replay grabber(testing::Usb2861Grabber());
  grabber.node.formats = {
      {V4L2_PIX_FMT_YUYV, {{720, 576}, {0, 0}, {352, 240}, {720, 500, {{1, 50}}}}}};
  grabber.node.standards[1].frame_period = {0, 0};
  EXPECT_EQ(grabber.Formats(), (std::vector{Pal(720, 576), Ntsc(352, 240), Pal(720, 500, 200000)}));

  // Without a size list an analog node offers the pictures of its standards; a narrower
  // range narrows them; the standards' order orders them.
  grabber.node.formats[0].sizes.clear();
  EXPECT_EQ(grabber.Formats(), (std::vector{Ntsc(720, 480), Pal(720, 576)}));
  grabber.node.formats[0].range_type = V4L2_FRMSIZE_TYPE_CONTINUOUS;
  grabber.node.formats[0].range = {48, 640, 1, 38, 576, 1};
  std::swap(grabber.node.standards[0], grabber.node.standards[1]);
  EXPECT_EQ(grabber.Formats(), (std::vector{Pal(640, 576), Ntsc(640, 480)}));
  grabber.node.standards = {{V4L2_STD_SECAM_L, {1, 25}}};  // none the station knows
  EXPECT_TRUE(grabber.Formats().empty());
  // The digital input of a card that has analog ones too.
  grabber.node.input_std = 0;
  grabber.node.input_capabilities = 0;
  bool is_analog = true;
  ASSERT_EQ(grabber.device->QueryAnalog(&is_analog), V4l2Status::Ok);
  EXPECT_FALSE(is_analog);
}

// The recorded nodes; the webcam's metadata node, the grabber's VBI node, a loopback; an old
// driver without device capabilities. In a folder, files named like nodes that are no V4L2
// nodes: a plain file, and a FIFO (opening must not wait for a writer).
TEST(V4l2EnumeratorTest, OnlyCaptureNodesAreListed) {
  const RecordedNode webcam = testing::UvcWebcam();
  const RecordedNode grabber = testing::Usb2861Grabber();
  const std::tuple<std::uint32_t, std::uint32_t, bool> cases[] = {
      {webcam.capabilities, webcam.device_caps, true},
      {grabber.capabilities, grabber.device_caps, true},
      {webcam.capabilities, V4L2_CAP_META_CAPTURE | V4L2_CAP_STREAMING, false},
      {grabber.capabilities, V4L2_CAP_VBI_CAPTURE | V4L2_CAP_STREAMING, false},
      {webcam.capabilities, V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_VIDEO_OUTPUT, false},
      {V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_STREAMING, 0, true}};
  for (auto [capabilities, device_caps, capture] : cases) {
    EXPECT_EQ(IsV4l2CaptureNode(capabilities, device_caps), capture) << device_caps;
  }
  testing::ScopedTempDir folder;
  testing::WriteFileBytes("video0", "not a device");
  ASSERT_EQ(mkfifo("video1", 0600), 0);
  EXPECT_TRUE(ScanV4l2CaptureNodes(folder.path().string() + "/").empty());
}

TEST(V4l2EnumeratorTest, NodesSortByTheirNumber) {
  std::vector<V4l2Node> nodes;
  for (const char* path : {"/dev/video10", "/dev/v4l/by-id/cam", "/dev/video1a",
                           "/dev/video99999999999", "video2", "/dev/video0"}) {
    nodes.push_back({path, "", ""});
  }
  SortV4l2Nodes(&nodes);
  std::string order;
  for (const V4l2Node& node : nodes) order += node.device_path + " ";
  EXPECT_EQ(order,
            "/dev/video0 video2 /dev/video10 /dev/v4l/by-id/cam /dev/video1a "
            "/dev/video99999999999 ");
}

}  // namespace
}  // namespace vesk
