#pragma once

// Every decision about what a V4L2 driver's answers mean for the station: pixel formats
// to subtypes, frame sizes and intervals to media types, which controls are usable,
// video standards to their families. The answers come in as plain structs that mirror
// the driver's, so these functions run (and are tested) without a device. Result codes
// and the graph's TV formats are left to the capture filter (v4l2_capture_filter.h).

#include <linux/videodev2.h>

#include <cstdint>
#include <string>
#include <vector>

#include "media/frame_stamps.h"
#include "media/media_graph.h"
#include "media/video_types.h"

namespace vesk {

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
  v4l2_std_id id = 0;
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
  v4l2_std_id input_std = 0;
  std::uint32_t input_capabilities = 0;
};

// Analog when the driver lists at least one standard and the current input, if known,
// takes standards. The input type is not used: analog grabbers call their composite
// input a camera input too.
bool V4l2IsAnalog(const V4l2StandardAnswers& answers);

// The family a standard mask belongs to. The station works with Pal and NtscM; the others
// are told apart so that a device left on one of them is reported as it is (and refused by
// the device model) rather than mistaken for another.
enum class V4l2StandardFamily {
  None,   // empty, or a mask that mixes 525- and 625-line standards or families
  Pal,    // B, B1, G, H, I, D, D1, K: 625 lines, 25 frames, one picture on composite
  NtscM,  // M, also the Korean variant (and the NTSC mask of M, M-JP and M-KR)
  NtscMJ,
  Ntsc443,
  PalM,
  PalN,
  PalNc,
  Pal60,
  Secam,
};

// The family of a V4L2 standard mask (VIDIOC_G_STD).
V4l2StandardFamily V4l2StandardFamilyOf(v4l2_std_id standard);

// The family to decode a signal in from what the driver detected (VIDIOC_QUERYSTD): Pal
// for a mask of 625-line standards only (50 fields, the station's 25 frames), NtscM for
// 525-line ones only; None for no signal (an empty mask) or a mask that keeps both.
V4l2StandardFamily V4l2DetectedFamily(v4l2_std_id detected);

// The standard mask to set for a family (VIDIOC_S_STD): of the enumerated standards, one
// that is exactly V4L2_STD_PAL_B for Pal (V4L2_STD_NTSC_M for NtscM), else the first of the
// family. false for None, or when the device lists no standard of the family.
bool V4l2StandardOfFamily(V4l2StandardFamily family,
                          const std::vector<V4l2StandardEntry>& standards, v4l2_std_id* standard);

// The station's analog format of a picture height: 576 or 288 lines PAL, 480 or 240 NTSC,
// otherwise that of the current family (Unknown when that is neither Pal nor NtscM).
AnalogFormat AnalogFormatOfHeight(std::uint32_t height, V4l2StandardFamily current);

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
  v4l2_std_id current_standard = 0;
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

// Whether a control answer can be used: present, not disabled, an integer, boolean or
// menu control.
bool V4l2ControlUsable(const V4l2ControlAnswer& control);

// Whether a value may be written: inside the range of a usable control.
bool V4l2ControlValueAllowed(const V4l2ControlAnswer& control, std::int32_t value);

// What a driver's buffer time stamps stand for, from a buffer's flags: the start of the
// exposure when the driver says so (as UVC cameras do), else the end of the frame, which
// is what a driver that says nothing means.
FrameTimeOrigin V4l2FrameTimeOrigin(std::uint32_t buffer_flags);

}  // namespace vesk
