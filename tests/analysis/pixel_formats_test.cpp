#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <tuple>
#include <vector>

#include "analysis/pixels/frame_copy.h"
#include "analysis/pixels/pixel_words.h"
#include "analysis/pixels/saturation_highlight.h"
#include "analysis/pixels/stream_format.h"

namespace vesk {
namespace {

using Bytes = std::vector<std::uint8_t>;

StreamFormat Format(SubtypeCode subtype, std::int32_t width, std::int32_t declared_height) {
  return MakeStreamFormat(subtype, BitCountOf(subtype), width, declared_height);
}

TEST(StreamFormatTest, StrideRowOrderAndHeight) {
  const StreamFormat rgb = Format(SubtypeCode::RGB24, 641, -480);
  EXPECT_EQ(std::tuple(rgb.stride, rgb.height, rgb.top_down), std::tuple(1924, 480, 1u));
  EXPECT_EQ(PixelBytesPerRow(rgb), 1923u);
  const StreamFormat yuy2 = Format(SubtypeCode::YUY2, 721, 576);  // top down whatever the sign
  EXPECT_EQ(std::tuple(yuy2.stride, yuy2.top_down), std::tuple(1444, 1u));

  // Headers no real device sends must not turn into small strides or huge frames.
  EXPECT_EQ(ComputeStride(32, INT32_MAX), 0);
  EXPECT_EQ(ComputeStride(24, -5), 0);
  EXPECT_EQ(Format(SubtypeCode::RGB24, 4, INT32_MIN).height, 0);
  EXPECT_EQ(FrameBytes(Format(SubtypeCode::RGB24, 4, INT32_MIN)), 0u);
}

TEST(CopyFrameTest, BottomUpRowsAreReversedTopDownFramesCopiedAsTheyAre) {
  const Bytes input = {1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4, 4, 4};  // rows 1 to 4
  const std::pair<StreamFormat, Bytes> cases[] = {
      {Format(SubtypeCode::RGB24, 1, -4), input},
      {Format(SubtypeCode::YUY2, 2, 4), input},
      {Format(SubtypeCode::RGB24, 1, 4), {4, 4, 4, 4, 3, 3, 3, 3, 2, 2, 2, 2, 1, 1, 1, 1}}};
  for (const auto& [format, expected] : cases) {
    Bytes output(input.size());
    ASSERT_TRUE(CopyFrame(format, output.data(), output.size(), input.data(), input.size(),
                          CopyMode::Copy));
    EXPECT_EQ(output, expected);
  }
}

TEST(CopyFrameTest, BuffersTooShortAreRefusedUntouched) {
  // A frame one byte short of stride x height is refused, not painted in part.
  const StreamFormat yuy2 = Format(SubtypeCode::YUY2, 8, 4);
  Bytes short_frame(FrameBytes(yuy2) - 1, 255);
  EXPECT_FALSE(HighlightSaturatedPixels(yuy2, short_frame.data(), short_frame.size(), 50));
  EXPECT_EQ(short_frame, Bytes(short_frame.size(), 255));

  const StreamFormat bottom_up = Format(SubtypeCode::ARGB32, 3, 4);
  const Bytes input(FrameBytes(bottom_up), 9);
  Bytes small(FrameBytes(bottom_up) - 1, 0);
  EXPECT_FALSE(
      CopyFrame(bottom_up, small.data(), small.size(), input.data(), input.size(), CopyMode::Copy));
  EXPECT_EQ(small, Bytes(small.size(), 0));

  // A block copy needs only room for its length: a short sample is copied as it is.
  const StreamFormat top_down = Format(SubtypeCode::YUY2, 4, 4);
  Bytes block(FrameBytes(top_down), 0);
  EXPECT_TRUE(CopyFrame(top_down, block.data(), block.size(), input.data(), 5, CopyMode::Copy));
  EXPECT_EQ(block[4], 9);
  EXPECT_EQ(block[5], 0);
  EXPECT_FALSE(CopyFrame(top_down, block.data(), block.size(), input.data(), block.size() + 1,
                         CopyMode::Copy));
}

// The row loops take long rows in blocks, in a baseline build and, where the processor
// has it, an AVX2 build; compare both byte for byte with the rules applied one pixel at a
// time, over widths that leave every kind of tail.
Bytes RandomBytes(std::size_t size, std::mt19937& random) {
  Bytes bytes(size);
  std::uniform_int_distribution<int> value(0, 255);
  for (auto& b : bytes) b = static_cast<std::uint8_t>(value(random));
  return bytes;
}

class BothLoopBuilds : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override { pixel_words::EnableWideLoops(GetParam()); }
  void TearDown() override { pixel_words::EnableWideLoops(true); }
};

INSTANTIATE_TEST_SUITE_P(Loops, BothLoopBuilds, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Wide" : "Baseline"; });

constexpr std::int32_t kRowWidths[] = {1, 17, 64, 101, 643};

// One pixel (group) at a time, as the rules say it: a YUY2 pair is painted whole when either
// luma reaches the threshold (chroma never counts); RGB24 when any channel does; ARGB32 when
// the mean of the colours does (alpha is kept and never counts).
Bytes HighlightedByThePixel(const StreamFormat& format, Bytes frame, std::uint8_t t) {
  const std::size_t stride = static_cast<std::size_t>(format.stride),
                    step = PixelStep(format.subtype);
  for (std::size_t at = 0; at < frame.size(); ++at) {
    if (at % stride % step != 0 || at % stride + step > stride) continue;  // no pixel starts here
    std::uint8_t* p = frame.data() + at;
    if (format.subtype == SubtypeCode::YUY2) {
      if (p[0] >= t || p[2] >= t) std::copy_n(Bytes{106, 202, 106, 222}.begin(), 4, p);
      continue;
    }
    const bool saturated = format.subtype == SubtypeCode::RGB24
                               ? p[0] >= t || p[1] >= t || p[2] >= t
                               : p[0] + p[1] + p[2] >= 3 * t;
    if (saturated) std::copy_n(Bytes{225, 0, 225}.begin(), 3, p);
  }
  return frame;
}

TEST_P(BothLoopBuilds, HighlightOfLongRowsMatchesTheRulePixelByPixel) {
  std::mt19937 random(3);
  for (SubtypeCode subtype : {SubtypeCode::YUY2, SubtypeCode::RGB24, SubtypeCode::ARGB32}) {
    for (std::int32_t width : kRowWidths) {
      for (std::uint8_t t : {0, 1, 128, 200, 255}) {
        const StreamFormat format = Format(subtype, width, 3);
        const Bytes frame = RandomBytes(FrameBytes(format), random);
        Bytes painted = frame;
        ASSERT_TRUE(HighlightSaturatedPixels(format, painted.data(), painted.size(), t));
        EXPECT_EQ(painted, HighlightedByThePixel(format, frame, t))
            << SubtypeNameOf(subtype) << " width " << width << " threshold " << int{t};
      }
    }
  }
}

TEST_P(BothLoopBuilds, AccumulationOfLongRowsMatchesTheRuleByteForByte) {
  std::mt19937 random(7);
  DarkLevels levels{16, 5, 10, 15};
  for (SubtypeCode subtype : {SubtypeCode::YUY2, SubtypeCode::RGB24, SubtypeCode::ARGB32}) {
    for (std::int32_t width : kRowWidths) {
      const StreamFormat format = Format(subtype, width, -3);
      const Bytes frame = RandomBytes(FrameBytes(format), random);
      Bytes sum = RandomBytes(FrameBytes(format), random);
      Bytes expected = sum;
      const std::size_t step = PixelStep(subtype), stride = static_cast<std::size_t>(format.stride);
      for (std::size_t at = 0; at < frame.size(); ++at) {
        const std::size_t c = at % stride % step;
        std::uint32_t k = 256;  // never exceeded: the byte stays (so does a row's padding)
        if (subtype == SubtypeCode::YUY2 && c % 2 == 0) k = levels.luma;
        if (subtype != SubtypeCode::YUY2 && c < 3) k = c == 0 ? 5 : c == 1 ? 10 : 15;
        if (at % stride - c + step > stride || frame[at] <= k) continue;
        expected[at] =
            static_cast<std::uint8_t>(std::min<std::uint32_t>(255, expected[at] + frame[at] - k));
      }
      ASSERT_TRUE(CopyFrame(format, sum.data(), sum.size(), frame.data(), frame.size(),
                            CopyMode::Accumulate, levels));
      EXPECT_EQ(sum, expected) << SubtypeNameOf(subtype) << " width " << width;
    }
  }
}

TEST_P(BothLoopBuilds, OnePassCopyAndHighlightEqualsCopyThenHighlight) {
  std::mt19937 random(11);
  for (SubtypeCode subtype : {SubtypeCode::YUY2, SubtypeCode::RGB24, SubtypeCode::ARGB32}) {
    for (std::int32_t height : {5, -5}) {
      for (std::int32_t width : {1, 3, 33, 641}) {
        const StreamFormat format = Format(subtype, width, height);
        const std::size_t frame = FrameBytes(format);
        // Also a sample longer than the rows, and one half as long: copied as a block when the
        // rows keep their order, refused when they are to be reversed.
        for (std::size_t size : {frame, frame + 3, frame / 2}) {
          const Bytes input = RandomBytes(size, random);
          Bytes expected = RandomBytes(std::max(size, frame), random);
          Bytes output = expected;
          const bool copied = CopyFrame(format, expected.data(), expected.size(), input.data(),
                                        input.size(), CopyMode::Copy);
          EXPECT_EQ(copied, size >= frame || format.top_down == 1);
          if (copied) HighlightSaturatedPixels(format, expected.data(), expected.size(), 180);
          EXPECT_EQ(CopyFrameHighlighted(format, output.data(), output.size(), input.data(),
                                         input.size(), 180),
                    copied);
          EXPECT_EQ(output, expected)
              << SubtypeNameOf(subtype) << " " << width << "x" << height << ", " << size;
        }
      }
    }
  }
}

}  // namespace
}  // namespace vesk
