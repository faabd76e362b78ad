// The live analysis filter in real pipelines: the formats it takes, highlighting and
// integration on the streaming thread, and the whole station path with the simulated
// cameras: capture graph, recording controller and the analysis settings.

#include "platform/gst/vesk_transform_filter.h"

#include <gst/app/gstappsink.h>
#include <gst/gst.h>
#include <gst/video/video.h>
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "analysis/analysis_settings.h"
#include "analysis/live_filter_control.h"
#include "analysis/pixels/live_analysis.h"
#include "analysis/pixels/saturation_highlight.h"
#include "capture/capture_graph.h"
#include "capture/video_sources.h"
#include "media/video_frame_target.h"
#include "media_support/capture_session.h"
#include "media_support/riff_avi_reader.h"
#include "platform/gst/gst_media_graph.h"
#include "platform/gst/gst_media_system.h"
#include "platform/gst/simulated_camera_device.h"
#include "recording/recording_controller.h"
#include "support/fake_clock.h"
#include "support/recording_view.h"
#include "support/temp_dir.h"

namespace vesk {
namespace {

using gst::GstMediaSystem;

// --- The element alone --------------------------------------------------------------------

GstCaps* Caps(const char* text) { return gst_caps_from_string(text); }

TEST(VeskTransformElement, TakesOnlyYuy2Rgb24AndArgb32) {
  gst::InitializeGstreamer();
  GstElement* element = gst::CreateVeskTransform(nullptr, nullptr);
  ASSERT_NE(element, nullptr);
  GstPad* sink = gst_element_get_static_pad(element, "sink");
  for (const char* format : {"YUY2", "BGR", "BGRA"}) {
    GstCaps* caps = gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING, format, "width",
                                        G_TYPE_INT, 720, "height", G_TYPE_INT, 576, "framerate",
                                        GST_TYPE_FRACTION, 25, 1, nullptr);
    EXPECT_TRUE(gst_pad_query_accept_caps(sink, caps)) << format;
    gst_caps_unref(caps);
  }
  for (const char* format : {"UYVY", "I420", "RGB", "RGBA", "GRAY8"}) {
    GstCaps* caps = gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING, format, "width",
                                        G_TYPE_INT, 720, "height", G_TYPE_INT, 576, nullptr);
    EXPECT_FALSE(gst_pad_query_accept_caps(sink, caps)) << format;
    gst_caps_unref(caps);
  }
  GstCaps* jpeg = Caps("image/jpeg, width=(int)640, height=(int)480");
  EXPECT_FALSE(gst_pad_query_accept_caps(sink, jpeg));
  gst_caps_unref(jpeg);
  gst_object_unref(sink);
  gst_object_unref(gst_object_ref_sink(element));
}

// videotestsrc ! caps ! vesktransform ! appsink, run until the source ends (bounded wait).
struct ElementRun {
  std::vector<std::vector<std::uint8_t>> outputs;
  int stride = 0;
  bool finished = false;
};

ElementRun RunElement(LiveAnalysis* analysis,
                      const std::shared_ptr<gst::TransformCounters>& counters,
                      const std::string& caps_text, int buffers, const char* pattern = "white") {
  ElementRun run;
  GstElement* pipeline = gst_pipeline_new(nullptr);
  GstElement* source = gst_element_factory_make("videotestsrc", nullptr);
  GstElement* filter = gst_element_factory_make("capsfilter", nullptr);
  GstElement* transform = gst::CreateVeskTransform(analysis, counters);
  GstElement* sink = gst_element_factory_make("appsink", nullptr);
  g_object_set(source, "num-buffers", buffers, nullptr);
  gst_util_set_object_arg(G_OBJECT(source), "pattern", pattern);
  GstCaps* caps = Caps(caps_text.c_str());
  g_object_set(filter, "caps", caps, nullptr);
  gst_caps_unref(caps);
  g_object_set(sink, "sync", FALSE, "max-buffers", 0u, nullptr);
  gst_bin_add_many(GST_BIN(pipeline), source, filter, transform, sink, nullptr);
  EXPECT_TRUE(gst_element_link_many(source, filter, transform, sink, nullptr));
  gst_element_set_state(pipeline, GST_STATE_PLAYING);
  while (GstSample* sample = gst_app_sink_try_pull_sample(GST_APP_SINK(sink), 5 * GST_SECOND)) {
    GstBuffer* buffer = gst_sample_get_buffer(sample);
    GstVideoInfo info;
    gst_video_info_from_caps(&info, gst_sample_get_caps(sample));
    run.stride = GST_VIDEO_INFO_PLANE_STRIDE(&info, 0);
    GstMapInfo map;
    if (gst_buffer_map(buffer, &map, GST_MAP_READ)) {
      run.outputs.emplace_back(map.data, map.data + map.size);
      gst_buffer_unmap(buffer, &map);
    }
    gst_sample_unref(sample);
  }
  run.finished = gst_app_sink_is_eos(GST_APP_SINK(sink));
  gst_element_set_state(pipeline, GST_STATE_NULL);
  gst_object_unref(pipeline);
  return run;
}

struct ElementTest : ::testing::Test {
  ElementTest() { gst::InitializeGstreamer(); }
  void Prepare(std::uint32_t integration, std::int32_t saturation) {
    AnalysisSettings settings;
    settings.integration_frame_count = integration;
    settings.saturation_value = saturation;
    ASSERT_EQ(analysis.PrepareStreaming(640 * 480 * 4, 25, settings, sets), S_OK);
  }
  testing::FakeClock clock{testing::MakeFileTime(2026, 4, 1, 20, 0, 0)};
  MessageLog log{clock};
  RecognitionSets sets{std::vector<InterlacedSet>(2), {}};
  LiveAnalysis analysis{log};
  std::shared_ptr<gst::TransformCounters> counters = std::make_shared<gst::TransformCounters>();
};

TEST_F(ElementTest, PaintsEveryWholePixelOfEachFormatOnTheStreamingThread) {
  struct Case {
    const char* format;
    int width;
    std::vector<std::uint8_t> painted;  // one pixel (YUY2: one pair)
  };
  const std::vector<Case> cases = {
      {"YUY2", 640, {106, 202, 106, 222}},
      {"BGR", 641, {225, 0, 225}},        // stride 1924: 641 pixels and one padding byte
      {"BGRA", 320, {225, 0, 225, 255}},  // alpha kept
  };
  for (const Case& c : cases) {
    Prepare(1, 200);
    const std::string caps = std::string("video/x-raw, format=") + c.format +
                             ", width=" + std::to_string(c.width) + ", height=4, framerate=25/1";
    ElementRun run = RunElement(&analysis, counters, caps, 3);
    ASSERT_TRUE(run.finished) << c.format;
    ASSERT_EQ(run.outputs.size(), 3u) << c.format;
    EXPECT_EQ(analysis.stream_format().top_down, 1u);
    EXPECT_EQ(run.stride, analysis.stream_format().stride) << c.format;
    const std::vector<std::uint8_t>& frame = run.outputs.back();
    const std::size_t step = c.painted.size();
    const std::size_t pixel_bytes = PixelBytesPerRow(analysis.stream_format());
    int wrong = 0;
    for (int row = 0; row < 4; ++row) {
      for (std::size_t x = 0; x + step <= pixel_bytes; x += step) {
        const std::size_t at = static_cast<std::size_t>(row) * run.stride + x;
        for (std::size_t i = 0; i < step; ++i) wrong += frame[at + i] != c.painted[i];
      }
    }
    EXPECT_EQ(wrong, 0) << c.format;
  }
  EXPECT_EQ(counters->unanalysed.load(), 0);
  EXPECT_EQ(counters->dropped.load(), 0);

  // Threshold -1: the frames leave as they came.
  Prepare(1, -1);
  ElementRun plain =
      RunElement(&analysis, counters, "video/x-raw, format=BGR, width=641, height=4", 1);
  ASSERT_EQ(plain.outputs.size(), 1u);
  EXPECT_EQ(plain.outputs[0][0], 255);
  EXPECT_EQ(plain.outputs[0][640 * 3 + 1], 255);
}

TEST_F(ElementTest, IntegrationShowsOneFrameOfEachGroupAfterTheDarkEstimate) {
  Prepare(3, 200);
  EXPECT_EQ(analysis.saturation_threshold(), -1);  // never together with integration
  ElementRun run =
      RunElement(&analysis, counters,
                 "video/x-raw, format=YUY2, width=64, height=8, framerate=25/1", 10, "snow");
  ASSERT_TRUE(run.finished);
  // One frame for the dark estimate, then three groups of three.
  EXPECT_EQ(run.outputs.size(), 3u);
  EXPECT_EQ(counters->frames.load(), 10);
  EXPECT_EQ(counters->delivered.load(), 3);
  EXPECT_EQ(counters->dropped.load(), 7);
}

// --- The logical filter ---------------------------------------------------------------------

GstMediaSystem MakeSystem() {
  gst::GstMediaSystemOptions options;
  options.simulated_cameras = true;
  options.v4l2_devices = false;
  return GstMediaSystem(options);
}

TEST(VeskTransformFilter, OffersTheConnectedFormatAndRefusesAJpegSource) {
  GstMediaSystem system = MakeSystem();
  testing::FakeClock clock{testing::MakeFileTime(2026, 4, 1, 20, 0, 0)};
  MessageLog log{clock};
  LiveAnalysis analysis{log};
  auto filter = std::make_shared<gst::VeskTransformFilter>(analysis);
  std::unique_ptr<MediaGraph> graph;
  ASSERT_EQ(system.CreateGraph(&graph), S_OK);
  auto source = testing::BindDevice(system, DeviceCategory::VideoInput, gst::kSimulatedWebcamName);
  ASSERT_NE(source, nullptr);
  ASSERT_EQ(graph->AddFilter(source, gst::kSimulatedWebcamName), S_OK);
  ASSERT_EQ(graph->AddFilter(filter, kTransformFilterName), S_OK);
  const auto capture = CaptureGraph::GetFilterPin(source, PinDirection::Output);
  const auto input = CaptureGraph::GetFilterPin(filter, PinDirection::Input);
  StreamConfig* config = nullptr;
  ASSERT_EQ(graph->FindStreamConfig(source, PinCategory::Capture, &config), S_OK);

  testing::CaptureRequest request;
  request.device = gst::kSimulatedWebcamName;
  request.rate_numerator = 0;
  for (const auto& [subtype, width, height] :
       {std::tuple{"MJPG", 640, 480}, {"YUY2", 640, 480}, {"RGB24", 640, 480}}) {
    request.subtype = subtype;
    request.width = width;
    request.height = height;
    MediaType type;
    ASSERT_TRUE(testing::FindFormat(*source, request, &type)) << subtype;
    ASSERT_EQ(config->SetFormat(type), S_OK);
    MediaType connected;
    if (request.subtype == "MJPG") {
      EXPECT_EQ(graph->ConnectDirect(capture, input), VFW_E_CANNOT_CONNECT);
      EXPECT_EQ(ConnectedMediaType(*filter, &connected), kNotConnectedResult);
      continue;
    }
    ASSERT_EQ(graph->ConnectDirect(capture, input), S_OK) << subtype;
    ASSERT_EQ(ConnectedMediaType(*filter, &connected), S_OK);
    EXPECT_EQ(connected.subtype_name, subtype);
    EXPECT_EQ(connected.width, width);
    EXPECT_EQ(connected.height, height);
    EXPECT_EQ(graph->Disconnect(capture), S_OK);
    EXPECT_EQ(graph->Disconnect(input), S_OK);
  }
}

// --- The station path -----------------------------------------------------------------------

// The video window: keeps a copy of the last frame.
class FrameKeeper : public VideoFrameTarget {
 public:
  void PresentFrame(const VideoFrame& frame, const VideoRect&, bool) override {
    std::lock_guard<std::mutex> hold(lock_);
    ++frames_;
    width_ = frame.width;
    height_ = frame.height;
    stride_ = frame.stride;
    last_.assign(frame.pixels,
                 frame.pixels + static_cast<std::size_t>(frame.stride) * frame.height);
  }
  int frames() {
    std::lock_guard<std::mutex> hold(lock_);
    return frames_;
  }
  // Pixels within radius of (x, y) painted magenta in the window's B, G, R, x pixels.
  int MagentaAround(int x, int y, int radius) {
    std::lock_guard<std::mutex> hold(lock_);
    int count = 0;
    for (int row = y - radius; row <= y + radius; ++row) {
      for (int column = x - radius; column <= x + radius; ++column) {
        if (row < 0 || column < 0 || row >= height_ || column >= width_) continue;
        const std::uint8_t* p = last_.data() + static_cast<std::size_t>(row) * stride_ + 4 * column;
        count += p[0] > 200 && p[1] < 60 && p[2] > 200;
      }
    }
    return count;
  }

 private:
  std::mutex lock_;
  int frames_ = 0;
  int width_ = 0;
  int height_ = 0;
  int stride_ = 0;
  std::vector<std::uint8_t> last_;
};

class QuietWindows final : public RecordingWindowsView {
 public:
  void SetMainWindowTitle(std::string_view) override {}
  void SetCountdownWindowTitle(std::string_view) override {}
  void HideCountdownWindow() override {}
  void EnableStartButton(bool) override {}
  void EnableStopButton(bool) override {}
  void EnableMenusOutsideRecording(bool) override {}
  void HideFrameIntegrationWindow() override {}
  void HidePixelSaturationWindow() override {}
  void HideGpsWindow() override {}
  void ResetBrightnessContrast() override {}
  void SizeVideoRecordWindow(int, int, int, int) override {}
  bool HidePlaybackWindows() override { return false; }
  void ShowPlaybackWindows() override {}
  bool AskYesNo(std::string_view, std::string_view) override { return false; }
};

// The station's analysis wiring on the real media system: the live filter and its control,
// the capture graph, the recording controller and the settings the windows drive.
class LiveStation {
 public:
  LiveStation() : system_(MakeSystem()) {
    options.default_renderer = kRendererEvr;
    graph = std::make_unique<CaptureGraph>(
        CaptureGraphContext{system_, options, pairs, sources, session, log, errors, clock,
                            folder_path(), nullptr},
        filter, &control);
    graph->renderers().set_display_window(DisplayWindowOf(&window));
    controls = std::make_unique<AnalysisControls>(AnalysisControlsContext{
        graph->switches(), options, log,
        [this](std::int32_t threshold) { analysis.SetSaturationThreshold(threshold); },
        [this] { return controller->RestartVideo(); }, [] { return true; }});
    RecordingControllerHooks hooks;
    hooks.set_saturation_threshold = [this](std::int32_t) { controls->ForgetSaturationValue(); };
    controller = std::make_unique<RecordingController>(RecordingControllerContext{
        *graph, sources, session, options, log, clock, 0, windows, nullptr, hooks});
    sources.GetAttachedVideoDeviceList(ValidationHooksFor(*graph->graph()), {});
  }

  // Makes a device the one in use, with its first format of a subtype.
  bool Use(const std::string& device, SubtypeCode subtype) {
    const std::uint32_t index = sources.IndexOf(device);
    VideoSourceInfo* info = sources.Source(index);
    if (info == nullptr) return false;
    for (std::uint32_t rate = 0; rate < info->frame_rates.size(); ++rate) {
      VideoFormatsByFrameRate& group = info->frame_rates[rate];
      for (std::uint32_t format = 0; format < group.formats.size(); ++format) {
        if (group.formats[format].subtype != subtype || !group.enabled) continue;
        info->current_rate_index = rate;
        group.current_format_index = format;
        sources.SetCurrentSourceIndex(index);
        return true;
      }
    }
    return false;
  }

  std::string folder_path() const { return std::filesystem::current_path().string() + "/"; }

  testing::FakeClock clock{testing::MakeFileTime(2026, 4, 1, 20, 0, 0)};
  MessageLog log{clock};
  testing::RecordingView view;
  testing::RecordingMessageBox box;
  ErrorReporter errors{log, box};
  Options options;
  std::vector<SubtypeCodecPair> pairs;
  RecordingSession session;
  LiveAnalysis analysis{log};
  RecognitionSets sets{std::vector<InterlacedSet>(2), {}};
  std::shared_ptr<gst::VeskTransformFilter> filter =
      std::make_shared<gst::VeskTransformFilter>(analysis);
  LiveAnalysisControl control{analysis, filter, gst::kGstRgbRowsTopDown,
                              [this] { return controls->SettingsForStart(); }, sets};

 private:
  GstMediaSystem system_;

 public:
  VideoSources sources{system_, log};
  FrameKeeper window;
  QuietWindows windows;
  std::unique_ptr<CaptureGraph> graph;
  std::unique_ptr<AnalysisControls> controls;
  std::unique_ptr<RecordingController> controller;
};

// The simulated target star is hidden from second 30 to 34 of each minute: wait until a
// few seconds of it being visible lie ahead.
void WaitForVisibleTargetStar() {
  for (;;) {
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    const auto second = std::chrono::duration_cast<std::chrono::seconds>(now).count() % 60;
    if (second < 27 || second >= 35) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(250));
  }
}

bool Magenta(const std::uint8_t* pair) {
  return pair[1] == kMagentaU && pair[3] == kMagentaV && pair[0] == kMagentaY;
}

TEST(LiveAnalysisStation, TheDisplayShowsTheStarInMagentaWhileTheRecordingKeepsItsFrames) {
  testing::ScopedTempDir folder;
  LiveStation station;
  ASSERT_TRUE(station.Use(gst::kSimulatedAnalogCameraName, SubtypeCode::YUY2));
  station.options.pixel_saturation_value = 200;
  station.controls->TakeStoredSaturationValue();
  station.session.video_file_name = "clip.avi";
  // More gain, as an observer would set for a faint field: the target star then saturates.
  VideoSourceInfo* camera = station.sources.CurrentSource();
  ASSERT_EQ(station.sources.GetVideoSourceBaseFilter(camera), S_OK);
  VideoProcAmp* proc_amp = nullptr;
  ASSERT_EQ(camera->base_filter->QueryVideoProcAmp(&proc_amp), S_OK);
  ASSERT_EQ(proc_amp->Set(ProcAmpProperty::Gain, 70, kProcAmpFlagsManual), S_OK);
  WaitForVisibleTargetStar();
  ASSERT_EQ(station.graph->StartCamera(true), S_OK) << station.log.Text();
  EXPECT_EQ(station.analysis.saturation_threshold(), 200);
  testing::WaitSeconds(1.5);
  ASSERT_EQ(station.graph->StopCamera(true), S_OK);
  EXPECT_GE(station.window.frames(), 10);
  // The target star sits in the middle of the 720 x 576 picture.
  EXPECT_GE(station.window.MagentaAround(360, 288, 3), 1);

  testing::AviFile avi;
  std::string error;
  ASSERT_TRUE(testing::ReadAviFile("clip.avi", &avi, &error)) << error;
  EXPECT_EQ(testing::CompressionName(avi.video), "YUY2");
  ASSERT_GE(avi.video_chunks.size(), 10u);
  std::vector<std::uint8_t> frame;
  ASSERT_TRUE(testing::ReadAviChunk("clip.avi", avi.video_chunks.back(), &frame));
  ASSERT_EQ(frame.size(), 720u * 576u * 2u);
  int magenta = 0;
  for (std::size_t at = 0; at + 4 <= frame.size(); at += 4) magenta += Magenta(&frame[at]);
  EXPECT_EQ(magenta, 0);
  // The star the display painted is bright enough to be painted: the file holds it as it was.
  int brightest = 0;
  for (int row = 285; row <= 291; ++row) {
    for (int column = 357; column <= 363; ++column) {
      brightest =
          std::max<int>(brightest, frame[static_cast<std::size_t>(row) * 1440 + 2 * column]);
    }
  }
  EXPECT_GE(brightest, 200);
}

TEST(LiveAnalysisStation, AJpegFormatSwitchesAnalysisOffForgetsTheValueAndStartsOnceMore) {
  testing::ScopedTempDir folder;
  LiveStation station;
  station.log.AttachView(&station.view);
  ASSERT_TRUE(station.Use(gst::kSimulatedWebcamName, SubtypeCode::MJPG));
  station.options.pixel_saturation_value = 180;
  station.controls->TakeStoredSaturationValue();
  ASSERT_TRUE(station.graph->switches().saturation_highlight);

  ASSERT_EQ(station.controller->StartVideo(), S_OK) << station.log.Text();
  const std::string report =
      "\r\n20:00:00 (UTC)\r\nPixel analysis not supported for selected device and format with "
      "name \"VESK Simulated Webcam\"\r\nExpecting an analog video device with a supported "
      "format\r\n";
  int reports = 0;
  for (const std::string& entry : station.view.entries) reports += entry == report;
  EXPECT_EQ(reports, 1) << station.log.Text();
  EXPECT_FALSE(station.graph->switches().saturation_highlight);
  EXPECT_EQ(station.graph->switches().integration_count, 1);
  EXPECT_EQ(station.options.pixel_saturation_value, -1);
  EXPECT_EQ(station.controls->saturation_value(), -1);
  EXPECT_EQ(station.analysis.saturation_threshold(), -1);
  // Started once more, without the filter.
  EXPECT_EQ(station.graph->state(), GraphState::Running);
  std::shared_ptr<MediaFilter> found;
  EXPECT_TRUE(Failed(station.graph->graph()->FindFilterByName(kTransformFilterName, &found)));
  testing::WaitSeconds(0.8);
  EXPECT_GE(station.window.frames(), 3);
  EXPECT_EQ(station.controller->StopVideo(), S_OK);
}

TEST(LiveAnalysisStation, IntegrationFromTheWindowShowsEveryFifthFrame) {
  testing::ScopedTempDir folder;
  LiveStation station;
  ASSERT_TRUE(station.Use(gst::kSimulatedAnalogCameraName, SubtypeCode::YUY2));
  ASSERT_EQ(station.controller->StartVideo(), S_OK);
  ASSERT_TRUE(station.controls->StartIntegration("5"));  // restarts with the filter in place
  ASSERT_EQ(station.graph->state(), GraphState::Running) << station.log.Text();
  testing::WaitSeconds(2.0);
  const std::int64_t frames = station.filter->counters().frames.load();
  const std::int64_t delivered = station.filter->counters().delivered.load();
  station.controls->CancelIntegration();
  EXPECT_GE(frames, 30);
  EXPECT_NEAR(static_cast<double>(delivered), static_cast<double>(frames - 1) / 5.0, 1.0);
  EXPECT_EQ(station.analysis.integration().accumulation.size(), 0u);  // released at the stop
  EXPECT_EQ(station.graph->state(), GraphState::Running);
  station.controller->StopVideo();
}

// --- Cost -----------------------------------------------------------------------------------

double ProcessCpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// CPU time of one minute of live preview of the analog camera, with highlighting on and off.
TEST(LiveAnalysisCostLong, HighlightingAgainstPlainPreviewOverOneMinute) {
  if (std::getenv("VESK_LONG_TESTS") == nullptr) GTEST_SKIP() << "set VESK_LONG_TESTS to run";
  testing::ScopedTempDir folder;
  LiveStation station;
  ASSERT_TRUE(station.Use(gst::kSimulatedAnalogCameraName, SubtypeCode::YUY2));
  auto measure = [&](bool highlight) {
    station.graph->switches().saturation_highlight = highlight;
    station.controls->SliderMoved(200);
    const int frames_before = station.window.frames();
    EXPECT_EQ(station.controller->StartVideo(), S_OK);
    const double start = ProcessCpuSeconds();
    testing::WaitSeconds(60.0);
    const double used = ProcessCpuSeconds() - start;
    EXPECT_EQ(station.controller->StopVideo(), S_OK);
    EXPECT_GE(station.window.frames() - frames_before, 1400);
    return used;
  };
  const double off = measure(false);
  const double on = measure(true);
  const double ratio = on / off;
  std::cout << "live preview CPU seconds per minute: highlighting off " << off << ", on " << on
            << ", ratio " << ratio << "\n";
  ::testing::Test::RecordProperty("cpu_ratio_highlight_on_off", std::to_string(ratio));
  EXPECT_LT(ratio, 2.0);
}

}  // namespace
}  // namespace vesk
