#include "analysis/pixels/live_analysis.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "support/fake_clock.h"
#include "support/recording_view.h"

namespace vesk {
namespace {

using Bytes = std::vector<std::uint8_t>;
using testing::FakeClock;
using testing::MakeFileTime;
using testing::RecordingView;

constexpr char kDarkUnsupported[] =
    "\r\n22:30:00 (UTC)\r\nFrame integration not supported for this device format\r\n";
constexpr char kOcrWarning[] =
    "\r\n22:30:00 (UTC)\r\nAs reported at application startup, character recognition sets are "
    "missing.  You cannot do OCR.\r\n";

class LiveAnalysisTest : public ::testing::Test {
 protected:
  LiveAnalysisTest() {
    log.AttachView(&view);
    // Both interlaced sets present: no OCR warning unless a test removes one.
    sets.interlaced.resize(2);
  }

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
  RecordingView view;
  RecognitionSets sets;
  LiveAnalysis analysis{log};
  StreamFormat format;
  Bytes output;
  std::size_t output_length = 0;
};

TEST_F(LiveAnalysisTest, WithoutHighlightingTheOutputIsTheInput) {
  Start(SubtypeCode::YUY2, 4, 2, 0, -1);
  const Bytes input = Frame({255, 1, 255, 2});
  EXPECT_EQ(Push(input), S_OK);
  EXPECT_EQ(output, input);
  EXPECT_EQ(output_length, input.size());
  EXPECT_EQ(analysis.frame_rate(), 25u);
}

TEST_F(LiveAnalysisTest, HighlightingFollowsTheThresholdOfEachFrame) {
  Start(SubtypeCode::RGB24, 1, 4, 1, 200);  // count 1 is integration off
  EXPECT_EQ(analysis.saturation_threshold(), 200);
  const Bytes input = Frame({10, 10, 200, 0});
  ASSERT_EQ(Push(input), S_OK);
  EXPECT_EQ(output, Frame({225, 0, 225, 0}));
  analysis.SetSaturationThreshold(201);  // the slider, while streaming
  ASSERT_EQ(Push(input), S_OK);
  EXPECT_EQ(output, input);
  analysis.SetSaturationThreshold(-1);
  ASSERT_EQ(Push(Frame({255, 255, 255, 0})), S_OK);
  EXPECT_EQ(output, Frame({255, 255, 255, 0}));
}

TEST_F(LiveAnalysisTest, BottomUpFramesLeaveWithTheirRowsReversed) {
  Start(SubtypeCode::RGB24, 1, 4, 0, 250);
  const Bytes input = {1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4, 255, 4};
  ASSERT_EQ(Push(input), S_OK);
  EXPECT_EQ(output, (Bytes{225, 0, 225, 4, 3, 3, 3, 3, 2, 2, 2, 2, 1, 1, 1, 1}));
}

TEST_F(LiveAnalysisTest, MissingOrShortBuffersNeverReachPastTheirEnd) {
  Start(SubtypeCode::ARGB32, 4, 4, 0, 100);
  const Bytes input = Frame({255, 255, 255, 255});
  EXPECT_EQ(analysis.TransformFrame(nullptr, 64, output.data(), output.size(), &output_length),
            E_POINTER);
  EXPECT_EQ(analysis.TransformFrame(input.data(), input.size(), nullptr, 64, &output_length),
            E_POINTER);
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

TEST_F(LiveAnalysisTest, TwoFramesShowTheFirstOfEachPairAtHalfRate) {
  Start(SubtypeCode::YUY2, 2, 1, 2, 200);
  EXPECT_EQ(analysis.saturation_threshold(), -1);       // never together with integration
  EXPECT_EQ(Push(Frame({16, 128, 16, 128})), S_FALSE);  // spent on the dark estimate
  EXPECT_EQ(Push(Frame({60, 100, 250, 110})), S_FALSE);
  EXPECT_EQ(output, Bytes(4, 0xEE));
  EXPECT_EQ(Push(Frame({90, 90, 90, 90})), S_OK);
  EXPECT_EQ(output, (Bytes{60, 100, 250, 110}));  // unchanged, not highlighted
  EXPECT_EQ(output_length, 4u);
  EXPECT_EQ(Push(Frame({70, 1, 70, 2})), S_FALSE);
  EXPECT_EQ(Push(Frame({80, 80, 80, 80})), S_OK);
  EXPECT_EQ(output, (Bytes{70, 1, 70, 2}));
}

TEST_F(LiveAnalysisTest, ThreeFramesAddLightAboveTheDarkLevelKeepingTheFirstChroma) {
  Start(SubtypeCode::YUY2, 4, 2, 3);
  EXPECT_EQ(Push(Frame({16, 128, 16, 128})), S_FALSE);
  EXPECT_EQ(analysis.integration().dark_levels.luma, 16u);
  EXPECT_EQ(Push(Frame({40, 100, 40, 150})), S_FALSE);
  EXPECT_EQ(Push(Frame({30, 10, 30, 20})), S_FALSE);
  EXPECT_EQ(Push(Frame({200, 200, 200, 200})), S_OK);  // only triggers the output
  EXPECT_EQ(output, Frame({54, 100, 54, 150}));

  EXPECT_EQ(Push(Frame({40, 100, 40, 150})), S_FALSE);
  EXPECT_EQ(Push(Frame({10, 10, 10, 20})), S_FALSE);
  EXPECT_EQ(Push(Frame({0, 0, 0, 0})), S_OK);
  EXPECT_EQ(output, Frame({40, 100, 40, 150}));
}

TEST_F(LiveAnalysisTest, RgbIntegrationSubtractsEachChannelKeepsAlphaAndReversesRows) {
  Start(SubtypeCode::ARGB32, 1, 4, 3);
  EXPECT_EQ(Push(Frame({20, 30, 40, 9})), S_FALSE);
  const Bytes first = {1, 1, 1, 11, 2, 2, 2, 12, 3, 3, 3, 13, 200, 4, 4, 14};
  EXPECT_EQ(Push(first), S_FALSE);
  EXPECT_EQ(Push(Frame({120, 35, 40, 99})), S_FALSE);
  EXPECT_EQ(Push(Frame({0, 0, 0, 0})), S_OK);
  // Rows 4, 3, 2, 1; blue 200 + (120 - 20) stops at 255; green gains 5, red nothing.
  EXPECT_EQ(output, (Bytes{255, 9, 4, 14, 103, 8, 3, 13, 102, 7, 2, 12, 101, 6, 1, 11}));
}

TEST_F(LiveAnalysisTest, TheFirstFrameAfterEveryStartIsNeverShown) {
  Start(SubtypeCode::YUY2, 2, 1, 30);
  int first_output = 0;
  for (int frame = 1; frame <= 31 && first_output == 0; ++frame) {
    if (Push(Frame({static_cast<std::uint8_t>(frame), 128, 1, 128})) == S_OK) {
      first_output = frame;
    }
  }
  EXPECT_EQ(first_output, 31);

  // A restart in the middle of a group begins anew: estimate first, fresh zeroed buffer.
  Push(Frame({50, 1, 50, 1}));
  Push(Frame({50, 1, 50, 1}));
  analysis.ReleaseAccumulationBuffer();
  Start(SubtypeCode::YUY2, 2, 1, 2);
  EXPECT_EQ(analysis.integration().position, 0u);
  EXPECT_EQ(analysis.integration().accumulation, Bytes(2 * 1 * 4 + 32, 0));
  EXPECT_EQ(Push(Frame({7, 7, 7, 7})), S_FALSE);
  EXPECT_EQ(Push(Frame({8, 8, 8, 8})), S_FALSE);
  EXPECT_EQ(Push(Frame({9, 9, 9, 9})), S_OK);
  EXPECT_EQ(output, Frame({8, 8, 8, 8}));
}

TEST_F(LiveAnalysisTest, EachStartClearsTheLumaLevelButKeepsTheRgbLevels) {
  Start(SubtypeCode::RGB24, 4, 1, 2);
  Push(Frame({5, 6, 7}));
  Start(SubtypeCode::YUY2, 4, 1, 2);
  Push(Frame({9, 128, 9, 128}));
  EXPECT_EQ(analysis.integration().dark_levels.luma, 9u);
  Start(SubtypeCode::RGB24, 4, 1, 2);
  EXPECT_EQ(analysis.integration().dark_levels.luma, 0u);
  EXPECT_EQ(analysis.integration().dark_levels.blue, 5u);
  EXPECT_EQ(analysis.integration().dark_levels.red, 7u);
  EXPECT_TRUE(analysis.integration().dark_level_request);
}

TEST_F(LiveAnalysisTest, AFormatTheEstimateCannotHandleIsReportedOnce) {
  Start(SubtypeCode::UYVY, 4, 2, 2);
  output.assign(64, 0);
  const Bytes frame(64, 1);
  EXPECT_EQ(Push(frame), S_FALSE);
  EXPECT_EQ(Push(frame), S_FALSE);
  EXPECT_EQ(view.entries, std::vector<std::string>{kDarkUnsupported});
}

TEST_F(LiveAnalysisTest, EveryStartRepeatsTheOcrWarningWhileASetIsMissing) {
  Start(SubtypeCode::YUY2, 2, 1, 0, 100);
  EXPECT_TRUE(view.entries.empty());
  sets.interlaced.resize(1);
  Start(SubtypeCode::YUY2, 2, 1, 0, 100);
  Start(SubtypeCode::YUY2, 2, 1, 4);
  EXPECT_EQ(view.entries, (std::vector<std::string>{kOcrWarning, kOcrWarning}));
}

TEST_F(LiveAnalysisTest, AnAccumulationBufferThatCannotBeHadLeavesIntegrationOff) {
  format = MakeStreamFormat(SubtypeCode::YUY2, 16, 2, 1);
  analysis.SetStreamFormat(format);
  AnalysisSettings settings;
  settings.integration_frame_count = 5;
  EXPECT_EQ(analysis.PrepareStreaming(SIZE_MAX - 8, 0, settings, sets), E_OUTOFMEMORY);
  EXPECT_EQ(analysis.frame_rate(), kDefaultFrameRate);
  output.assign(4, 0);
  const Bytes frame = {1, 2, 3, 4};
  EXPECT_EQ(Push(frame), S_OK);
  EXPECT_EQ(output, frame);
}

}  // namespace
}  // namespace vesk
