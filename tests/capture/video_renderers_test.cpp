#include "capture/video_renderers.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "support/fake_clock.h"
#include "support/fake_media.h"
#include "support/recording_view.h"

namespace vesk {
namespace {

using testing::FakeFilter;
using testing::FakeGraph;
using testing::FakeMediaSystem;
using testing::FakeRendererControl;

// Lets a test change a renderer as it is created, before it is configured.
class HookedMediaSystem final : public MediaSystem {
 public:
  HResult EnumerateDevices(DeviceCategory category, MonikerList* monikers) override {
    return fake.EnumerateDevices(category, monikers);
  }
  HResult CreateGraph(std::unique_ptr<MediaGraph>* graph) override {
    return fake.CreateGraph(graph);
  }
  HResult CreateRenderer(RendererKind kind, std::shared_ptr<MediaFilter>* renderer) override {
    const HResult r = fake.CreateRenderer(kind, renderer);
    if (Succeeded(r) && on_created) on_created(kind, static_cast<FakeFilter&>(**renderer));
    return r;
  }
  FakeMediaSystem fake;
  std::function<void(RendererKind, FakeFilter&)> on_created;
};

constexpr DisplayWindow kWindow = 0x5150;

class VideoRenderersTest : public ::testing::Test {
 protected:
  VideoRenderersTest() {
    log.AttachView(&view);
    renderers.set_display_window(kWindow);
    std::unique_ptr<MediaGraph> made;
    media.CreateGraph(&made);
    graph.reset(static_cast<FakeGraph*>(made.release()));
  }

  FakeRendererControl* ControlOf(RendererKind kind) {
    return static_cast<FakeRendererControl*>(renderers.Control(kind));
  }

  HookedMediaSystem media;
  Options options;
  testing::FakeClock clock{testing::MakeFileTime(2026, 7, 14, 3, 5, 9)};
  MessageLog log{clock};
  testing::RecordingView view;
  testing::RecordingMessageBox box;
  ErrorReporter errors{log, box};
  std::optional<FrameSize> current{FrameSize{720, 576}};
  VideoRenderers renderers{media, options, log, errors, [this] { return current; }};
  std::unique_ptr<FakeGraph> graph;
};

std::string Entry(const std::string& text) { return "\r\n03:05:09 (UTC)\r\n" + text; }

TEST_F(VideoRenderersTest, EvrIsTiedToTheWindowAndPositionedInsideTheBorder) {
  ASSERT_EQ(renderers.AddRenderer(*graph, RendererKind::EVR, FrameSize{720, 576}, ""), S_OK);
  FakeRendererControl* control = ControlOf(RendererKind::EVR);
  ASSERT_NE(control, nullptr);
  EXPECT_EQ(control->window, kWindow);
  EXPECT_EQ(control->aspect_mode, kAspectRatioPreservePicture);
  EXPECT_EQ(control->positions, (std::vector<VideoRect>{{2, 1, 722, 577}}));
  EXPECT_EQ(graph->FilterNames(), std::vector<std::string>{"EVR"});
  EXPECT_EQ(renderers.current_renderer_name(), "EVR");
  EXPECT_EQ(renderers.current_renderer(), renderers.Renderer(RendererKind::EVR));

  // x2 magnify asks for the doubled frame.
  ASSERT_EQ(renderers.UpdateFrameSize(RendererKind::EVR, {0, 0, 1440, 1152}), S_OK);
  EXPECT_EQ(control->positions.back(), (VideoRect{2, 1, 1442, 1153}));
  EXPECT_TRUE(view.entries.empty());
}

TEST_F(VideoRenderersTest, WithoutFormatTheCurrentFormatIsUsedAndNoneFails) {
  current = FrameSize{640, 480};
  ASSERT_EQ(renderers.AddRenderer(*graph, RendererKind::VMR9, std::nullopt, ""), S_OK);
  EXPECT_EQ(ControlOf(RendererKind::VMR9)->positions.back(), (VideoRect{2, 1, 642, 481}));
  EXPECT_EQ(ControlOf(RendererKind::VMR9)->aspect_mode, kAspectRatioLetterBox);

  current.reset();
  EXPECT_EQ(renderers.AddRenderer(*graph, RendererKind::VMR9, std::nullopt, ""), E_FAIL);
  EXPECT_EQ(renderers.AddRenderer(*graph, static_cast<RendererKind>(4), FrameSize{720, 576}, ""),
            E_FAIL);
  EXPECT_TRUE(view.entries.empty());
}

TEST_F(VideoRenderersTest, EachKindIsCreatedOnceAndKeptAcrossSwitches) {
  for (RendererKind kind : {RendererKind::EVR, RendererKind::VMR9, RendererKind::EVR,
                            RendererKind::VMR7, RendererKind::VMR9, RendererKind::VMR7}) {
    graph->RemoveFilter(renderers.current_renderer());
    ASSERT_EQ(renderers.AddRenderer(*graph, kind, FrameSize{720, 576}, ""), S_OK);
    EXPECT_EQ(graph->FilterNames(),
              std::vector<std::string>{kRendererFilterNames[static_cast<int>(kind)]});
  }
  EXPECT_EQ(media.fake.renderers_created[RendererKind::EVR], 1);
  EXPECT_EQ(media.fake.renderers_created[RendererKind::VMR9], 1);
  EXPECT_EQ(media.fake.renderers_created[RendererKind::VMR7], 1);
  EXPECT_NE(renderers.Renderer(RendererKind::EVR), nullptr);
  // Every start positions the video again.
  EXPECT_EQ(ControlOf(RendererKind::EVR)->positions.size(), 2u);
}

TEST_F(VideoRenderersTest, RecordingWithDisplayOffUsesTheNullRenderer) {
  options.display_off_while_recording = true;
  ASSERT_EQ(renderers.AddRenderer(*graph, RendererKind::VMR9, FrameSize{720, 576}, ""), S_OK);
  EXPECT_EQ(renderers.current_renderer_name(), "VMR9");
  graph->RemoveFilter(renderers.current_renderer());

  ASSERT_EQ(renderers.AddRenderer(*graph, RendererKind::VMR9, FrameSize{720, 576}, "x.avi"), S_OK);
  EXPECT_EQ(renderers.current_renderer_name(), "Null Renderer");
  EXPECT_EQ(renderers.current_renderer_kind(), RendererKind::NullRenderer);
  EXPECT_EQ(graph->FilterNames(), std::vector<std::string>{"Null Renderer"});

  options.display_off_while_recording = false;
  graph->RemoveFilter(renderers.current_renderer());
  ASSERT_EQ(renderers.AddRenderer(*graph, RendererKind::VMR9, FrameSize{720, 576}, "x.avi"), S_OK);
  EXPECT_EQ(renderers.current_renderer_name(), "VMR9");
}

TEST_F(VideoRenderersTest, CreationFailuresRaiseTheirErrorsAndAreRetriedNextTime) {
  media.fake.plan.Fail("CreateRenderer:EVR", E_OUTOFMEMORY, 0);
  media.fake.plan.Fail("CreateRenderer:VMR9");
  media.fake.plan.Fail("CreateRenderer:VMR7");
  media.fake.plan.Fail("CreateRenderer:Null Renderer");
  const FrameSize size{720, 576};
  EXPECT_EQ(renderers.AddRenderer(*graph, RendererKind::EVR, size, ""), E_OUTOFMEMORY);
  EXPECT_EQ(renderers.AddRenderer(*graph, RendererKind::VMR9, size, ""), E_FAIL);
  EXPECT_EQ(renderers.AddRenderer(*graph, RendererKind::VMR7, size, ""), E_FAIL);
  EXPECT_EQ(renderers.AddRenderer(*graph, RendererKind::NullRenderer, size, ""), E_FAIL);
  EXPECT_EQ(view.entries,
            (std::vector<std::string>{
                Entry("ERROR: Cannot create EVR filter,  error 1019\r\n"),
                Entry("WARNING: Cannot create VMR9 filter,  warning 1034\r\n"),
                Entry("WARNING: Cannot create VMR7 filter,  warning 1035\r\n"),
                Entry("WARNING: Cannot create Null Renderer filter,  warning 1036\r\n")}));
  EXPECT_EQ(renderers.current_renderer(), nullptr);
  EXPECT_TRUE(graph->FilterNames().empty());

  media.fake.plan.Clear("CreateRenderer:EVR");
  EXPECT_EQ(renderers.AddRenderer(*graph, RendererKind::EVR, size, ""), S_OK);
  EXPECT_EQ(media.fake.renderers_created[RendererKind::EVR], 1);
}

TEST_F(VideoRenderersTest, EvrConfigurationFailuresKeepTheObjectAsConfigured) {
  media.on_created = [](RendererKind, FakeFilter& filter) {
    filter.renderer_control->window_result = E_FAIL;
  };
  const FrameSize size{720, 576};
  EXPECT_EQ(renderers.AddRenderer(*graph, RendererKind::EVR, size, ""), E_FAIL);
  EXPECT_EQ(view.entries, std::vector<std::string>{
                              Entry("ERROR: Cannot set clipping window for EVR,  error 1021\r\n")});
  EXPECT_EQ(renderers.current_renderer(), nullptr);

  // The next start uses the object it got and does not configure it again.
  view.entries.clear();
  EXPECT_EQ(renderers.AddRenderer(*graph, RendererKind::EVR, size, ""), S_OK);
  EXPECT_EQ(media.fake.renderers_created[RendererKind::EVR], 1);
  EXPECT_EQ(ControlOf(RendererKind::EVR)->aspect_mode, 0);
  EXPECT_TRUE(view.entries.empty());
}

TEST_F(VideoRenderersTest, EvrAspectPositionAndAddFailures) {
  media.on_created = [](RendererKind, FakeFilter& filter) {
    filter.renderer_control->aspect_result = E_FAIL;
  };
  const FrameSize size{720, 576};
  EXPECT_EQ(renderers.AddRenderer(*graph, RendererKind::EVR, size, ""), E_FAIL);
  ControlOf(RendererKind::EVR)->position_result = E_INVALIDARG;
  EXPECT_EQ(renderers.AddRenderer(*graph, RendererKind::EVR, size, ""), E_INVALIDARG);
  ControlOf(RendererKind::EVR)->position_result = S_OK;
  media.fake.plan.Fail("AddFilter:EVR");
  EXPECT_EQ(renderers.AddRenderer(*graph, RendererKind::EVR, size, ""), E_FAIL);
  EXPECT_EQ(renderers.current_renderer(), nullptr);
  EXPECT_EQ(
      view.entries,
      (std::vector<std::string>{
          Entry("WARNING: Cannot set aspect ration for EVR display window,  warning 1033\r\n"),
          Entry("ERROR: Cannot update EVR video window with frame size,  error 1003\r\n"),
          Entry("ERROR: Cannot add EVR filter to filter graph,  error 1022\r\n")}));
}

TEST_F(VideoRenderersTest, RenderersWithoutAWindowControlCannotBeSized) {
  media.on_created = [](RendererKind, FakeFilter& filter) { filter.renderer_control.reset(); };
  const FrameSize size{720, 576};
  EXPECT_EQ(renderers.AddRenderer(*graph, RendererKind::EVR, size, ""), E_NOINTERFACE);
  EXPECT_EQ(renderers.AddRenderer(*graph, RendererKind::VMR9, size, ""), E_NOINTERFACE);
  EXPECT_EQ(renderers.AddRenderer(*graph, RendererKind::VMR7, size, ""), E_NOINTERFACE);
  EXPECT_EQ(view.entries,
            (std::vector<std::string>{
                Entry("ERROR: Cannot get display control for EVR,  error 1020\r\n"),
                Entry("WARNING: Cannot get configuration control for VMR9,  warning 1037\r\n"),
                Entry("WARNING: Cannot get configuration control for VMR7,  warning 1038\r\n")}));

  // The objects stay; sizing them now reports the missing control.
  view.entries.clear();
  EXPECT_EQ(renderers.AddRenderer(*graph, RendererKind::EVR, size, ""), E_FAIL);
  EXPECT_EQ(renderers.AddRenderer(*graph, RendererKind::VMR9, size, ""), E_FAIL);
  EXPECT_EQ(renderers.AddRenderer(*graph, RendererKind::VMR7, size, ""), E_FAIL);
  EXPECT_EQ(view.entries,
            (std::vector<std::string>{
                Entry(kEvrFrameSizeLogicError),
                Entry("ERROR: Cannot update EVR video window with frame size,  error 1003\r\n"),
                Entry(kVmr9FrameSizeLogicError),
                Entry("ERROR: Cannot update VMR9 video window with frame size,  error 1041\r\n"),
                Entry(kVmr7FrameSizeLogicError),
                Entry("ERROR: Cannot update VMR7 video window with frame size,  error 1042\r\n")}));
  EXPECT_EQ(std::string(kEvrFrameSizeLogicError),
            "Logic error: attempt to update EVR frame size with NULL display or clipping window "
            "handle\r\n");
  EXPECT_EQ(std::string(kVmr9FrameSizeLogicError),
            "Logic error: attempt to update VMR9 frame size with NULL control or clipping window "
            "handle\r\n");
  EXPECT_EQ(std::string(kVmr7FrameSizeLogicError),
            "Logic error: attempt to update VMR7 frame size with NULL control or clipping window "
            "handle\r\n");
}

TEST_F(VideoRenderersTest, VmrSetupFailuresAreSilentAndPositionFailuresReported) {
  media.on_created = [](RendererKind kind, FakeFilter& filter) {
    if (kind == RendererKind::VMR9) filter.renderer_control->window_result = E_FAIL;
    if (kind == RendererKind::VMR7) filter.renderer_control->aspect_result = E_FAIL;
  };
  const FrameSize size{720, 576};
  EXPECT_EQ(renderers.AddRenderer(*graph, RendererKind::VMR9, size, ""), E_FAIL);
  EXPECT_EQ(renderers.AddRenderer(*graph, RendererKind::VMR7, size, ""), E_FAIL);
  EXPECT_TRUE(view.entries.empty());

  ControlOf(RendererKind::VMR7)->position_result = E_INVALIDARG;
  EXPECT_EQ(renderers.UpdateVmr7FrameSize({0, 0, 720, 576}), E_INVALIDARG);
  EXPECT_EQ(view.entries,
            std::vector<std::string>{
                Entry("ERROR: Cannot update VMR7 video window with frame size,  error 1042\r\n")});
}

TEST_F(VideoRenderersTest, NoDisplayWindowMeansNoFrameSizeUpdate) {
  renderers.set_display_window(0);
  EXPECT_EQ(renderers.AddRenderer(*graph, RendererKind::NullRenderer, FrameSize{720, 576}, ""),
            S_OK);
  EXPECT_EQ(renderers.UpdateEvrFrameSize({0, 0, 720, 576}), E_FAIL);
  EXPECT_EQ(renderers.UpdateFrameSize(RendererKind::NullRenderer, {0, 0, 720, 576}), E_FAIL);
  EXPECT_EQ(view.entries, std::vector<std::string>{Entry(kEvrFrameSizeLogicError)});
}

}  // namespace
}  // namespace vesk
