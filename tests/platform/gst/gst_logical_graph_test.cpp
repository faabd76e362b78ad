// The logical graph as the capture code sees it: names, pins, connections, the Smart Tee
// that RenderStream adds, and the device and compressor lists.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "media_support/capture_session.h"
#include "platform/gst/gst_media_graph.h"
#include "platform/gst/gst_media_system.h"

namespace vesk {
namespace {

using gst::GstMediaSystem;

GstMediaSystem MakeSystem() {
  gst::GstMediaSystemOptions options;
  options.simulated_cameras = true;
  options.v4l2_devices = false;
  return GstMediaSystem(options);
}

std::vector<std::string> Names(MonikerList& monikers) {
  std::vector<std::string> names;
  for (const auto& moniker : monikers) {
    std::string name;
    moniker->ReadFriendlyName(&name);
    names.push_back(name);
  }
  return names;
}

std::shared_ptr<MediaPin> PinNamed(MediaFilter& filter, const std::string& name) {
  PinList pins;
  filter.EnumPins(&pins);
  for (const auto& pin : pins) {
    if (pin->Name() == name) return pin;
  }
  return nullptr;
}

std::shared_ptr<MediaPin> PeerOf(const std::shared_ptr<MediaPin>& pin) {
  std::shared_ptr<MediaPin> other;
  pin->ConnectedTo(&other);
  return other;
}

struct GraphFixture {
  GstMediaSystem system = MakeSystem();
  std::unique_ptr<MediaGraph> graph;
  std::shared_ptr<MediaFilter> camera;
  std::shared_ptr<MediaFilter> renderer;
  GraphFixture() {
    system.CreateGraph(&graph);
    camera = testing::BindDevice(system, DeviceCategory::VideoInput, gst::kSimulatedWebcamName);
    system.CreateRenderer(RendererKind::EVR, &renderer);
  }
};

TEST(GstDeviceList, SimulatedCamerasFollowInAFixedOrderAndOnlyWhenEnabled) {
  GstMediaSystem system = MakeSystem();
  MonikerList monikers;
  ASSERT_EQ(system.EnumerateDevices(DeviceCategory::VideoInput, &monikers), S_OK);
  EXPECT_EQ(Names(monikers),
            (std::vector<std::string>{gst::kSimulatedAnalogCameraName, gst::kSimulatedWebcamName}));
  gst::GstMediaSystemOptions none;
  none.v4l2_devices = false;
  GstMediaSystem bare(none);
  EXPECT_EQ(bare.EnumerateDevices(DeviceCategory::VideoInput, &monikers), S_FALSE);
  EXPECT_TRUE(monikers.empty());
}

TEST(GstDeviceList, CamerasOfferTheirFormatsWithExactFrameTimes) {
  GstMediaSystem system = MakeSystem();
  auto analog =
      testing::BindDevice(system, DeviceCategory::VideoInput, gst::kSimulatedAnalogCameraName);
  ASSERT_TRUE(analog);
  std::vector<MediaType> types;
  ASSERT_EQ(PinNamed(*analog, "Capture")->EnumMediaTypes(&types), S_OK);
  ASSERT_EQ(types.size(), 2u);
  EXPECT_EQ(types[0].avg_time_per_frame, 400000u);
  EXPECT_EQ(types[0].standard, AnalogFormat::PAL);
  EXPECT_EQ(types[1].avg_time_per_frame, 333667u);
  EXPECT_EQ(types[1].height, 480);
  EXPECT_EQ(types[1].rate_denominator, 1001);

  auto webcam = testing::BindDevice(system, DeviceCategory::VideoInput, gst::kSimulatedWebcamName);
  ASSERT_TRUE(webcam);
  ASSERT_EQ(PinNamed(*webcam, "Capture")->EnumMediaTypes(&types), S_OK);
  std::vector<std::string> subtypes;
  bool small = false;
  for (const MediaType& type : types) {
    subtypes.push_back(type.subtype_name);
    small = small || (type.width < 640 && type.height < 480);
    EXPECT_EQ(type.subtype, SubtypeCodeOf(type.subtype_name));
  }
  for (const char* wanted : {"MJPG", "YUY2", "RGB24", "ARGB32"}) {
    EXPECT_NE(std::find(subtypes.begin(), subtypes.end(), wanted), subtypes.end()) << wanted;
  }
  EXPECT_TRUE(small);
  // The webcam has no TV standard; the analog camera's decoder starts in PAL-B.
  std::unique_ptr<MediaGraph> graph;
  system.CreateGraph(&graph);
  AnalogVideoDecoder* decoder = nullptr;
  EXPECT_EQ(graph->FindAnalogVideoDecoder(webcam, &decoder), E_NOINTERFACE);
  ASSERT_EQ(graph->FindAnalogVideoDecoder(analog, &decoder), S_OK);
  std::int32_t standard = 0;
  EXPECT_EQ(decoder->GetTvFormat(&standard), S_OK);
  EXPECT_EQ(standard, kAnalogVideoPalB);
  EXPECT_TRUE(Failed(decoder->PutTvFormat(0x1000)));
}

TEST(GstDeviceList, PictureControlsHaveRangesAndTheWebcamGainStartsAutomatic) {
  GstMediaSystem system = MakeSystem();
  auto webcam = testing::BindDevice(system, DeviceCategory::VideoInput, gst::kSimulatedWebcamName);
  VideoProcAmp* proc_amp = nullptr;
  ASSERT_EQ(webcam->QueryVideoProcAmp(&proc_amp), S_OK);
  std::int32_t value = 0;
  std::int32_t flags = 0;
  ASSERT_EQ(proc_amp->Get(ProcAmpProperty::Gain, &value, &flags), S_OK);
  EXPECT_EQ(flags, kProcAmpFlagsAuto);
  EXPECT_TRUE(Failed(proc_amp->Get(ProcAmpProperty::Hue, &value, &flags)));
  ProcAmpRange range;
  ASSERT_EQ(proc_amp->GetRange(ProcAmpProperty::Brightness, &range), S_OK);
  EXPECT_EQ(range.minimum, 0);
  EXPECT_EQ(range.maximum, 255);
  EXPECT_EQ(range.default_value, 128);
  EXPECT_TRUE(Failed(proc_amp->Set(ProcAmpProperty::Brightness, 256, kProcAmpFlagsManual)));
  EXPECT_EQ(proc_amp->Set(ProcAmpProperty::Gain, 70, kProcAmpFlagsManual), S_OK);
  ASSERT_EQ(proc_amp->Get(ProcAmpProperty::Gain, &value, &flags), S_OK);
  EXPECT_EQ(value, 70);
  EXPECT_EQ(flags, kProcAmpFlagsManual);
}

TEST(GstCompressorList, EncodersTheMultiplexerTakesAreListedInAStableOrder) {
  GstMediaSystem system = MakeSystem();
  MonikerList first;
  MonikerList second;
  ASSERT_EQ(system.EnumerateDevices(DeviceCategory::VideoCompressor, &first), S_OK);
  system.EnumerateDevices(DeviceCategory::VideoCompressor, &second);
  const std::vector<std::string> names = Names(first);
  EXPECT_EQ(names, Names(second));
  EXPECT_TRUE(std::is_sorted(names.begin(), names.end()));
  EXPECT_NE(std::find(names.begin(), names.end(), "JPEG image encoder"), names.end());
  // Audio encoders and encoders of formats AVI cannot hold are not offered.
  for (const std::string& name : names) {
    EXPECT_EQ(name.find("AAC"), std::string::npos) << name;
    EXPECT_EQ(name.find("Theora"), std::string::npos) << name;
  }
  auto jpeg = testing::BindDevice(system, DeviceCategory::VideoCompressor, "JPEG image encoder");
  ASSERT_TRUE(jpeg);
  EXPECT_TRUE(PinNamed(*jpeg, "Input"));
  EXPECT_TRUE(PinNamed(*jpeg, "Output"));
}

TEST(GstLogicalGraph, FiltersKeepTheirNamesAndOrderAndDuplicatesAreNumbered) {
  GraphFixture f;
  EXPECT_EQ(f.graph->AddFilter(f.camera, "Camera"), S_OK);
  EXPECT_EQ(f.graph->AddFilter(f.renderer, "Camera"), gst::VFW_S_DUPLICATE_NAME);
  EXPECT_TRUE(Failed(f.graph->AddFilter(f.camera, "Again")));
  std::shared_ptr<MediaFilter> found;
  EXPECT_EQ(f.graph->FindFilterByName("Camera 0001", &found), S_OK);
  EXPECT_EQ(found, f.renderer);
  EXPECT_EQ(f.graph->FindFilterByName("EVR", &found), VFW_E_NOT_FOUND);
  std::vector<std::shared_ptr<MediaFilter>> filters;
  f.graph->EnumFilters(&filters);
  EXPECT_EQ(filters, (std::vector<std::shared_ptr<MediaFilter>>{f.camera, f.renderer}));
  EXPECT_EQ(f.graph->RemoveFilter(f.camera), S_OK);
  EXPECT_EQ(f.graph->RemoveFilter(f.camera), VFW_E_NOT_FOUND);
  f.graph->EnumFilters(&filters);
  EXPECT_EQ(filters, (std::vector<std::shared_ptr<MediaFilter>>{f.renderer}));
}

TEST(GstLogicalGraph, PreviewThenCaptureSplitsTheCapturePinWithOneSmartTee) {
  GraphFixture f;
  f.graph->AddFilter(f.camera, "Camera");
  f.graph->AddFilter(f.renderer, "EVR");
  ASSERT_EQ(f.graph->RenderStream(PinCategory::Preview, f.camera, nullptr, f.renderer), S_OK);
  std::shared_ptr<MediaFilter> tee;
  ASSERT_EQ(f.graph->FindFilterByName("Smart Tee", &tee), S_OK);
  auto capture = PinNamed(*f.camera, "Capture");
  EXPECT_EQ(PeerOf(capture), PinNamed(*tee, "Input"));
  EXPECT_EQ(PeerOf(PinNamed(*tee, "Preview")), PinNamed(*f.renderer, "EVR Input0"));
  EXPECT_FALSE(PeerOf(PinNamed(*tee, "Capture")));

  std::shared_ptr<MediaFilter> mux;
  ASSERT_EQ(f.graph->SetOutputFileName("/tmp/vesk-never-written.avi", &mux), S_OK);
  ASSERT_EQ(f.graph->RenderStream(PinCategory::Capture, f.camera, nullptr, mux), S_OK);
  EXPECT_EQ(PeerOf(PinNamed(*tee, "Capture")), PinNamed(*mux, "Input 01"));
  std::vector<std::shared_ptr<MediaFilter>> filters;
  f.graph->EnumFilters(&filters);
  EXPECT_EQ(filters.size(), 4u);  // camera, renderer, tee, multiplexer: one tee only
  // A second preview has no free branch.
  std::shared_ptr<MediaFilter> other;
  f.system.CreateRenderer(RendererKind::NullRenderer, &other);
  f.graph->AddFilter(other, "Null Renderer");
  EXPECT_TRUE(Failed(f.graph->RenderStream(PinCategory::Preview, f.camera, nullptr, other)));
}

TEST(GstLogicalGraph, CaptureAloneConnectsTheCapturePinDirectly) {
  GraphFixture f;
  f.graph->AddFilter(f.camera, "Camera");
  std::shared_ptr<MediaFilter> mux;
  ASSERT_EQ(f.graph->SetOutputFileName("/tmp/vesk-never-written.avi", &mux), S_OK);
  ASSERT_EQ(f.graph->RenderStream(PinCategory::Capture, f.camera, nullptr, mux), S_OK);
  EXPECT_EQ(PeerOf(PinNamed(*f.camera, "Capture")), PinNamed(*mux, "Input 01"));
  EXPECT_EQ(f.graph->FindFilterByName("Smart Tee", nullptr), VFW_E_NOT_FOUND);
}

TEST(GstLogicalGraph, DirectConnectionsNeedMatchingFormatsConnectMayConvert) {
  GraphFixture f;
  auto camera = f.camera;
  f.graph->AddFilter(camera, "Camera");
  f.graph->AddFilter(f.renderer, "EVR");
  StreamConfig* config = nullptr;
  f.graph->FindStreamConfig(camera, PinCategory::Capture, &config);
  MediaType mjpg;
  mjpg.subtype_name = "MJPG";
  mjpg.width = 640;
  mjpg.height = 480;
  mjpg.avg_time_per_frame = 333333;
  ASSERT_EQ(config->SetFormat(mjpg), S_OK);
  auto capture = PinNamed(*camera, "Capture");
  auto input = PinNamed(*f.renderer, "EVR Input0");
  // A renderer takes pictures, not JPEG: joined as they are it fails, Connect decodes.
  EXPECT_EQ(f.graph->ConnectDirect(capture, input), VFW_E_CANNOT_CONNECT);
  EXPECT_EQ(f.graph->ConnectDirect(input, capture), gst::VFW_E_INVALID_DIRECTION);
  EXPECT_EQ(f.graph->Connect(capture, input), S_OK);
  EXPECT_EQ(f.graph->Connect(capture, input), gst::VFW_E_ALREADY_CONNECTED);
  // Disconnect frees one side only; both are freed in turn.
  EXPECT_EQ(f.graph->Disconnect(capture), S_OK);
  EXPECT_FALSE(PeerOf(capture));
  EXPECT_EQ(PeerOf(input), capture);
  EXPECT_EQ(f.graph->Disconnect(input), S_OK);
  EXPECT_EQ(f.graph->Disconnect(input), S_FALSE);
  // Pins of a filter outside the graph cannot be joined.
  std::shared_ptr<MediaFilter> stranger;
  f.system.CreateRenderer(RendererKind::NullRenderer, &stranger);
  EXPECT_EQ(f.graph->ConnectDirect(capture, PinNamed(*stranger, "In")), gst::VFW_E_NOT_IN_GRAPH);
  // The decoded MJPG runs to the renderer.
  ASSERT_EQ(f.graph->Connect(capture, input), S_OK);
  EXPECT_EQ(f.graph->Run(), S_OK);
  EXPECT_EQ(f.graph->AddFilter(stranger, "Late"), gst::VFW_E_NOT_STOPPED);
  testing::WaitSeconds(0.3);
  EXPECT_EQ(f.graph->Stop(), S_OK);
  RendererControl* control = nullptr;
  ASSERT_EQ(f.renderer->QueryRendererControl(&control), S_OK);
  std::int32_t drawn = 0;
  control->GetFramesDrawn(&drawn);
  EXPECT_GE(drawn, 3);
}

TEST(GstLogicalGraph, RemovingAFilterFreesBothSidesOfItsConnections) {
  GraphFixture f;
  f.graph->AddFilter(f.camera, "Camera");
  f.graph->AddFilter(f.renderer, "EVR");
  ASSERT_EQ(f.graph->RenderStream(PinCategory::Preview, f.camera, nullptr, f.renderer), S_OK);
  std::shared_ptr<MediaFilter> tee;
  f.graph->FindFilterByName("Smart Tee", &tee);
  ASSERT_EQ(f.graph->RemoveFilter(tee), S_OK);
  EXPECT_FALSE(PeerOf(PinNamed(*f.camera, "Capture")));
  EXPECT_FALSE(PeerOf(PinNamed(*f.renderer, "EVR Input0")));
}

TEST(GstLogicalGraph, CountersAndInterfacesAreFoundOnlyForSourcesInTheGraph) {
  GraphFixture f;
  DroppedFrames* counters = nullptr;
  EXPECT_EQ(f.graph->FindDroppedFrames(f.camera, PinCategory::Capture, &counters), E_NOINTERFACE);
  f.graph->AddFilter(f.camera, "Camera");
  ASSERT_EQ(f.graph->FindDroppedFrames(f.camera, PinCategory::Capture, &counters), S_OK);
  std::int32_t count = -1;
  EXPECT_EQ(counters->GetNumNotDropped(&count), S_OK);
  EXPECT_EQ(count, 0);
  StreamConfig* config = nullptr;
  EXPECT_EQ(f.graph->FindStreamConfig(f.renderer, PinCategory::Capture, &config), E_NOINTERFACE);
  EXPECT_EQ(f.graph->FindStreamConfig(f.camera, PinCategory::Preview, &config), E_NOINTERFACE);
  RendererControl* control = nullptr;
  std::shared_ptr<MediaFilter> null_renderer;
  f.system.CreateRenderer(RendererKind::NullRenderer, &null_renderer);
  EXPECT_EQ(null_renderer->QueryRendererControl(&control), E_NOINTERFACE);
}

}  // namespace
}  // namespace vesk
