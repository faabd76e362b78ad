#include "playback/avi_reader.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <string_view>

namespace vesk {
namespace {

constexpr std::uint32_t kIdx1KeyFrame = 0x10;       // AVIIF_KEYFRAME
constexpr std::uint32_t kIdx1List = 0x01;           // AVIIF_LIST: a "rec " list, no frame
constexpr std::uint32_t kDeltaFrameBit = 0x80000000;  // ix## sizes: not a key frame
constexpr std::uint8_t kIndexOfIndexes = 0x00, kIndexOfChunks = 0x01;
// A frame's bytes read to tell a key frame when walking without an index.
constexpr std::size_t kPayloadProbe = 64;

bool Is(const FourCc& code, std::string_view text) {
  return std::memcmp(code.data(), text.data(), 4) == 0;
}

std::uint16_t Le16(const unsigned char* b) {
  return static_cast<std::uint16_t>(b[0] | b[1] << 8);
}
std::uint32_t Le32(const unsigned char* b) {
  return static_cast<std::uint32_t>(b[0]) | static_cast<std::uint32_t>(b[1]) << 8 |
         static_cast<std::uint32_t>(b[2]) << 16 | static_cast<std::uint32_t>(b[3]) << 24;
}
std::uint64_t Le64(const unsigned char* b) {
  return static_cast<std::uint64_t>(Le32(b)) | static_cast<std::uint64_t>(Le32(b + 4)) << 32;
}
FourCc Code(const unsigned char* b) { return {char(b[0]), char(b[1]), char(b[2]), char(b[3])}; }

// A chunk inside [begin, end): its data range is clipped to end and never trusted beyond it.
struct Chunk {
  FourCc id{};
  std::uint64_t offset = 0, data = 0, size = 0;  // size as declared
  FourCc list_type{};
  std::uint64_t DataEnd(std::uint64_t end) const { return std::min(data + size, end); }
  std::uint64_t Next() const { return data + size + (size & 1u); }
};

bool ReadChunk(AviFileAccess& file, std::uint64_t at, std::uint64_t end, Chunk* chunk) {
  unsigned char b[12];
  if (at + 8 > end || !file.ReadAt(at, b, 8)) return false;
  chunk->id = Code(b);
  chunk->offset = at;
  chunk->data = at + 8;
  chunk->size = Le32(b + 4);
  chunk->list_type = {};
  if (Is(chunk->id, "LIST") && at + 12 <= end && file.ReadAt(at + 8, b + 8, 4)) {
    chunk->list_type = Code(b + 8);
  }
  return true;
}

// Reads exactly count bytes of [offset, offset + count) when all of it lies before end.
bool ReadIn(AviFileAccess& file, std::uint64_t offset, std::uint64_t end, void* out,
            std::size_t count) {
  return offset <= end && count <= end - offset && file.ReadAt(offset, out, count);
}

// What the header list says of the first video stream.
struct VideoHeader {
  bool found = false;
  std::uint64_t indx = 0, indx_size = 0;  // the stream's super index, 0 when absent
};

void ReadStreamList(AviFileAccess& file, std::uint64_t begin, std::uint64_t end, int stream,
                    AviFileInfo* info, VideoHeader* video) {
  Chunk chunk;
  bool is_video = false;
  for (std::uint64_t at = begin; ReadChunk(file, at, end, &chunk); at = chunk.Next()) {
    unsigned char b[56];
    if (Is(chunk.id, "strh") && ReadIn(file, chunk.data, chunk.DataEnd(end), b, 36)) {
      is_video = Is(Code(b), "vids");
      if (!is_video) return;
      info->handler = Code(b + 4);
      info->scale = Le32(b + 20);
      info->rate = Le32(b + 24);
      info->header_length = Le32(b + 32);
      info->video_stream = stream;
      video->found = true;
    } else if (is_video && Is(chunk.id, "strf") &&
               ReadIn(file, chunk.data, chunk.DataEnd(end), b, 20)) {
      // BITMAPINFOHEADER; a negative height is a top-down picture.
      if (info->width == 0) info->width = Le32(b + 4);
      if (info->height == 0) {
        const auto height = static_cast<std::int32_t>(Le32(b + 8));
        info->height = static_cast<std::uint32_t>(height < 0 ? -std::int64_t{height} : height);
      }
      info->compression = Code(b + 16);
    } else if (is_video && Is(chunk.id, "indx")) {
      video->indx = chunk.data;
      video->indx_size = chunk.DataEnd(end) - chunk.data;
    }
  }
}

void ReadHeaderList(AviFileAccess& file, std::uint64_t begin, std::uint64_t end,
                    AviFileInfo* info, VideoHeader* video) {
  Chunk chunk;
  int stream = 0;
  for (std::uint64_t at = begin; ReadChunk(file, at, end, &chunk); at = chunk.Next()) {
    unsigned char b[40];
    if (Is(chunk.id, "avih") && ReadIn(file, chunk.data, chunk.DataEnd(end), b, 40)) {
      info->width = Le32(b + 32);
      info->height = Le32(b + 36);
    } else if (Is(chunk.id, "LIST") && Is(chunk.list_type, "strl")) {
      if (!video->found) {
        ReadStreamList(file, chunk.data + 4, chunk.DataEnd(end), stream, info, video);
      }
      ++stream;
    }
  }
}

// The frame at data offset with its size lies inside the file after a chunk header, and
// comes after the previous frame.
bool Plausible(const AviFrame& frame, std::uint64_t file_size, std::uint64_t previous) {
  return frame.offset >= 8 && frame.offset <= file_size &&
         frame.size <= file_size - frame.offset && (previous == 0 || frame.offset > previous);
}

bool HasChunkId(AviFileAccess& file, std::uint64_t header, const FourCc& expect) {
  unsigned char b[4];
  return file.ReadAt(header, b, 4) && Code(b)[0] == expect[0] && Code(b)[1] == expect[1] &&
         Code(b)[2] == expect[2];  // "00db" and "00dc" both name stream 00's frames
}

// Frames through the OpenDML super index and the standard indexes it points to.
bool ReadOpenDmlIndex(AviFileAccess& file, const VideoHeader& video,
                      std::vector<AviFrame>* frames) {
  const std::uint64_t size = file.Size();
  unsigned char h[24];
  if (video.indx_size < 24 || !file.ReadAt(video.indx, h, 24)) return false;
  const std::uint32_t entries = Le32(h + 4);
  if (Le16(h) != 4 || h[3] != kIndexOfIndexes || entries == 0 ||
      entries > (video.indx_size - 24) / 16) {
    return false;
  }
  std::vector<unsigned char> super(std::size_t{entries} * 16);
  if (!file.ReadAt(video.indx + 24, super.data(), super.size())) return false;
  std::uint64_t previous = 0;
  for (std::uint32_t e = 0; e < entries; ++e) {
    const std::uint64_t ix = Le64(&super[e * 16]);
    const std::uint32_t ix_size = Le32(&super[e * 16 + 8]);
    unsigned char s[32];
    if (ix_size < 32 || !ReadIn(file, ix, size, s, 32)) return false;
    const std::uint64_t declared = Le32(s + 4);
    const std::uint32_t count = Le32(s + 12);
    const std::uint64_t base = Le64(s + 20);
    if (Le16(s + 8) != 2 || s[11] != kIndexOfChunks || declared > size - ix - 8 ||
        count > (declared - std::min<std::uint64_t>(declared, 24)) / 8) {
      return false;
    }
    std::vector<unsigned char> table(std::size_t{count} * 8);
    if (!file.ReadAt(ix + 32, table.data(), table.size())) return false;
    for (std::uint32_t i = 0; i < count; ++i) {
      const std::uint32_t offset = Le32(&table[i * 8]), field = Le32(&table[i * 8 + 4]);
      const AviFrame frame{base + offset, field & ~kDeltaFrameBit, (field & kDeltaFrameBit) == 0};
      if (base > size || !Plausible(frame, size, previous)) return false;
      previous = frame.offset;
      frames->push_back(frame);
    }
  }
  return true;
}

// Frames through the idx1 index of a one-segment file. Its offsets count from the movi
// list's type field, or in some writers' files from the file's start; the first frame says.
bool ReadIdx1(AviFileAccess& file, const Chunk& idx1, std::uint64_t movi, int stream,
              std::vector<AviFrame>* frames) {
  const std::uint64_t size = file.Size();
  if (idx1.data + idx1.size > size) return false;  // cut off: the frames are walked instead
  std::vector<unsigned char> table(idx1.size / 16 * 16);
  if (!table.empty() && !file.ReadAt(idx1.data, table.data(), table.size())) return false;
  const char tens = static_cast<char>('0' + stream / 10 % 10), ones = static_cast<char>('0' + stream % 10);
  std::uint64_t base = 0, previous = 0;
  bool based = false;
  for (std::size_t at = 0; at < table.size(); at += 16) {
    const FourCc id = Code(&table[at]);
    const std::uint32_t flags = Le32(&table[at + 4]);
    if (id[0] != tens || id[1] != ones || id[2] != 'd' || (flags & kIdx1List) != 0) continue;
    const std::uint64_t offset = Le32(&table[at + 8]);
    if (!based) {
      if (HasChunkId(file, movi + 8 + offset, id)) {
        base = movi + 8;
      } else if (!HasChunkId(file, offset, id)) {
        return false;
      }
      based = true;
    }
    const AviFrame frame{base + offset + 8, Le32(&table[at + 12]), (flags & kIdx1KeyFrame) != 0};
    if (!Plausible(frame, size, previous)) return false;
    previous = frame.offset;
    frames->push_back(frame);
  }
  return based;
}

// Frames found by walking the movi lists; key frames told from each frame's first bytes.
void WalkFrames(AviFileAccess& file, const AviFileInfo& info, std::vector<AviFrame>* frames) {
  const FourCc codec = info.compression[0] != 0 ? info.compression : info.handler;
  const std::uint64_t size = file.Size();
  unsigned char probe[kPayloadProbe];
  const char tens = static_cast<char>('0' + info.video_stream / 10 % 10);
  const char ones = static_cast<char>('0' + info.video_stream % 10);
  for (const AviChunkPosition& chunk : WalkAviVideoChunks(file)) {
    if (chunk.id[0] != tens || chunk.id[1] != ones) continue;
    AviFrame frame{chunk.offset + 8, chunk.size, true};
    const std::size_t count = std::min<std::size_t>(frame.size, kPayloadProbe);
    if (count > 0 && ReadIn(file, frame.offset, size, probe, count)) {
      frame.key = IsKeyFramePayload(codec, probe, count);
    }
    frames->push_back(frame);
  }
}

bool CodeIn(const FourCc& codec, std::initializer_list<std::string_view> codes) {
  for (std::string_view code : codes) {
    bool same = true;
    for (int i = 0; i < 4; ++i) {
      same = same && std::toupper(static_cast<unsigned char>(codec[i])) == code[i];
    }
    if (same) return true;
  }
  return false;
}

}  // namespace

bool IsKeyFramePayload(const FourCc& codec, const unsigned char* bytes, std::size_t count) {
  // FFV1: the first bit of the range coder (state 128 on the range 0xFF00) is the key frame
  // flag, set when the first two bytes read as at least 0x7F80.
  if (CodeIn(codec, {"FFV1"})) return count >= 2 && (bytes[0] << 8 | bytes[1]) >= 0x7F80;
  const bool mpeg4 = CodeIn(codec, {"FMP4", "XVID", "DIVX", "DX50", "MP4V", "M4S2"});
  const bool h264 = CodeIn(codec, {"H264", "X264", "AVC1"});
  if (!mpeg4 && !h264) return true;
  for (std::size_t i = 0; i + 4 < count; ++i) {
    if (bytes[i] != 0 || bytes[i + 1] != 0 || bytes[i + 2] != 1) continue;
    const unsigned char next = bytes[i + 3];
    // MPEG-4: a VOP start code followed by its coding type, 0 for an intra picture.
    if (mpeg4 && next == 0xb6) return (bytes[i + 4] >> 6) == 0;
    // H.264: an IDR slice or the parameter sets that precede one.
    if (h264 && ((next & 0x1f) == 5 || (next & 0x1f) == 7)) return true;
    if (h264 && (next & 0x1f) == 1) return false;
  }
  return !mpeg4 && !h264;
}

AviReadStatus ReadAviFile(AviFileAccess& file, AviFileInfo* info) {
  *info = AviFileInfo{};
  const std::uint64_t size = file.Size();
  unsigned char b[12];
  if (size < 12 || !file.ReadAt(0, b, 12) || !Is(Code(b), "RIFF") || !Is(Code(b + 8), "AVI ")) {
    return AviReadStatus::NotAvi;
  }
  const std::uint64_t riff_end = std::min<std::uint64_t>(8 + std::uint64_t{Le32(b + 4)}, size);
  VideoHeader video;
  Chunk chunk, idx1;
  std::uint64_t movi = 0;
  for (std::uint64_t at = 12; ReadChunk(file, at, riff_end, &chunk); at = chunk.Next()) {
    if (Is(chunk.id, "LIST") && Is(chunk.list_type, "hdrl")) {
      ReadHeaderList(file, chunk.data + 4, chunk.DataEnd(riff_end), info, &video);
    } else if (Is(chunk.id, "LIST") && Is(chunk.list_type, "movi")) {
      movi = chunk.offset;
    } else if (Is(chunk.id, "idx1") && movi != 0) {
      idx1 = chunk;
    }
  }
  if (!video.found) return AviReadStatus::NoVideoStream;

  // idx1 covers only the first RIFF segment: past it (AVIX continuations) it is no index of
  // the whole file.
  const bool one_segment = 8 + std::uint64_t{Le32(b + 4)} + (Le32(b + 4) & 1u) >= size;
  if (video.indx != 0 && ReadOpenDmlIndex(file, video, &info->frames)) {
    info->open_dml = true;
  } else {
    info->frames.clear();
    if (!(one_segment && idx1.offset != 0 &&
          ReadIdx1(file, idx1, movi, info->video_stream, &info->frames))) {
      info->frames.clear();
      info->index_rebuilt = true;
      WalkFrames(file, *info, &info->frames);
    }
  }
  info->key_frames = static_cast<std::uint32_t>(
      std::count_if(info->frames.begin(), info->frames.end(), [](const AviFrame& f) { return f.key; }));
  return AviReadStatus::Ok;
}

std::vector<std::uint32_t> BuildKeyFrameTable(const std::vector<AviFrame>& frames) {
  std::vector<std::uint32_t> table;
  table.reserve(frames.size());
  std::uint32_t keys = 0;
  for (const AviFrame& frame : frames) {
    table.push_back(keys);
    if (frame.key) ++keys;
  }
  return table;
}

}  // namespace vesk
