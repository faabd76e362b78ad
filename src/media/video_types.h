#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vesk {

// The TV standard of a device; digital cameras have none.
enum class AnalogFormat : std::uint32_t { NTSC = 0, PAL = 1, Digital = 2, Unknown = 3 };

// The capture media subtype of a format. Other: any subtype the station does not name;
// NoFormat: the media type carries no format block.
enum class SubtypeCode : std::uint32_t {
  MJPG = 0,
  RGB24 = 1,
  UYVY = 2,
  YUY2 = 3,
  ARGB32 = 4,
  Other = 5,
  NoFormat = 6,
};

// What a recording is written as: AVI (the default) or SER, which carries every frame's UTC
// time in its trailer.
enum class RecordingFileFormat : std::int32_t { Avi = 0, Ser = 1 };

// ".avi" or ".ser".
inline std::string_view VideoFileExtension(RecordingFileFormat format) {
  return format == RecordingFileFormat::Ser ? ".ser" : ".avi";
}

// Characters (with the terminator of the original buffer) of the path a device records to,
// kept for resuming a recording after the device reconnects.
constexpr std::size_t kRecordingPathCapacity = 256;

// A device property value that the station has not set.
constexpr std::int32_t kPropertyNotSet = INT32_MIN;

// The name of codes MJPG to ARGB32; a single blank for every other code.
inline std::string_view SubtypeNameOf(SubtypeCode code) {
  switch (code) {
    case SubtypeCode::MJPG:
      return "MJPG";
    case SubtypeCode::RGB24:
      return "RGB24";
    case SubtypeCode::UYVY:
      return "UYVY";
    case SubtypeCode::YUY2:
      return "YUY2";
    case SubtypeCode::ARGB32:
      return "ARGB32";
    default:
      return " ";
  }
}

// Exact, case-sensitive match of the whole text; Other when no name matches.
inline SubtypeCode SubtypeCodeOf(std::string_view name) {
  if (name == "MJPG") return SubtypeCode::MJPG;
  if (name == "YUY2") return SubtypeCode::YUY2;
  if (name == "RGB24") return SubtypeCode::RGB24;
  if (name == "UYVY") return SubtypeCode::UYVY;
  if (name == "ARGB32") return SubtypeCode::ARGB32;
  return SubtypeCode::Other;
}

// The codec chosen for one subtype: codec_index is the position of the compressor in the
// list of installed codecs, codec_name its friendly name (what the options file stores).
struct SubtypeCodecPair {
  SubtypeCode subtype = SubtypeCode::Other;
  std::size_t codec_index = 0;
  std::string codec_name;

  friend bool operator==(const SubtypeCodecPair&, const SubtypeCodecPair&) = default;
};

}  // namespace vesk
