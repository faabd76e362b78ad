#include "capture/codec_discovery.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "capture/codec_selector.h"
#include "support/capture_bed.h"

namespace vesk {
namespace {

using Names = std::vector<std::string>;

struct CodecDiscoveryTest : ::testing::Test, testing::CaptureBed {
  CaptureGraph& Make() {
    graph = std::make_unique<CaptureGraph>(GraphContext(), nullptr, nullptr);
    graph->renderers().set_display_window(0x77);
    return *graph;
  }
  // The discovery; the restart looks at the trial graph, still there: emptied, never run.
  HResult Discover() {
    const auto restart = [this] {
      const testing::FakeGraph& trial = *media.graphs.back();
      trial_seen = trial.output_path + (trial.FilterNames().empty() ? " empty" : " not empty") +
                   (std::count(trial.calls.begin(), trial.calls.end(), "Run") ? " ran" : "");
      return graph->StartCamera();
    };
    return GetCodecsForSourceDevice(*graph, "/home/obs/", restart, &usable);
  }
  std::unique_ptr<CaptureGraph> graph;
  UsableCodecs usable;
  std::string trial_seen;
};

// A codec that will not join is left out and leaves nothing behind; live video comes back;
// the selector keeps one pair per subtype and saves only when asked.
TEST_F(CodecDiscoveryTest, TheTrialOffersWhatJoinsAndTheSelectorKeepsOnePairPerSubtype) {
  AddPal();
  for (const char* name : {"Lossless", "Refuses YUY2", "JPEG"}) media.AddCompressor(name);
  media.plan.Fail("RenderStream:Capture:Refuses YUY2");
  ASSERT_EQ(Make().StartCamera(), S_OK);
  std::vector<SubtypeCodecPair> saved;
  pairs = {{SubtypeCode::MJPG, 3, "JPEG"}, {SubtypeCode::YUY2, 1, "Lossless"}};
  CodecSelectorModel selector(CodecSelectorContext{*graph, pairs, saved, "/home/obs/",
                                                   [this] { return graph->StartCamera(); }});
  usable.indexes = {9};
  ASSERT_EQ(Discover(), S_OK);
  EXPECT_EQ(usable.indexes, (std::vector<std::size_t>{0, 1, 3}));
  EXPECT_EQ(trial_seen, "/home/obs/bogus.avi empty");
  EXPECT_TRUE(media.graphs.front()->running);
  EXPECT_TRUE(view.entries.empty());

  selector.Open();
  EXPECT_EQ(selector.rows(), (Names{"NONE", "Lossless", "JPEG"}));
  EXPECT_EQ(selector.selected_row(), std::optional<std::size_t>(1));  // this subtype's pair
  EXPECT_EQ(selector.Ok(std::nullopt, true), kDialogApplied);
  EXPECT_EQ(selector.Ok(2, false), kDialogApplied);
  EXPECT_EQ(pairs.back(), (SubtypeCodecPair{SubtypeCode::YUY2, 3, "JPEG"}));
  EXPECT_TRUE(saved.empty());
  EXPECT_EQ(selector.Ok(0, true), kDialogSave);
  EXPECT_EQ(saved, (std::vector<SubtypeCodecPair>{{SubtypeCode::YUY2, 0, "NONE"}}));
  EXPECT_EQ(pairs.size(), 2u);
}

TEST_F(CodecDiscoveryTest, WithoutADeviceNothingIsTouchedAndAFailedStepLeavesTheCameraStopped) {
  Make();
  EXPECT_EQ(Discover(), E_FAIL);
  EXPECT_EQ(view.entries.back(),
            "\r\n03:05:09 (UTC)\r\nLogic error: getting codecs for an invalid video source "
            "index\r\n");
  EXPECT_EQ(media.plan.Calls("CreateGraph"), 1);  // no trial graph
  AddPal();
  media.plan.Fail("SetOutputFileName");
  EXPECT_EQ(Discover(), E_FAIL);
  EXPECT_EQ(view.entries.back(),
            "\r\n03:05:09 (UTC)\r\nWARNING: failed in call to "
            "SetOutputFileName in GetCodecsForSourceDevice\r\n");
  EXPECT_EQ(trial_seen, "");
}

}  // namespace
}  // namespace vesk
