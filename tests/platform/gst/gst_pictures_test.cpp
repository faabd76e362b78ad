// What reaches the station's own renderer, and what the simulated cameras draw: frames in
// the window's pixel format with the destination rectangle, picture controls that change
// the picture while it runs, the analog camera's few frames under the wrong TV standard,
// and a burnt-in time that reads back.

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include "media/video_frame_target.h"
#include "media_support/capture_session.h"
#include "media_support/stamp_reader.h"
#include "platform/gst/gst_media_system.h"
#include "platform/gst/star_field_painter.h"

namespace vesk {
namespace {

using gst::GstMediaSystem;

GstMediaSystem MakeSystem() {
  gst::GstMediaSystemOptions options;
  options.simulated_cameras = true;
  options.v4l2_devices = false;
  return GstMediaSystem(options);
}

// A video window stand-in: keeps what the last frame looked like.
class RecordingTarget : public VideoFrameTarget {
 public:
  void PresentFrame(const VideoFrame& frame, const VideoRect& destination,
                    bool preserve_aspect) override {
    std::uint64_t sum = 0;
    bool grey = true;
    for (int y = 0; y < frame.height; ++y) {
      const std::uint8_t* row = frame.pixels + static_cast<std::ptrdiff_t>(y) * frame.stride;
      for (int x = 0; x < frame.width; ++x) {
        sum += row[4 * x];
        grey = grey && row[4 * x] == row[4 * x + 1] && row[4 * x + 1] == row[4 * x + 2];
      }
    }
    std::lock_guard<std::mutex> hold(lock);
    ++frames;
    width = frame.width;
    height = frame.height;
    last_destination = destination;
    last_preserve = preserve_aspect;
    mean = static_cast<double>(sum) / (static_cast<double>(frame.width) * frame.height);
    all_grey = grey;
  }

  std::mutex lock;
  int frames = 0;
  int width = 0;
  int height = 0;
  VideoRect last_destination;
  bool last_preserve = false;
  double mean = 0;
  bool all_grey = false;
};

TEST(GstFrameRenderer, FramesReachTheWindowWithItsDestinationAndControlsChangeThePicture) {
  GstMediaSystem system = MakeSystem();
  testing::CaptureRequest request;
  request.device = gst::kSimulatedAnalogCameraName;
  request.renderer = RendererKind::EVR;
  testing::CaptureSession session;
  std::string step;
  ASSERT_EQ(testing::BuildCaptureGraph(system, request, &session, &step), S_OK) << step;
  RendererControl* control = nullptr;
  ASSERT_EQ(session.renderer->QueryRendererControl(&control), S_OK);
  RecordingTarget target;
  ASSERT_EQ(control->SetVideoWindow(DisplayWindowOf(&target)), S_OK);
  ASSERT_EQ(control->SetAspectRatioMode(kAspectRatioPreservePicture), S_OK);
  // x2 magnification of a 720 x 576 picture.
  ASSERT_EQ(control->SetVideoPosition(VideoRect{2, 1, 1442, 1153}), S_OK);
  EXPECT_TRUE(Failed(control->SetVideoPosition(VideoRect{10, 10, 5, 5})));

  ASSERT_EQ(session.graph->Run(), S_OK);
  testing::WaitSeconds(0.6);
  double neutral_mean = 0;
  {
    std::lock_guard<std::mutex> hold(target.lock);
    EXPECT_GE(target.frames, 8);
    EXPECT_EQ(target.width, 720);
    EXPECT_EQ(target.height, 576);
    EXPECT_EQ(target.last_destination, (VideoRect{2, 1, 1442, 1153}));
    EXPECT_TRUE(target.last_preserve);
    EXPECT_TRUE(target.all_grey);  // a monochrome camera converted to the window's pixels
    neutral_mean = target.mean;
  }
  VideoProcAmp* proc_amp = nullptr;
  ASSERT_EQ(session.source->QueryVideoProcAmp(&proc_amp), S_OK);
  ASSERT_EQ(proc_amp->Set(ProcAmpProperty::Brightness, 200, kProcAmpFlagsManual), S_OK);
  control->SetVideoPosition(VideoRect{2, 1, 722, 577});
  testing::WaitSeconds(0.4);
  ASSERT_EQ(session.graph->Stop(), S_OK);
  std::int32_t drawn = 0;
  EXPECT_EQ(control->GetFramesDrawn(&drawn), S_OK);
  std::lock_guard<std::mutex> hold(target.lock);
  EXPECT_EQ(target.last_destination, (VideoRect{2, 1, 722, 577}));
  // 72 steps of brightness, less what the converter's video range takes off.
  EXPECT_GT(target.mean - neutral_mean, 50.0);
  EXPECT_EQ(drawn, target.frames);
}

// Frames drawn in the 1.6 s that the PAL test of an analog device runs.
int FramesInPalTest(GstMediaSystem& system, std::int32_t decoder_standard) {
  testing::CaptureRequest request;
  request.device = gst::kSimulatedAnalogCameraName;
  request.renderer = RendererKind::EVR;
  testing::CaptureSession session;
  std::string step;
  if (Failed(testing::BuildCaptureGraph(system, request, &session, &step))) return -1;
  AnalogVideoDecoder* decoder = nullptr;
  session.graph->FindAnalogVideoDecoder(session.source, &decoder);
  decoder->PutTvFormat(decoder_standard);
  if (Failed(session.graph->Run())) return -1;
  testing::WaitSeconds(1.6);
  RendererControl* control = nullptr;
  session.renderer->QueryRendererControl(&control);
  std::int32_t drawn = 0;
  control->GetFramesDrawn(&drawn);
  session.graph->Stop();
  return drawn;
}

TEST(GstAnalogCamera, TheWrongStandardLetsOnlyAFewFramesThrough) {
  GstMediaSystem system = MakeSystem();
  ASSERT_TRUE(system.SetSimulatedSignal(AnalogFormat::PAL));
  EXPECT_GE(FramesInPalTest(system, kAnalogVideoPalB), 30);
  const int unsynced = FramesInPalTest(system, kAnalogVideoNtscM);
  EXPECT_GE(unsynced, 1);
  EXPECT_LT(unsynced, 6);
  // An NTSC camera seen through a PAL decoder: too few frames, so it is taken for NTSC.
  ASSERT_TRUE(system.SetSimulatedSignal(AnalogFormat::NTSC));
  EXPECT_LT(FramesInPalTest(system, kAnalogVideoPalB), 6);
}

simcam::FrameStamp Stamp(int hour, int minute, int second, int millisecond, std::uint64_t counter) {
  simcam::FrameStamp stamp;
  stamp.hour = hour;
  stamp.minute = minute;
  stamp.second = second;
  stamp.millisecond = millisecond;
  stamp.counter = counter;
  return stamp;
}

TEST(GstStarField, TheBurntInTimeReadsBackAtEverySize) {
  for (auto [width, height] : {std::pair{720, 576}, {720, 480}, {640, 480}, {320, 240}}) {
    simcam::StarFieldPainter painter;
    painter.Configure(width, height, 7);
    std::vector<std::uint8_t> luma(static_cast<std::size_t>(width) * height);
    for (const simcam::FrameStamp& stamp :
         {Stamp(0, 0, 0, 0, 0), Stamp(23, 59, 59, 999, 9999999), Stamp(12, 34, 56, 789, 12345)}) {
      painter.Paint(stamp, simcam::PictureControls{}, luma.data(), width);
      const std::string text =
          testing::ReadStamp(luma.data(), width, height, width, 1, painter.text_x(),
                             painter.text_y(), painter.text_scale(), 20);
      EXPECT_EQ(text, simcam::StampText(stamp)) << width << "x" << height;
    }
  }
  // Dark picture controls do not hide the time: it is drawn after them.
  simcam::StarFieldPainter painter;
  painter.Configure(720, 576, 7);
  std::vector<std::uint8_t> luma(720 * 576);
  simcam::PictureControls dark;
  dark.brightness = 0;
  dark.contrast = 10;
  painter.Paint(Stamp(1, 2, 3, 4, 5), dark, luma.data(), 720);
  EXPECT_EQ(testing::ReadStamp(luma.data(), 720, 576, 720, 1, painter.text_x(), painter.text_y(),
                               painter.text_scale(), 20),
            "01:02:03.004 0000005");
}

TEST(GstStarField, TheTargetStarDisappearsFromSecondThirtyToThirtyFour) {
  simcam::StarFieldPainter painter;
  painter.Configure(720, 576, 7);
  std::vector<std::uint8_t> luma(720 * 576);
  auto target_light = [&](int second, int millisecond) {
    painter.Paint(Stamp(5, 6, second, millisecond, 0), simcam::PictureControls{}, luma.data(), 720);
    int sum = 0;
    for (int dy = -1; dy <= 1; ++dy) {
      for (int dx = -1; dx <= 1; ++dx) {
        sum +=
            luma[static_cast<std::size_t>(painter.target_y() + dy) * 720 + painter.target_x() + dx];
      }
    }
    return sum / 9;
  };
  EXPECT_GT(target_light(29, 999), 120);
  EXPECT_LT(target_light(30, 0), 40);
  EXPECT_LT(target_light(33, 999), 40);
  EXPECT_GT(target_light(34, 0), 120);
  // Gain brightens the star and the sky with it.
  simcam::PictureControls bright;
  bright.gain = 75;
  painter.Paint(Stamp(5, 6, 10, 0, 0), bright, luma.data(), 720);
  EXPECT_EQ(luma[static_cast<std::size_t>(painter.target_y()) * 720 + painter.target_x()], 255);
}

}  // namespace
}  // namespace vesk
