#include "capture/capture_graph.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "recording/stopped_recording_log.h"
#include "support/capture_bed.h"
#include "support/temp_dir.h"

namespace vesk {
namespace {

using testing::FakeFilter;
using testing::MakeVideoType;

constexpr const char* kDevice = testing::kBedDevice;
constexpr const char* kCodec = "VESK Test Codec";
constexpr const char* kVideoFile = "VideoFiles/07_14_2026_03_05_09.avi";

struct FakeLiveControl final : LiveFilterControl {
  void PrepareStreaming(std::size_t accumulation_bytes, std::uint32_t frame_rate) override {
    prepares.emplace_back(accumulation_bytes, frame_rate);
  }
  HResult ReadStreamFormat() override { return read_result; }
  void ReleaseIntegrationBuffer() override { ++releases; }
  std::vector<std::pair<std::size_t, std::uint32_t>> prepares;
  int releases = 0;
  HResult read_result = S_OK;
};

std::shared_ptr<FakeFilter> MakeTwoPinFilter(const std::string& kind) {
  auto filter = std::make_shared<FakeFilter>(kind);
  filter->AddPin("Input", PinDirection::Input);
  filter->AddPin("Output", PinDirection::Output);
  return filter;
}

using testing::Timed;

class CaptureGraphTest : public ::testing::Test, protected testing::CaptureBed {
 protected:
  CaptureGraph& Make() {
    capture = std::make_unique<CaptureGraph>(GraphContext([this]() -> std::shared_ptr<MediaFilter> {
                                               ++colour_creations;
                                               return colour_available ? colour : nullptr;
                                             }),
                                             live, &live_control);
    capture->renderers().set_display_window(0x77);
    view.entries.clear();
    return *capture;
  }

  void StartRecording(const std::string& file = kVideoFile) { target.video_file_name = file; }
  // Stops the recording and writes its log as the recording controller does.
  HResult StopRecordingAndWriteLog(CaptureGraph& graph) {
    const CameraStop stop = graph.StopCamera();
    if (stop.recording) {
      const std::string none;
      WriteLogOfStoppedRecording(*stop.recording, {target, none, none}, graph, gps, clock,
                                 "/home/obs/station/");
    }
    return stop.result;
  }

  LastGpsPosition gps;
  std::shared_ptr<FakeFilter> live = MakeTwoPinFilter("transform");
  FakeLiveControl live_control;
  std::shared_ptr<FakeFilter> colour = MakeTwoPinFilter("Color Control");
  bool colour_available = true;
  int colour_creations = 0;
  std::unique_ptr<CaptureGraph> capture;
};

using Names = std::vector<std::string>;

TEST_F(CaptureGraphTest, LivePreviewRunsDeviceThroughSmartTeeToEvr) {
  auto device = AddPal();
  CaptureGraph& graph = Make();
  ASSERT_EQ(graph.StartCamera(Target(false)), S_OK);
  EXPECT_EQ(fake().Connections(),
            (Names{"USB2.0 Grabber.Capture -> Smart Tee.Input", "Smart Tee.Preview -> EVR.Input"}));
  EXPECT_EQ(graph.state(), GraphState::Running);
  EXPECT_EQ(device->stream_config->formats_set,
            std::vector<MediaType>{MakeVideoType(SubtypeCode::YUY2, 720, 576, 400000)});
  auto* control =
      static_cast<testing::FakeRendererControl*>(graph.renderers().Control(RendererKind::EVR));

  // Magnify doubles the destination rectangle; a failing update ends the start.
  graph.switches().magnify_x2 = true;
  ASSERT_EQ(graph.StartCamera(Target(false)), S_OK);
  EXPECT_EQ(control->positions.front(), (VideoRect{2, 1, 722, 577}));
  EXPECT_EQ(control->positions.back(), (VideoRect{2, 1, 1442, 1153}));
  control->position_result = E_FAIL;
  EXPECT_EQ(graph.StartCamera(Target(false)), E_FAIL);
  EXPECT_EQ(view.entries.back(),
            Timed("WARNING: cannot add video rendering filter to filter graph while attempting "
                  "to start camera\r\n"));
  // Errors the running graph reports reach the message log.
  fake().error_handler("ERROR: the video device stopped delivering frames\r\n");
  EXPECT_EQ(view.entries.back(), Timed("ERROR: the video device stopped delivering frames\r\n"));
}

TEST_F(CaptureGraphTest, AnAviRecordingGoesThroughTheCodecPairedWithTheSubtypeASerOneNever) {
  AddPal();
  media.AddCompressor("Other Codec");
  media.AddCompressor(kCodec);
  CaptureGraph& graph = Make();
  StartRecording();
  pairs = {{SubtypeCode::MJPG, 1, "Other Codec"}, {SubtypeCode::YUY2, 2, kCodec}};
  ASSERT_EQ(graph.StartCamera(Target(true)), S_OK);
  EXPECT_EQ(fake().Connections(),
            (Names{"USB2.0 Grabber.Capture -> Smart Tee.Input", "Smart Tee.Preview -> EVR.Input",
                   "Smart Tee.Capture -> VESK Test Codec.Input",
                   "VESK Test Codec.Output -> AVI Mux.Input 01"}));
  EXPECT_EQ(fake().output_path, kVideoFile);
  // "NONE", a codec number no longer installed, or a pair of another subtype: uncompressed.
  for (const SubtypeCodecPair& pair : {SubtypeCodecPair{SubtypeCode::YUY2, 0, "NONE"},
                                       SubtypeCodecPair{SubtypeCode::YUY2, 7, kCodec},
                                       SubtypeCodecPair{SubtypeCode::MJPG, 2, kCodec}}) {
    pairs = {pair};
    ASSERT_EQ(graph.StartCamera(Target(true)), S_OK);
    EXPECT_EQ(fake().FilterNames(), (Names{kDevice, "EVR", "Smart Tee", "AVI Mux"}));
  }
  // A SER recording goes to the SER writer without a codec, in MONO from the YUY2 of an
  // analog camera, named after the device and the observer.
  pairs = {{SubtypeCode::YUY2, 2, kCodec}};
  RecordingTarget ser = Target(true);
  ser.format = RecordingFileFormat::Ser;
  ser.observer = "station1";
  ASSERT_EQ(graph.StartCamera(ser), S_OK);
  EXPECT_EQ(fake().Connections(),
            (Names{"USB2.0 Grabber.Capture -> Smart Tee.Input", "Smart Tee.Preview -> EVR.Input",
                   "Smart Tee.Capture -> SER Writer.Input 01"}));
  EXPECT_FALSE(fake().ser_setup.colour);
  EXPECT_EQ(fake().ser_setup.instrument, kDevice);
  EXPECT_EQ(fake().ser_setup.observer, "station1");
}

// Failures of the recording branch end the start and leave no codec behind. A codec that
// refuses the format, or the frames once running, costs the compression and not the
// recording; its log says what the file holds.
TEST_F(CaptureGraphTest, RecordingBranchFailuresEndTheStartAndAFailingCodecOnlyItsCompression) {
  testing::ScopedTempDir dir;
  std::filesystem::create_directory("VideoFiles");
  AddPal();
  media.AddCompressor(kCodec);
  pairs = {{SubtypeCode::YUY2, 1, kCodec}};
  CaptureGraph& graph = Make();
  StartRecording();
  const std::pair<std::string, std::string> cases[] = {
      {"SetOutputFileName", "ERROR: SetOutputFileName method has failed,  error 1024\r\n"},
      {std::string("AddFilter:") + kCodec, "\r\nUnable to add elected codec to filter graph\r\n"},
      {"RenderStream:Preview", "ERROR: Cannot render preview stream,  error 1023\r\n"}};
  for (const auto& [key, message] : cases) {
    media.plan.Fail(key);
    view.entries.clear();
    EXPECT_EQ(graph.StartCamera(Target(true)), E_FAIL) << key;
    EXPECT_EQ(view.entries,
              (Names{Timed(message), Timed("WARNING: Cannot render video stream\r\n")}))
        << key;
    EXPECT_FALSE(fake().running);
    media.plan.Clear(key);
  }
  media.compressors[0]->filter->pins[1]->direction_result = E_FAIL;
  view.entries.clear();
  EXPECT_EQ(graph.StartCamera(Target(true)), E_FAIL);
  EXPECT_EQ(view.entries.front(), Timed("\r\nUnable to find codec filter input or output pin\r\n"));

  target.video_file_name.clear();
  ASSERT_EQ(graph.StartCamera(Target(false)), S_OK);
  EXPECT_EQ(fake().FilterNames(), (Names{kDevice, "EVR", "Smart Tee"}));

  media.compressors[0]->filter->pins[1]->direction_result = S_OK;
  const char* const kRefused = "\r\nSelected codec does not work for this camera.\r\n";
  const char* const kUncompressed = "NOTE: the recording is made without compression\r\n";
  for (const std::string& key :
       {std::string("RenderStream:Capture:") + kCodec, std::string("Run")}) {
    StartRecording();
    media.plan.Fail(key, E_FAIL, media.plan.Calls(key), 1);
    view.entries.clear();
    ASSERT_EQ(graph.StartCamera(Target(true)), S_OK) << key;
    EXPECT_EQ(fake().Connections().back(), "Smart Tee.Capture -> AVI Mux.Input 01") << key;
    EXPECT_EQ(std::count(view.entries.begin(), view.entries.end(), Timed(kRefused)), 1) << key;
    EXPECT_EQ(view.entries.back(), Timed(kUncompressed)) << key;
    ASSERT_EQ(StopRecordingAndWriteLog(graph), S_OK);
    const std::string log = testing::ReadFileBytes("VideoFiles/07_14_2026_03_05_09.log");
    EXPECT_NE(log.find("Codec: NONE\r\n"), std::string::npos) << log;
    media.plan.Clear(key);
  }
  // The next recording tries the chosen codec again.
  StartRecording();
  ASSERT_EQ(graph.StartCamera(Target(true)), S_OK);
  EXPECT_EQ(fake().Connections().back(), std::string(kCodec) + ".Output -> AVI Mux.Input 01");
}

TEST_F(CaptureGraphTest, AnalysisAndColourFiltersAreSplicedInFrontOfTheRenderer) {
  AddPal();
  CaptureGraph& graph = Make();
  graph.switches().saturation_highlight = true;
  graph.switches().brightness_contrast = true;
  ASSERT_EQ(graph.StartCamera(Target(false)), S_OK);
  EXPECT_EQ(fake().Connections(),
            (Names{"USB2.0 Grabber.Capture -> Smart Tee.Input",
                   "Smart Tee.Preview -> VESK Transform Filter Preview.Input",
                   "VESK Transform Filter Preview.Output -> Color Control.Input",
                   "Color Control.Output -> EVR.Input"}));
  EXPECT_EQ(live_control.prepares.back(), std::make_pair(std::size_t{0}, 25u));
  // Integration asks for an accumulation buffer of a whole 32-bit frame.
  graph.switches().integration_count = 8;
  ASSERT_EQ(graph.StopCamera().result, S_OK);
  EXPECT_EQ(live_control.releases, 1);
  ASSERT_EQ(graph.StartCamera(Target(false)), S_OK);
  EXPECT_EQ(live_control.prepares.back(), std::make_pair(std::size_t{720 * 576 * 4}, 25u));
  // A format the filter cannot read ends the start.
  live_control.read_result = E_POINTER;
  EXPECT_EQ(graph.StartCamera(Target(false)), E_FAIL);
  EXPECT_EQ(view.entries, (Names{Timed("WARNING: Cannot render video stream\r\n")}));
}

TEST_F(CaptureGraphTest, ColourControlFailuresLeaveTheVideoRunningWithoutIt) {
  AddPal();
  CaptureGraph& graph = Make();
  graph.switches().brightness_contrast = true;
  const auto expect_without_it = [&](const std::string& message) {
    EXPECT_EQ(view.entries,
              (Names{Timed("\r\n" + message + "  Brightness/contrast is not impemented.")}));
    EXPECT_EQ(fake().FilterNames(), (Names{kDevice, "EVR", "Smart Tee"}));
    EXPECT_EQ(fake().Connections().back(), "Smart Tee.Preview -> EVR.Input");
    EXPECT_TRUE(fake().running);
    view.entries.clear();
  };
  media.plan.Fail("AddFilter:Color Control");
  ASSERT_EQ(graph.StartCamera(Target(false)), S_OK);
  expect_without_it("Cannot add color control filter to filter graph.");
  media.plan.Clear("AddFilter:Color Control");
  // Only the first join fails, so the video can be joined up again without the filter.
  media.plan.Fail("ConnectDirect", VFW_E_CANNOT_CONNECT, media.plan.Calls("ConnectDirect"), 1);
  ASSERT_EQ(graph.StartCamera(Target(false)), S_OK);
  expect_without_it("Cannot connect color control filter.");
  colour->pins.pop_back();  // no output pin
  ASSERT_EQ(graph.StartCamera(Target(false)), S_OK);
  expect_without_it("Cannot get IPins for color control filter.");
}

TEST_F(CaptureGraphTest, FramesReachingTheFileAsTheGraphStartsOrStopsAreCountedOrTheCountWarned) {
  testing::ScopedTempDir dir;
  std::filesystem::create_directory("VideoFiles");
  auto device = AddPal();
  CaptureGraph& graph = Make();
  StartRecording();
  fake().on_run = [&] { device->dropped_frames->not_dropped = 1; };
  ASSERT_EQ(graph.StartCamera(Target(true)), S_OK);
  device->dropped_frames->not_dropped = 70;
  fake().on_stop = [&] { device->dropped_frames->not_dropped = 75; };
  ASSERT_EQ(StopRecordingAndWriteLog(graph), S_OK);
  const std::string log = testing::ReadFileBytes("VideoFiles/07_14_2026_03_05_09.log");
  EXPECT_NE(log.find("Number of recorded frames:  75\r\n"), std::string::npos) << log;
  // Counters that cannot be read at the start are warned of.
  device->dropped_frames->not_dropped_result = E_FAIL;
  device->dropped_frames->dropped_result = E_FAIL;
  view.entries.clear();
  StartRecording();
  EXPECT_EQ(graph.StartCamera(Target(true)), S_OK);
  EXPECT_EQ(view.entries,
            (Names{Timed("WARNING: Dropped frames value may be incorrect,  warning 1006\r\n"),
                   Timed("WARNING: Dropped frames value may be incorrect,  warning 1007\r\n")}));
}

TEST_F(CaptureGraphTest, StartRefusesWithoutWhatItNeedsAndEndsWhenTheSourceFails) {
  media.plan.Fail("CreateGraph");
  EXPECT_EQ(Make().StartCamera(Target(false)), E_FAIL);
  EXPECT_EQ(view.entries, (Names{Timed("Logic error: attempt to start camera without a filter "
                                       "graph builder\r\n")}));
  media.plan.Clear("CreateGraph");

  CaptureGraph& graph = Make();
  EXPECT_EQ(graph.StartCamera(Target(false)), E_FAIL);
  AddSource("Empty Device", {});
  EXPECT_EQ(graph.StartCamera(Target(false)), E_FAIL);
  auto device = AddPal();
  sources.SetCurrentSourceIndex(kNoCurrentSource);
  EXPECT_EQ(graph.StartCamera(Target(false)), E_FAIL);
  EXPECT_EQ(graph.StopCamera().result, S_OK);  // no device in use: nothing to stop
  EXPECT_TRUE(fake().calls.empty());

  sources.SetCurrentSourceIndex(1);
  media.plan.Fail("FindStreamConfig", E_NOINTERFACE, 0);
  EXPECT_EQ(graph.StartCamera(Target(false)), E_FAIL);
  media.plan.Clear("FindStreamConfig");
  device->stream_config->result = E_INVALIDARG;
  EXPECT_EQ(graph.StartCamera(Target(false)), E_FAIL);
  device->stream_config->result = S_OK;
  device->enum_pins_result = E_FAIL;
  EXPECT_EQ(graph.StartCamera(Target(false)), E_FAIL);
  device->enum_pins_result = S_OK;
  device->enum_pins_gives_nothing = true;
  EXPECT_EQ(graph.StartCamera(Target(false)), E_FAIL);
  device->enum_pins_gives_nothing = false;
  media.plan.Fail(std::string("AddFilter:") + kDevice);
  EXPECT_EQ(graph.StartCamera(Target(false)), E_FAIL);
  EXPECT_EQ(view.entries,
            (Names{Timed("Logic error: attempt to start camera with no video source devices\r\n"),
                   Timed("WARNING: attempt to start camera without a valid video format\r\n"),
                   Timed("WARNING: attempt to start camera without a valid video format\r\n"),
                   Timed("ERROR: IAMStreamConfig interface is missing,  error 1011\r\n"),
                   Timed("ERROR: Cannot set capture stream format,  error 1002\r\n"),
                   Timed("ERROR: Cannot set capture stream format,  error 1002\r\n"),
                   Timed("ERROR: Cannot enumerate pins on source filter\r\n"),
                   Timed("ERROR: NULL source filter pin enumerater\r\n"),
                   Timed("WARNING: Cannot add video source filter to filter graph\r\n")}));
}

TEST_F(CaptureGraphTest, RemovalRunAndRendererFailuresEndTheStart) {
  AddPal();
  CaptureGraph& graph = Make();
  ASSERT_EQ(graph.StartCamera(Target(false)), S_OK);
  for (const std::string key : {"RemoveFilter:EVR", "EnumFilters", "Run", "AddFilter:EVR"}) {
    media.plan.Fail(key);
    EXPECT_EQ(graph.StartCamera(Target(false)), E_FAIL) << key;
    EXPECT_TRUE(key != "Run" || graph.state() == GraphState::Rendered);
    media.plan.Clear(key);
  }
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
  // A renderer that cannot be made is reported with its number and tried again next time.
  media.plan.Fail("CreateRenderer:VMR9");
  options.default_renderer = kRendererVmr9;
  EXPECT_EQ(graph.StartCamera(Target(false)), E_FAIL);
  EXPECT_EQ(view.entries.at(8), Timed("WARNING: Cannot create VMR9 filter,  warning 1034\r\n"));
  media.plan.Clear("CreateRenderer:VMR9");
  EXPECT_EQ(graph.StartCamera(Target(false)), S_OK);
  EXPECT_EQ(fake().FilterNames()[1], "VMR9");
}

TEST_F(CaptureGraphTest, ARendererThatCannotRunGivesWayToEvrThenToNoDisplay) {
  AddPal();
  CaptureGraph& graph = Make();
  auto fail_runs = [this](int count) {
    media.plan.Fail("Run", E_FAIL, media.plan.Calls("Run"), count);
  };
  auto renderer = [this] { return fake().FilterNames()[1]; };
  const std::string vmr9_gone = Timed(
      "WARNING: the VMR9 video renderer cannot run on this computer; EVR shows live video "
      "instead\r\n");
  options.default_renderer = kRendererVmr9;
  fail_runs(1);
  ASSERT_EQ(graph.StartCamera(Target(false)), S_OK);
  EXPECT_EQ(renderer(), "EVR");
  EXPECT_EQ(view.entries.back(), vmr9_gone);
  // Set aside for good: the next start goes to EVR at once.
  ASSERT_EQ(graph.StartCamera(Target(false)), S_OK);
  EXPECT_EQ(renderer(), "EVR");
  EXPECT_EQ(view.entries.back(), vmr9_gone);

  // A failure no renderer mends sets none aside.
  options.default_renderer = kRendererVmr7;
  fail_runs(3);
  EXPECT_EQ(graph.StartCamera(Target(false)), E_FAIL);
  EXPECT_EQ(graph.RendererForStart(), RendererKind::VMR7);
  // When EVR cannot run either, the video goes undisplayed and the recording goes on.
  fail_runs(2);
  view.entries.clear();
  ASSERT_EQ(graph.StartCamera(Target(false)), S_OK);
  EXPECT_EQ(renderer(), "Null Renderer");
  EXPECT_EQ(std::vector<std::string>(view.entries.end() - 2, view.entries.end()),
            (Names{Timed("WARNING: the VMR7 video renderer cannot run on this computer; live "
                         "video is not shown\r\n"),
                   Timed("WARNING: the EVR video renderer cannot run on this computer; live "
                         "video is not shown\r\n")}));

  // Without a display the renderers that need one are never tried.
  CaptureGraph& headless = Make();
  headless.set_display_available(false);
  const int runs = media.plan.Calls("Run");
  ASSERT_EQ(headless.StartCamera(Target(false)), S_OK);
  ASSERT_EQ(headless.StartCamera(Target(false)), S_OK);
  EXPECT_EQ(media.plan.Calls("Run"), runs + 2);
  EXPECT_EQ(renderer(), "EVR");
  EXPECT_EQ(std::count(view.entries.begin(), view.entries.end(),
                       Timed("NOTE: no display: the VMR7 video renderer needs one, so EVR is "
                             "used\r\n")),
            1);
}

}  // namespace
}  // namespace vesk
