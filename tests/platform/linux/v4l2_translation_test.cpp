#include "platform/linux/v4l2_translation.h"

#include <gtest/gtest.h>
#include <linux/videodev2.h>

#include <cstdint>
#include <limits>
#include <vector>

namespace vesk {
namespace {

constexpr std::uint32_t kMax32 = std::numeric_limits<std::uint32_t>::max();

TEST(V4l2TranslationTest, PixelFormatsMapToTheStationsSubtypes) {
  struct Case {
    std::uint32_t pixel_format;
    SubtypeCode code;
    const char* name;
  };
  const Case cases[] = {
      {V4L2_PIX_FMT_MJPEG, SubtypeCode::MJPG, "MJPG"},
      {V4L2_PIX_FMT_JPEG, SubtypeCode::MJPG, "MJPG"},
      {V4L2_PIX_FMT_YUYV, SubtypeCode::YUY2, "YUY2"},
      {V4L2_PIX_FMT_UYVY, SubtypeCode::UYVY, "UYVY"},
      {V4L2_PIX_FMT_BGR24, SubtypeCode::RGB24, "RGB24"},
      {V4L2_PIX_FMT_RGB24, SubtypeCode::RGB24, "RGB24"},
      {V4L2_PIX_FMT_ABGR32, SubtypeCode::ARGB32, "ARGB32"},
      {V4L2_PIX_FMT_XBGR32, SubtypeCode::ARGB32, "ARGB32"},
      {V4L2_PIX_FMT_BGR32, SubtypeCode::ARGB32, "ARGB32"},
      {V4L2_PIX_FMT_ARGB32, SubtypeCode::ARGB32, "ARGB32"},
      {V4L2_PIX_FMT_XRGB32, SubtypeCode::ARGB32, "ARGB32"},
      {V4L2_PIX_FMT_RGB32, SubtypeCode::ARGB32, "ARGB32"},
      // Other byte orders and everything else keep their own names.
      {V4L2_PIX_FMT_YVYU, SubtypeCode::Other, "YVYU"},
      {V4L2_PIX_FMT_GREY, SubtypeCode::Other, "GREY"},
      {V4L2_PIX_FMT_H264, SubtypeCode::Other, "H264"},
      {V4L2_PIX_FMT_RGB565, SubtypeCode::Other, "RGBP"},
      {V4L2_PIX_FMT_RGBA32, SubtypeCode::Other, "AB24"},
      {V4L2_PIX_FMT_Y16_BE, SubtypeCode::Other, "Y16?"},  // big-endian flag in the last byte
      {0, SubtypeCode::Other, "????"},
  };
  for (const Case& c : cases) {
    const V4l2Subtype subtype = V4l2SubtypeOf(c.pixel_format);
    EXPECT_EQ(subtype.code, c.code) << c.name;
    EXPECT_EQ(subtype.name, c.name);
    // The names of the five known subtypes are exactly the station's own.
    if (c.code != SubtypeCode::Other) {
      EXPECT_EQ(SubtypeCodeOf(subtype.name), c.code);
    }
  }
}

TEST(V4l2TranslationTest, FrameTimesAreRoundedHundredNanosecondUnits) {
  EXPECT_EQ(AverageTimePerFrame({1, 25}), 400000u);
  EXPECT_EQ(AverageTimePerFrame({1001, 30000}), 333667u);
  EXPECT_EQ(AverageTimePerFrame({1, 30}), 333333u);
  EXPECT_EQ(AverageTimePerFrame({1, 15}), 666667u);
  EXPECT_EQ(AverageTimePerFrame({1, 5}), 2000000u);
  EXPECT_EQ(AverageTimePerFrame({2, 3}), 6666667u);   // 6666666.67 rounds up
  EXPECT_EQ(AverageTimePerFrame({1, 20000000}), 1u);  // 0.5 rounds up
  EXPECT_EQ(AverageTimePerFrame({1, 20000001}), 0u);
  // Odd answers: no division by zero, no overflow.
  EXPECT_EQ(AverageTimePerFrame({0, 25}), 0u);
  EXPECT_EQ(AverageTimePerFrame({1, 0}), 0u);
  EXPECT_EQ(AverageTimePerFrame({0, 0}), 0u);
  EXPECT_EQ(AverageTimePerFrame({kMax32, 1}), kMax32);
  EXPECT_EQ(AverageTimePerFrame({kMax32, kMax32}), 10000000u);
  EXPECT_EQ(AverageTimePerFrame({1, kMax32}), 0u);
}

TEST(V4l2TranslationTest, FrameRatesAreTheReducedInverse) {
  std::int32_t numerator = 0;
  std::int32_t denominator = 0;
  ASSERT_TRUE(FrameRateOf({1001, 30000}, &numerator, &denominator));
  EXPECT_EQ(numerator, 30000);
  EXPECT_EQ(denominator, 1001);
  ASSERT_TRUE(FrameRateOf({2, 50}, &numerator, &denominator));
  EXPECT_EQ(numerator, 25);
  EXPECT_EQ(denominator, 1);
  // Parts beyond 32-bit signed are scaled down together, never to zero.
  ASSERT_TRUE(FrameRateOf({3, kMax32}, &numerator, &denominator));
  EXPECT_GT(numerator, 0);
  EXPECT_GT(denominator, 0);
  EXPECT_NEAR(static_cast<double>(numerator) / denominator, kMax32 / 3.0, kMax32 / 3.0 * 1e-6);
  ASSERT_TRUE(FrameRateOf({kMax32, 1}, &numerator, &denominator));
  EXPECT_EQ(numerator, 1);
  EXPECT_GT(denominator, 0);
  EXPECT_FALSE(FrameRateOf({0, 30}, &numerator, &denominator));
  EXPECT_FALSE(FrameRateOf({1, 0}, &numerator, &denominator));
}

TEST(V4l2TranslationTest, RangesOfSizesBecomeCommonSizesOnTheirGridPlusTheLargest) {
  const V4l2FrameSizeAnswer analog_range{V4l2Enumeration::Stepwise, {}, 48, 720, 1, 38, 576, 1};
  EXPECT_EQ(
      V4l2SizesFromAnswer(analog_range),
      (std::vector<V4l2FrameSize>{
          {160, 120}, {176, 144}, {320, 240}, {352, 288}, {640, 480}, {720, 480}, {720, 576}}));

  // Widths in steps of 32 from 64 take 160, 320, 352, 640 and 800 but not 176 or 720;
  // heights in steps of 8 from 40 take all; 1000x1000 is the largest.
  const V4l2FrameSizeAnswer stepped{V4l2Enumeration::Stepwise, {}, 64, 1000, 32, 40, 1000, 8};
  EXPECT_EQ(V4l2SizesFromAnswer(stepped),
            (std::vector<V4l2FrameSize>{
                {160, 120}, {320, 240}, {352, 288}, {640, 480}, {800, 600}, {1000, 1000}}));

  // Continuous ranges ignore whatever step they carry.
  const V4l2FrameSizeAnswer continuous{V4l2Enumeration::Continuous, {}, 640, 4000, 7, 480, 3000, 9};
  const std::vector<V4l2FrameSize> sizes = V4l2SizesFromAnswer(continuous);
  ASSERT_EQ(sizes.size(), 13u);
  EXPECT_EQ(sizes.front(), (V4l2FrameSize{640, 480}));
  EXPECT_EQ(sizes[11], (V4l2FrameSize{3840, 2160}));
  EXPECT_EQ(sizes.back(), (V4l2FrameSize{4000, 3000}));
}

TEST(V4l2TranslationTest, OddSizeAnswersGiveNoBadSizes) {
  // Zero steps, an upside-down range, zero and oversized sizes.
  const V4l2FrameSizeAnswer zero_step{V4l2Enumeration::Stepwise, {}, 320, 640, 0, 240, 480, 0};
  EXPECT_EQ(V4l2SizesFromAnswer(zero_step),
            (std::vector<V4l2FrameSize>{{320, 240}, {352, 288}, {640, 480}}));
  const V4l2FrameSizeAnswer upside_down{V4l2Enumeration::Stepwise, {}, 640, 320, 1, 480, 240, 1};
  EXPECT_TRUE(V4l2SizesFromAnswer(upside_down).empty());
  const V4l2FrameSizeAnswer empty_range{V4l2Enumeration::Continuous, {}, 0, 0, 0, 0, 0, 0};
  EXPECT_TRUE(V4l2SizesFromAnswer(empty_range).empty());
  const V4l2FrameSizeAnswer huge_range{V4l2Enumeration::Continuous, {}, 1, kMax32, 1, 1, kMax32, 1};
  const std::vector<V4l2FrameSize> huge = V4l2SizesFromAnswer(huge_range);
  EXPECT_EQ(huge.size(), V4l2CommonFrameSizes().size());  // the largest does not fit an int32

  V4l2FrameSizeAnswer discrete;
  discrete.kind = V4l2Enumeration::Discrete;
  discrete.discrete = {{0, 480}, {640, 0}, {kMax32, 480}, {1280, 720}, {640, 480}};
  EXPECT_EQ(V4l2SizesFromAnswer(discrete), (std::vector<V4l2FrameSize>{{1280, 720}, {640, 480}}));
  EXPECT_TRUE(V4l2SizesFromAnswer(V4l2FrameSizeAnswer{}).empty());
}

TEST(V4l2TranslationTest, IntervalAnswers) {
  V4l2FrameIntervalAnswer discrete;
  discrete.kind = V4l2Enumeration::Discrete;
  discrete.discrete = {{1, 30}, {0, 15}, {1, 0}, {1, 5}};
  EXPECT_EQ(V4l2IntervalsFromAnswer(discrete), (std::vector<V4l2Fraction>{{1, 30}, {1, 5}}));

  V4l2FrameIntervalAnswer range;
  range.kind = V4l2Enumeration::Stepwise;
  range.minimum = {1, 60};
  range.maximum = {1, 1};
  range.step = {1, 60};
  EXPECT_EQ(V4l2IntervalsFromAnswer(range), (std::vector<V4l2Fraction>{{1, 60}, {1, 1}}));
  range.kind = V4l2Enumeration::Continuous;
  range.maximum = {2, 120};  // the same time as the minimum
  EXPECT_EQ(V4l2IntervalsFromAnswer(range), (std::vector<V4l2Fraction>{{1, 60}}));
  range.minimum = {1, 0};
  range.maximum = {0, 0};
  EXPECT_TRUE(V4l2IntervalsFromAnswer(range).empty());
  EXPECT_TRUE(V4l2IntervalsFromAnswer(V4l2FrameIntervalAnswer{}).empty());
}

TEST(V4l2TranslationTest, StandardsMapToFamilies) {
  using Family = V4l2StandardFamily;
  struct Case {
    v4l2_std_id standard;
    Family family;
  };
  const Case cases[] = {
      {V4L2_STD_PAL_B, Family::Pal},
      {V4L2_STD_PAL_BG, Family::Pal},
      {V4L2_STD_PAL_I, Family::Pal},
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
  for (const Case& c : cases) {
    EXPECT_EQ(V4l2StandardFamilyOf(c.standard), c.family) << std::hex << c.standard;
  }
}

// The standards a SAA711x-based grabber lists, in the kernel's order (all of them).
std::vector<V4l2StandardEntry> AllStandards() {
  return {
      {V4L2_STD_NTSC, "NTSC", {1001, 30000}, 525},
      {V4L2_STD_NTSC_M, "NTSC-M", {1001, 30000}, 525},
      {V4L2_STD_NTSC_M_JP, "NTSC-M-JP", {1001, 30000}, 525},
      {V4L2_STD_NTSC_M_KR, "NTSC-M-KR", {1001, 30000}, 525},
      {V4L2_STD_NTSC_443, "NTSC-443", {1001, 30000}, 525},
      {V4L2_STD_PAL, "PAL", {1, 25}, 625},
      {V4L2_STD_PAL_BG, "PAL-BG", {1, 25}, 625},
      {V4L2_STD_PAL_B, "PAL-B", {1, 25}, 625},
      {V4L2_STD_PAL_G, "PAL-G", {1, 25}, 625},
      {V4L2_STD_PAL_M, "PAL-M", {1001, 30000}, 525},
      {V4L2_STD_SECAM, "SECAM", {1, 25}, 625},
  };
}

TEST(V4l2TranslationTest, FamiliesMapToTheStandardTheDeviceLists) {
  using Family = V4l2StandardFamily;
  v4l2_std_id standard = 0;
  ASSERT_TRUE(V4l2StandardOfFamily(Family::Pal, AllStandards(), &standard));
  EXPECT_EQ(standard, V4L2_STD_PAL_B);  // exact beats the earlier family entries
  ASSERT_TRUE(V4l2StandardOfFamily(Family::NtscM, AllStandards(), &standard));
  EXPECT_EQ(standard, V4L2_STD_NTSC_M);
  ASSERT_TRUE(V4l2StandardOfFamily(Family::PalM, AllStandards(), &standard));
  EXPECT_EQ(standard, V4L2_STD_PAL_M);

  // A driver that lists only the families: the family is set, and reads back as asked.
  const std::vector<V4l2StandardEntry> families = {{V4L2_STD_NTSC, "NTSC", {1001, 30000}, 525},
                                                   {V4L2_STD_PAL, "PAL", {1, 25}, 625}};
  for (Family family : {Family::Pal, Family::NtscM}) {
    ASSERT_TRUE(V4l2StandardOfFamily(family, families, &standard));
    EXPECT_EQ(V4l2StandardFamilyOf(standard), family);
  }
  EXPECT_EQ(standard, V4L2_STD_NTSC);

  standard = 7;
  EXPECT_FALSE(V4l2StandardOfFamily(Family::Pal60, AllStandards(), &standard));
  EXPECT_FALSE(V4l2StandardOfFamily(Family::None, AllStandards(), &standard));
  EXPECT_FALSE(V4l2StandardOfFamily(Family::Pal, {}, &standard));
  const std::vector<V4l2StandardEntry> ntsc_only = {
      {V4L2_STD_NTSC_M, "NTSC-M", {1001, 30000}, 525}};
  EXPECT_FALSE(V4l2StandardOfFamily(Family::Pal, ntsc_only, &standard));
  EXPECT_EQ(standard, 7u);
}

TEST(V4l2TranslationTest, AnalogOnlyWithStandardsOnTheCurrentInput) {
  V4l2StandardAnswers answers;
  EXPECT_FALSE(V4l2IsAnalog(answers));
  answers.enumerates_standards = true;
  answers.standards = {{0, "", {}, 0}};
  EXPECT_FALSE(V4l2IsAnalog(answers));
  answers.standards = {{V4L2_STD_PAL_B, "PAL-B", {1, 25}, 625}};
  EXPECT_TRUE(V4l2IsAnalog(answers));
  // A composite input that calls itself a camera input is still analog.
  answers.input_known = true;
  answers.input_std = V4L2_STD_PAL_B;
  EXPECT_TRUE(V4l2IsAnalog(answers));
  // The digital input of a card that has analog ones too.
  answers.input_std = 0;
  answers.input_capabilities = 0;
  EXPECT_FALSE(V4l2IsAnalog(answers));
  answers.input_capabilities = V4L2_IN_CAP_STD;
  EXPECT_TRUE(V4l2IsAnalog(answers));
}

TEST(V4l2TranslationTest, AnalogSizesFollowTheListedStandards) {
  const V4l2FrameSizeAnswer range{V4l2Enumeration::Stepwise, {}, 48, 720, 1, 38, 576, 1};
  EXPECT_EQ(V4l2AnalogSizes(range, AllStandards()),
            (std::vector<V4l2FrameSize>{{720, 480}, {720, 576}}));
  const V4l2FrameSizeAnswer narrow{V4l2Enumeration::Continuous, {}, 48, 640, 1, 38, 480, 1};
  const std::vector<V4l2StandardEntry> pal_first = {
      {V4L2_STD_PAL_B, "PAL-B", {1, 25}, 625}, {V4L2_STD_NTSC_M, "NTSC-M", {1001, 30000}, 525}};
  EXPECT_EQ(V4l2AnalogSizes(narrow, pal_first),
            (std::vector<V4l2FrameSize>{{640, 576}, {640, 480}}));
  const std::vector<V4l2StandardEntry> secam_only = {{V4L2_STD_SECAM, "SECAM", {1, 25}, 625}};
  EXPECT_TRUE(V4l2AnalogSizes(range, secam_only).empty());

  // Which sizes are offered: a discrete list as it is, a range by node kind, the tried size
  // of a digital node that lists nothing.
  V4l2StandardAnswers analog;
  analog.enumerates_standards = true;
  analog.standards = pal_first;
  const V4l2StandardAnswers digital;
  V4l2FrameSizeAnswer discrete;
  discrete.kind = V4l2Enumeration::Discrete;
  discrete.discrete = {{352, 288}};
  EXPECT_EQ(V4l2SizesToOffer(discrete, analog, {}), (std::vector<V4l2FrameSize>{{352, 288}}));
  EXPECT_EQ(V4l2SizesToOffer(V4l2FrameSizeAnswer{}, analog, {640, 480}),
            (std::vector<V4l2FrameSize>{{720, 576}, {720, 480}}));
  EXPECT_EQ(
      V4l2SizesToOffer(narrow, digital, {}),
      (std::vector<V4l2FrameSize>{{160, 120}, {176, 144}, {320, 240}, {352, 288}, {640, 480}}));
  EXPECT_EQ(V4l2SizesToOffer(V4l2FrameSizeAnswer{}, digital, {800, 600}),
            (std::vector<V4l2FrameSize>{{800, 600}}));
  EXPECT_TRUE(V4l2SizesToOffer(V4l2FrameSizeAnswer{}, digital, {0, 600}).empty());
}

V4l2SizeWithIntervals Sized(std::uint32_t width, std::uint32_t height,
                            std::vector<V4l2Fraction> intervals) {
  V4l2SizeWithIntervals sized;
  sized.size = {width, height};
  if (!intervals.empty()) {
    sized.intervals.kind = V4l2Enumeration::Discrete;
    sized.intervals.discrete = std::move(intervals);
  }
  return sized;
}

TEST(V4l2TranslationTest, OddDriverAnswersNeverMakeBadMediaTypes) {
  V4l2DeviceAnswers answers;
  V4l2FormatAnswer format;
  format.pixel_format = V4L2_PIX_FMT_YUYV;
  format.sized = {Sized(0, 480, {{1, 30}}),
                  Sized(640, 0, {{1, 30}}),
                  Sized(640, 480, {{0, 30}, {1, 0}, {0, 0}}),
                  Sized(640, 480, {}),
                  Sized(kMax32, 480, {{1, 30}}),
                  Sized(320, 240, {{kMax32, 1}, {1, kMax32}})};
  answers.formats = {format};
  const std::vector<MediaType> types = V4l2MediaTypes(answers);
  ASSERT_EQ(types.size(), 2u);
  for (const MediaType& type : types) {
    EXPECT_EQ(type.width, 320);
    EXPECT_EQ(type.height, 240);
    EXPECT_GT(type.rate_numerator, 0);
    EXPECT_GT(type.rate_denominator, 0);
    EXPECT_EQ(type.standard, AnalogFormat::Digital);
  }
  EXPECT_EQ(types[0].avg_time_per_frame, kMax32);  // saturated, not wrapped
  EXPECT_EQ(types[0].rate_numerator, 1);
  EXPECT_EQ(types[1].avg_time_per_frame, 0u);  // the device model drops zero frame times
}

TEST(V4l2TranslationTest, AnalogTypesTakeTheStandardOfTheirHeight) {
  V4l2DeviceAnswers answers;
  answers.standards.enumerates_standards = true;
  // A zero frame period from the driver falls back to the standard's own.
  answers.standards.standards = {{V4L2_STD_PAL, "PAL", {0, 0}, 625},
                                 {V4L2_STD_NTSC, "NTSC", {1001, 30000}, 525}};
  answers.current_standard_known = true;
  answers.current_standard = V4L2_STD_NTSC_M;
  V4l2FormatAnswer format;
  format.pixel_format = V4L2_PIX_FMT_UYVY;
  format.sized = {Sized(720, 576, {}), Sized(360, 288, {}), Sized(640, 480, {}),
                  Sized(352, 240, {}), Sized(720, 500, {}),
                  // An interval the driver gives wins over the standard's period.
                  Sized(720, 576, {{1, 50}})};
  answers.formats = {format};
  const std::vector<MediaType> types = V4l2MediaTypes(answers);
  ASSERT_EQ(types.size(), 6u);
  const AnalogFormat standards[] = {AnalogFormat::PAL,  AnalogFormat::PAL,  AnalogFormat::NTSC,
                                    AnalogFormat::NTSC, AnalogFormat::NTSC, AnalogFormat::PAL};
  const std::uint32_t times[] = {400000, 400000, 333667, 333667, 333667, 200000};
  for (std::size_t i = 0; i < types.size(); ++i) {
    EXPECT_EQ(types[i].subtype, SubtypeCode::UYVY);
    EXPECT_EQ(types[i].standard, standards[i]) << i;
    EXPECT_EQ(types[i].avg_time_per_frame, times[i]) << i;
  }
  EXPECT_EQ(types[0].rate_numerator, 25);
  EXPECT_EQ(types[2].rate_numerator, 30000);
  EXPECT_EQ(types[2].rate_denominator, 1001);

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
