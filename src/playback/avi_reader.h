#pragma once

// The station's own reader of AVI files: RIFF AVI 1.0 with its idx1 index, and OpenDML files
// past 1 GB with their indx super index and ix## standard indexes. It reads headers and
// indexes, not frames, so a long recording opens at once. A file whose index is missing or
// cannot be trusted (a recording cut off by a power failure, a full disk, a killed process,
// or one still being written) is read by walking its frame chunks as far as they are intact.
// Every size and count in the file is checked against the file before it is used; nothing
// outside the file is read.

#include <array>
#include <cstdint>
#include <vector>

#include "media/avi_file_finish.h"

namespace vesk {

using FourCc = std::array<char, 4>;

struct AviFrame {
  std::uint64_t offset = 0;  // of the frame's data in the file
  std::uint32_t size = 0;    // 0 for a frame the writer repeated without data
  bool key = true;
};

enum class AviReadStatus {
  Ok,
  NotAvi,         // no RIFF AVI header (also a file of zero bytes)
  NoVideoStream,  // an AVI without a usable video stream header
};

struct AviFileInfo {
  std::uint32_t width = 0, height = 0;
  FourCc handler{};      // the video stream's handler code
  FourCc compression{};  // the video format's compression code
  std::uint32_t rate = 0, scale = 0;
  std::uint32_t header_length = 0;  // the frame count the stream header claims
  int video_stream = 0;             // nn of the stream's "nndb"/"nndc" chunks
  bool open_dml = false;            // the frames were found through the OpenDML index
  bool index_rebuilt = false;       // no usable index: the frames were found by walking
  std::vector<AviFrame> frames;
  std::uint32_t key_frames = 0;
};

AviReadStatus ReadAviFile(AviFileAccess& file, AviFileInfo* info);

// Entry i is the number of key frames among frames 0 to i - 1.
std::vector<std::uint32_t> BuildKeyFrameTable(const std::vector<AviFrame>& frames);

// Whether a frame's first bytes start a picture that decodes on its own, for the codecs whose
// frames depend on earlier ones (MPEG-4 part 2, H.264, FFV1); every other code is intra-only.
bool IsKeyFramePayload(const FourCc& codec, const unsigned char* bytes, std::size_t count);

}  // namespace vesk
