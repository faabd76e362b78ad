// The logical graph as the capture code sees it, held to what the test doubles of the unit
// tests do: formats a camera refuses, filter names, and the Smart Tee that RenderStream puts
// between the capture pin and its streams.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "media_support/capture_session.h"
#include "platform/gst/gst_media_graph.h"

namespace vesk {
namespace {

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

TEST(GstLogicalGraph, NamesAreNumberedWhenTakenAndPreviewThenCaptureShareOneSmartTee) {
  gst::GstMediaSystem system = testing::SimulatedSystem();
  std::unique_ptr<MediaGraph> graph;
  system.CreateGraph(&graph);
  EXPECT_TRUE(Failed(graph->Run()));  // an empty graph has nothing to run
  auto camera = testing::BindDevice(system, DeviceCategory::VideoInput, gst::kSimulatedWebcamName);
  std::shared_ptr<MediaFilter> renderer, found, tee, mux;
  system.CreateRenderer(RendererKind::EVR, &renderer);
  EXPECT_EQ(graph->AddFilter(camera, "Camera"), S_OK);
  // The camera takes its own format even rebuilt from its numbers, and no other.
  StreamConfig* config = nullptr;
  ASSERT_EQ(graph->FindStreamConfig(camera, PinCategory::Capture, &config), S_OK);
  MediaType type;
  std::tie(type.subtype_name, type.width, type.height, type.avg_time_per_frame) =
      std::tuple("YUY2", 1920, 1080, 333333);
  EXPECT_TRUE(Failed(config->SetFormat(type)));
  std::tie(type.subtype_name, type.width, type.height) = std::tuple("UYVY", 640, 480);
  EXPECT_TRUE(Failed(config->SetFormat(type)));
  type.subtype_name = "YUY2";
  EXPECT_EQ(config->SetFormat(type), S_OK);
  EXPECT_EQ(graph->AddFilter(renderer, "Camera"), gst::VFW_S_DUPLICATE_NAME);
  EXPECT_TRUE(Failed(graph->AddFilter(camera, "Again")));
  EXPECT_EQ(graph->FindFilterByName("Camera 0001", &found), S_OK);
  EXPECT_EQ(found, renderer);

  ASSERT_EQ(graph->RenderStream(PinCategory::Preview, camera, nullptr, renderer), S_OK);
  ASSERT_EQ(graph->FindFilterByName("Smart Tee", &tee), S_OK);
  auto capture = PinNamed(*camera, "Capture");
  EXPECT_EQ(PeerOf(capture), PinNamed(*tee, "Input"));
  EXPECT_EQ(PeerOf(PinNamed(*tee, "Preview")), PinNamed(*renderer, "EVR Input0"));
  ASSERT_EQ(graph->SetOutputFileName("/tmp/vesk-never-written.avi", &mux), S_OK);
  ASSERT_EQ(graph->RenderStream(PinCategory::Capture, camera, nullptr, mux), S_OK);
  EXPECT_EQ(PeerOf(PinNamed(*tee, "Capture")), PinNamed(*mux, "Input 01"));
  std::vector<std::shared_ptr<MediaFilter>> filters;
  graph->EnumFilters(&filters);
  EXPECT_EQ(filters, (std::vector<std::shared_ptr<MediaFilter>>{camera, renderer, tee, mux}));
  // Removing the tee frees both sides of its links; capture alone then goes direct.
  ASSERT_EQ(graph->RemoveFilter(tee), S_OK);
  EXPECT_FALSE(PeerOf(capture) || PeerOf(PinNamed(*renderer, "EVR Input0")));
  ASSERT_EQ(graph->RenderStream(PinCategory::Capture, camera, nullptr, mux), S_OK);
  EXPECT_EQ(PeerOf(capture), PinNamed(*mux, "Input 01"));
  EXPECT_EQ(graph->FindFilterByName("Smart Tee", nullptr), VFW_E_NOT_FOUND);
}

}  // namespace
}  // namespace vesk
