#pragma once

// A small RIFF/AVI reader for the media tests: the main header, the video stream's
// headers, every video frame chunk of the movi lists (of the first RIFF AVI and of the
// OpenDML RIFF AVIX continuations), and which indexes exist. Reads headers only and walks
// the chunks by seeking, so files beyond 4 GB are fine; a file cut short is read up to
// where it ends.

#include <cstdint>
#include <string>
#include <vector>

namespace vesk::testing {

struct AviVideoStream {
  std::string handler;      // strh fccHandler
  std::uint32_t scale = 0;  // strh dwScale / dwRate = seconds per frame
  std::uint32_t rate = 0;
  std::uint32_t length = 0;  // strh dwLength
  std::int32_t width = 0;    // strf BITMAPINFOHEADER
  std::int32_t height = 0;
  std::uint16_t bit_count = 0;
  std::string compression;  // biCompression as four characters; "\0\0\0\0" for BI_RGB
  std::uint32_t size_image = 0;
};

struct AviChunk {
  std::uint64_t offset = 0;  // of the chunk data
  std::uint32_t size = 0;
};

struct AviFile {
  std::uint64_t file_size = 0;
  std::uint32_t micro_seconds_per_frame = 0;  // avih
  std::uint32_t total_frames = 0;             // avih dwTotalFrames (first RIFF only)
  std::uint32_t streams = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;
  bool has_video_stream = false;
  AviVideoStream video;
  std::uint32_t odml_total_frames = 0;  // dmlh, when present
  bool has_odml = false;
  bool has_idx1 = false;
  bool has_indx = false;               // OpenDML super index in the stream header list
  int riff_lists = 0;                  // 1 + the RIFF AVIX continuations
  std::vector<AviChunk> video_chunks;  // 00db / 00dc, in file order
  bool truncated = false;              // a chunk runs past the end of the file
};

// False with a reason when the file is missing or not an AVI at all.
bool ReadAviFile(const std::string& path, AviFile* file, std::string* error);

// The bytes of one video chunk.
bool ReadAviChunk(const std::string& path, const AviChunk& chunk, std::vector<std::uint8_t>* data);

// biCompression as text: four characters, or "RGB" for 0.
std::string CompressionName(const AviVideoStream& stream);

}  // namespace vesk::testing
