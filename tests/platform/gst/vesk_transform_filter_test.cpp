// The live analysis filter in real pipelines: the formats it takes, highlighting and
// integration on the streaming thread, and the station's path with the simulated cameras:
// capture graph and the analysis settings the windows drive.

#include "platform/gst/vesk_transform_filter.h"

#include <gst/app/gstappsink.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <string>
#include <vector>

#include "analysis/analysis_settings.h"
#include "analysis/live_filter_control.h"
#include "analysis/pixels/saturation_highlight.h"
#include "capture/capture_graph.h"
#include "media_support/capture_session.h"
#include "media_support/recorded_avi.h"
#include "support/fake_clock.h"
#include "support/recording_view.h"
#include "support/temp_dir.h"

namespace vesk {
namespace {

// videotestsrc ! caps ! vesktransform ! appsink: the frames that come out, up to the end of
// the source (and at most 5 s apart).
std::vector<std::vector<std::uint8_t>> RunElement(
    LiveAnalysis* analysis, const std::shared_ptr<gst::TransformCounters>& counters,
    const std::string& caps, int buffers, const char* pattern = "white") {
  std::vector<std::vector<std::uint8_t>> outputs;
  GstElement* pipeline = gst_pipeline_new(nullptr);
  GstElement* source = gst_element_factory_make("videotestsrc", nullptr);
  GstElement* filter = gst_element_factory_make("capsfilter", nullptr);
  GstElement* transform = gst::CreateVeskTransform(analysis, counters);
  GstElement* sink = gst_element_factory_make("appsink", nullptr);
  g_object_set(source, "num-buffers", buffers, nullptr);
  gst_util_set_object_arg(G_OBJECT(source), "pattern", pattern);
  gst_util_set_object_arg(G_OBJECT(filter), "caps", caps.c_str());
  g_object_set(sink, "sync", FALSE, "max-buffers", 0u, nullptr);
  gst_bin_add_many(GST_BIN(pipeline), source, filter, transform, sink, nullptr);
  EXPECT_TRUE(gst_element_link_many(source, filter, transform, sink, nullptr));
  gst_element_set_state(pipeline, GST_STATE_PLAYING);
  while (GstSample* sample = gst_app_sink_try_pull_sample(GST_APP_SINK(sink), 5 * GST_SECOND)) {
    GstMapInfo map;
    if (gst_buffer_map(gst_sample_get_buffer(sample), &map, GST_MAP_READ)) {
      outputs.emplace_back(map.data, map.data + map.size);
      gst_buffer_unmap(gst_sample_get_buffer(sample), &map);
    }
    gst_sample_unref(sample);
  }
  gst_element_set_state(pipeline, GST_STATE_NULL);
  gst_object_unref(pipeline);
  return outputs;
}

struct ElementTest : ::testing::Test {
  ElementTest() { gst::InitializeGstreamer(); }
  void Prepare(std::uint32_t integration, std::int32_t saturation) {
    ASSERT_EQ(analysis.PrepareStreaming(640 * 480 * 4, 25, {integration, saturation}, sets), S_OK);
  }
  testing::FakeClock clock{testing::MakeFileTime(2026, 4, 1, 20, 0, 0)};
  MessageLog log{clock};
  RecognitionSets sets{std::vector<InterlacedSet>(2), {}};
  LiveAnalysis analysis{log};
  std::shared_ptr<gst::TransformCounters> counters = std::make_shared<gst::TransformCounters>();
};

TEST_F(ElementTest, PaintsEveryWholePixelOfEachFormatAndIntegratesOnTheStreamingThread) {
  struct Case {
    const char* format;
    int width, stride;
    std::vector<std::uint8_t> painted;  // one pixel (YUY2: one pair)
  };
  for (const Case& c : {Case{"YUY2", 640, 1280, {106, 202, 106, 222}},
                        Case{"BGR", 641, 1924, {225, 0, 225}},           // one padding byte a row
                        Case{"BGRA", 320, 1280, {225, 0, 225, 255}}}) {  // alpha kept
    Prepare(1, 200);
    const auto frames = RunElement(&analysis, counters,
                                   std::string("video/x-raw, format=") + c.format + ", width=" +
                                       std::to_string(c.width) + ", height=4, framerate=25/1",
                                   3);
    ASSERT_EQ(frames.size(), 3u) << c.format;
    EXPECT_EQ(analysis.stream_format().top_down, 1u);
    EXPECT_EQ(analysis.stream_format().stride, c.stride) << c.format;
    const std::size_t step = c.painted.size();
    int wrong = 0;
    for (std::size_t row = 0; row < 4; ++row) {
      for (std::size_t x = 0; x + step <= PixelBytesPerRow(analysis.stream_format()); x += step) {
        for (std::size_t i = 0; i < step; ++i) {
          wrong += frames.back()[row * c.stride + x + i] != c.painted[i];
        }
      }
    }
    EXPECT_EQ(wrong, 0) << c.format;
  }
  EXPECT_EQ(std::pair(counters->unanalysed.load(), counters->dropped.load()), std::pair(0L, 0L));
  // Threshold -1: the frames leave as they came.
  Prepare(1, -1);
  const auto plain =
      RunElement(&analysis, counters, "video/x-raw, format=BGR, width=641, height=4", 1);
  ASSERT_EQ(plain.size(), 1u);
  EXPECT_EQ((std::pair<int, int>(plain[0][0], plain[0][640 * 3 + 1])), std::pair(255, 255));
  // Integrating three: one frame for the dark estimate, then one out of each group of three.
  Prepare(3, 200);
  EXPECT_EQ(analysis.saturation_threshold(), -1);  // never together with integration
  counters = std::make_shared<gst::TransformCounters>();
  EXPECT_EQ(RunElement(&analysis, counters,
                       "video/x-raw, format=YUY2, width=64, height=8, framerate=25/1", 10, "snow")
                .size(),
            3u);
  EXPECT_EQ(
      std::tuple(counters->frames.load(), counters->delivered.load(), counters->dropped.load()),
      std::tuple(10L, 3L, 7L));
}

// The station's analysis wiring on the real media system: the live filter and its control,
// the capture graph and the settings the windows drive.
struct LiveStation : ::testing::Test, AnalysisStation {
  LiveStation() {
    options.default_renderer = kRendererEvr;
    graph = std::make_unique<CaptureGraph>(
        CaptureGraphContext{system, options, pairs, sources, log, errors, nullptr, nullptr}, filter,
        &control);
    graph->renderers().set_display_window(DisplayWindowOf(&window));
    controls = std::make_unique<AnalysisControls>(
        AnalysisControlsContext{graph->switches(), options, log, *this});
    sources.GetAttachedVideoDeviceList(ValidationHooksFor(*graph->graph()), {});
  }

  void SetFilterThreshold(std::int32_t t) override { analysis.SetSaturationThreshold(t); }
  HResult RestartLiveVideo() override { return S_OK; }  // the test starts the camera itself
  bool SaveOptions() override { return true; }

  testing::FakeClock clock{testing::MakeFileTime(2026, 4, 1, 20, 0, 0)};
  MessageLog log{clock};
  testing::RecordingMessageBox box;
  ErrorReporter errors{log, box};
  Options options;
  std::vector<SubtypeCodecPair> pairs;
  LiveAnalysis analysis{log};
  RecognitionSets sets{std::vector<InterlacedSet>(2), {}};
  std::shared_ptr<gst::VeskTransformFilter> filter =
      std::make_shared<gst::VeskTransformFilter>(analysis);
  LiveAnalysisControl control{analysis, filter, gst::kGstRgbRowsTopDown,
                              [this] { return controls->SettingsForStart(); }, sets};
  gst::GstMediaSystem system = testing::SimulatedSystem();
  VideoSources sources{system, log};
  testing::FrameKeeper window;
  std::unique_ptr<CaptureGraph> graph;
  std::unique_ptr<AnalysisControls> controls;
};

TEST_F(LiveStation, TheDisplayShowsTheStarInMagentaWhileTheRecordingKeepsItsFrames) {
  testing::ScopedTempDir folder;
  ASSERT_TRUE(testing::UseFormat(sources, gst::kSimulatedAnalogCameraName, SubtypeCode::YUY2));
  options.pixel_saturation_value = 200;
  controls->TakeStoredSaturationValue();
  RecordingTarget target;
  target.video_file_name = folder.Path("clip.avi");
  // More gain, as an observer would set for a faint field: the target star then saturates.
  VideoSourceInfo* camera = sources.CurrentSource();
  ASSERT_EQ(sources.GetVideoSourceBaseFilter(camera), S_OK);
  VideoProcAmp* proc_amp = nullptr;
  ASSERT_EQ(camera->base_filter->QueryVideoProcAmp(&proc_amp), S_OK);
  ASSERT_EQ(proc_amp->Set(ProcAmpProperty::Gain, 70, kProcAmpFlagsManual), S_OK);
  // The target star is hidden from second 30 to 34 of each minute: start while it shows.
  const auto second = [] { return std::time(nullptr) % 60; };
  while (second() >= 27 && second() < 35) testing::WaitSeconds(0.25);
  ASSERT_EQ(graph->StartCamera(target), S_OK) << log.Text();
  EXPECT_EQ(analysis.saturation_threshold(), 200);
  testing::WaitSeconds(1.5);
  ASSERT_EQ(graph->StopCamera().result, S_OK);
  const testing::KeptFrame shown = window.Last();
  EXPECT_GE(shown.frames, 10);
  AviFileInfo avi;
  ASSERT_TRUE(testing::ReadRecording(target.video_file_name, &avi));
  EXPECT_EQ(testing::CompressionOf(avi), "YUY2");
  ASSERT_GE(avi.frames.size(), 10u);
  const std::vector<std::uint8_t> frame =
      testing::ReadFrameBytes(target.video_file_name, avi.frames.back());
  ASSERT_EQ(frame.size(), 720u * 576u * 2u);
  // Around the target star in the middle of the picture: painted magenta on display, in the
  // file as bright as it was; and nothing magenta anywhere in the file.
  int painted = 0, brightest = 0, magenta = 0;
  for (int y = 285; y <= 291; ++y) {
    for (int x = 357; x <= 363; ++x) {
      const std::uint8_t* p = shown.At(x, y);
      painted += p[0] > 200 && p[1] < 60 && p[2] > 200;
      brightest = std::max<int>(brightest, frame[y * 1440 + 2 * x]);
    }
  }
  for (std::size_t at = 0; at + 4 <= frame.size(); at += 4) {
    magenta += frame[at] == kMagentaY && frame[at + 1] == kMagentaU && frame[at + 3] == kMagentaV;
  }
  EXPECT_GE(painted, 1);
  EXPECT_GE(brightest, 200);
  EXPECT_EQ(magenta, 0);
}

}  // namespace
}  // namespace vesk
