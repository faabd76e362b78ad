#pragma once

// Finishing an AVI recording whose writer stopped before it could write its ending: a disk
// that filled up, a file-size limit, a write error. The multiplexer leaves a header with
// provisional sizes and, at the end of the file, a frame chunk cut off part way; readers then
// see a broken last frame or none at all. The file is cut back to its last whole chunk, its
// list sizes and frame counts are set to what it holds, and an index is added when the space
// for it can be had. Nothing is read or written past the file's end, and no size field is
// trusted beyond it.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vesk {

// Random access to the file being finished.
class AviFileAccess {
 public:
  virtual ~AviFileAccess() = default;
  virtual std::uint64_t Size() const = 0;
  // Reads exactly count bytes; false when fewer are there or the read fails.
  virtual bool ReadAt(std::uint64_t offset, void* bytes, std::size_t count) = 0;
  // Writes all count bytes; false on any failure (a full disk, a size limit).
  virtual bool WriteAt(std::uint64_t offset, const void* bytes, std::size_t count) = 0;
  virtual bool Truncate(std::uint64_t size) = 0;
  // Why the last read, write or truncation that failed did, in plain words ("the disk is
  // full"); empty when none failed or no reason is known (a read past the end).
  virtual std::string LastFailure() const { return {}; }
};

struct AviFinishResult {
  bool is_avi = false;             // the file begins with a RIFF AVI header
  std::int64_t video_frames = 0;   // whole video frames the file holds afterwards
  bool tail_cut = false;           // a chunk cut off part way was removed
  bool index_written = false;      // the file ends with a complete index
  bool headers_updated = false;    // sizes and frame counts now match the frames held
};

// Makes a recording cut short readable up to its last whole frame. A file that is already
// whole is left as it is and its frames counted, unless replace_index says its index cannot
// be used: it then gets a new one. The index is idx1 for a file of one RIFF segment; a file of
// several gets a standard index per segment at the end of its last movi list and the video
// stream's super index lists them (the header keeps room for it). key_frames, when given and holding one
// flag per video frame, marks the index entries; without it every frame is a key frame.
AviFinishResult FinishCutOffAvi(AviFileAccess& file,
                                const std::vector<bool>* key_frames = nullptr,
                                bool replace_index = false);

// One video frame chunk found by walking the movi lists.
struct AviChunkPosition {
  std::array<char, 4> id{};   // "00db", "00dc"
  std::uint64_t offset = 0;   // of the chunk's header; its data follows 8 bytes later
  std::uint32_t size = 0;     // of the data
};

// The video frame chunks of every RIFF segment, in file order, as far as the movi lists are
// intact: what a reader has when the index is missing or cannot be trusted.
std::vector<AviChunkPosition> WalkAviVideoChunks(AviFileAccess& file);

// The frames of a finished recording as its headers count them (the video stream's length);
// -1 when the file is no AVI or its header cannot be read.
std::int64_t AviHeaderFrameCount(AviFileAccess& file);

}  // namespace vesk
