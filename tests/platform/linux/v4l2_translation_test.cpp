#include "platform/linux/v4l2_translation.h"

#include <gtest/gtest.h>
#include <linux/videodev2.h>

#include <cstdint>
#include <limits>
#include <vector>

// The recorded nodes (v4l2_device_test.cpp) cover the everyday answers; these are the ones
// real drivers give less often, and the odd ones.

namespace vesk {
namespace {

constexpr std::uint32_t kMax32 = std::numeric_limits<std::uint32_t>::max();
using Family = V4l2StandardFamily;
using Sizes = std::vector<V4l2FrameSize>;

TEST(V4l2TranslationTest, PixelFormatsMapToTheStationsSubtypes) {
  const struct {
    std::uint32_t pixel_format;
    SubtypeCode code;
    const char* name;
  } cases[] = {
      {V4L2_PIX_FMT_JPEG, SubtypeCode::MJPG, "MJPG"},
      {V4L2_PIX_FMT_UYVY, SubtypeCode::UYVY, "UYVY"},
      {V4L2_PIX_FMT_BGR24, SubtypeCode::RGB24, "RGB24"},
      {V4L2_PIX_FMT_RGB24, SubtypeCode::RGB24, "RGB24"},
      {V4L2_PIX_FMT_XBGR32, SubtypeCode::ARGB32, "ARGB32"},
      {V4L2_PIX_FMT_RGB32, SubtypeCode::ARGB32, "ARGB32"},
      // Other byte orders and everything else keep their own names.
      {V4L2_PIX_FMT_YVYU, SubtypeCode::Other, "YVYU"},
      {V4L2_PIX_FMT_RGBA32, SubtypeCode::Other, "AB24"},
      {V4L2_PIX_FMT_Y16_BE, SubtypeCode::Other, "Y16?"},  // big-endian flag in the last byte
      {0, SubtypeCode::Other, "????"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(V4l2SubtypeOf(c.pixel_format), (V4l2Subtype{c.code, c.name})) << c.name;
    // The names of the known subtypes are exactly the station's own.
    if (c.code != SubtypeCode::Other) {
      EXPECT_EQ(SubtypeCodeOf(c.name), c.code);
    }
  }
}

TEST(V4l2TranslationTest, FrameTimesAndRatesOfOddIntervals) {
  EXPECT_EQ(AverageTimePerFrame({2, 3}), 6666667u);   // 6666666.67 rounds up
  EXPECT_EQ(AverageTimePerFrame({1, 20000000}), 1u);  // 0.5 rounds up
  EXPECT_EQ(AverageTimePerFrame({1, 20000001}), 0u);
  // No division by zero, no overflow.
  for (V4l2Fraction zero : {V4l2Fraction{0, 25}, {1, 0}, {0, 0}}) {
    EXPECT_EQ(AverageTimePerFrame(zero), 0u);
  }
  EXPECT_EQ(AverageTimePerFrame({kMax32, 1}), kMax32);
  EXPECT_EQ(AverageTimePerFrame({kMax32, kMax32}), 10000000u);

  std::int32_t numerator = 0;
  std::int32_t denominator = 0;
  ASSERT_TRUE(FrameRateOf({2, 50}, &numerator, &denominator));
  EXPECT_EQ(numerator, 25);
  EXPECT_EQ(denominator, 1);
  // Parts beyond 32-bit signed are scaled down together, never to zero.
  ASSERT_TRUE(FrameRateOf({3, kMax32}, &numerator, &denominator));
  EXPECT_NEAR(static_cast<double>(numerator) / denominator, kMax32 / 3.0, kMax32 / 3.0 * 1e-6);
  ASSERT_TRUE(FrameRateOf({kMax32, 1}, &numerator, &denominator));
  EXPECT_EQ(numerator, 1);
  EXPECT_GT(denominator, 0);
  EXPECT_FALSE(FrameRateOf({0, 30}, &numerator, &denominator));
  EXPECT_FALSE(FrameRateOf({1, 0}, &numerator, &denominator));
}

TEST(V4l2TranslationTest, SizeAnswersBecomeSizesToOffer) {
  using Kind = V4l2Enumeration;
  const struct {
    V4l2FrameSizeAnswer answer;
    Sizes sizes;
  } cases[] = {
      // Common sizes on the range's grid (widths in 32s from 64, heights in 8s from 40),
      // then the largest.
      {{Kind::Stepwise, {}, 64, 1000, 32, 40, 1000, 8},
       {{160, 120}, {320, 240}, {352, 288}, {640, 480}, {800, 600}, {1000, 1000}}},
      // A zero step is taken as 1; the largest is already among them.
      {{Kind::Stepwise, {}, 320, 640, 0, 240, 480, 0}, {{320, 240}, {352, 288}, {640, 480}}},
      {{Kind::Stepwise, {}, 640, 320, 1, 480, 240, 1}, {}},  // upside down
      {{Kind::Continuous, {}, 0, 0, 0, 0, 0, 0}, {}},
      {{}, {}},
  };
  for (const auto& c : cases) EXPECT_EQ(V4l2SizesFromAnswer(c.answer), c.sizes);
  V4l2FrameSizeAnswer discrete;
  discrete.kind = Kind::Discrete;
  discrete.discrete = {{0, 480}, {640, 0}, {kMax32, 480}, {1280, 720}, {640, 480}};
  EXPECT_EQ(V4l2SizesFromAnswer(discrete), (Sizes{{1280, 720}, {640, 480}}));

  // Continuous ranges ignore their step; a largest size beyond int32 is left out.
  const Sizes sizes = V4l2SizesFromAnswer({Kind::Continuous, {}, 640, 4000, 7, 480, 3000, 9});
  ASSERT_EQ(sizes.size(), 13u);
  EXPECT_EQ(sizes.front(), (V4l2FrameSize{640, 480}));
  EXPECT_EQ(sizes[11], (V4l2FrameSize{3840, 2160}));
  EXPECT_EQ(sizes.back(), (V4l2FrameSize{4000, 3000}));
  EXPECT_EQ(V4l2SizesFromAnswer({Kind::Continuous, {}, 1, kMax32, 1, 1, kMax32, 1}).size(),
            V4l2CommonFrameSizes().size());
}

TEST(V4l2TranslationTest, IntervalAnswers) {
  V4l2FrameIntervalAnswer discrete;
  discrete.kind = V4l2Enumeration::Discrete;
  discrete.discrete = {{1, 30}, {0, 15}, {1, 0}, {1, 5}};
  EXPECT_EQ(V4l2IntervalsFromAnswer(discrete), (std::vector<V4l2Fraction>{{1, 30}, {1, 5}}));
  V4l2FrameIntervalAnswer range{V4l2Enumeration::Stepwise, {}, {1, 60}, {1, 1}, {1, 60}};
  EXPECT_EQ(V4l2IntervalsFromAnswer(range), (std::vector<V4l2Fraction>{{1, 60}, {1, 1}}));
  range.kind = V4l2Enumeration::Continuous;
  range.maximum = {2, 120};  // the same time as the minimum
  EXPECT_EQ(V4l2IntervalsFromAnswer(range), (std::vector<V4l2Fraction>{{1, 60}}));
  range.minimum = {1, 0};
  range.maximum = {0, 0};
  EXPECT_TRUE(V4l2IntervalsFromAnswer(range).empty());
}

TEST(V4l2TranslationTest, StandardsMapToFamilies) {
  const std::pair<v4l2_std_id, Family> cases[] = {
      {V4L2_STD_PAL_B, Family::Pal},
      {V4L2_STD_PAL_DK, Family::Pal},
      {V4L2_STD_PAL, Family::Pal},
      {V4L2_STD_NTSC_M, Family::NtscM},
      {V4L2_STD_NTSC_M_KR, Family::NtscM},
      {V4L2_STD_NTSC, Family::NtscM},
      {V4L2_STD_NTSC_M_JP, Family::NtscMJ},
      {V4L2_STD_NTSC_443, Family::Ntsc443},
      {V4L2_STD_PAL_M, Family::PalM},
      {V4L2_STD_PAL_60, Family::Pal60},
      {V4L2_STD_PAL_N, Family::PalN},
      {V4L2_STD_PAL_Nc, Family::PalNc},
      {V4L2_STD_SECAM_L, Family::Secam},
      {V4L2_STD_SECAM, Family::Secam},
      // Undecided or mixed masks name no family.
      {0, Family::None},
      {V4L2_STD_ALL, Family::None},
      {V4L2_STD_PAL_B | V4L2_STD_NTSC_M, Family::None},
      {V4L2_STD_PAL_B | V4L2_STD_SECAM_L, Family::None},
      {V4L2_STD_NTSC_M | V4L2_STD_PAL_M, Family::None},
      {V4L2_STD_ATSC_8_VSB, Family::None},
  };
  for (const auto& [standard, family] : cases) {
    EXPECT_EQ(V4l2StandardFamilyOf(standard), family) << std::hex << standard;
  }
}

TEST(V4l2TranslationTest, FamiliesMapToTheStandardTheDeviceLists) {
  // As a SAA711x-based grabber lists them: the family masks come first.
  const std::vector<V4l2StandardEntry> all = {
      {V4L2_STD_NTSC, "", {1001, 30000}, 525}, {V4L2_STD_NTSC_M, "", {1001, 30000}, 525},
      {V4L2_STD_PAL, "", {1, 25}, 625},        {V4L2_STD_PAL_BG, "", {1, 25}, 625},
      {V4L2_STD_PAL_B, "", {1, 25}, 625},      {V4L2_STD_PAL_M, "", {1001, 30000}, 525},
      {V4L2_STD_SECAM, "", {1, 25}, 625}};
  const std::vector<V4l2StandardEntry> families = {all[0], all[2]};
  const std::pair<Family, v4l2_std_id> cases[] = {{Family::Pal, V4L2_STD_PAL_B},
                                                  {Family::NtscM, V4L2_STD_NTSC_M},
                                                  {Family::PalM, V4L2_STD_PAL_M},
                                                  {Family::Secam, V4L2_STD_SECAM}};
  for (const auto& [family, expected] : cases) {
    v4l2_std_id standard = 0;
    ASSERT_TRUE(V4l2StandardOfFamily(family, all, &standard));
    EXPECT_EQ(standard, expected);  // the exact standard beats the earlier family masks
    // A driver that lists only the family masks: one that reads back as the family.
    if (family == Family::Pal || family == Family::NtscM) {
      ASSERT_TRUE(V4l2StandardOfFamily(family, families, &standard));
      EXPECT_EQ(V4l2StandardFamilyOf(standard), family);
    }
  }
  v4l2_std_id standard = 7;
  EXPECT_FALSE(V4l2StandardOfFamily(Family::Pal60, all, &standard));
  EXPECT_FALSE(V4l2StandardOfFamily(Family::None, all, &standard));
  EXPECT_FALSE(V4l2StandardOfFamily(Family::Pal, {all[1]}, &standard));
  EXPECT_EQ(standard, 7u);
}

TEST(V4l2TranslationTest, AnalogOnlyWithStandardsOnTheCurrentInput) {
  V4l2StandardAnswers answers{true, {{0, "", {}, 0}}};
  EXPECT_FALSE(V4l2IsAnalog(answers));
  answers.standards = {{V4L2_STD_PAL_B, "", {1, 25}, 625}};
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
}

TEST(V4l2TranslationTest, AnalogSizesFollowTheListedStandards) {
  const V4l2FrameSizeAnswer narrow{V4l2Enumeration::Continuous, {}, 48, 640, 1, 38, 480, 1};
  const V4l2StandardAnswers pal_first{
      true, {{V4L2_STD_PAL_B, "", {1, 25}, 625}, {V4L2_STD_NTSC, "", {1001, 30000}, 525}}};
  EXPECT_EQ(V4l2AnalogSizes(narrow, pal_first.standards), (Sizes{{640, 576}, {640, 480}}));
  EXPECT_TRUE(V4l2AnalogSizes(narrow, {{V4L2_STD_SECAM, "", {1, 25}, 625}}).empty());

  // A discrete list is offered as it is; a node that lists nothing offers its standards'
  // pictures when analog, the size it would take when not (unless that is empty).
  V4l2FrameSizeAnswer discrete;
  discrete.kind = V4l2Enumeration::Discrete;
  discrete.discrete = {{352, 288}};
  EXPECT_EQ(V4l2SizesToOffer(discrete, pal_first, {}), (Sizes{{352, 288}}));
  EXPECT_EQ(V4l2SizesToOffer({}, pal_first, {640, 480}), (Sizes{{720, 576}, {720, 480}}));
  EXPECT_EQ(V4l2SizesToOffer({}, {}, {800, 600}), (Sizes{{800, 600}}));
  EXPECT_TRUE(V4l2SizesToOffer({}, {}, {0, 600}).empty());
}

V4l2SizeWithIntervals Sized(std::uint32_t width, std::uint32_t height,
                            std::vector<V4l2Fraction> intervals) {
  const V4l2Enumeration kind =
      intervals.empty() ? V4l2Enumeration::NotSupported : V4l2Enumeration::Discrete;
  return {{width, height}, {kind, std::move(intervals), {}, {}, {}}};
}

TEST(V4l2TranslationTest, OddDriverAnswersNeverMakeBadMediaTypes) {
  V4l2DeviceAnswers answers;
  answers.formats = {
      {V4L2_PIX_FMT_YUYV,
       "",
       0,
       {Sized(0, 480, {{1, 30}}), Sized(640, 0, {{1, 30}}),
        Sized(640, 480, {{0, 30}, {1, 0}, {0, 0}}), Sized(640, 480, {}),
        Sized(kMax32, 480, {{1, 30}}), Sized(320, 240, {{kMax32, 1}, {1, kMax32}})}}};
  const std::vector<MediaType> types = V4l2MediaTypes(answers);
  ASSERT_EQ(types.size(), 2u);
  for (const MediaType& type : types) {
    EXPECT_EQ(type.width, 320);
    EXPECT_EQ(type.height, 240);
    EXPECT_GT(type.rate_numerator, 0);
    EXPECT_GT(type.rate_denominator, 0);
  }
  EXPECT_EQ(types[0].avg_time_per_frame, kMax32);  // saturated, not wrapped
  EXPECT_EQ(types[1].avg_time_per_frame, 0u);      // the device model drops zero frame times
}

TEST(V4l2TranslationTest, AnalogTypesTakeTheStandardOfTheirHeight) {
  V4l2DeviceAnswers answers;
  // A zero frame period from the driver falls back to the standard's own.
  answers.standards = {true,
                       {{V4L2_STD_PAL, "", {0, 0}, 625}, {V4L2_STD_NTSC, "", {1001, 30000}, 525}}};
  answers.current_standard_known = true;
  answers.current_standard = V4L2_STD_NTSC_M;
  // Heights of neither standard take the current one; an interval the driver gives wins
  // over the standard's period.
  answers.formats = {{V4L2_PIX_FMT_UYVY,
                      "",
                      0,
                      {Sized(360, 288, {}), Sized(352, 240, {}), Sized(720, 500, {}),
                       Sized(720, 576, {{1, 50}})}}};
  const std::vector<MediaType> types = V4l2MediaTypes(answers);
  ASSERT_EQ(types.size(), 4u);
  const AnalogFormat standards[] = {AnalogFormat::PAL, AnalogFormat::NTSC, AnalogFormat::NTSC,
                                    AnalogFormat::PAL};
  const std::uint32_t times[] = {400000, 333667, 333667, 200000};
  for (std::size_t i = 0; i < types.size(); ++i) {
    EXPECT_EQ(types[i].standard, standards[i]) << i;
    EXPECT_EQ(types[i].avg_time_per_frame, times[i]) << i;
  }

  // Without a known current standard an unusual height has none either, and no frame time.
  answers.current_standard_known = false;
  answers.formats[0].sized = {Sized(720, 500, {})};
  EXPECT_TRUE(V4l2MediaTypes(answers).empty());
  answers.formats[0].sized = {Sized(720, 500, {{1, 25}})};
  ASSERT_EQ(V4l2MediaTypes(answers).size(), 1u);
  EXPECT_EQ(V4l2MediaTypes(answers)[0].standard, AnalogFormat::Unknown);
}

}  // namespace
}  // namespace vesk
