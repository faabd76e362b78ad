#pragma once

// How the station's media types map onto GStreamer caps: YUY2 and UYVY are the same
// packed formats, RGB24 is bottom-up BGR in a DIB and "BGR" here, ARGB32 is "BGRA", MJPG
// is image/jpeg.

#include <gst/gst.h>

#include <string>

#include "media/media_graph.h"

namespace vesk::gst {

// The raw video format name for a subtype name, or empty for MJPG and unknown names.
std::string RawFormatForSubtype(const std::string& subtype_name);

// The frame rate of a type as a fraction; from the average frame time when no fraction is
// given.
void FrameRateOf(const MediaType& type, int* numerator, int* denominator);

// Fixed caps for a type (full reference), or nullptr when the type cannot be expressed.
GstCaps* CapsForMediaType(const MediaType& type);

// Builds a media type for a subtype, size and frame rate fraction.
MediaType MakeMediaType(const std::string& subtype_name, int width, int height, int numerator,
                        int denominator, AnalogFormat standard = AnalogFormat::Digital);

// Average time per frame in 100 ns units for a rate fraction, rounded to nearest.
std::uint32_t AverageTimePerFrame(int numerator, int denominator);

}  // namespace vesk::gst
