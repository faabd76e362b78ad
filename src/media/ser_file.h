#pragma once

// SER version 3 files: the 178-byte header, the frames back to back, and the trailer of every
// frame's UTC time in 100 ns ticks since 0001-01-01. The reduction tools read a recording's
// frame times from the trailer. The reader trusts no field of a file beyond the file itself:
// sizes and counts are checked against its length before anything is read or allocated.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "media/avi_file_finish.h"

namespace vesk {

constexpr std::size_t kSerHeaderBytes = 178;
constexpr std::uint64_t kSerFrameCountOffset = 38;
constexpr std::size_t kSerTextBytes = 40;  // Observer, Instrument, Telescope
// Ticks of 100 ns from 0001-01-01 to 1970-01-01.
constexpr std::int64_t kSerTicksAtUnixEpoch = 621355968000000000LL;

constexpr std::int32_t kSerMono = 0;
constexpr std::int32_t kSerRgb = 100;
constexpr std::int32_t kSerBgr = 101;

struct SerHeader {
  std::int32_t lu_id = 0;
  std::int32_t colour_id = kSerMono;
  // Irrelevant for 8-bit samples; 0 is what readers expect of little-endian data.
  std::int32_t little_endian = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::int32_t depth = 8;
  std::int32_t frame_count = 0;
  std::string observer;    // cut to 40 bytes when written
  std::string instrument;
  std::string telescope;
  std::int64_t date_time = 0;      // local time of the first frame; 0: no trailer
  std::int64_t date_time_utc = 0;  // UTC of the first frame
};

std::array<unsigned char, kSerHeaderBytes> BuildSerHeader(const SerHeader& header);
// False when the bytes are no SER header (fewer than 178 or another FileID).
bool ParseSerHeader(const unsigned char* bytes, std::size_t count, SerHeader* header);

std::int64_t SerTicksFromUnixNs(std::int64_t unix_ns);
std::int64_t UnixNsFromSerTicks(std::int64_t ticks);

// Planes per pixel of a colour code: 1 for MONO and Bayer, 3 for RGB and BGR, 0 unknown.
int SerPlanes(std::int32_t colour_id);
// Bytes of one frame; 0 when the header's size, depth or colour gives no frame.
std::uint64_t SerFrameBytes(const SerHeader& header);

// The trailer's bytes for these frame times (ticks), little-endian.
void AppendSerTrailer(const std::int64_t* ticks, std::size_t count, std::vector<unsigned char>* out);

enum class SerReadStatus { Ok, NotSer, BadHeader };

enum class SerTrailer {
  Whole,     // a time for every frame
  None,      // the file has no trailer (DateTime 0, or nothing after the frames)
  CutShort,  // fewer bytes follow the frames than the trailer needs
};

struct SerFileInfo {
  SerHeader header;
  std::uint64_t frame_bytes = 0;
  // Frames a reader gets: FrameCount, or fewer when the file ends before them.
  std::int64_t frames = 0;
  // Whole frames in the file, also those past FrameCount that a writer stopped before it
  // could count them (not the trailer's bytes).
  std::int64_t whole_frames = 0;
  SerTrailer trailer = SerTrailer::None;
  std::vector<std::int64_t> times;  // the trailer's ticks, when it is whole
};

SerReadStatus ReadSerFile(AviFileAccess& file, SerFileInfo* info);
// "not a SER file", "...": the reason a file could not be read, in plain words.
std::string SerReadProblemText(SerReadStatus status);
// Whether the file begins with the SER FileID.
bool LooksLikeSer(AviFileAccess& file);

struct SerFinishResult {
  bool is_ser = false;
  std::int64_t frames = 0;        // FrameCount afterwards
  bool count_changed = false;     // FrameCount was not the whole frames
  bool tail_cut = false;          // part of a frame or of a trailer was removed
  bool trailer_written = false;   // the file ends with a whole trailer
  bool trailer_kept = false;      // the trailer there was whole and stays
  std::int64_t frames_without_time = 0;  // whole frames left out: no time was given for them
};

// Makes a SER file that its writer did not finish readable: FrameCount set to the whole
// frames, anything after them cut, and the trailer written from utc_ns (capture times, Unix
// ns, the first frame's first); frames past the last time given are left out. Without times
// the file has no trailer and DateTime says so. A whole file is left as it is.
SerFinishResult FinishSerFile(AviFileAccess& file, const std::vector<std::int64_t>* utc_ns);

}  // namespace vesk
