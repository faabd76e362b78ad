#pragma once

// A recording read back by the station's own AVI reader, and the bytes of one of its frames.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/linux/posix_avi_file.h"
#include "playback/avi_reader.h"

namespace vesk::testing {

// False with a reason when the file cannot be opened or is no AVI with a video stream.
inline bool ReadRecording(const std::string& path, AviFileInfo* info, std::string* error) {
  *info = AviFileInfo{};
  PosixAviFile file(path, false);
  if (!file.is_open()) return *error = "cannot open " + path, false;
  if (ReadAviFile(file, info) != AviReadStatus::Ok) return *error = "not a video AVI: " + path, false;
  return true;
}

// The bytes of one frame; empty when they cannot be read.
inline std::vector<std::uint8_t> ReadFrameBytes(const std::string& path, const AviFrame& frame) {
  PosixAviFile file(path, false);
  std::vector<std::uint8_t> data(frame.size);
  if (!file.is_open() || !file.ReadAt(frame.offset, data.data(), data.size())) data.clear();
  return data;
}

inline bool IsRgbDib(const AviFileInfo& info) { return info.compression == FourCc{}; }

// The video's compression code as text, "RGB" for an uncompressed DIB.
inline std::string CompressionOf(const AviFileInfo& info) {
  return IsRgbDib(info) ? "RGB" : std::string(info.compression.data(), 4);
}

}  // namespace vesk::testing
