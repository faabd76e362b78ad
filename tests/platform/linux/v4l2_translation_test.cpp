#include "platform/linux/v4l2_translation.h"

#include <gtest/gtest.h>
#include <linux/videodev2.h>

#include <cstdint>
#include <limits>
#include <tuple>
#include <vector>

// The recorded nodes (v4l2_device_test.cpp) cover the everyday answers; these are the ones
// real drivers give less often, and the odd ones.

namespace vesk {
namespace {

constexpr std::uint32_t kMax32 = std::numeric_limits<std::uint32_t>::max();
using Family = V4l2StandardFamily;
using Kind = V4l2Enumeration;
using Sizes = std::vector<V4l2FrameSize>;
using Fractions = std::vector<V4l2Fraction>;

// Other byte orders and everything else keep their own names (Y16_BE has the big-endian flag
// in its last byte); the names of the known subtypes are exactly the station's own.
TEST(V4l2TranslationTest, PixelFormatsMapToTheStationsSubtypes) {
  using Code = SubtypeCode;
  const std::tuple<std::uint32_t, Code, const char*> cases[] = {
      {V4L2_PIX_FMT_JPEG, Code::MJPG, "MJPG"},       {V4L2_PIX_FMT_UYVY, Code::UYVY, "UYVY"},
      {V4L2_PIX_FMT_BGR24, Code::RGB24, "RGB24"},    {V4L2_PIX_FMT_RGB24, Code::RGB24, "RGB24"},
      {V4L2_PIX_FMT_XBGR32, Code::ARGB32, "ARGB32"}, {V4L2_PIX_FMT_RGB32, Code::ARGB32, "ARGB32"},
      {V4L2_PIX_FMT_YVYU, Code::Other, "YVYU"},      {V4L2_PIX_FMT_RGBA32, Code::Other, "AB24"},
      {V4L2_PIX_FMT_Y16_BE, Code::Other, "Y16?"},    {0, Code::Other, "????"},
  };
  for (auto [pixel_format, code, name] : cases) {
    EXPECT_EQ(V4l2SubtypeOf(pixel_format), (V4l2Subtype{code, name})) << name;
    if (code != Code::Other) {
      EXPECT_EQ(SubtypeCodeOf(name), code) << name;
    }
  }
}

TEST(V4l2TranslationTest, FrameTimesAndRatesOfOddIntervals) {
  // Half a unit rounds up; no division by zero, no overflow.
  const std::pair<V4l2Fraction, std::uint32_t> times[] = {
      {{1, 20000000}, 1}, {{1, 20000001}, 0},    {{0, 25}, 0},
      {{1, 0}, 0},        {{kMax32, 1}, kMax32}, {{kMax32, kMax32}, 10000000},
  };
  for (const auto& [interval, time] : times) {
    EXPECT_EQ(AverageTimePerFrame(interval), time) << interval.numerator;
  }
  std::int32_t numerator = 0;
  std::int32_t denominator = 0;
  ASSERT_TRUE(FrameRateOf({2, 50}, &numerator, &denominator));
  EXPECT_EQ(std::pair(numerator, denominator), std::pair(25, 1));
  // Parts beyond 32-bit signed are scaled down together, never to zero.
  ASSERT_TRUE(FrameRateOf({3, kMax32}, &numerator, &denominator));
  EXPECT_NEAR(static_cast<double>(numerator) / denominator, kMax32 / 3.0, kMax32 / 3.0 * 1e-6);
  ASSERT_TRUE(FrameRateOf({kMax32, 1}, &numerator, &denominator));
  EXPECT_EQ(numerator, 1);
  EXPECT_GT(denominator, 0);
  EXPECT_FALSE(FrameRateOf({0, 30}, &numerator, &denominator));
  EXPECT_FALSE(FrameRateOf({1, 0}, &numerator, &denominator));
}

TEST(V4l2TranslationTest, SizeAndIntervalAnswersBecomeWhatIsOffered) {
  // Common sizes on the range's grid (widths in 32s from 64, heights in 8s from 40), then
  // the largest; a zero step taken as 1; an upside-down range and an empty one.
  const std::pair<V4l2FrameSizeAnswer, Sizes> ranges[] = {
      {{Kind::Stepwise, {}, 64, 1000, 32, 40, 1000, 8},
       {{160, 120}, {320, 240}, {352, 288}, {640, 480}, {800, 600}, {1000, 1000}}},
      {{Kind::Stepwise, {}, 320, 640, 0, 240, 480, 0}, {{320, 240}, {352, 288}, {640, 480}}},
      {{Kind::Stepwise, {}, 640, 320, 1, 480, 240, 1}, {}},
      {{Kind::Continuous, {}, 0, 0, 0, 0, 0, 0}, {}}};
  for (const auto& [answer, sizes] : ranges) EXPECT_EQ(V4l2SizesFromAnswer(answer), sizes);
  // Continuous ranges ignore their step; a largest size beyond int32 is left out.
  const Sizes sizes = V4l2SizesFromAnswer({Kind::Continuous, {}, 640, 4000, 7, 480, 3000, 9});
  EXPECT_EQ(sizes.size(), 13u);
  EXPECT_EQ(sizes.back(), (V4l2FrameSize{4000, 3000}));
  EXPECT_EQ(V4l2SizesFromAnswer({Kind::Continuous, {}, 1, kMax32, 1, 1, kMax32, 1}).size(),
            V4l2CommonFrameSizes().size());
  V4l2FrameSizeAnswer discrete;
  discrete.kind = Kind::Discrete;
  discrete.discrete = {{0, 480}, {640, 0}, {kMax32, 480}, {1280, 720}, {640, 480}};
  EXPECT_EQ(V4l2SizesFromAnswer(discrete), (Sizes{{1280, 720}, {640, 480}}));

  // Intervals: zero parts left out; a range gives its ends, once when they are the same time.
  EXPECT_EQ(
      V4l2IntervalsFromAnswer({Kind::Discrete, {{1, 30}, {0, 15}, {1, 0}, {1, 5}}, {}, {}, {}}),
      (Fractions{{1, 30}, {1, 5}}));
  V4l2FrameIntervalAnswer range{Kind::Stepwise, {}, {1, 60}, {1, 1}, {1, 60}};
  EXPECT_EQ(V4l2IntervalsFromAnswer(range), (Fractions{{1, 60}, {1, 1}}));
  range.kind = Kind::Continuous;
  range.maximum = {2, 120};
  EXPECT_EQ(V4l2IntervalsFromAnswer(range), (Fractions{{1, 60}}));
  range.minimum = {1, 0};
  range.maximum = {0, 0};
  EXPECT_TRUE(V4l2IntervalsFromAnswer(range).empty());
}

TEST(V4l2TranslationTest, StandardsMapToFamilies) {
  const std::pair<v4l2_std_id, Family> cases[] = {
      {V4L2_STD_PAL_B, Family::Pal},        {V4L2_STD_PAL_DK, Family::Pal},
      {V4L2_STD_PAL, Family::Pal},          {V4L2_STD_NTSC_M, Family::NtscM},
      {V4L2_STD_NTSC_M_KR, Family::NtscM},  {V4L2_STD_NTSC, Family::NtscM},
      {V4L2_STD_NTSC_M_JP, Family::NtscMJ}, {V4L2_STD_NTSC_443, Family::Ntsc443},
      {V4L2_STD_PAL_M, Family::PalM},       {V4L2_STD_PAL_60, Family::Pal60},
      {V4L2_STD_PAL_N, Family::PalN},       {V4L2_STD_PAL_Nc, Family::PalNc},
      {V4L2_STD_SECAM_L, Family::Secam},    {V4L2_STD_SECAM, Family::Secam},
  };
  for (const auto& [standard, family] : cases) {
    EXPECT_EQ(V4l2StandardFamilyOf(standard), family) << std::hex << standard;
  }
  // Undecided or mixed masks name no family.
  for (v4l2_std_id mixed :
       {v4l2_std_id{0}, V4L2_STD_ALL, V4L2_STD_ATSC_8_VSB, V4L2_STD_PAL_B | V4L2_STD_NTSC_M,
        V4L2_STD_PAL_B | V4L2_STD_SECAM_L, V4L2_STD_NTSC_M | V4L2_STD_PAL_M}) {
    EXPECT_EQ(V4l2StandardFamilyOf(mixed), Family::None) << std::hex << mixed;
  }
}

V4l2StandardEntry Entry(v4l2_std_id id, V4l2Fraction period = {}) { return {id, "", period, 0}; }

TEST(V4l2TranslationTest, AnalogNodesAndTheirSizes) {
  V4l2StandardAnswers answers{true, {Entry(0)}};
  EXPECT_FALSE(V4l2IsAnalog(answers));
  answers.standards = {Entry(V4L2_STD_PAL_B)};
  EXPECT_TRUE(V4l2IsAnalog(answers));
  // An input that names standards, or says it takes them, is analog; one that does neither
  // is the digital input of a card that has analog ones too.
  answers.input_known = true;
  answers.input_std = V4L2_STD_PAL_B;
  EXPECT_TRUE(V4l2IsAnalog(answers));
  answers.input_std = 0;
  EXPECT_FALSE(V4l2IsAnalog(answers));
  answers.input_capabilities = V4L2_IN_CAP_STD;
  EXPECT_TRUE(V4l2IsAnalog(answers));

  // The full picture of each listed standard, in their order and no wider than the range;
  // without a range too. A node that is not analog and lists no size offers none when the
  // size it would take is empty.
  const V4l2StandardAnswers pal_first{true, {Entry(V4L2_STD_PAL_B), Entry(V4L2_STD_NTSC)}};
  const V4l2FrameSizeAnswer narrow{Kind::Continuous, {}, 48, 640, 1, 38, 480, 1};
  EXPECT_EQ(V4l2AnalogSizes(narrow, pal_first.standards), (Sizes{{640, 576}, {640, 480}}));
  EXPECT_TRUE(V4l2AnalogSizes(narrow, {Entry(V4L2_STD_SECAM)}).empty());
  EXPECT_EQ(V4l2SizesToOffer({}, pal_first, {640, 480}), (Sizes{{720, 576}, {720, 480}}));
  EXPECT_TRUE(V4l2SizesToOffer({}, {}, {0, 600}).empty());
}

V4l2SizeWithIntervals Sized(std::uint32_t width, std::uint32_t height, Fractions intervals) {
  return {{width, height}, {Kind::Discrete, std::move(intervals), {}, {}, {}}};
}

TEST(V4l2TranslationTest, OddDriverAnswersNeverMakeBadMediaTypes) {
  V4l2DeviceAnswers answers;
  answers.formats = {{V4L2_PIX_FMT_YUYV, "", 0, {}}};
  answers.formats[0].sized = {Sized(0, 480, {{1, 30}}),
                              Sized(640, 0, {{1, 30}}),
                              Sized(640, 480, {{0, 30}, {1, 0}, {0, 0}}),
                              Sized(640, 480, {}),
                              Sized(kMax32, 480, {{1, 30}}),
                              Sized(320, 240, {{kMax32, 1}, {1, kMax32}})};
  const std::vector<MediaType> types = V4l2MediaTypes(answers);
  ASSERT_EQ(types.size(), 2u);
  for (const MediaType& type : types) {
    EXPECT_EQ(std::pair(type.width, type.height), std::pair(320, 240));
    EXPECT_GT(type.rate_numerator, 0);
    EXPECT_GT(type.rate_denominator, 0);
  }
  EXPECT_EQ(types[0].avg_time_per_frame, kMax32);  // saturated, not wrapped
  EXPECT_EQ(types[1].avg_time_per_frame, 0u);      // the device model drops zero frame times
}

}  // namespace
}  // namespace vesk
