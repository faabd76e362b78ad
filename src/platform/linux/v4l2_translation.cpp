#include "platform/linux/v4l2_translation.h"

#include <linux/videodev2.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <numeric>

namespace vesk {
namespace {

constexpr std::uint64_t kTicksPerSecond = 10'000'000;
constexpr std::uint32_t kMaxDimension = static_cast<std::uint32_t>(INT32_MAX);

// Standard families as one mask each.
constexpr std::uint64_t kPalFamily = V4L2_STD_PAL;  // B, B1, G, H, I, D, D1, K
constexpr std::uint64_t kNtscM = V4L2_STD_NTSC_M | V4L2_STD_NTSC_M_KR;
constexpr std::uint64_t kLines525 = V4L2_STD_525_60;
constexpr std::uint64_t kLines625 = V4L2_STD_625_50;

bool ValidSize(const V4l2FrameSize& size) {
  return size.width > 0 && size.height > 0 && size.width <= kMaxDimension &&
         size.height <= kMaxDimension;
}

bool ValidInterval(const V4l2Fraction& interval) {
  return interval.numerator != 0 && interval.denominator != 0;
}

// Whether value lies in [minimum, maximum] on the grid minimum + k * step.
bool OnGrid(std::uint32_t value, std::uint32_t minimum, std::uint32_t maximum, std::uint32_t step) {
  if (value < minimum || value > maximum) return false;
  if (step <= 1) return true;
  return (value - minimum) % step == 0;
}

}  // namespace

V4l2Subtype V4l2SubtypeOf(std::uint32_t pixel_format) {
  switch (pixel_format) {
    case V4L2_PIX_FMT_MJPEG:
    case V4L2_PIX_FMT_JPEG:
      return {SubtypeCode::MJPG, "MJPG"};
    case V4L2_PIX_FMT_YUYV:
      return {SubtypeCode::YUY2, "YUY2"};
    case V4L2_PIX_FMT_UYVY:
      return {SubtypeCode::UYVY, "UYVY"};
    case V4L2_PIX_FMT_BGR24:
    case V4L2_PIX_FMT_RGB24:
      return {SubtypeCode::RGB24, "RGB24"};
    case V4L2_PIX_FMT_ABGR32:
    case V4L2_PIX_FMT_XBGR32:
    case V4L2_PIX_FMT_BGR32:
    case V4L2_PIX_FMT_ARGB32:
    case V4L2_PIX_FMT_XRGB32:
    case V4L2_PIX_FMT_RGB32:
      return {SubtypeCode::ARGB32, "ARGB32"};
    default:
      return {SubtypeCode::Other, FourccText(pixel_format)};
  }
}

std::string FourccText(std::uint32_t fourcc) {
  std::string text(4, '?');
  for (int i = 0; i < 4; ++i) {
    const auto byte = static_cast<unsigned char>((fourcc >> (8 * i)) & 0xFF);
    if (byte >= 32 && byte <= 126) text[static_cast<std::size_t>(i)] = static_cast<char>(byte);
  }
  return text;
}

const std::vector<V4l2FrameSize>& V4l2CommonFrameSizes() {
  static const std::vector<V4l2FrameSize> kSizes = {
      {160, 120},   {176, 144},   {320, 240},   {352, 288},   {640, 480},  {720, 480},
      {720, 576},   {800, 600},   {1024, 768},  {1280, 720},  {1280, 960}, {1280, 1024},
      {1600, 1200}, {1920, 1080}, {2560, 1440}, {3840, 2160},
  };
  return kSizes;
}

std::vector<V4l2FrameSize> V4l2SizesFromAnswer(const V4l2FrameSizeAnswer& answer) {
  std::vector<V4l2FrameSize> sizes;
  switch (answer.kind) {
    case V4l2Enumeration::Discrete:
      for (const V4l2FrameSize& size : answer.discrete) {
        if (ValidSize(size)) sizes.push_back(size);
      }
      break;
    case V4l2Enumeration::Stepwise:
    case V4l2Enumeration::Continuous: {
      const bool continuous = answer.kind == V4l2Enumeration::Continuous;
      const std::uint32_t step_width = continuous ? 1 : answer.step_width;
      const std::uint32_t step_height = continuous ? 1 : answer.step_height;
      if (answer.min_width > answer.max_width || answer.min_height > answer.max_height) break;
      for (const V4l2FrameSize& size : V4l2CommonFrameSizes()) {
        if (OnGrid(size.width, answer.min_width, answer.max_width, step_width) &&
            OnGrid(size.height, answer.min_height, answer.max_height, step_height)) {
          sizes.push_back(size);
        }
      }
      const V4l2FrameSize largest{answer.max_width, answer.max_height};
      if (ValidSize(largest) && std::find(sizes.begin(), sizes.end(), largest) == sizes.end()) {
        sizes.push_back(largest);
      }
      break;
    }
    case V4l2Enumeration::NotSupported:
      break;
  }
  return sizes;
}

std::vector<V4l2Fraction> V4l2IntervalsFromAnswer(const V4l2FrameIntervalAnswer& answer) {
  std::vector<V4l2Fraction> intervals;
  switch (answer.kind) {
    case V4l2Enumeration::Discrete:
      for (const V4l2Fraction& interval : answer.discrete) {
        if (ValidInterval(interval)) intervals.push_back(interval);
      }
      break;
    case V4l2Enumeration::Stepwise:
    case V4l2Enumeration::Continuous:
      if (ValidInterval(answer.minimum)) intervals.push_back(answer.minimum);
      if (ValidInterval(answer.maximum) &&
          AverageTimePerFrame(answer.maximum) != AverageTimePerFrame(answer.minimum)) {
        intervals.push_back(answer.maximum);
      }
      break;
    case V4l2Enumeration::NotSupported:
      break;
  }
  return intervals;
}

std::uint32_t AverageTimePerFrame(const V4l2Fraction& interval) {
  if (!ValidInterval(interval)) return 0;
  // At most 1e7 * (2^32 - 1) * 2 + 2^32: well inside 64 bits.
  const std::uint64_t doubled = kTicksPerSecond * interval.numerator * 2;
  const std::uint64_t rounded =
      (doubled + interval.denominator) / (2 * static_cast<std::uint64_t>(interval.denominator));
  return static_cast<std::uint32_t>(
      std::min<std::uint64_t>(rounded, std::numeric_limits<std::uint32_t>::max()));
}

bool FrameRateOf(const V4l2Fraction& interval, std::int32_t* numerator, std::int32_t* denominator) {
  if (!ValidInterval(interval)) return false;
  std::uint64_t rate_numerator = interval.denominator;
  std::uint64_t rate_denominator = interval.numerator;
  const std::uint64_t divisor = std::gcd(rate_numerator, rate_denominator);
  rate_numerator /= divisor;
  rate_denominator /= divisor;
  while (rate_numerator > kMaxDimension || rate_denominator > kMaxDimension) {
    rate_numerator >>= 1;
    rate_denominator >>= 1;
  }
  // Scaling a very uneven fraction can empty one side; keep it a valid fraction.
  if (rate_numerator == 0) rate_numerator = 1;
  if (rate_denominator == 0) rate_denominator = 1;
  *numerator = static_cast<std::int32_t>(rate_numerator);
  *denominator = static_cast<std::int32_t>(rate_denominator);
  return true;
}

bool V4l2IsAnalog(const V4l2StandardAnswers& answers) {
  if (!answers.enumerates_standards) return false;
  const bool any_standard = std::any_of(answers.standards.begin(), answers.standards.end(),
                                        [](const V4l2StandardEntry& s) { return s.id != 0; });
  if (!any_standard) return false;
  if (answers.input_known && answers.input_std == 0 &&
      (answers.input_capabilities & V4L2_IN_CAP_STD) == 0) {
    return false;
  }
  return true;
}

V4l2StandardFamily V4l2StandardFamilyOf(v4l2_std_id standard) {
  using Family = V4l2StandardFamily;
  const bool has525 = (standard & kLines525) != 0;
  const bool has625 = (standard & kLines625) != 0;
  if (has525 == has625) return Family::None;  // empty, or both line counts
  if (has625) {
    if ((standard & ~kPalFamily & kLines625) == 0) return Family::Pal;
    if ((standard & ~V4L2_STD_PAL_N & kLines625) == 0) return Family::PalN;
    if ((standard & ~V4L2_STD_PAL_Nc & kLines625) == 0) return Family::PalNc;
    if ((standard & ~V4L2_STD_SECAM & kLines625) == 0) return Family::Secam;
    return Family::None;
  }
  if ((standard & ~kNtscM & kLines525) == 0) return Family::NtscM;
  if ((standard & ~V4L2_STD_NTSC_M_JP & kLines525) == 0) return Family::NtscMJ;
  if ((standard & ~V4L2_STD_NTSC_443 & kLines525) == 0) return Family::Ntsc443;
  if ((standard & ~V4L2_STD_PAL_M & kLines525) == 0) return Family::PalM;
  if ((standard & ~V4L2_STD_PAL_60 & kLines525) == 0) return Family::Pal60;
  // A mask such as V4L2_STD_NTSC (M, M-JP and M-KR together) still names NTSC-M first.
  if ((standard & ~V4L2_STD_NTSC & kLines525) == 0) return Family::NtscM;
  return Family::None;
}

V4l2StandardFamily V4l2DetectedFamily(v4l2_std_id detected) {
  const bool has525 = (detected & kLines525) != 0;
  const bool has625 = (detected & kLines625) != 0;
  if (has525 == has625) return V4l2StandardFamily::None;
  return has625 ? V4l2StandardFamily::Pal : V4l2StandardFamily::NtscM;
}

bool V4l2StandardOfFamily(V4l2StandardFamily family,
                          const std::vector<V4l2StandardEntry>& standards, v4l2_std_id* standard) {
  if (family == V4l2StandardFamily::None) return false;
  // The plain standard of the family is preferred to the earlier family masks.
  const v4l2_std_id exact = family == V4l2StandardFamily::Pal     ? V4L2_STD_PAL_B
                            : family == V4l2StandardFamily::NtscM ? V4L2_STD_NTSC_M
                                                                  : 0;
  for (const V4l2StandardEntry& entry : standards) {
    if (exact != 0 && entry.id == exact) {
      *standard = entry.id;
      return true;
    }
  }
  for (const V4l2StandardEntry& entry : standards) {
    if (V4l2StandardFamilyOf(entry.id) == family) {
      *standard = entry.id;
      return true;
    }
  }
  return false;
}

AnalogFormat AnalogFormatOfHeight(std::uint32_t height, V4l2StandardFamily current) {
  if (height == 576 || height == 288) return AnalogFormat::PAL;
  if (height == 480 || height == 240) return AnalogFormat::NTSC;
  if (current == V4l2StandardFamily::Pal) return AnalogFormat::PAL;
  if (current == V4l2StandardFamily::NtscM) return AnalogFormat::NTSC;
  return AnalogFormat::Unknown;
}

std::vector<V4l2FrameSize> V4l2AnalogSizes(const V4l2FrameSizeAnswer& answer,
                                           const std::vector<V4l2StandardEntry>& standards) {
  std::uint32_t width = 720;
  if ((answer.kind == V4l2Enumeration::Stepwise || answer.kind == V4l2Enumeration::Continuous) &&
      answer.max_width > 0 && answer.max_width < width) {
    width = answer.max_width;
  }
  std::vector<V4l2FrameSize> sizes;
  bool pal = false;
  bool ntsc = false;
  for (const V4l2StandardEntry& entry : standards) {
    const V4l2StandardFamily family = V4l2StandardFamilyOf(entry.id);
    if (family == V4l2StandardFamily::Pal && !pal) {
      pal = true;
      sizes.push_back({width, 576});
    } else if (family == V4l2StandardFamily::NtscM && !ntsc) {
      ntsc = true;
      sizes.push_back({width, 480});
    }
  }
  return sizes;
}

std::vector<V4l2FrameSize> V4l2SizesToOffer(const V4l2FrameSizeAnswer& answer,
                                            const V4l2StandardAnswers& standards,
                                            const V4l2FrameSize& tried) {
  if (answer.kind == V4l2Enumeration::Discrete) return V4l2SizesFromAnswer(answer);
  if (V4l2IsAnalog(standards)) return V4l2AnalogSizes(answer, standards.standards);
  if (answer.kind != V4l2Enumeration::NotSupported) return V4l2SizesFromAnswer(answer);
  if (ValidSize(tried)) return {tried};
  return {};
}

namespace {

// The frame period an analog node runs at for a picture of the given standard.
V4l2Fraction AnalogFramePeriod(AnalogFormat format,
                               const std::vector<V4l2StandardEntry>& standards) {
  const V4l2StandardFamily wanted =
      format == AnalogFormat::PAL ? V4l2StandardFamily::Pal : V4l2StandardFamily::NtscM;
  for (const V4l2StandardEntry& entry : standards) {
    if (V4l2StandardFamilyOf(entry.id) == wanted && ValidInterval(entry.frame_period)) {
      return entry.frame_period;
    }
  }
  return format == AnalogFormat::PAL ? V4l2Fraction{1, 25} : V4l2Fraction{1001, 30000};
}

}  // namespace

std::vector<MediaType> V4l2MediaTypes(const V4l2DeviceAnswers& answers) {
  const bool analog = V4l2IsAnalog(answers.standards);
  const V4l2StandardFamily current = answers.current_standard_known
                                         ? V4l2StandardFamilyOf(answers.current_standard)
                                         : V4l2StandardFamily::None;
  std::vector<MediaType> types;
  for (const V4l2FormatAnswer& format : answers.formats) {
    const V4l2Subtype subtype = V4l2SubtypeOf(format.pixel_format);
    for (const V4l2SizeWithIntervals& sized : format.sized) {
      if (!ValidSize(sized.size)) continue;
      const AnalogFormat standard =
          analog ? AnalogFormatOfHeight(sized.size.height, current) : AnalogFormat::Digital;
      std::vector<V4l2Fraction> intervals = V4l2IntervalsFromAnswer(sized.intervals);
      if (intervals.empty() && analog &&
          (standard == AnalogFormat::PAL || standard == AnalogFormat::NTSC)) {
        intervals.push_back(AnalogFramePeriod(standard, answers.standards.standards));
      }
      for (const V4l2Fraction& interval : intervals) {
        MediaType type;
        type.is_video = true;
        type.subtype_name = subtype.name;
        type.subtype = subtype.code;
        type.has_format = true;
        type.width = static_cast<std::int32_t>(sized.size.width);
        type.height = static_cast<std::int32_t>(sized.size.height);
        type.avg_time_per_frame = AverageTimePerFrame(interval);
        if (!FrameRateOf(interval, &type.rate_numerator, &type.rate_denominator)) continue;
        type.standard = standard;
        types.push_back(std::move(type));
      }
    }
  }
  return types;
}

bool V4l2ControlUsable(const V4l2ControlAnswer& control) {
  if (!control.present || (control.flags & V4L2_CTRL_FLAG_DISABLED) != 0) return false;
  return control.type == V4L2_CTRL_TYPE_INTEGER || control.type == V4L2_CTRL_TYPE_BOOLEAN ||
         control.type == V4L2_CTRL_TYPE_MENU || control.type == V4L2_CTRL_TYPE_INTEGER_MENU;
}

bool V4l2ControlValueAllowed(const V4l2ControlAnswer& control, std::int32_t value) {
  return V4l2ControlUsable(control) && value >= control.minimum && value <= control.maximum;
}

FrameTimeOrigin V4l2FrameTimeOrigin(std::uint32_t buffer_flags) {
  return (buffer_flags & V4L2_BUF_FLAG_TSTAMP_SRC_MASK) == V4L2_BUF_FLAG_TSTAMP_SRC_SOE
             ? FrameTimeOrigin::kDriverStartOfExposure
             : FrameTimeOrigin::kDriverEndOfFrame;
}

}  // namespace vesk
