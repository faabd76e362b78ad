#pragma once

// Every decision about what a V4L2 driver's answers mean for the station: pixel formats
// to subtypes, frame sizes and intervals to media types, controls to proc-amp ranges and
// flags, video standards to TV formats. The answers come in as plain structs that mirror
// the driver's, so these functions run (and are tested) without a device.

#include <cstdint>
#include <string>
#include <vector>

#include "base/hresult.h"
#include "media/media_graph.h"
#include "media/video_types.h"

namespace vesk {

// The driver does not offer the control (the platform's "property not supported").
constexpr HResult kV4l2PropertyUnsupported = static_cast<HResult>(0x80070490u);
// The device has gone (unplugged while open).
constexpr HResult kV4l2DeviceGone = static_cast<HResult>(0x8007048Fu);

// TV formats beyond the two the station supports, so that a device set to one of them is
// reported as it is (and refused by the device model) rather than mistaken for another.
constexpr std::int32_t kAnalogVideoNone = 0x0;
constexpr std::int32_t kAnalogVideoNtscMJ = 0x2;
constexpr std::int32_t kAnalogVideoNtsc433 = 0x4;
constexpr std::int32_t kAnalogVideoPalM = 0x200;
constexpr std::int32_t kAnalogVideoPalN = 0x400;
constexpr std::int32_t kAnalogVideoPal60 = 0x800;
constexpr std::int32_t kAnalogVideoSecamB = 0x1000;
constexpr std::int32_t kAnalogVideoPalNCombo = 0x100000;

// ---- Pixel formats ----

// The station's subtype of a V4L2 pixel format and its name:
//   MJPG, JPEG                         -> "MJPG" (every frame is one JPEG picture)
//   YUYV                               -> "YUY2" (same byte order)
//   UYVY                               -> "UYVY"
//   BGR24, RGB24                       -> "RGB24" (BGR24 has the byte order of the station's
//                                         RGB24; RGB24 carries the same picture with red and
//                                         blue swapped, which the pipeline's converter undoes)
//   ABGR32, XBGR32, BGR32,
//   ARGB32, XRGB32, RGB32              -> "ARGB32" (the first three have its byte order
//                                         B,G,R,A; the others are converted)
//   anything else                      -> Other, named by its four characters
struct V4l2Subtype {
  SubtypeCode code = SubtypeCode::Other;
  std::string name;
  friend bool operator==(const V4l2Subtype&, const V4l2Subtype&) = default;
};
V4l2Subtype V4l2SubtypeOf(std::uint32_t pixel_format);

// The four characters of a fourcc, first byte first; bytes outside 32..126 become '?'.
std::string FourccText(std::uint32_t fourcc);

// ---- Frame sizes and intervals ----

// How the driver answered an enumeration of sizes or intervals.
enum class V4l2Enumeration {
  Discrete,
  Stepwise,
  Continuous,
  // The driver does not enumerate (the ioctl failed at index 0).
  NotSupported,
};

struct V4l2Fraction {
  std::uint32_t numerator = 0;
  std::uint32_t denominator = 0;
  friend bool operator==(const V4l2Fraction&, const V4l2Fraction&) = default;
};

struct V4l2FrameSize {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  friend bool operator==(const V4l2FrameSize&, const V4l2FrameSize&) = default;
};

// VIDIOC_ENUM_FRAMESIZES for one pixel format.
struct V4l2FrameSizeAnswer {
  V4l2Enumeration kind = V4l2Enumeration::NotSupported;
  std::vector<V4l2FrameSize> discrete;
  // Stepwise and continuous answers (continuous has steps of 1).
  std::uint32_t min_width = 0;
  std::uint32_t max_width = 0;
  std::uint32_t step_width = 0;
  std::uint32_t min_height = 0;
  std::uint32_t max_height = 0;
  std::uint32_t step_height = 0;
};

// VIDIOC_ENUM_FRAMEINTERVALS for one pixel format and size.
struct V4l2FrameIntervalAnswer {
  V4l2Enumeration kind = V4l2Enumeration::NotSupported;
  std::vector<V4l2Fraction> discrete;
  V4l2Fraction minimum;
  V4l2Fraction maximum;
  V4l2Fraction step;
};

// The common picture sizes a stepwise or continuous range is reduced to, smallest first.
const std::vector<V4l2FrameSize>& V4l2CommonFrameSizes();

// The sizes to offer from a size answer: discrete sizes in the driver's order (zero or
// oversized ones left out); for a range, the common sizes inside it and on its step grid,
// then the largest size of the range when it is not among them. Empty for NotSupported.
std::vector<V4l2FrameSize> V4l2SizesFromAnswer(const V4l2FrameSizeAnswer& answer);

// The intervals to offer from an interval answer: discrete ones in the driver's order; a
// range gives its minimum (fastest) and its maximum, once when they are equal. Intervals
// with a zero part are left out. Empty for NotSupported.
std::vector<V4l2Fraction> V4l2IntervalsFromAnswer(const V4l2FrameIntervalAnswer& answer);

// Average frame time in 100 ns units, rounded to nearest (1/25 -> 400000, 1001/30000 ->
// 333667, 1/30 -> 333333). 0 for an interval with a zero part; saturates at UINT32_MAX.
std::uint32_t AverageTimePerFrame(const V4l2Fraction& interval);

// The frame rate as a fraction of 32-bit signed parts: the inverse of interval, reduced;
// parts too large are scaled down together. false for an interval with a zero part.
bool FrameRateOf(const V4l2Fraction& interval, std::int32_t* numerator, std::int32_t* denominator);

// ---- Standards ----

// One answer of VIDIOC_ENUMSTD.
struct V4l2StandardEntry {
  std::uint64_t id = 0;
  std::string name;
  V4l2Fraction frame_period;
  std::uint32_t frame_lines = 0;
};

// What decides whether a node is analog: its standards and its current input.
struct V4l2StandardAnswers {
  // VIDIOC_ENUMSTD answered at index 0.
  bool enumerates_standards = false;
  std::vector<V4l2StandardEntry> standards;
  // VIDIOC_G_INPUT and VIDIOC_ENUMINPUT answered for the current input.
  bool input_known = false;
  std::uint64_t input_std = 0;
  std::uint32_t input_capabilities = 0;
};

// Analog when the driver lists at least one standard and the current input, if known,
// takes standards. The input type is not used: analog grabbers call their composite
// input a camera input too.
bool V4l2IsAnalog(const V4l2StandardAnswers& answers);

// The TV format of a V4L2 standard mask (VIDIOC_G_STD): any of the PAL B/G/H/I/D/K family
// (625 lines, 25 frames, the same picture on a composite input) is PAL-B; NTSC-M (also the
// Korean variant) is NTSC-M; other single families get their own codes; a mask that mixes
// 525- and 625-line standards, or is empty, is kAnalogVideoNone.
std::int32_t TvFormatOfStandard(std::uint64_t standard);

// The standard mask to set for a TV format (VIDIOC_S_STD): of the enumerated standards,
// one that is exactly V4L2_STD_PAL_B (NTSC_M), else the first whose TV format is the one
// asked for. false when the format is not PAL-B or NTSC-M, or the device has no such
// standard.
bool StandardForTvFormat(std::int32_t tv_format, const std::vector<V4l2StandardEntry>& standards,
                         std::uint64_t* standard);

// The station's analog format of a picture height: 576 or 288 lines PAL, 480 or 240 NTSC,
// otherwise that of the current TV format (Unknown when that is neither).
AnalogFormat AnalogFormatOfHeight(std::uint32_t height, std::int32_t current_tv_format);

// ---- Formats to media types ----

// One size of a format with the intervals the driver gave for it.
struct V4l2SizeWithIntervals {
  V4l2FrameSize size;
  V4l2FrameIntervalAnswer intervals;
};

// One answer of VIDIOC_ENUM_FMT with the intervals of each size offered for it.
struct V4l2FormatAnswer {
  std::uint32_t pixel_format = 0;
  std::string description;
  std::uint32_t flags = 0;
  // The sizes of V4l2SizesToOffer, in that order, each with its interval answer.
  std::vector<V4l2SizeWithIntervals> sized;
};

// The sizes of an analog node whose driver gives a range or no list (such drivers report
// the range of the current standard only): the full picture of each supported standard
// it lists, in the order listed, PAL 720x576 and NTSC 720x480 (narrower when the range is
// narrower).
std::vector<V4l2FrameSize> V4l2AnalogSizes(const V4l2FrameSizeAnswer& answer,
                                           const std::vector<V4l2StandardEntry>& standards);

// The sizes to ask intervals for and to offer: a discrete list as V4l2SizesFromAnswer
// gives it; for an analog node otherwise V4l2AnalogSizes; for a digital node a range as
// V4l2SizesFromAnswer gives it, and without an answer the size VIDIOC_TRY_FMT settled on
// (tried; nothing when that is zero).
std::vector<V4l2FrameSize> V4l2SizesToOffer(const V4l2FrameSizeAnswer& answer,
                                            const V4l2StandardAnswers& standards,
                                            const V4l2FrameSize& tried);

// Everything the station needs to know about a node to list its formats.
struct V4l2DeviceAnswers {
  std::vector<V4l2FormatAnswer> formats;
  V4l2StandardAnswers standards;
  // VIDIOC_G_STD, when it answered.
  bool current_standard_known = false;
  std::uint64_t current_standard = 0;
};

// The media types of a node: for each format in the driver's order, each size in order,
// each interval in order. A size without usable intervals takes, on an analog node, the
// frame period of the standard of its height (from the enumerated standards, else 1/25
// for PAL and 1001/30000 for NTSC); otherwise it yields no media type. Analog types carry
// the standard of their height.
std::vector<MediaType> V4l2MediaTypes(const V4l2DeviceAnswers& answers);

// ---- Controls ----

// One answer of VIDIOC_QUERYCTRL (present false when the driver refused the id).
struct V4l2ControlAnswer {
  bool present = false;
  std::uint32_t type = 0;
  std::int32_t minimum = 0;
  std::int32_t maximum = 0;
  std::int32_t step = 0;
  std::int32_t default_value = 0;
  std::uint32_t flags = 0;
};

// The control id of a property and that of its automatic mode (0 when it has none).
bool V4l2ControlIdOf(ProcAmpProperty property, std::uint32_t* control_id);
std::uint32_t V4l2AutoControlIdOf(ProcAmpProperty property);

// Whether a control answer can be used: present, not disabled, an integer, boolean or
// menu control.
bool V4l2ControlUsable(const V4l2ControlAnswer& control);

// The range of a property from its control and its automatic control: minimum, maximum,
// default as given; a step of 0 becomes 1; capabilities Manual, plus Auto when the
// automatic control is usable. kV4l2PropertyUnsupported when the control is not usable
// or its minimum exceeds its maximum.
HResult ProcAmpRangeOf(const V4l2ControlAnswer& control, const V4l2ControlAnswer& automatic,
                       ProcAmpRange* range);

// The flags of a property: Auto when its automatic control is usable and on, else Manual.
std::int32_t ProcAmpFlagsOf(const V4l2ControlAnswer& automatic, bool automatic_value_known,
                            std::int32_t automatic_value);

// Whether a value may be written: inside the control's range.
bool ProcAmpValueAllowed(const V4l2ControlAnswer& control, std::int32_t value);

}  // namespace vesk
