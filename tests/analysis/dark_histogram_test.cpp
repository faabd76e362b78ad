#include "analysis/pixels/dark_histogram.h"

#include <gtest/gtest.h>

#include <numeric>
#include <vector>

namespace vesk {
namespace {

using Bytes = std::vector<std::uint8_t>;

StreamFormat Format(SubtypeCode subtype, std::int32_t width, std::int32_t height) {
  return MakeStreamFormat(subtype, BitCountOf(subtype), width, height);
}

// A frame whose every pixel (group) holds the same bytes.
Bytes Filled(const StreamFormat& format, const Bytes& pixel) {
  Bytes frame(FrameBytes(format), 0);
  const auto stride = static_cast<std::size_t>(format.stride);
  for (std::size_t row = 0; row < static_cast<std::size_t>(format.height); ++row) {
    for (std::size_t i = 0; i + pixel.size() <= stride; i += pixel.size()) {
      std::copy(pixel.begin(), pixel.end(), frame.begin() + row * stride + i);
    }
  }
  return frame;
}

TEST(DarkHistogramTest, Yuy2LevelComesFromLumaOnly) {
  const StreamFormat format = Format(SubtypeCode::YUY2, 8, 3);
  // As many chroma bytes of 5 as luma bytes of 20: counting chroma would give 5.
  const Bytes frame = Filled(format, {20, 5, 20, 5});
  DarkHistograms histograms;
  DarkLevels levels{0, 7, 8, 9};
  ASSERT_EQ(EstimateDarkLevels(format, frame.data(), frame.size(), &histograms, &levels),
            DarkEstimate::Done);
  EXPECT_EQ(levels.luma, 20u);
  EXPECT_EQ(histograms.luma[20], 24u);
  EXPECT_EQ(histograms.luma[5], 0u);
  // The RGB levels are another colour model's and stay.
  EXPECT_EQ(levels.blue, 7u);
  EXPECT_EQ(levels.red, 9u);
}

TEST(DarkHistogramTest, TiesGoLowAndOnlyValuesBelow75Qualify) {
  DarkHistograms::Bins bins{};
  bins[30] = 5;
  bins[31] = 5;
  bins[200] = 1000;
  EXPECT_EQ(DarkLevelOf(bins), 30u);
  bins[74] = 6;
  EXPECT_EQ(DarkLevelOf(bins), 74u);
  bins.fill(0);
  bins[75] = 9;
  bins[80] = 100;
  EXPECT_EQ(DarkLevelOf(bins), 0u);  // no counts at 0 to 74: bin 0 stays best

  const StreamFormat format = Format(SubtypeCode::YUY2, 4, 2);
  const Bytes bright = Filled(format, {80, 128, 90, 128});
  DarkHistograms histograms;
  DarkLevels levels{33};
  EstimateDarkLevels(format, bright.data(), bright.size(), &histograms, &levels);
  EXPECT_EQ(levels.luma, 0u);
}

TEST(DarkHistogramTest, RgbLevelsPerChannelIgnoringAlphaAndPadding) {
  const StreamFormat argb = Format(SubtypeCode::ARGB32, 5, 2);
  const Bytes frame = Filled(argb, {5, 10, 15, 0});
  DarkHistograms histograms;
  DarkLevels levels{12};
  ASSERT_EQ(EstimateDarkLevels(argb, frame.data(), frame.size(), &histograms, &levels),
            DarkEstimate::Done);
  EXPECT_EQ(levels.blue, 5u);
  EXPECT_EQ(levels.green, 10u);
  EXPECT_EQ(levels.red, 15u);
  EXPECT_EQ(levels.luma, 12u);

  // Width 641: 641 counts per row in each histogram; the padding byte is never counted.
  const StreamFormat rgb = Format(SubtypeCode::RGB24, 641, -3);
  Bytes rgb_frame = Filled(rgb, {40, 50, 60});
  for (std::size_t row = 0; row < 3; ++row) rgb_frame[row * 1924 + 1923] = 1;
  ASSERT_EQ(EstimateDarkLevels(rgb, rgb_frame.data(), rgb_frame.size(), &histograms, &levels),
            DarkEstimate::Done);
  for (const auto* bins : {&histograms.blue, &histograms.green, &histograms.red}) {
    EXPECT_EQ(std::accumulate(bins->begin(), bins->end(), 0u), 3u * 641u);
    EXPECT_EQ((*bins)[1], 0u);
  }
  // Cleared before each estimate: the ARGB counts are gone.
  EXPECT_EQ(histograms.blue[5], 0u);
  EXPECT_EQ(levels.blue, 40u);
}

TEST(DarkHistogramTest, OtherFormatsAndShortFramesChangeNothing) {
  DarkHistograms histograms;
  DarkLevels levels{1, 2, 3, 4};
  const Bytes frame(64, 0);
  EXPECT_EQ(EstimateDarkLevels(MakeStreamFormat(SubtypeCode::MJPG, 16, 4, 4), frame.data(),
                               frame.size(), &histograms, &levels),
            DarkEstimate::UnsupportedFormat);
  const StreamFormat yuy2 = Format(SubtypeCode::YUY2, 8, 4);
  EXPECT_EQ(EstimateDarkLevels(yuy2, frame.data(), frame.size() - 1, &histograms, &levels),
            DarkEstimate::ShortFrame);
  EXPECT_EQ(levels.luma, 1u);
  EXPECT_EQ(levels.red, 4u);
}

}  // namespace
}  // namespace vesk
