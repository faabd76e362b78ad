#include "capture/capture_graph.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "recording/stopped_recording_log.h"
#include "support/fake_clock.h"
#include "support/fake_media.h"
#include "support/recording_view.h"
#include "support/temp_dir.h"

namespace vesk {
namespace {

using testing::FakeFilter;
using testing::FakeGraph;
using testing::FakeMediaSystem;
using testing::MakeVideoType;

constexpr const char* kDevice = "USB2.0 Grabber";
constexpr const char* kCodec = "VESK Test Codec";
constexpr const char* kVideoFile = "VideoFiles/07_14_2026_03_05_09.avi";

struct PrepareCall {
  std::size_t accumulation_bytes;
  std::uint32_t frame_rate;
  friend bool operator==(const PrepareCall&, const PrepareCall&) = default;
};

struct FakeLiveControl final : LiveFilterControl {
  void PrepareStreaming(std::size_t accumulation_bytes, std::uint32_t frame_rate) override {
    prepares.push_back({accumulation_bytes, frame_rate});
  }
  HResult ReadStreamFormat() override {
    ++reads;
    return read_result;
  }
  void ReleaseIntegrationBuffer() override { ++releases; }
  std::vector<PrepareCall> prepares;
  int reads = 0;
  int releases = 0;
  HResult read_result = S_OK;
};

std::shared_ptr<FakeFilter> MakeTwoPinFilter(const std::string& kind) {
  auto filter = std::make_shared<FakeFilter>(kind, kind);
  filter->AddPin("Input", PinDirection::Input);
  filter->AddPin("Output", PinDirection::Output);
  return filter;
}

std::string Timed(const std::string& text) { return "\r\n03:05:09 (UTC)\r\n" + text; }
std::string Untimed(const std::string& text) { return "\r\n" + text; }

class CaptureGraphTest : public ::testing::Test {
 protected:
  CaptureGraphTest() { log.AttachView(&view); }

  // A device offering formats (one frame-rate group), made the device in use.
  std::shared_ptr<FakeFilter> AddSource(const std::string& name, std::vector<MediaType> types,
                                        AnalogFormat analog = AnalogFormat::PAL,
                                        bool preview_pin = false) {
    auto moniker = media.AddDevice(name, types, preview_pin);
    VideoSourceInfo info;
    info.name = name;
    info.analog_format = analog;
    if (!types.empty()) {
      VideoFormatsByFrameRate group;
      for (const MediaType& type : types) group.formats.push_back(MakeVideoFormat(type));
      group.frame_rate = group.formats.front().frame_rate;
      group.rate_text = std::to_string(group.frame_rate);
      info.frame_rates.push_back(std::move(group));
      info.subtype = info.frame_rates.front().formats.front().subtype;
    }
    sources.Append(std::move(info));
    sources.SetCurrentSourceIndex(static_cast<std::uint32_t>(sources.Count() - 1));
    return moniker->filter;
  }

  std::shared_ptr<FakeFilter> AddPal(bool preview_pin = false) {
    return AddSource(kDevice, {MakeVideoType(SubtypeCode::YUY2, 720, 576, 400000)},
                     AnalogFormat::PAL, preview_pin);
  }

  CaptureGraph& Make() {
    capture = std::make_unique<CaptureGraph>(
        CaptureGraphContext{media, options, pairs, sources, session, log, errors, clock,
                            "/home/obs/station/",
                            [this]() -> std::shared_ptr<MediaFilter> {
                              ++colour_creations;
                              if (!colour_available) return nullptr;
                              if (colour_given) return colour_given;
                              return colour;
                            }},
        live, &live_control);
    capture->renderers().set_display_window(0x77);
    view.entries.clear();
    return *capture;
  }

  FakeGraph& fake() { return *media.graphs.back(); }

  void StartRecording(const std::string& file = kVideoFile) { session.video_file_name = file; }
  // Stops the recording and writes its log as the recording controller does.
  HResult StopRecordingAndWriteLog(CaptureGraph& graph) {
    const HResult result = graph.StopCamera(true);
    if (const auto stopped = graph.TakeStoppedRecording()) {
      WriteLogOfStoppedRecording(*stopped, graph, gps);
    }
    return result;
  }

  FakeMediaSystem media;
  Options options;
  std::vector<SubtypeCodecPair> pairs;
  testing::FakeClock clock{testing::MakeFileTime(2026, 7, 14, 3, 5, 9)};
  MessageLog log{clock};
  testing::RecordingView view;
  testing::RecordingMessageBox box;
  ErrorReporter errors{log, box};
  VideoSources sources{media, log};
  RecordingSession session;
  LastGpsPosition gps;
  std::shared_ptr<FakeFilter> live = MakeTwoPinFilter("transform");
  FakeLiveControl live_control;
  std::shared_ptr<FakeFilter> colour = MakeTwoPinFilter("Color Control");
  std::shared_ptr<MediaFilter> colour_given;
  bool colour_available = true;
  int colour_creations = 0;
  std::unique_ptr<CaptureGraph> capture;
};

using Names = std::vector<std::string>;

// The double lists a join again when the same two pins meet in a later start; across starts
// the live connections are compared as a sorted set.
Names Sorted(Names names) {
  std::sort(names.begin(), names.end());
  names.erase(std::unique(names.begin(), names.end()), names.end());
  return names;
}

TEST_F(CaptureGraphTest, LivePreviewRunsDeviceThroughSmartTeeToEvr) {
  auto device = AddPal();
  CaptureGraph& graph = Make();
  EXPECT_EQ(graph.state(), GraphState::Built);
  ASSERT_EQ(graph.StartCamera(false), S_OK);

  EXPECT_EQ(fake().FilterNames(), (Names{kDevice, "EVR", "Smart Tee"}));
  EXPECT_EQ(fake().Connections(),
            (Names{"USB2.0 Grabber.Capture -> Smart Tee.Input", "Smart Tee.Preview -> EVR.Input"}));
  EXPECT_TRUE(fake().running);
  EXPECT_EQ(graph.state(), GraphState::Running);
  ASSERT_EQ(device->stream_config->formats_set.size(), 1u);
  EXPECT_EQ(device->stream_config->formats_set[0],
            MakeVideoType(SubtypeCode::YUY2, 720, 576, 400000));
  auto* control =
      static_cast<testing::FakeRendererControl*>(graph.renderers().Control(RendererKind::EVR));
  EXPECT_EQ(control->positions, (std::vector<VideoRect>{{2, 1, 722, 577}}));
  EXPECT_EQ(control->window, 0x77u);
  EXPECT_FALSE(graph.has_dropped_frames());
  EXPECT_TRUE(view.entries.empty());
  EXPECT_TRUE(live_control.prepares.empty());
}

TEST_F(CaptureGraphTest, MagnifyDoublesTheDestinationRectangle) {
  AddPal();
  CaptureGraph& graph = Make();
  graph.switches().magnify_x2 = true;
  ASSERT_EQ(graph.StartCamera(false), S_OK);
  auto* control =
      static_cast<testing::FakeRendererControl*>(graph.renderers().Control(RendererKind::EVR));
  EXPECT_EQ(control->positions, (std::vector<VideoRect>{{2, 1, 722, 577}, {2, 1, 1442, 1153}}));

  // A failing update ends the start with its warning.
  control->position_result = E_FAIL;
  EXPECT_EQ(graph.StartCamera(false), E_FAIL);
  EXPECT_EQ(view.entries.back(),
            Timed("WARNING: cannot add video rendering filter to filter graph while attempting "
                  "to start camera\r\n"));
}

TEST_F(CaptureGraphTest, MagnifyOrAnalysisOnAnUnanalysableFormatIsNotImplemented) {
  AddSource("VESK Simulated Webcam", {MakeVideoType(SubtypeCode::MJPG, 1280, 720, 333333)},
            AnalogFormat::Digital);
  CaptureGraph& graph = Make();
  graph.switches().magnify_x2 = true;
  EXPECT_EQ(graph.StartCamera(true), E_NOTIMPL);
  EXPECT_EQ(view.entries,
            (Names{Timed("Pixel analysis not supported for selected device and format with name "
                         "\"VESK Simulated Webcam\"\r\nExpecting an analog video device with a "
                         "supported format\r\n")}));
  EXPECT_TRUE(fake().calls.empty());
  EXPECT_TRUE(graph.video_file_name_is_relative());

  graph.switches().magnify_x2 = false;
  graph.switches().integration_count = 4;
  EXPECT_EQ(graph.StartCamera(false), E_NOTIMPL);
  graph.switches().integration_count = 1;
  EXPECT_EQ(graph.StartCamera(false), S_OK);
}

TEST_F(CaptureGraphTest, RecordingWithoutCodecGoesFromTheTeeToTheMultiplexer) {
  AddPal();
  CaptureGraph& graph = Make();
  StartRecording();
  ASSERT_EQ(graph.StartCamera(true), S_OK);
  EXPECT_EQ(fake().FilterNames(), (Names{kDevice, "EVR", "Smart Tee", "AVI Mux"}));
  EXPECT_EQ(fake().Connections(),
            (Names{"USB2.0 Grabber.Capture -> Smart Tee.Input", "Smart Tee.Preview -> EVR.Input",
                   "Smart Tee.Capture -> AVI Mux.Input 01"}));
  EXPECT_EQ(fake().output_path, kVideoFile);
  EXPECT_TRUE(graph.has_dropped_frames());
  EXPECT_TRUE(view.entries.empty());
}

TEST_F(CaptureGraphTest, RecordingThroughTheCodecChosenForTheSubtype) {
  AddPal();
  media.AddCompressor("Other Codec");
  media.AddCompressor(kCodec);
  pairs = {{SubtypeCode::MJPG, 1, "Other Codec"}, {SubtypeCode::YUY2, 2, kCodec}};
  CaptureGraph& graph = Make();
  StartRecording();
  ASSERT_EQ(graph.StartCamera(true), S_OK);
  EXPECT_EQ(fake().FilterNames(), (Names{kDevice, "EVR", "Smart Tee", "AVI Mux", kCodec}));
  EXPECT_EQ(fake().Connections(),
            (Names{"USB2.0 Grabber.Capture -> Smart Tee.Input", "Smart Tee.Preview -> EVR.Input",
                   "Smart Tee.Capture -> VESK Test Codec.Input",
                   "VESK Test Codec.Output -> AVI Mux.Input 01"}));

  // Back to live video: neither codec nor multiplexer stays.
  ASSERT_EQ(graph.StopCamera(false), S_OK);
  session.video_file_name.clear();
  ASSERT_EQ(graph.StartCamera(false), S_OK);
  EXPECT_EQ(fake().FilterNames(), (Names{kDevice, "EVR", "Smart Tee"}));
}

TEST_F(CaptureGraphTest, PairsWithoutACodecFilterRecordUncompressed) {
  AddPal();
  media.AddCompressor(kCodec);
  CaptureGraph& graph = Make();
  StartRecording();
  for (const SubtypeCodecPair& pair : {SubtypeCodecPair{SubtypeCode::YUY2, 0, "NONE"},
                                       SubtypeCodecPair{SubtypeCode::YUY2, 7, kCodec},
                                       SubtypeCodecPair{SubtypeCode::MJPG, 1, kCodec}}) {
    pairs = {pair};
    ASSERT_EQ(graph.StartCamera(true), S_OK);
    EXPECT_EQ(fake().FilterNames(), (Names{kDevice, "EVR", "Smart Tee", "AVI Mux"}));
    EXPECT_EQ(fake().Connections().back(), "Smart Tee.Capture -> AVI Mux.Input 01");
  }
}

TEST_F(CaptureGraphTest, RefusingCodecAbortsAndLeavesNoCodecForTheNextStart) {
  AddPal();
  media.AddCompressor(kCodec);
  pairs = {{SubtypeCode::YUY2, 1, kCodec}};
  media.plan.Fail(std::string("RenderStream:Capture:") + kCodec);
  CaptureGraph& graph = Make();
  StartRecording();
  EXPECT_EQ(graph.StartCamera(true), E_FAIL);
  EXPECT_EQ(view.entries, (Names{Timed("\r\nSelected codec does not work for this camera.\r\n"),
                                 Timed("WARNING: Cannot render video stream\r\n")}));
  EXPECT_FALSE(fake().running);

  session.video_file_name.clear();
  ASSERT_EQ(graph.StartCamera(false), S_OK);
  EXPECT_EQ(fake().FilterNames(), (Names{kDevice, "EVR", "Smart Tee"}));
}

// Rebuilds the first steps of a start by hand so RenderVideoStream's own results show.
class RenderVideoStreamTest : public CaptureGraphTest {
 protected:
  HResult Render(const std::string& path) {
    CaptureGraph& graph = *capture;
    EXPECT_EQ(graph.RemoveGraphFilters(), S_OK);
    EXPECT_EQ(fake().AddFilter(device, kDevice), S_OK);
    EXPECT_EQ(fake().AddFilter(graph.renderers().current_renderer(), "EVR"), S_OK);
    return graph.RenderVideoStream(path, false, device);
  }
  void SetUp() override {
    device = AddPal();
    media.AddCompressor(kCodec);
    pairs = {{SubtypeCode::YUY2, 1, kCodec}};
    Make();
    ASSERT_EQ(capture->StartCamera(false), S_OK);
  }
  std::shared_ptr<FakeFilter> device;
};

TEST_F(RenderVideoStreamTest, RecordingBranchFailuresAbort) {
  ASSERT_EQ(Render(kVideoFile), S_OK);
  EXPECT_EQ(capture->state(), GraphState::Rendered);

  media.plan.Fail("SetOutputFileName");
  EXPECT_EQ(Render(kVideoFile), E_ABORT);
  media.plan.Clear("SetOutputFileName");
  media.plan.Fail(std::string("AddFilter:") + kCodec);
  EXPECT_EQ(Render(kVideoFile), E_ABORT);
  media.plan.Clear(std::string("AddFilter:") + kCodec);
  media.plan.Fail(std::string("RenderStream:Capture:") + kCodec);
  EXPECT_EQ(Render(kVideoFile), E_ABORT);
  media.plan.Clear(std::string("RenderStream:Capture:") + kCodec);
  media.compressors[0]->filter->pins[1]->direction_result = E_FAIL;
  EXPECT_EQ(Render(kVideoFile), E_ABORT);

  EXPECT_EQ(view.entries,
            (Names{Timed("ERROR: SetOutputFileName method has failed,  error 1024\r\n"),
                   Timed("\r\nUnable to add elected codec to filter graph\r\n"),
                   Timed("\r\nSelected codec does not work for this camera.\r\n"),
                   Timed("\r\nUnable to find codec filter input or output pin\r\n")}));
}

TEST_F(RenderVideoStreamTest, PreviewFailureAndMissingRenderer) {
  media.plan.Fail("RenderStream:Preview");
  EXPECT_EQ(Render(""), E_FAIL);
  EXPECT_EQ(view.entries, (Names{Timed("ERROR: Cannot render preview stream,  error 1023\r\n")}));
  capture->renderers().ClearCurrentRenderer();
  view.entries.clear();
  EXPECT_EQ(capture->RenderVideoStream("", false, device), E_FAIL);
  EXPECT_EQ(capture->CheckRenderGraph(), 1);
  EXPECT_EQ(view.entries,
            (Names{Timed("Logic error: attempt to render video stream with invalid filter "
                         "graph\r\n"),
                   Timed("Logic error: attempt to render video stream with invalid filter "
                         "graph\r\n")}));
}

TEST_F(CaptureGraphTest, SetOutputFileNameFailureIsError1024) {
  AddPal();
  CaptureGraph& graph = Make();
  media.plan.Fail("SetOutputFileName");
  StartRecording("missing-folder/x.avi");
  EXPECT_EQ(graph.StartCamera(true), E_FAIL);
  EXPECT_EQ(view.entries,
            (Names{Timed("ERROR: SetOutputFileName method has failed,  error 1024\r\n"),
                   Timed("WARNING: Cannot render video stream\r\n")}));
  EXPECT_EQ(graph.state(), GraphState::SourceAdded);
}

TEST_F(CaptureGraphTest, AnalysisFilterIsSplicedBetweenPreviewPinAndRenderer) {
  AddPal();
  CaptureGraph& graph = Make();
  graph.switches().saturation_highlight = true;
  ASSERT_EQ(graph.StartCamera(false), S_OK);
  EXPECT_EQ(fake().FilterNames(),
            (Names{kDevice, "EVR", "Smart Tee", "VESK Transform Filter Preview"}));
  EXPECT_EQ(fake().Connections(), (Names{"USB2.0 Grabber.Capture -> Smart Tee.Input",
                                         "Smart Tee.Preview -> VESK Transform Filter Preview.Input",
                                         "VESK Transform Filter Preview.Output -> EVR.Input"}));
  EXPECT_EQ(live_control.prepares, (std::vector<PrepareCall>{{0, 25}}));
  EXPECT_EQ(live_control.reads, 1);

  // Integration asks for an accumulation buffer of a whole 32-bit frame.
  graph.switches().saturation_highlight = false;
  graph.switches().integration_count = 8;
  ASSERT_EQ(graph.StopCamera(false), S_OK);
  EXPECT_EQ(live_control.releases, 1);
  ASSERT_EQ(graph.StartCamera(false), S_OK);
  EXPECT_EQ(live_control.prepares.back(), (PrepareCall{720 * 576 * 4, 25}));
  EXPECT_EQ(Sorted(fake().Connections()),
            Sorted({"USB2.0 Grabber.Capture -> Smart Tee.Input",
                    "Smart Tee.Preview -> VESK Transform Filter Preview.Input",
                    "VESK Transform Filter Preview.Output -> EVR.Input"}));
}

TEST_F(CaptureGraphTest, AnalysisSpliceOnADevicePreviewPinFallsBackToConnect) {
  AddPal(/*preview_pin=*/true);
  CaptureGraph& graph = Make();
  graph.switches().saturation_highlight = true;
  // The second direct connection (transform output to renderer) is refused.
  media.plan.Fail("ConnectDirect", VFW_E_CANNOT_CONNECT, 1);
  ASSERT_EQ(graph.StartCamera(false), S_OK);
  EXPECT_EQ(fake().FilterNames(), (Names{kDevice, "EVR", "VESK Transform Filter Preview"}));
  EXPECT_EQ(fake().Connections(),
            (Names{"USB2.0 Grabber.Preview -> VESK Transform Filter Preview.Input",
                   "VESK Transform Filter Preview.Output -> EVR.Input"}));
  EXPECT_EQ(fake().calls.back(), "Run");
  EXPECT_EQ(fake().calls[fake().calls.size() - 2], "Connect");
}

TEST_F(CaptureGraphTest, AnalysisSpliceFailuresAbortTheStart) {
  AddPal();
  CaptureGraph& graph = Make();
  graph.switches().saturation_highlight = true;
  live_control.read_result = E_POINTER;
  EXPECT_EQ(graph.StartCamera(false), E_FAIL);
  EXPECT_EQ(view.entries, (Names{Timed("WARNING: Cannot render video stream\r\n")}));

  live_control.read_result = S_OK;
  media.plan.Fail("AddFilter:VESK Transform Filter Preview");
  EXPECT_EQ(graph.StartCamera(false), E_FAIL);
  EXPECT_FALSE(fake().running);
}

TEST_F(CaptureGraphTest, ColourControlIsSplicedInFrontOfTheRenderer) {
  AddPal();
  CaptureGraph& graph = Make();
  EXPECT_EQ(colour_creations, 1);  // made at construction
  graph.switches().brightness_contrast = true;
  ASSERT_EQ(graph.StartCamera(false), S_OK);
  EXPECT_EQ(fake().FilterNames(), (Names{kDevice, "EVR", "Smart Tee", "Color Control"}));
  EXPECT_EQ(fake().Connections(), (Names{"USB2.0 Grabber.Capture -> Smart Tee.Input",
                                         "Smart Tee.Preview -> Color Control.Input",
                                         "Color Control.Output -> EVR.Input"}));

  graph.switches().saturation_highlight = true;
  ASSERT_EQ(graph.StartCamera(false), S_OK);
  EXPECT_EQ(Sorted(fake().Connections()),
            Sorted({"USB2.0 Grabber.Capture -> Smart Tee.Input",
                    "Smart Tee.Preview -> VESK Transform Filter Preview.Input",
                    "VESK Transform Filter Preview.Output -> Color Control.Input",
                    "Color Control.Output -> EVR.Input"}));
  EXPECT_EQ(colour_creations, 1);
  EXPECT_TRUE(view.entries.empty());
}

TEST_F(CaptureGraphTest, ColourControlFailuresLeaveTheVideoRunningWithoutIt) {
  AddPal();
  CaptureGraph& graph = Make();
  graph.switches().brightness_contrast = true;
  media.plan.Fail("AddFilter:Color Control");
  ASSERT_EQ(graph.StartCamera(false), S_OK);
  media.plan.Clear("AddFilter:Color Control");
  colour->pins.pop_back();  // no output pin
  ASSERT_EQ(graph.StartCamera(false), S_OK);
  EXPECT_EQ(
      view.entries,
      (Names{Timed("\r\nCannot add color control filter to filter graph.  Brightness/contrast is "
                   "not impemented."),
             Timed("\r\nCannot get IPins for color control filter.  Brightness/contrast is not "
                   "impemented.")}));
  EXPECT_EQ(fake().FilterNames(), (Names{kDevice, "EVR", "Smart Tee"}));
  EXPECT_EQ(fake().Connections(),
            (Names{"USB2.0 Grabber.Capture -> Smart Tee.Input", "Smart Tee.Preview -> EVR.Input"}));
  EXPECT_TRUE(fake().running);
}

// A pin of another media layer: the double cannot join it to its own pins.
class ForeignPin final : public MediaPin {
 public:
  ForeignPin(MediaFilter* owner, std::string name, PinDirection direction)
      : owner_(owner), name_(std::move(name)), direction_(direction) {}
  std::string Name() const override { return name_; }
  HResult QueryDirection(PinDirection* direction) const override {
    *direction = direction_;
    return S_OK;
  }
  HResult ConnectedTo(std::shared_ptr<MediaPin>* other) const override {
    other->reset();
    return VFW_E_NOT_CONNECTED;
  }
  HResult EnumMediaTypes(std::vector<MediaType>* types) const override {
    types->clear();
    return S_OK;
  }
  MediaFilter* Owner() const override { return owner_; }

 private:
  MediaFilter* owner_;
  std::string name_;
  PinDirection direction_;
};

class ForeignFilter final : public MediaFilter {
 public:
  ForeignFilter() {
    pins_.push_back(std::make_shared<ForeignPin>(this, "Input", PinDirection::Input));
    pins_.push_back(std::make_shared<ForeignPin>(this, "Output", PinDirection::Output));
  }
  HResult EnumPins(PinList* pins) override {
    *pins = pins_;
    return S_OK;
  }

 private:
  PinList pins_;
};

TEST_F(CaptureGraphTest, ColourControlThatWillNotConnectIsTakenOutAgain) {
  AddPal();
  colour_given = std::make_shared<ForeignFilter>();
  CaptureGraph& graph = Make();
  graph.switches().brightness_contrast = true;
  ASSERT_EQ(graph.StartCamera(false), S_OK);
  EXPECT_EQ(fake().FilterNames(), (Names{kDevice, "EVR", "Smart Tee"}));
  EXPECT_EQ(fake().Connections().back(), "Smart Tee.Preview -> EVR.Input");
  EXPECT_EQ(view.entries, (Names{Timed("\r\nCannot connect color control filter.  "
                                       "Brightness/contrast is not impemented.")}));
  EXPECT_TRUE(fake().running);
}

TEST_F(CaptureGraphTest, MissingColourControlIsTriedAgainAtEveryStart) {
  AddPal();
  colour_available = false;
  CaptureGraph& graph = Make();
  graph.switches().brightness_contrast = true;
  ASSERT_EQ(graph.StartCamera(false), S_OK);
  ASSERT_EQ(graph.StartCamera(false), S_OK);
  EXPECT_EQ(colour_creations, 3);
  EXPECT_EQ(fake().FilterNames(), (Names{kDevice, "EVR", "Smart Tee"}));
  colour_available = true;
  ASSERT_EQ(graph.StartCamera(false), S_OK);
  EXPECT_EQ(fake().FilterNames(), (Names{kDevice, "EVR", "Smart Tee", "Color Control"}));
}

TEST_F(CaptureGraphTest, DisplayOffWhileRecordingUsesNullRendererAndNoSplices) {
  AddPal();
  CaptureGraph& graph = Make();
  options.display_off_while_recording = true;
  options.default_renderer = kRendererVmr9;
  graph.switches().saturation_highlight = true;
  graph.switches().brightness_contrast = true;
  graph.switches().magnify_x2 = true;

  // Live video keeps its renderer, but nothing is spliced.
  ASSERT_EQ(graph.StartCamera(false), S_OK);
  EXPECT_EQ(fake().FilterNames(), (Names{kDevice, "VMR9", "Smart Tee"}));

  StartRecording();
  ASSERT_EQ(graph.StartCamera(true), S_OK);
  EXPECT_EQ(fake().FilterNames(), (Names{kDevice, "Null Renderer", "Smart Tee", "AVI Mux"}));
  EXPECT_EQ(fake().Connections(), (Names{"USB2.0 Grabber.Capture -> Smart Tee.Input",
                                         "Smart Tee.Preview -> Null Renderer.Input",
                                         "Smart Tee.Capture -> AVI Mux.Input 01"}));
  EXPECT_EQ(graph.renderers().current_renderer_name(), "Null Renderer");
  EXPECT_TRUE(view.entries.empty());
}

TEST_F(CaptureGraphTest, RemoveFiltersWhileRecordingKeepsSplicesOutOfRecordingsOnly) {
  AddPal();
  CaptureGraph& graph = Make();
  options.remove_filters_while_recording = true;
  graph.switches().saturation_highlight = true;
  ASSERT_EQ(graph.StartCamera(false), S_OK);
  EXPECT_EQ(fake().FilterNames().back(), "VESK Transform Filter Preview");
  StartRecording();
  ASSERT_EQ(graph.StartCamera(true), S_OK);
  EXPECT_EQ(fake().FilterNames(), (Names{kDevice, "EVR", "Smart Tee", "AVI Mux"}));
}

TEST_F(CaptureGraphTest, RunGraphOnAnUnrenderedGraphDoesNotRun) {
  AddPal();
  CaptureGraph& graph = Make();
  EXPECT_EQ(graph.RunGraph(), VFW_S_VIDEO_NOT_RENDERED);
  EXPECT_EQ(graph.state(), GraphState::Built);
  EXPECT_TRUE(fake().calls.empty());

  // Stopping a graph that never ran stops it, leaves it unrendered and writes no log.
  testing::ScopedTempDir dir;
  std::filesystem::create_directory("VideoFiles");
  StartRecording();
  EXPECT_EQ(graph.StopCamera(false), S_OK);
  EXPECT_EQ(fake().calls, (Names{"Stop"}));
  EXPECT_EQ(graph.state(), GraphState::Built);
  EXPECT_EQ(graph.RunGraph(), VFW_S_VIDEO_NOT_RENDERED);
  EXPECT_FALSE(std::filesystem::exists("VideoFiles/07_14_2026_03_05_09.log"));
  EXPECT_TRUE(view.entries.empty());
}

TEST_F(CaptureGraphTest, StartingTwiceAndStoppingTwice) {
  AddPal();
  CaptureGraph& graph = Make();
  ASSERT_EQ(graph.StartCamera(false), S_OK);
  fake().calls.clear();
  ASSERT_EQ(graph.StartCamera(false), S_OK);
  // The running graph is stopped and emptied in the order its filters were added.
  EXPECT_EQ(
      std::vector<std::string>(fake().calls.begin(), fake().calls.begin() + 4),
      (Names{"Stop", "RemoveFilter USB2.0 Grabber", "RemoveFilter EVR", "RemoveFilter Smart Tee"}));
  EXPECT_EQ(fake().FilterNames(), (Names{kDevice, "EVR", "Smart Tee"}));
  EXPECT_EQ(fake().Connections().size(), 2u);
  EXPECT_EQ(media.renderers_created[RendererKind::EVR], 1);

  EXPECT_EQ(graph.StopCamera(false), S_OK);
  EXPECT_EQ(graph.state(), GraphState::Rendered);
  EXPECT_EQ(graph.StopCamera(false), S_OK);
  EXPECT_EQ(graph.state(), GraphState::Rendered);
  EXPECT_FALSE(fake().running);
  ASSERT_EQ(graph.StartCamera(false), S_OK);
  EXPECT_TRUE(fake().running);
  EXPECT_TRUE(view.entries.empty());
}

TEST_F(CaptureGraphTest, RendererKindsAreCreatedOnceAcrossStartsAndSwitches) {
  AddPal();
  CaptureGraph& graph = Make();
  for (std::int32_t kind :
       {kRendererVmr9, kRendererEvr, kRendererVmr7, kRendererVmr9, kRendererEvr, kRendererVmr7}) {
    options.default_renderer = kind;
    ASSERT_EQ(graph.StartCamera(false), S_OK);
    EXPECT_EQ(fake().FilterNames()[1], kRendererFilterNames[static_cast<std::size_t>(kind)]);
  }
  EXPECT_EQ(media.renderers_created[RendererKind::EVR], 1);
  EXPECT_EQ(media.renderers_created[RendererKind::VMR9], 1);
  EXPECT_EQ(media.renderers_created[RendererKind::VMR7], 1);
}

TEST_F(CaptureGraphTest, FramesReachingTheFileAsTheGraphStartsOrStopsAreCountedInTheLog) {
  testing::ScopedTempDir dir;
  std::filesystem::create_directory("VideoFiles");
  auto device = AddPal();
  CaptureGraph& graph = Make();
  StartRecording();
  fake().on_run = [&] { device->dropped_frames->not_dropped = 1; };
  ASSERT_EQ(graph.StartCamera(true), S_OK);
  device->dropped_frames->not_dropped = 70;
  fake().on_stop = [&] { device->dropped_frames->not_dropped = 75; };
  ASSERT_EQ(StopRecordingAndWriteLog(graph), S_OK);
  const std::string log = testing::ReadFileBytes("VideoFiles/07_14_2026_03_05_09.log");
  EXPECT_NE(log.find("Number of recorded frames:  75\r\n"), std::string::npos) << log;
}

TEST_F(CaptureGraphTest, StopOfARecordingWritesTheLogWithCountDifferences) {
  testing::ScopedTempDir dir;
  std::filesystem::create_directory("VideoFiles");
  auto device = AddPal();
  media.AddCompressor(kCodec);
  pairs = {{SubtypeCode::YUY2, 1, kCodec}};
  CaptureGraph& graph = Make();
  device->dropped_frames->not_dropped = 120;
  device->dropped_frames->dropped = 7;
  StartRecording();
  session.start_text = "Start recording at 03:05:09 (UTC)";
  gps = LastGpsPosition{"48.070380 N", "11.312500 E", "545.4 M", "8", true};
  ASSERT_EQ(graph.StartCamera(true), S_OK);
  EXPECT_EQ(graph.not_dropped_at_start(), 120);
  EXPECT_EQ(graph.dropped_at_start(), 7);

  device->dropped_frames->not_dropped = 1620;
  device->dropped_frames->dropped = 9;
  clock.Advance(61 * kTicksPerSecond);
  ASSERT_EQ(StopRecordingAndWriteLog(graph), S_OK);
  EXPECT_EQ(testing::ReadFileBytes("VideoFiles/07_14_2026_03_05_09.log"),
            "Manual recording\r\n"
            "Start recording at 03:05:09 (UTC)\r\n"
            "Stop recording at 03:06:10 (UTC)\r\n"
            "Video file:  /home/obs/station/VideoFiles/07_14_2026_03_05_09.avi\r\n"
            "Number of recorded frames:  1500\r\n"
            "Number of dropped frames:  2\r\n"
            "Latitude: 48.070380 N\r\n"
            "Longitude: 11.312500 E\r\n"
            "Altitude: 545.4 M\r\n"
            "Number of satellites: 8\r\n"
            "Video source device: USB2.0 Grabber\r\n"
            "Source device format: PAL\r\n"
            "Frame rate: 25\r\n"
            "Frame size: 720x576\r\n"
            "Format subtype: YUY2\r\n"
            "Codec: VESK Test Codec\r\n"
            "Video renderer: EVR\r\n");
  EXPECT_EQ(
      view.entries,
      (Names{Untimed("Stop recording at 03:06:10 (UTC)"),
             Untimed("Video file:  /home/obs/station/VideoFiles/07_14_2026_03_05_09.avi\r\n")}));
  EXPECT_EQ(graph.not_dropped_at_start(), 0);
  EXPECT_EQ(graph.dropped_at_start(), 0);
  EXPECT_FALSE(fake().running);
}

TEST_F(CaptureGraphTest, EventRecordingWithDisplayOffAndNoCountersLogsWhatRan) {
  testing::ScopedTempDir dir;
  auto device = AddPal();
  device->dropped_frames.reset();
  sources.CurrentSource()->is_active_event_recording = true;
  options.display_off_while_recording = true;
  CaptureGraph& graph = Make();
  StartRecording("event.avi");
  session.event_description = "Pallas TYC 1234";
  session.start_text = "Start recording at 03:05:09 (UTC)";
  ASSERT_EQ(graph.StartCamera(false), S_OK);
  EXPECT_FALSE(graph.has_dropped_frames());
  ASSERT_EQ(StopRecordingAndWriteLog(graph), S_OK);
  EXPECT_EQ(testing::ReadFileBytes("event.log"),
            "Event recording: Pallas TYC 1234\r\n"
            "Start recording at 03:05:09 (UTC)\r\n"
            "Stop recording at 03:05:09 (UTC)\r\n"
            "Video file:  event.avi\r\n"
            "Total frame count and dropped frame count are not avaiable\r\n"
            "Video source device: USB2.0 Grabber\r\n"
            "Source device format: PAL\r\n"
            "Frame rate: 25\r\n"
            "Frame size: 720x576\r\n"
            "Format subtype: YUY2\r\n"
            "Codec: NONE\r\n"
            "Video renderer: None - video display off during recording\r\n");
}

TEST_F(CaptureGraphTest, FailedStopWarnsAndWritesNoLogButStillStopsTheMediaGraph) {
  testing::ScopedTempDir dir;
  AddPal();
  CaptureGraph& graph = Make();
  StartRecording("x.avi");
  ASSERT_EQ(graph.StartCamera(false), S_OK);
  media.plan.Fail("Stop");
  EXPECT_EQ(graph.StopCamera(true), E_ABORT);
  EXPECT_EQ(fake().calls.back(), "Stop");
  EXPECT_EQ(view.entries, (Names{Timed("WARNING: Cannot stop recording camera\r\n")}));
  EXPECT_FALSE(std::filesystem::exists("x.log"));
}

TEST_F(CaptureGraphTest, BaselineReadFailuresAreWarnings1006And1007) {
  auto device = AddPal();
  CaptureGraph& graph = Make();
  device->dropped_frames->not_dropped_result = E_FAIL;
  device->dropped_frames->dropped_result = E_FAIL;
  StartRecording();
  EXPECT_EQ(graph.StartCamera(true), S_OK);
  EXPECT_EQ(view.entries,
            (Names{Timed("WARNING: Dropped frames value may be incorrect,  warning 1006\r\n"),
                   Timed("WARNING: Dropped frames value may be incorrect,  warning 1007\r\n")}));
}

TEST_F(CaptureGraphTest, StartRefusesWithoutWhatItNeeds) {
  media.plan.Fail("CreateGraph");
  CaptureGraph& no_graph = Make();
  EXPECT_EQ(no_graph.StartCamera(false), E_FAIL);
  EXPECT_EQ(no_graph.RemoveGraphFilters(), E_FAIL);
  EXPECT_EQ(no_graph.RunGraph(), VFW_S_VIDEO_NOT_RENDERED);
  EXPECT_EQ(view.entries,
            (Names{Timed("Logic error: attempt to start camera without a filter graph builder\r\n"),
                   Timed("Logic error: attempt to remove filters from a NULL filter graph\r\n")}));
  media.plan.Clear("CreateGraph");

  CaptureGraph& graph = Make();
  EXPECT_EQ(graph.StartCamera(false), E_FAIL);
  AddSource("Empty Device", {});
  EXPECT_EQ(graph.StartCamera(false), E_FAIL);
  AddPal();
  sources.SetCurrentSourceIndex(kNoCurrentSource);
  EXPECT_EQ(graph.StartCamera(false), E_FAIL);
  EXPECT_EQ(graph.StopCamera(true), S_OK);  // no device in use: nothing to stop
  EXPECT_EQ(view.entries,
            (Names{Timed("Logic error: attempt to start camera with no video source devices\r\n"),
                   Timed("WARNING: attempt to start camera without a valid video format\r\n"),
                   Timed("WARNING: attempt to start camera without a valid video format\r\n")}));
  EXPECT_TRUE(fake().calls.empty());
}

TEST_F(CaptureGraphTest, ConstructionWithoutAGraphSaysVideoIsInoperative) {
  media.plan.Fail("CreateGraph");
  testing::RecordingView early;
  MessageLog quiet{clock};
  quiet.AttachView(&early);
  CaptureGraph graph(CaptureGraphContext{media, options, pairs, sources, session, quiet, errors,
                                         clock, "/", nullptr},
                     nullptr, nullptr);
  EXPECT_EQ(graph.state(), GraphState::None);
  ASSERT_EQ(early.entries.size(), 3u);
  EXPECT_EQ(early.entries[1], Untimed("WARNING: Cannot create filter graph builder\r\n"));
  EXPECT_EQ(early.entries[2],
            Timed("ERROR: Cannot create video filter graph - video display and recording "
                  "inoperative\r\n"));
  EXPECT_EQ(graph.video_codecs().size(), 1u);
  EXPECT_EQ(graph.video_codecs()[0].name, "NONE");
}

TEST_F(CaptureGraphTest, SourceAndStreamFormatFailures) {
  auto device = AddPal();
  CaptureGraph& graph = Make();
  media.plan.Fail("FindStreamConfig", E_NOINTERFACE, 0);
  EXPECT_EQ(graph.StartCamera(false), E_FAIL);
  media.plan.Clear("FindStreamConfig");
  device->stream_config->result = E_INVALIDARG;
  EXPECT_EQ(graph.StartCamera(false), E_FAIL);
  device->stream_config->result = S_OK;
  device->enum_pins_result = E_FAIL;
  EXPECT_EQ(graph.StartCamera(false), E_FAIL);
  device->enum_pins_result = S_OK;
  device->enum_pins_gives_nothing = true;
  EXPECT_EQ(graph.StartCamera(false), E_FAIL);
  device->enum_pins_gives_nothing = false;
  media.plan.Fail(std::string("AddFilter:") + kDevice);
  EXPECT_EQ(graph.StartCamera(false), E_FAIL);
  EXPECT_EQ(view.entries,
            (Names{Timed("ERROR: IAMStreamConfig interface is missing,  error 1011\r\n"),
                   Timed("ERROR: Cannot set capture stream format,  error 1002\r\n"),
                   Timed("ERROR: Cannot set capture stream format,  error 1002\r\n"),
                   Timed("ERROR: Cannot enumerate pins on source filter\r\n"),
                   Timed("ERROR: NULL source filter pin enumerater\r\n"),
                   Timed("WARNING: Cannot add video source filter to filter graph\r\n")}));
}

TEST_F(CaptureGraphTest, SetStreamFormatNeedsTheSourceJustAdded) {
  auto device = AddPal();
  CaptureGraph& graph = Make();
  EXPECT_EQ(graph.SetStreamFormat(device, *sources.CurrentVideoFormat(), PinCategory::Capture),
            E_FAIL);
  EXPECT_EQ(view.entries, (Names{Timed("ERROR: Attempting to set video stream format with no "
                                       "source filter,  error 1010\r\n")}));
}

TEST_F(CaptureGraphTest, UnexpectedlyConnectedSourcePinIsFreedAndTheStartGoesOn) {
  auto device = AddPal();
  CaptureGraph& graph = Make();
  auto stray = MakeTwoPinFilter("stray");
  device->Pin("Capture")->set_peer(stray->Pin("Input"));
  stray->Pin("Input")->set_peer(device->Pin("Capture"));
  ASSERT_EQ(graph.StartCamera(false), S_OK);
  EXPECT_EQ(view.entries,
            (Names{Timed("Logic error: source filter output pin is unexpectedly connected\r\n")}));
  EXPECT_EQ(fake().Connections().front(), "USB2.0 Grabber.Capture -> Smart Tee.Input");
  EXPECT_EQ(stray->Pin("Input")->peer(), nullptr);
}

TEST_F(CaptureGraphTest, RemovalRunAndRendererFailuresEndTheStart) {
  AddPal();
  CaptureGraph& graph = Make();
  ASSERT_EQ(graph.StartCamera(false), S_OK);
  media.plan.Fail("RemoveFilter:EVR");
  EXPECT_EQ(graph.StartCamera(false), E_FAIL);
  media.plan.Clear("RemoveFilter:EVR");
  media.plan.Fail("EnumFilters");
  EXPECT_EQ(graph.StartCamera(false), E_FAIL);
  media.plan.Clear("EnumFilters");
  media.plan.Fail("Run");
  EXPECT_EQ(graph.StartCamera(false), E_FAIL);
  EXPECT_EQ(graph.state(), GraphState::Rendered);
  media.plan.Clear("Run");
  media.plan.Fail("AddFilter:EVR");
  EXPECT_EQ(graph.StartCamera(false), E_FAIL);
  EXPECT_EQ(
      view.entries,
      (Names{Timed("WARNING: Failure to remove filter from filter graph\r\n"),
             Timed("WARNING: cannot remove graph filters while attempting to start camera\r\n"),
             Timed("WARNING: Failure to enumerate filter graph filters\r\n"),
             Timed("WARNING: cannot remove graph filters while attempting to start camera\r\n"),
             Timed("WARNING: attempt to run filter graph failed\r\n"),
             Timed("WARNING: Cannot run filter graph video stream\r\n"),
             Timed("ERROR: Cannot add EVR filter to filter graph,  error 1022\r\n"),
             Timed("WARNING: cannot add video rendering filter to filter graph while attempting "
                   "to start camera\r\n")}));
}

TEST_F(CaptureGraphTest, GraphErrorsWhileRunningReachTheMessageLog) {
  AddPal();
  Make();
  fake().error_handler("ERROR: the video device stopped delivering frames\r\n");
  EXPECT_EQ(view.entries, (Names{Timed("ERROR: the video device stopped delivering frames\r\n")}));
}

TEST(GetFilterPinTest, SkipsHiddenPinsAndMatchesDirectionAndName) {
  auto filter = std::make_shared<FakeFilter>("codec");
  filter->AddPin("~Hidden", PinDirection::Output);
  filter->AddPin("In", PinDirection::Input);
  filter->AddPin("Out A", PinDirection::Output);
  filter->AddPin("Out B", PinDirection::Output);
  EXPECT_EQ(CaptureGraph::GetFilterPin(filter, PinDirection::Output)->Name(), "Out A");
  EXPECT_EQ(CaptureGraph::GetFilterPin(filter, PinDirection::Output, "Out B")->Name(), "Out B");
  EXPECT_EQ(CaptureGraph::GetFilterPin(filter, PinDirection::Input)->Name(), "In");
  EXPECT_EQ(CaptureGraph::GetFilterPin(filter, PinDirection::Output, "~Hidden"), nullptr);
  EXPECT_EQ(CaptureGraph::GetFilterPin(filter, PinDirection::Input, "Out A"), nullptr);
  filter->enum_pins_result = E_FAIL;
  EXPECT_EQ(CaptureGraph::GetFilterPin(filter, PinDirection::Input), nullptr);
  EXPECT_EQ(CaptureGraph::GetFilterPin(nullptr, PinDirection::Input), nullptr);
}

}  // namespace
}  // namespace vesk
