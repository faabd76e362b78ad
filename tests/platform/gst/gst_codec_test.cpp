// Codecs and the colour control on the real media system with the simulated cameras: the
// trial discovery for YUY2 and MJPG sources, lossless recordings read back by ffprobe and
// by the station's reader, and the colour-control stage seen on the display and not in the file.
// The minute per codec with its CPU cost runs only when VESK_LONG_TESTS is set.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "capture/analog_format.h"
#include "capture/capture_graph.h"
#include "capture/codec_discovery.h"
#include "capture/colour_control.h"
#include "capture/device_properties.h"
#include "media_support/capture_session.h"
#include "media_support/ffprobe.h"
#include "media_support/recorded_avi.h"
#include "support/fake_clock.h"
#include "support/recording_view.h"
#include "support/temp_dir.h"

namespace vesk {
namespace {

constexpr const char* kHuffyuv = "libav Huffyuv / HuffYUV encoder";
constexpr const char* kFfv1 = "libav FFmpeg video codec #1 encoder";

// The capture graph of the station on GStreamer, with the colour control it makes.
struct GstStation : ::testing::Test {
  GstStation() {
    options.default_renderer = kRendererEvr;
    graph = std::make_unique<CaptureGraph>(
        CaptureGraphContext{system, options, pairs, sources, log, errors,
                            [this] { return CreateColourControl(system, log); }, nullptr},
        nullptr, nullptr);
    graph->renderers().set_display_window(DisplayWindowOf(&window));
    sources.GetAttachedVideoDeviceList(ValidationHooksFor(*graph->graph()), {});
  }

  std::vector<std::string> Discover(double* seconds) {
    UsableCodecs usable;
    const testing::Stopwatch started;
    const auto restart = [&] {  // the trial is over: live video again
      *seconds = started.Seconds();
      return graph->StartCamera(target);
    };
    EXPECT_EQ(GetCodecsForSourceDevice(*graph, folder.path().string() + "/", restart, &usable),
              S_OK)
        << log.Text();
    std::vector<std::string> names;
    for (const VideoCodec* codec : usable.codecs) names.push_back(codec->name);
    return names;
  }
  void Choose(const std::string& codec) {  // "NONE": no pair
    pairs.clear();
    const auto& codecs = graph->video_codecs();
    for (std::size_t i = 0; i < codecs.size() && codec != "NONE"; ++i) {
      if (codecs[i].name == codec) pairs = {{SubtypeCode::YUY2, i, codec}};
    }
  }

  testing::ScopedTempDir folder;
  testing::FakeClock clock{testing::MakeFileTime(2026, 4, 1, 20, 0, 0)};
  MessageLog log{clock};
  testing::RecordingMessageBox box;
  ErrorReporter errors{log, box};
  Options options;
  std::vector<SubtypeCodecPair> pairs;
  RecordingTarget target;
  gst::GstMediaSystem system = testing::SimulatedSystem();
  VideoSources sources{system, log};
  testing::FrameKeeper window;
  std::unique_ptr<CaptureGraph> graph;
};

TEST_F(GstStation, TheTrialOffersTheLosslessCodecsForYuy2AndMjpgWithinASecond) {
  for (const auto& [device, subtype] :
       {std::pair(gst::kSimulatedAnalogCameraName, SubtypeCode::YUY2),
        std::pair(gst::kSimulatedWebcamName, SubtypeCode::MJPG)}) {
    ASSERT_TRUE(testing::UseFormat(sources, device, subtype));
    ASSERT_EQ(graph->StartCamera(target), S_OK) << log.Text();
    double seconds = 99;
    const std::vector<std::string> names = Discover(&seconds);
    EXPECT_LT(seconds, 1.0);
    ASSERT_FALSE(names.empty());
    EXPECT_EQ(names.front(), "NONE");
    EXPECT_NE(std::find(names.begin(), names.end(), kHuffyuv), names.end());
    EXPECT_NE(std::find(names.begin(), names.end(), kFfv1), names.end());
    EXPECT_EQ(graph->state(), GraphState::Running);  // live video is back
  }
}

TEST_F(GstStation, LosslessRecordingsReadBackWholeWithTheirChromaKept) {
  ASSERT_TRUE(testing::UseFormat(sources, gst::kSimulatedAnalogCameraName, SubtypeCode::YUY2));
  for (const auto& [codec, fourcc, name] :
       {std::tuple(kHuffyuv, "HFYU", "huffyuv"), std::tuple(kFfv1, "FFV1", "ffv1")}) {
    Choose(codec);
    const std::string path = target.video_file_name = folder.Path(std::string(fourcc) + ".avi");
    const testing::Stopwatch started;
    ASSERT_EQ(graph->StartCamera(target), S_OK) << log.Text();
    testing::WaitSeconds(2.0);
    const CameraStop stop = graph->StopCamera();
    const double seconds = started.Seconds();
    ASSERT_TRUE(stop.result == S_OK && stop.recording && !stop.recording->codec_bypassed);
    AviFileInfo avi;
    ASSERT_TRUE(testing::ReadRecording(path, &avi));
    const auto frames = static_cast<std::int64_t>(avi.frames.size());
    // Every frame the camera sent while the recording ran (a busy machine stretches it).
    EXPECT_GE(frames, 48) << fourcc;
    EXPECT_LE(frames, seconds * 25 + 2) << fourcc;
    EXPECT_EQ(testing::CompressionOf(avi), fourcc);
    // ffprobe decodes every frame, in the codec and pixel format written.
    EXPECT_EQ(testing::Ffprobe("-select_streams v:0 -count_frames -show_entries "
                               "stream=codec_name,pix_fmt,nb_read_frames",
                               path),
              std::string(name) + ",yuv422p," + std::to_string(frames) + "\n");
  }
}

TEST_F(GstStation, TheColourControlShowsOnTheDisplayAndTheDeviceBrightnessInTheFile) {
  ASSERT_TRUE(testing::UseFormat(sources, gst::kSimulatedAnalogCameraName, SubtypeCode::YUY2));
  graph->switches().brightness_contrast = true;
  target.video_file_name = folder.Path("clip.avi");
  ASSERT_EQ(graph->StartCamera(target), S_OK) << log.Text();
  testing::WaitSeconds(1.0);
  const double shown_before = window.Last().Mean();
  ASSERT_EQ(SetColourControl(graph->colour_filter().get(), log, 90, -1), S_OK);
  testing::WaitSeconds(0.6);
  const double shown_after = window.Last().Mean();
  // The device's own brightness reaches the file too.
  ASSERT_EQ(sources.GetVideoSourceBaseFilter(sources.CurrentSource()), S_OK);
  ASSERT_EQ(SetPropertyValue(sources, log, ProcAmpProperty::Brightness, 200), S_OK) << log.Text();
  testing::WaitSeconds(0.6);
  ASSERT_EQ(graph->StopCamera().result, S_OK);

  AviFileInfo avi;
  ASSERT_TRUE(testing::ReadRecording(target.video_file_name, &avi));
  ASSERT_GE(avi.frames.size(), 40u);
  const auto luma = [&](std::size_t index) {  // the mean of a frame's Y bytes
    const auto frame = testing::ReadFrameBytes(target.video_file_name, avi.frames.at(index));
    double sum = 0;
    for (std::size_t i = 0; i < frame.size(); i += 2) sum += frame[i];
    return frame.empty() ? 0 : sum / (frame.size() / 2);
  };
  const std::size_t colour_changed = 32;  // about 1.3 s in: colour control on, device not yet
  EXPECT_GT(shown_after - shown_before, 60.0);
  EXPECT_NEAR(luma(colour_changed), luma(0), 3.0);
  EXPECT_GT(luma(avi.frames.size() - 1) - luma(0), 20.0);
}

// A minute at 720x576 YUY2, 25 frames a second, through each codec the trial offers: every
// frame in the file, none dropped, and the CPU each frame cost.
TEST_F(GstStation, LongEveryOfferedCodecKeepsUpForAMinute) {
  if (std::getenv("VESK_LONG_TESTS") == nullptr) GTEST_SKIP() << "set VESK_LONG_TESTS to run";
  ASSERT_TRUE(testing::UseFormat(sources, gst::kSimulatedAnalogCameraName, SubtypeCode::YUY2));
  ASSERT_EQ(graph->StartCamera(target), S_OK);
  double seconds = 0;
  const std::vector<std::string> names = Discover(&seconds);
  graph->StopCamera();
  const char* only = std::getenv("VESK_CODEC");  // one codec, by a part of its name
  target.video_file_name = folder.Path("minute.avi");
  for (const std::string& codec : names) {
    if (only != nullptr && codec.find(only) == std::string::npos) continue;
    SCOPED_TRACE(codec);
    Choose(codec);
    const double cpu_before = testing::CpuSeconds();
    const testing::Stopwatch started;
    ASSERT_EQ(graph->StartCamera(target), S_OK) << log.Text();
    testing::WaitSeconds(60.0);
    const CameraStop stop = graph->StopCamera();
    ASSERT_TRUE(stop.result == S_OK && stop.recording);
    const double cpu = testing::CpuSeconds() - cpu_before;
    AviFileInfo avi;
    ASSERT_TRUE(testing::ReadRecording(target.video_file_name, &avi));
    const std::size_t frames = avi.frames.size();
    std::printf("| %s | %s | %.2f ms | %lld dropped, %zu frames |\n", codec.c_str(),
                testing::CompressionOf(avi).c_str(), frames == 0 ? 0.0 : 1000.0 * cpu / frames,
                static_cast<long long>(stop.recording->dropped_frames), frames);
    // Every frame the camera sent from the start (which waits for an encoder's first frame).
    EXPECT_GE(frames, 1497u);
    EXPECT_LE(frames, started.Seconds() * 25 + 3);
    EXPECT_EQ(stop.recording->dropped_frames, 0);
    std::remove(target.video_file_name.c_str());
  }
}

// PAL/NTSC detection falls back to the test graph on the simulated analog camera, which
// cannot tell the standard itself: its decoder passes 25 frames a second on the signal's
// standard and a few on the other. It starts in PAL-B.
TEST_F(GstStation, TheTestGraphFindsNtscAndPalOnTheSimulatedAnalogCamera) {
  VideoSourceInfo* camera = sources.FindByName(gst::kSimulatedAnalogCameraName);
  ASSERT_NE(camera, nullptr);
  for (AnalogFormat signal : {AnalogFormat::NTSC, AnalogFormat::PAL}) {
    system.SetSimulatedSignal(signal);
    bool changed = false;
    EXPECT_EQ(TestAnalogDeviceFormat(*graph, camera, &changed), S_OK) << log.Text();
    EXPECT_EQ(std::pair(camera->analog_format, changed), std::pair(signal, true));
  }
}

}  // namespace
}  // namespace vesk
