#include "analysis/pixels/live_analysis.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "support/fake_clock.h"

namespace vesk {
namespace {

using Bytes = std::vector<std::uint8_t>;
using testing::FakeClock;
using testing::MakeFileTime;

class LiveAnalysisTest : public ::testing::Test {
 protected:
  LiveAnalysisTest() { sets.interlaced.resize(2); }  // no OCR warning

  void Start(SubtypeCode subtype, std::int32_t width, std::int32_t declared_height,
             std::uint32_t frame_count, std::int32_t saturation = -1) {
    format = MakeStreamFormat(subtype, BitCountOf(subtype), width, declared_height);
    analysis.SetStreamFormat(format);
    AnalysisSettings settings;
    settings.integration_frame_count = frame_count;
    settings.saturation_value = saturation;
    const auto accumulation =
        frame_count > 1 ? static_cast<std::size_t>(width) * format.height * 4 : 0;
    ASSERT_EQ(analysis.PrepareStreaming(accumulation, 25, settings, sets), S_OK);
    output.assign(FrameBytes(format), 0xEE);
  }

  // A frame whose every pixel (group) holds the same bytes.
  Bytes Frame(const Bytes& pixel) const {
    Bytes frame(FrameBytes(format), 0);
    for (std::size_t i = 0; i + pixel.size() <= frame.size(); i += pixel.size()) {
      std::copy(pixel.begin(), pixel.end(), frame.begin() + static_cast<std::ptrdiff_t>(i));
    }
    return frame;
  }

  HResult Push(const Bytes& input) {
    output_length = 0;
    return analysis.TransformFrame(input.data(), input.size(), output.data(), output.size(),
                                   &output_length);
  }

  FakeClock clock{MakeFileTime(2026, 3, 1, 22, 30, 0)};
  MessageLog log{clock};
  RecognitionSets sets;
  LiveAnalysis analysis{log};
  StreamFormat format;
  Bytes output;
  std::size_t output_length = 0;
};

TEST_F(LiveAnalysisTest, HighlightingFollowsTheThresholdOfEachFrame) {
  Start(SubtypeCode::RGB24, 1, 4, 1, 200);  // count 1 is integration off
  EXPECT_EQ(analysis.saturation_threshold(), 200);
  const Bytes input = Frame({10, 10, 200, 0});
  ASSERT_EQ(Push(input), S_OK);
  EXPECT_EQ(output, Frame({225, 0, 225, 0}));
  analysis.SetSaturationThreshold(201);  // the slider, while streaming
  ASSERT_EQ(Push(input), S_OK);
  EXPECT_EQ(output, input);
  analysis.SetSaturationThreshold(-1);  // off: the output is the input
  ASSERT_EQ(Push(Frame({255, 255, 255, 0})), S_OK);
  EXPECT_EQ(output, Frame({255, 255, 255, 0}));
  EXPECT_EQ(output_length, output.size());
}

TEST_F(LiveAnalysisTest, MissingOrShortBuffersNeverReachPastTheirEnd) {
  Start(SubtypeCode::ARGB32, 4, 4, 0, 100);
  const Bytes input = Frame({255, 255, 255, 255});
  // A sample larger than the output is dropped, the output untouched.
  Bytes small(input.size() - 4, 0xEE);
  EXPECT_EQ(analysis.TransformFrame(input.data(), input.size(), small.data(), small.size(),
                                    &output_length),
            S_FALSE);
  EXPECT_EQ(small, Bytes(small.size(), 0xEE));

  // The same in integration: short frames take no part, short outputs are dropped.
  Start(SubtypeCode::RGB24, 3, 2, 2);
  const Bytes frame = Frame({9, 9, 9});
  const Bytes short_frame(frame.begin(), frame.end() - 1);
  EXPECT_EQ(Push(short_frame), S_FALSE);  // too short to measure: the next frame is used
  EXPECT_TRUE(analysis.integration().dark_level_request);
  EXPECT_EQ(Push(frame), S_FALSE);
  EXPECT_FALSE(analysis.integration().dark_level_request);
  EXPECT_EQ(Push(short_frame), S_FALSE);  // counted, copies nothing
  EXPECT_EQ(analysis.TransformFrame(frame.data(), frame.size(), small.data(), 3, &output_length),
            S_FALSE);
  EXPECT_EQ(analysis.integration().position, 0u);
}

TEST_F(LiveAnalysisTest, ThreeFramesAddLightAboveTheDarkLevelKeepingTheFirstChroma) {
  Start(SubtypeCode::YUY2, 4, 2, 3);
  EXPECT_EQ(Push(Frame({16, 128, 16, 128})), S_FALSE);
  EXPECT_EQ(analysis.integration().dark_levels.luma, 16u);
  EXPECT_EQ(Push(Frame({40, 100, 40, 150})), S_FALSE);
  EXPECT_EQ(Push(Frame({30, 10, 30, 20})), S_FALSE);
  EXPECT_EQ(Push(Frame({200, 200, 200, 200})), S_OK);  // only triggers the output
  EXPECT_EQ(output, Frame({54, 100, 54, 150}));
}

TEST_F(LiveAnalysisTest, TheFirstFrameAfterEveryStartIsNeverShown) {
  // A restart in the middle of a group begins anew: estimate first, fresh zeroed buffer.
  Start(SubtypeCode::YUY2, 2, 1, 30);
  for (int i = 0; i < 2; ++i) Push(Frame({50, 1, 50, 1}));
  analysis.ReleaseAccumulationBuffer();
  Start(SubtypeCode::YUY2, 2, 1, 2);
  EXPECT_EQ(analysis.integration().accumulation, Bytes(2 * 1 * 4 + 32, 0));
  EXPECT_EQ(Push(Frame({7, 7, 7, 7})), S_FALSE);
  EXPECT_EQ(Push(Frame({8, 8, 8, 8})), S_FALSE);
  EXPECT_EQ(Push(Frame({9, 9, 9, 9})), S_OK);
  EXPECT_EQ(output, Frame({8, 8, 8, 8}));
}

}  // namespace
}  // namespace vesk
