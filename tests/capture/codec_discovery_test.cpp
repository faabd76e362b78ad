#include "capture/codec_discovery.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "support/capture_bed.h"

namespace vesk {
namespace {

using Names = std::vector<std::string>;

class CodecDiscoveryTest : public ::testing::Test, protected testing::CaptureBed {
 protected:
  CaptureGraph& Make() {
    graph = std::make_unique<CaptureGraph>(GraphContext(), nullptr, nullptr);
    graph->renderers().set_display_window(0x77);
    view.entries.clear();
    return *graph;
  }
  HResult Discover() {
    return GetCodecsForSourceDevice(
        *graph, "/home/obs/",
        [this] {
          ++restarts;
          // The trial graph, still there: emptied, never run.
          testing::FakeGraph& trial = *media.graphs.back();
          trial_output = trial.output_path;
          trial_filters = trial.FilterNames();
          trial_ran = std::count(trial.calls.begin(), trial.calls.end(), "Run") > 0;
          return graph->StartCamera(false);
        },
        &usable);
  }
  Names UsableNames() const {
    Names names;
    for (const VideoCodec* codec : usable.codecs) names.push_back(codec->name);
    return names;
  }

  std::unique_ptr<CaptureGraph> graph;
  UsableCodecs usable;
  int restarts = 0;
  std::string trial_output;
  Names trial_filters{"not seen"};
  bool trial_ran = true;
};

// Every codec is tried against the device's format in a graph that never runs; one that
// will not join is left out and leaves nothing behind, and the live video comes back.
TEST_F(CodecDiscoveryTest, OffersNoneAndTheCodecsThatJoinTheDeviceToTheMultiplexer) {
  AddPal();
  media.AddCompressor("Lossless");
  media.AddCompressor("Refuses YUY2");
  media.AddCompressor("JPEG");
  media.plan.Fail("RenderStream:Capture:Refuses YUY2");
  Make();
  ASSERT_EQ(graph->StartCamera(false), S_OK);
  usable.indexes = {9};  // emptied by the discovery
  ASSERT_EQ(Discover(), S_OK);
  EXPECT_EQ(UsableNames(), (Names{"NONE", "Lossless", "JPEG"}));
  EXPECT_EQ(usable.indexes, (std::vector<std::size_t>{0, 1, 3}));
  EXPECT_EQ(trial_output, "/home/obs/bogus.avi");
  EXPECT_EQ(trial_filters, Names{});
  EXPECT_FALSE(trial_ran);
  EXPECT_EQ(restarts, 1);
  EXPECT_TRUE(media.graphs.front()->running);
  EXPECT_TRUE(view.entries.empty());
}

TEST_F(CodecDiscoveryTest, WithoutCompressorsOnlyNoneAndWithoutADeviceNothingIsTouched) {
  Make();
  EXPECT_EQ(Discover(), E_FAIL);
  EXPECT_EQ(view.entries.back(),
            "\r\n03:05:09 (UTC)\r\nLogic error: getting codecs for an invalid video source "
            "index\r\n");
  EXPECT_EQ(media.plan.Calls("CreateGraph"), 1);  // no trial graph
  EXPECT_EQ(restarts, 0);

  AddPal();
  ASSERT_EQ(Discover(), S_OK);
  EXPECT_EQ(UsableNames(), (Names{"NONE"}));

  // A failing step is reported and the camera stays stopped for the caller to start.
  media.plan.Fail("SetOutputFileName");
  restarts = 0;
  EXPECT_EQ(Discover(), E_FAIL);
  EXPECT_EQ(view.entries.back(),
            "\r\n03:05:09 (UTC)\r\nWARNING: failed in call to SetOutputFileName in "
            "GetCodecsForSourceDevice\r\n");
  EXPECT_EQ(restarts, 0);
}

}  // namespace
}  // namespace vesk
