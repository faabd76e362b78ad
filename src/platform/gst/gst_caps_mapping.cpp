#include "platform/gst/gst_caps_mapping.h"

#include <gst/video/video.h>

namespace vesk::gst {

std::string RawFormatForSubtype(const std::string& subtype_name) {
  if (subtype_name == "YUY2") return "YUY2";
  if (subtype_name == "UYVY") return "UYVY";
  if (subtype_name == "RGB24") return "BGR";
  if (subtype_name == "ARGB32") return "BGRA";
  if (subtype_name == "MJPG") return "";
  // Other fourccs name GStreamer's own raw formats when it knows them.
  if (subtype_name.size() == 4) {
    const guint32 fourcc =
        GST_MAKE_FOURCC(subtype_name[0], subtype_name[1], subtype_name[2], subtype_name[3]);
    const GstVideoFormat format = gst_video_format_from_fourcc(fourcc);
    if (format != GST_VIDEO_FORMAT_UNKNOWN) return gst_video_format_to_string(format);
  }
  return "";
}

std::uint32_t AverageTimePerFrame(int numerator, int denominator) {
  if (numerator <= 0 || denominator <= 0) return 0;
  const std::uint64_t ticks = (10000000ull * static_cast<std::uint64_t>(denominator) +
                               static_cast<std::uint64_t>(numerator) / 2) /
                              static_cast<std::uint64_t>(numerator);
  return static_cast<std::uint32_t>(ticks);
}

void FrameRateOf(const MediaType& type, int* numerator, int* denominator) {
  if (type.rate_numerator > 0 && type.rate_denominator > 0) {
    *numerator = type.rate_numerator;
    *denominator = type.rate_denominator;
  } else if (type.avg_time_per_frame > 0) {
    *numerator = 10000000;
    *denominator = static_cast<int>(type.avg_time_per_frame);
  } else {
    *numerator = 0;
    *denominator = 1;
  }
}

GstCaps* CapsForMediaType(const MediaType& type) {
  if (!type.is_video || !type.has_format || type.width <= 0 || type.height <= 0) return nullptr;
  int numerator = 0;
  int denominator = 1;
  FrameRateOf(type, &numerator, &denominator);
  GstCaps* caps = nullptr;
  if (type.subtype_name == "MJPG") {
    caps = gst_caps_new_simple("image/jpeg", "width", G_TYPE_INT, type.width, "height", G_TYPE_INT,
                               type.height, nullptr);
  } else {
    const std::string format = RawFormatForSubtype(type.subtype_name);
    if (format.empty()) return nullptr;
    caps = gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING, format.c_str(), "width",
                               G_TYPE_INT, type.width, "height", G_TYPE_INT, type.height, nullptr);
  }
  if (numerator > 0) {
    gst_caps_set_simple(caps, "framerate", GST_TYPE_FRACTION, numerator, denominator, nullptr);
  }
  return caps;
}

MediaType MakeMediaType(const std::string& subtype_name, int width, int height, int numerator,
                        int denominator, AnalogFormat standard) {
  MediaType type;
  type.subtype_name = subtype_name;
  type.subtype = SubtypeCodeOf(subtype_name);
  type.width = width;
  type.height = height;
  type.rate_numerator = numerator;
  type.rate_denominator = denominator;
  type.avg_time_per_frame = AverageTimePerFrame(numerator, denominator);
  type.standard = standard;
  return type;
}

}  // namespace vesk::gst
