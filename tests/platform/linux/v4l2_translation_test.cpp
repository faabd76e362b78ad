#include "platform/linux/v4l2_translation.h"

#include <gtest/gtest.h>
#include <linux/videodev2.h>

#include <cstdint>
#include <limits>
#include <tuple>
#include <vector>

namespace vesk {
namespace {

constexpr std::uint32_t kMax32 = std::numeric_limits<std::uint32_t>::max();
using Kind = V4l2Enumeration;
using Sizes = std::vector<V4l2FrameSize>;
using Fractions = std::vector<V4l2Fraction>;

// Both byte orders of RGB are the station's RGB24 (the pipeline converts); other byte orders
// and everything else keep their own names, Y16_BE with its big-endian flag in the last byte.
TEST(V4l2TranslationTest, PixelFormatsMapToTheStationsSubtypes) {
  using Code = SubtypeCode;
  const std::tuple<std::uint32_t, Code, const char*> cases[] = {
      {V4L2_PIX_FMT_JPEG, Code::MJPG, "MJPG"},      {V4L2_PIX_FMT_BGR24, Code::RGB24, "RGB24"},
      {V4L2_PIX_FMT_RGB24, Code::RGB24, "RGB24"},   {V4L2_PIX_FMT_XBGR32, Code::ARGB32, "ARGB32"},
      {V4L2_PIX_FMT_RGB32, Code::ARGB32, "ARGB32"}, {V4L2_PIX_FMT_RGBA32, Code::Other, "AB24"},
      {V4L2_PIX_FMT_Y16_BE, Code::Other, "Y16?"}};
  for (auto [pixel_format, code, name] : cases) {
    EXPECT_EQ(V4l2SubtypeOf(pixel_format), (V4l2Subtype{code, name})) << name;
    EXPECT_TRUE(code == Code::Other || SubtypeCodeOf(name) == code) << name;  // the station's own
  }
}

TEST(V4l2TranslationTest, SizeAndIntervalAnswersBecomeWhatIsOffered) {
  // Common sizes on the range's grid (widths in 32s from 64, heights in 8s from 40), then
  // the largest; a zero step taken as 1; an upside-down range and an empty one; a largest
  // size beyond int32 left out, as are zero and oversized discrete ones.
  const std::pair<V4l2FrameSizeAnswer, Sizes> sizes[] = {
      {{Kind::Stepwise, {}, 64, 1000, 32, 40, 1000, 8},
       {{160, 120}, {320, 240}, {352, 288}, {640, 480}, {800, 600}, {1000, 1000}}},
      {{Kind::Stepwise, {}, 320, 640, 0, 240, 480, 0}, {{320, 240}, {352, 288}, {640, 480}}},
      {{Kind::Stepwise, {}, 640, 320, 1, 480, 240, 1}, {}},
      {{Kind::Continuous, {}, 0, 0, 0, 0, 0, 0}, {}},
      {{Kind::Continuous, {}, 1, kMax32, 1, 1, kMax32, 1}, V4l2CommonFrameSizes()},
      {{Kind::Discrete, {{0, 480}, {640, 0}, {kMax32, 480}, {1280, 720}}, 0, 0, 0, 0, 0, 0},
       {{1280, 720}}}};
  for (const auto& [answer, offered] : sizes) EXPECT_EQ(V4l2SizesFromAnswer(answer), offered);
  // A digital node that lists none offers the size it would take, if any.
  EXPECT_EQ(V4l2SizesToOffer({}, {}, {800, 600}), (Sizes{{800, 600}}));
  EXPECT_TRUE(V4l2SizesToOffer({}, {}, {0, 600}).empty());

  // Intervals: zero parts left out; a range gives its valid ends, once when they are the same
  // time.
  const std::pair<V4l2FrameIntervalAnswer, Fractions> intervals[] = {
      {{Kind::Discrete, {{1, 30}, {0, 15}, {1, 0}, {1, 5}}, {}, {}, {}}, {{1, 30}, {1, 5}}},
      {{Kind::Stepwise, {}, {1, 60}, {1, 1}, {1, 60}}, {{1, 60}, {1, 1}}},
      {{Kind::Stepwise, {}, {1, 60}, {2, 120}, {1, 60}}, {{1, 60}}},
      {{Kind::Stepwise, {}, {1, 0}, {1, 30}, {1, 60}}, {{1, 30}}},
      {{Kind::Stepwise, {}, {1, 0}, {0, 0}, {1, 60}}, {}}};
  for (const auto& [answer, offered] : intervals) {
    EXPECT_EQ(V4l2IntervalsFromAnswer(answer), offered);
  }
}

V4l2SizeWithIntervals Sized(std::uint32_t width, std::uint32_t height, Fractions intervals) {
  return {{width, height}, {Kind::Discrete, std::move(intervals), {}, {}, {}}};
}

// No division by zero, no overflow: frame times saturate, rates scale down but never to zero.
TEST(V4l2TranslationTest, OddDriverAnswersNeverMakeBadMediaTypes) {
  std::int32_t numerator = 0;
  std::int32_t denominator = 0;
  for (V4l2Fraction zero : {V4l2Fraction{0, 25}, {1, 0}}) {
    EXPECT_EQ(AverageTimePerFrame(zero), 0u) << zero.denominator;
    EXPECT_FALSE(FrameRateOf(zero, &numerator, &denominator)) << zero.denominator;
  }
  ASSERT_TRUE(FrameRateOf({3, kMax32}, &numerator, &denominator));
  EXPECT_NEAR(static_cast<double>(numerator) / denominator, kMax32 / 3.0, kMax32 / 3.0 * 1e-6);

  V4l2DeviceAnswers answers;
  answers.formats = {{V4L2_PIX_FMT_YUYV, "", 0, {}}};
  answers.formats[0].sized = {Sized(0, 480, {{1, 30}}),
                              Sized(640, 0, {{1, 30}}),
                              Sized(640, 480, {{0, 30}, {1, 0}, {0, 0}}),
                              Sized(640, 480, {}),
                              Sized(kMax32, 480, {{1, 30}}),
                              Sized(320, 240, {{kMax32, 1}, {1, 20000001}, {kMax32, kMax32}})};
  // Only 320x240 is whole: its frame times saturated, not wrapped, rounded to 0 (which the
  // device model drops) and exact; its rates scaled but never to zero.
  const auto type = [](std::uint32_t time, std::int32_t frames, std::int32_t seconds) {
    return MediaType{true,   "YUY2",  SubtypeCode::YUY2,    true, 320, 240, time,
                     frames, seconds, AnalogFormat::Digital};
  };
  constexpr std::int32_t kMax31 = std::numeric_limits<std::int32_t>::max();
  EXPECT_EQ(V4l2MediaTypes(answers),
            (std::vector{type(kMax32, 1, kMax31), type(0, 20000001, 1), type(10000000, 1, 1)}));
}

}  // namespace
}  // namespace vesk
