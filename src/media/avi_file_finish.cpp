#include "media/avi_file_finish.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

namespace vesk {
namespace {

using FourCc = std::array<char, 4>;

constexpr std::uint32_t kKeyFrameFlag = 0x10;  // AVIIF_KEYFRAME
constexpr std::uint64_t kNotFound = ~std::uint64_t{0};

bool Is(const FourCc& code, const char* text) { return std::memcmp(code.data(), text, 4) == 0; }

// Chunk ids are four printable characters; anything else is the garbage past a cut.
bool Printable(const FourCc& code) {
  return std::all_of(code.begin(), code.end(), [](char c) { return c >= 0x20 && c <= 0x7e; });
}

std::uint32_t Le32(const unsigned char* bytes) {
  return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
         static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

void PutLe32(unsigned char* bytes, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<unsigned char>(value >> (8 * i));
}

struct ChunkHeader {
  FourCc id{};
  std::uint32_t size = 0;
  FourCc list_type{};  // for RIFF and LIST chunks whose type could be read
};

bool ReadChunkHeader(AviFileAccess& file, std::uint64_t offset, ChunkHeader* header) {
  unsigned char bytes[12];
  if (offset + 8 > file.Size() || !file.ReadAt(offset, bytes, 8)) return false;
  std::memcpy(header->id.data(), bytes, 4);
  header->size = Le32(bytes + 4);
  header->list_type = {};
  if ((Is(header->id, "RIFF") || Is(header->id, "LIST")) && offset + 12 <= file.Size() &&
      file.ReadAt(offset + 8, bytes + 8, 4)) {
    std::memcpy(header->list_type.data(), bytes + 8, 4);
  }
  return true;
}

std::uint64_t ChunkEnd(std::uint64_t offset, std::uint32_t size) {
  return offset + 8 + size + (size & 1u);
}

// "00db", "01dc": a video frame of stream nn.
bool IsVideoChunk(const FourCc& id) {
  return id[0] >= '0' && id[0] <= '9' && id[1] >= '0' && id[1] <= '9' && id[2] == 'd' &&
         (id[3] == 'b' || id[3] == 'c');
}

// Where the header fields that count frames are.
struct HeaderFields {
  std::uint64_t avih_total_frames = kNotFound;
  std::uint64_t video_length = kNotFound;  // the video stream header's length
  std::uint64_t dmlh_total_frames = kNotFound;
  // The video stream's OpenDML super index, where its segments' indexes are listed.
  std::uint64_t video_indx = kNotFound;
  std::uint32_t video_indx_size = 0;
};

void ScanHeaderList(AviFileAccess& file, std::uint64_t begin, std::uint64_t end,
                    HeaderFields* fields, int depth) {
  ChunkHeader chunk;
  bool video_list = false;  // this list is the video stream's
  for (std::uint64_t at = begin; at + 8 <= end && ReadChunkHeader(file, at, &chunk);
       at = ChunkEnd(at, chunk.size)) {
    const std::uint64_t data = at + 8;
    const std::uint64_t data_end = std::min<std::uint64_t>(data + chunk.size, end);
    if (Is(chunk.id, "LIST") && depth < 2) {
      ScanHeaderList(file, data + 4, data_end, fields, depth + 1);
    } else if (Is(chunk.id, "avih") && data + 20 <= data_end) {
      fields->avih_total_frames = data + 16;
    } else if (Is(chunk.id, "dmlh") && data + 4 <= data_end) {
      fields->dmlh_total_frames = data;
    } else if (Is(chunk.id, "indx") && video_list && fields->video_indx == kNotFound) {
      fields->video_indx = data;
      fields->video_indx_size = static_cast<std::uint32_t>(data_end - data);
    } else if (Is(chunk.id, "strh") && data + 36 <= data_end &&
               fields->video_length == kNotFound) {
      char type[4];
      if (file.ReadAt(data, type, 4) && std::memcmp(type, "vids", 4) == 0) {
        fields->video_length = data + 32;
        video_list = true;
      }
    }
  }
}

// One RIFF segment of the file ("AVI " first, then "AVIX" past the first gigabyte).
struct Segment {
  std::uint64_t offset = 0;
  std::uint64_t movi = kNotFound;      // the movi LIST chunk
  std::uint64_t whole_end = 0;         // after the last whole chunk of the movi list
  bool movi_complete = false;          // the list ends where its size says, inside the file
  bool index_complete = false;         // a whole idx1 follows the list
  std::uint64_t declared_end = 0;      // where the RIFF size says the segment ends
  std::int64_t video_frames = 0;
};

using IndexEntry = AviChunkPosition;

// Walks a movi list as far as it is intact; entries collects the chunks when given.
void WalkMovi(AviFileAccess& file, Segment* segment, std::vector<IndexEntry>* entries) {
  ChunkHeader movi;
  if (!ReadChunkHeader(file, segment->movi, &movi)) return;
  const std::uint64_t size = file.Size();
  const std::uint64_t list_data = segment->movi + 8;
  const std::uint64_t declared_end = list_data + movi.size;
  std::uint64_t limit = std::min(declared_end, size);
  std::uint64_t at = list_data + 4;
  ChunkHeader chunk;
  while (at + 8 <= size && ReadChunkHeader(file, at, &chunk) && Printable(chunk.id)) {
    // A writer that never finished leaves the provisional list size of its first header:
    // frames that follow the declared end belong to the list all the same.
    if (at >= limit) {
      if (at != declared_end || !IsVideoChunk(chunk.id)) break;
      limit = size;
    }
    const std::uint64_t data_end = at + 8 + chunk.size;
    if (data_end > limit) break;  // cut off part way
    if (IsVideoChunk(chunk.id)) {
      ++segment->video_frames;
      if (entries != nullptr) {
        entries->push_back(IndexEntry{chunk.id, at, chunk.size});
      }
    }
    // The pad byte of an odd chunk may be missing only at the very end.
    at = std::min(ChunkEnd(at, chunk.size), limit);
  }
  segment->whole_end = std::max(at, list_data + 4);
  segment->movi_complete = at == declared_end && declared_end <= size;
}

bool FindSegment(AviFileAccess& file, std::uint64_t offset, bool first, Segment* segment) {
  ChunkHeader riff;
  if (!ReadChunkHeader(file, offset, &riff) || !Is(riff.id, "RIFF") ||
      !Is(riff.list_type, first ? "AVI " : "AVIX")) {
    return false;
  }
  segment->offset = offset;
  segment->declared_end = ChunkEnd(offset, riff.size);
  // The movi list is looked for up to the file's end: an unfinished writer's RIFF size
  // covers only the header it wrote first.
  const std::uint64_t end = file.Size();
  ChunkHeader chunk;
  for (std::uint64_t at = offset + 12; at + 8 <= end && ReadChunkHeader(file, at, &chunk);
       at = ChunkEnd(at, chunk.size)) {
    if (segment->movi == kNotFound) {
      if (Is(chunk.id, "LIST") && Is(chunk.list_type, "movi")) segment->movi = at;
      continue;
    }
    // What follows the movi list: the index, whole or not.
    segment->index_complete = Is(chunk.id, "idx1") && at + 8 + chunk.size <= file.Size();
    break;
  }
  return true;
}

bool WriteLe32At(AviFileAccess& file, std::uint64_t offset, std::uint64_t value) {
  if (offset == kNotFound) return true;  // the field is not in this file
  unsigned char bytes[4];
  PutLe32(bytes, static_cast<std::uint32_t>(std::min<std::uint64_t>(value, 0xffffffffu)));
  return file.WriteAt(offset, bytes, 4);
}

// The counting fields of the header list, looked for no further than end.
HeaderFields FindHeaderFields(AviFileAccess& file, std::uint64_t end) {
  HeaderFields fields;
  ChunkHeader chunk;
  end = std::min(end, file.Size());
  for (std::uint64_t at = 12; at + 8 <= end && ReadChunkHeader(file, at, &chunk);
       at = ChunkEnd(at, chunk.size)) {
    if (Is(chunk.id, "LIST") && Is(chunk.list_type, "hdrl")) {
      ScanHeaderList(file, at + 12, std::min(at + 8 + chunk.size, end), &fields, 0);
      break;
    }
  }
  return fields;
}

}  // namespace

std::int64_t AviHeaderFrameCount(AviFileAccess& file) {
  Segment first;
  if (!FindSegment(file, 0, true, &first)) return -1;
  const HeaderFields fields = FindHeaderFields(file, first.declared_end);
  unsigned char bytes[4];
  if (fields.video_length == kNotFound || !file.ReadAt(fields.video_length, bytes, 4)) return -1;
  return Le32(bytes);
}

namespace {

// The segments that were closed whole, then the one being written when the writer failed;
// entries collects the first segment's video chunks, all_entries (when given) every segment's.
std::vector<Segment> WalkSegments(AviFileAccess& file, const Segment& first,
                                  std::vector<IndexEntry>* entries,
                                  std::vector<IndexEntry>* all_entries) {
  std::vector<Segment> segments{first};
  WalkMovi(file, &segments.back(), entries);
  if (all_entries != nullptr) *all_entries = *entries;
  while (segments.back().movi_complete && segments.back().declared_end < file.Size()) {
    Segment next;
    if (!FindSegment(file, segments.back().declared_end, false, &next) ||
        next.movi == kNotFound) {
      break;
    }
    segments.push_back(next);
    WalkMovi(file, &segments.back(), all_entries);
  }
  return segments;
}

}  // namespace

std::vector<AviChunkPosition> WalkAviVideoChunks(AviFileAccess& file) {
  Segment first;
  std::vector<IndexEntry> entries, all;
  if (!FindSegment(file, 0, true, &first) || first.movi == kNotFound ||
      first.movi + 12 > file.Size()) {
    return all;
  }
  WalkSegments(file, first, &entries, &all);
  return all;
}

namespace {

void PutLe16(unsigned char* bytes, std::uint16_t value) {
  bytes[0] = static_cast<unsigned char>(value);
  bytes[1] = static_cast<unsigned char>(value >> 8);
}

void PutLe64(unsigned char* bytes, std::uint64_t value) {
  PutLe32(bytes, static_cast<std::uint32_t>(value));
  PutLe32(bytes + 4, static_cast<std::uint32_t>(value >> 32));
}

bool KeyFrame(const std::vector<bool>* key_frames, std::size_t count, std::size_t i) {
  return key_frames == nullptr || key_frames->size() != count || (*key_frames)[i];
}

// The idx1 index of a one-segment file.
std::vector<unsigned char> Idx1Index(const std::vector<IndexEntry>& entries,
                                     std::uint64_t movi, const std::vector<bool>* key_frames) {
  std::vector<unsigned char> index(8 + 16 * entries.size());
  std::memcpy(index.data(), "idx1", 4);
  PutLe32(index.data() + 4, static_cast<std::uint32_t>(16 * entries.size()));
  unsigned char* entry = index.data() + 8;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const IndexEntry& item = entries[i];
    std::memcpy(entry, item.id.data(), 4);
    PutLe32(entry + 4, KeyFrame(key_frames, entries.size(), i) ? kKeyFrameFlag : 0u);
    // idx1 offsets count from the movi list's type field.
    PutLe32(entry + 8, static_cast<std::uint32_t>(item.offset - (movi + 8)));
    PutLe32(entry + 12, item.size);
    entry += 16;
  }
  return index;
}

constexpr std::uint32_t kDeltaFrameBit = 0x80000000u;  // standard index: not a key frame
constexpr std::uint64_t kStandardIndexHeader = 8 + 24;
constexpr std::uint64_t kSuperIndexHeader = 24;

// The OpenDML indexes of a file of several segments: one standard index ("ix00") per segment,
// all placed at offset, and the super index entries that list them. Empty when they cannot
// be made: no super index in the header, too little room in it, or a segment too large for
// the 32-bit offsets of a standard index.
struct OpenDmlIndexes {
  std::vector<unsigned char> standard;  // the standard index chunks, written at offset
  std::vector<unsigned char> super;     // the super index, written over the header's
};

OpenDmlIndexes MakeOpenDmlIndexes(const std::vector<Segment>& segments,
                                  const std::vector<IndexEntry>& entries,
                                  const HeaderFields& fields, std::uint64_t offset,
                                  const std::vector<bool>* key_frames) {
  OpenDmlIndexes made;
  if (entries.empty() || fields.video_indx == kNotFound ||
      fields.video_indx_size < kSuperIndexHeader + 16 * segments.size()) {
    return made;
  }
  const FourCc id = entries.front().id;
  made.super.assign(fields.video_indx_size, 0);
  PutLe16(made.super.data(), 4);  // longs per entry; sub-type 0, type 0: an index of indexes
  PutLe32(made.super.data() + 4, static_cast<std::uint32_t>(segments.size()));
  std::memcpy(made.super.data() + 8, id.data(), 4);
  std::size_t next = 0;
  for (std::size_t s = 0; s < segments.size(); ++s) {
    const std::size_t begin = next;
    while (next < entries.size() && entries[next].offset < segments[s].whole_end) ++next;
    const std::size_t count = next - begin;
    const std::uint64_t base = segments[s].movi;
    std::vector<unsigned char> chunk(kStandardIndexHeader + 8 * count);
    const char name[4] = {'i', 'x', id[0], id[1]};
    std::memcpy(chunk.data(), name, 4);
    PutLe32(chunk.data() + 4, static_cast<std::uint32_t>(chunk.size() - 8));
    PutLe16(chunk.data() + 8, 2);  // longs per entry
    chunk[11] = 1;                 // an index of chunks
    PutLe32(chunk.data() + 12, static_cast<std::uint32_t>(count));
    std::memcpy(chunk.data() + 16, id.data(), 4);
    PutLe64(chunk.data() + 20, base);
    for (std::size_t i = 0; i < count; ++i) {
      const IndexEntry& item = entries[begin + i];
      // Standard index offsets point at the frame's data, counted from the base.
      const std::uint64_t relative = item.offset + 8 - base;
      if (relative > 0xffffffffu) return {};
      unsigned char* entry = chunk.data() + kStandardIndexHeader + 8 * i;
      PutLe32(entry, static_cast<std::uint32_t>(relative));
      PutLe32(entry + 4, item.size | (KeyFrame(key_frames, entries.size(), begin + i)
                                          ? 0u
                                          : kDeltaFrameBit));
    }
    unsigned char* listed = made.super.data() + kSuperIndexHeader + 16 * s;
    PutLe64(listed, offset + made.standard.size());
    PutLe32(listed + 8, static_cast<std::uint32_t>(chunk.size()));
    PutLe32(listed + 12, static_cast<std::uint32_t>(count));
    made.standard.insert(made.standard.end(), chunk.begin(), chunk.end());
  }
  return made;
}

}  // namespace

AviFinishResult FinishCutOffAvi(AviFileAccess& file, const std::vector<bool>* key_frames,
                                bool replace_index) {
  AviFinishResult result;
  Segment first;
  if (!FindSegment(file, 0, true, &first)) return result;
  result.is_avi = true;
  // Cut inside the header: no frame to keep, nothing to mend.
  if (first.movi == kNotFound || first.movi + 12 > file.Size()) return result;

  std::vector<IndexEntry> entries, all_entries;
  std::vector<Segment> segments = WalkSegments(file, first, &entries, &all_entries);
  for (const Segment& segment : segments) result.video_frames += segment.video_frames;

  Segment& last = segments.back();
  const bool single = segments.size() == 1;
  // A whole file: its movi list and (for a single segment) its index are complete.
  if (last.movi_complete && (!single || last.index_complete) && !replace_index &&
      last.declared_end == file.Size()) {
    result.index_written = single;
    return result;
  }

  // Cut back to the last whole chunk.
  const std::uint64_t size_before = file.Size();
  if (!file.Truncate(last.whole_end)) return result;
  // Only a frame cut off part way counts; an index dropped after a whole list does not.
  result.tail_cut = last.whole_end < size_before && !last.movi_complete;
  std::uint64_t file_end = last.whole_end;
  std::uint64_t movi_end = last.whole_end;

  // The index, when the space for it can be had: idx1 after the list of a single segment;
  // for several segments, standard indexes at the end of the last movi list and the header's
  // super index pointing at them.
  const HeaderFields fields = FindHeaderFields(file, first.movi);
  OpenDmlIndexes open_dml;
  std::vector<unsigned char> index;
  if (single) {
    index = Idx1Index(entries, first.movi, key_frames);
  } else {
    open_dml = MakeOpenDmlIndexes(segments, all_entries, fields, file_end, key_frames);
    index = open_dml.standard;
  }
  if (!index.empty()) {
    if (file.WriteAt(file_end, index.data(), index.size()) &&
        (single || file.WriteAt(fields.video_indx, open_dml.super.data(), open_dml.super.size()))) {
      file_end += index.size();
      if (!single) movi_end = file_end;
      result.index_written = true;
    } else {
      file.Truncate(file_end);  // no half index
    }
  }
  // A file of one segment is found through idx1; a super index left from a longer file (an
  // OpenDML recording cut below 1 GB) would point readers past the end, so it becomes junk.
  if (single && result.index_written && fields.video_indx != kNotFound &&
      fields.video_indx >= 8 && !file.WriteAt(fields.video_indx - 8, "JUNK", 4)) {
    result.index_written = false;
  }

  // Sizes and counts to what the file now holds; these overwrite bytes already there.
  result.headers_updated =
      WriteLe32At(file, last.offset + 4, file_end - last.offset - 8) &&
      WriteLe32At(file, last.movi + 4, movi_end - last.movi - 8) &&
      WriteLe32At(file, fields.avih_total_frames, segments.front().video_frames) &&
      WriteLe32At(file, fields.video_length, result.video_frames) &&
      WriteLe32At(file, fields.dmlh_total_frames, result.video_frames);
  return result;
}

}  // namespace vesk
