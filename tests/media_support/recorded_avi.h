#pragma once

// A recording read back by the station's own AVI reader, and the bytes of one of its frames.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/linux/posix_avi_file.h"
#include "playback/avi_reader.h"

namespace vesk::testing {

// A failure with the reason (also in error, when given) when the file cannot be opened or is
// no AVI with a video stream.
inline ::testing::AssertionResult ReadRecording(const std::string& path, AviFileInfo* info,
                                                std::string* error = nullptr) {
  *info = AviFileInfo{};
  PosixAviFile file(path, false);
  std::string why = file.is_open() ? "" : "cannot open " + path;
  if (why.empty() && ReadAviFile(file, info) != AviReadStatus::Ok) why = "not a video AVI: " + path;
  if (why.empty()) return ::testing::AssertionSuccess();
  if (error != nullptr) *error = why;
  return ::testing::AssertionFailure() << why;
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
