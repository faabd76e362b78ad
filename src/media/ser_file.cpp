#include "media/ser_file.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace vesk {
namespace {

constexpr char kFileId[] = "LUCAM-RECORDER";
constexpr std::size_t kFileIdBytes = 14;
// A trailer begins with the first frame's time, which a writer also puts in DateTime_UTC:
// eight bytes after the frames within a day of it are a trailer, not a frame's pixels.
constexpr std::int64_t kTicksPerDay = 864000000000LL;

void PutLe(unsigned char* at, std::uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) at[i] = static_cast<unsigned char>(value >> (8 * i));
}
std::uint64_t GetLe(const unsigned char* at, int bytes) {
  std::uint64_t value = 0;
  for (int i = bytes - 1; i >= 0; --i) value = value << 8 | at[i];
  return value;
}
std::int32_t GetI32(const unsigned char* at) { return static_cast<std::int32_t>(GetLe(at, 4)); }
std::int64_t GetI64(const unsigned char* at) { return static_cast<std::int64_t>(GetLe(at, 8)); }

void PutText(unsigned char* at, const std::string& text) {
  std::memset(at, 0, kSerTextBytes);
  std::memcpy(at, text.data(), std::min(text.size(), kSerTextBytes));
}
std::string GetText(const unsigned char* at) {
  std::size_t length = 0;
  while (length < kSerTextBytes && at[length] != 0) ++length;
  return std::string(reinterpret_cast<const char*>(at), length);
}

bool HeaderGivesFrames(const SerHeader& header) {
  return header.width > 0 && header.height > 0 && header.depth >= 1 && header.depth <= 16 &&
         SerPlanes(header.colour_id) > 0 && header.frame_count >= 0;
}

}  // namespace

std::array<unsigned char, kSerHeaderBytes> BuildSerHeader(const SerHeader& header) {
  std::array<unsigned char, kSerHeaderBytes> bytes{};
  std::memcpy(bytes.data(), kFileId, kFileIdBytes);
  PutLe(&bytes[14], static_cast<std::uint32_t>(header.lu_id), 4);
  PutLe(&bytes[18], static_cast<std::uint32_t>(header.colour_id), 4);
  PutLe(&bytes[22], static_cast<std::uint32_t>(header.little_endian), 4);
  PutLe(&bytes[26], static_cast<std::uint32_t>(header.width), 4);
  PutLe(&bytes[30], static_cast<std::uint32_t>(header.height), 4);
  PutLe(&bytes[34], static_cast<std::uint32_t>(header.depth), 4);
  PutLe(&bytes[kSerFrameCountOffset], static_cast<std::uint32_t>(header.frame_count), 4);
  PutText(&bytes[42], header.observer);
  PutText(&bytes[82], header.instrument);
  PutText(&bytes[122], header.telescope);
  PutLe(&bytes[162], static_cast<std::uint64_t>(header.date_time), 8);
  PutLe(&bytes[170], static_cast<std::uint64_t>(header.date_time_utc), 8);
  return bytes;
}

bool ParseSerHeader(const unsigned char* bytes, std::size_t count, SerHeader* header) {
  if (count < kSerHeaderBytes || std::memcmp(bytes, kFileId, kFileIdBytes) != 0) return false;
  header->lu_id = GetI32(&bytes[14]);
  header->colour_id = GetI32(&bytes[18]);
  header->little_endian = GetI32(&bytes[22]);
  header->width = GetI32(&bytes[26]);
  header->height = GetI32(&bytes[30]);
  header->depth = GetI32(&bytes[34]);
  header->frame_count = GetI32(&bytes[kSerFrameCountOffset]);
  header->observer = GetText(&bytes[42]);
  header->instrument = GetText(&bytes[82]);
  header->telescope = GetText(&bytes[122]);
  header->date_time = GetI64(&bytes[162]);
  header->date_time_utc = GetI64(&bytes[170]);
  return true;
}

std::int64_t SerTicksFromUnixNs(std::int64_t unix_ns) {
  // Floor division, so a time before 1970 is not moved forward.
  std::int64_t ticks = unix_ns / 100;
  if (unix_ns % 100 < 0) --ticks;
  return ticks + kSerTicksAtUnixEpoch;
}

std::int64_t UnixNsFromSerTicks(std::int64_t ticks) { return (ticks - kSerTicksAtUnixEpoch) * 100; }

int SerPlanes(std::int32_t colour_id) {
  if (colour_id == kSerMono || (colour_id >= 8 && colour_id <= 11) ||
      (colour_id >= 16 && colour_id <= 19)) {
    return 1;
  }
  return colour_id == kSerRgb || colour_id == kSerBgr ? 3 : 0;
}

std::uint64_t SerFrameBytes(const SerHeader& header) {
  if (!HeaderGivesFrames(header)) return 0;
  return std::uint64_t(header.width) * std::uint64_t(header.height) *
         std::uint64_t(SerPlanes(header.colour_id)) * (header.depth > 8 ? 2u : 1u);
}

void AppendSerTrailer(const std::int64_t* ticks, std::size_t count, std::vector<unsigned char>* out) {
  const std::size_t at = out->size();
  out->resize(at + count * 8);
  for (std::size_t i = 0; i < count; ++i) {
    PutLe(out->data() + at + i * 8, static_cast<std::uint64_t>(ticks[i]), 8);
  }
}

bool LooksLikeSer(AviFileAccess& file) {
  unsigned char id[kFileIdBytes];
  return file.Size() >= kSerHeaderBytes && file.ReadAt(0, id, kFileIdBytes) &&
         std::memcmp(id, kFileId, kFileIdBytes) == 0;
}

SerReadStatus ReadSerFile(AviFileAccess& file, SerFileInfo* info) {
  *info = SerFileInfo{};
  const std::uint64_t size = file.Size();
  unsigned char bytes[kSerHeaderBytes];
  if (size < kSerHeaderBytes || !file.ReadAt(0, bytes, kSerHeaderBytes) ||
      !ParseSerHeader(bytes, kSerHeaderBytes, &info->header)) {
    return SerReadStatus::NotSer;
  }
  const SerHeader& header = info->header;
  info->frame_bytes = SerFrameBytes(header);
  if (info->frame_bytes == 0) return SerReadStatus::BadHeader;
  const std::uint64_t fitting = (size - kSerHeaderBytes) / info->frame_bytes;
  const auto count = static_cast<std::uint64_t>(header.frame_count);
  info->frames = static_cast<std::int64_t>(std::min(count, fitting));
  info->whole_frames = static_cast<std::int64_t>(
      std::min<std::uint64_t>(fitting, std::numeric_limits<std::int32_t>::max()));
  if (count > fitting) return SerReadStatus::Ok;  // cut inside the frames: no trailer

  const std::uint64_t after = kSerHeaderBytes + count * info->frame_bytes;
  const std::uint64_t rest = size - after;
  unsigned char first[8];
  const bool trailer_begins = header.date_time > 0 && count > 0 && rest >= 8 &&
                              file.ReadAt(after, first, 8) &&
                              std::abs(GetI64(first) - header.date_time_utc) < kTicksPerDay;
  if (!trailer_begins) return SerReadStatus::Ok;  // frames past FrameCount, or nothing
  info->whole_frames = header.frame_count;
  if (rest < count * 8) {
    info->trailer = SerTrailer::CutShort;
    return SerReadStatus::Ok;
  }
  std::vector<unsigned char> trailer(count * 8);
  if (!file.ReadAt(after, trailer.data(), trailer.size())) {
    info->trailer = SerTrailer::CutShort;
    return SerReadStatus::Ok;
  }
  info->times.resize(count);
  for (std::uint64_t i = 0; i < count; ++i) info->times[i] = GetI64(&trailer[i * 8]);
  info->trailer = SerTrailer::Whole;
  return SerReadStatus::Ok;
}

std::string SerReadProblemText(SerReadStatus status) {
  switch (status) {
    case SerReadStatus::Ok:
      return "";
    case SerReadStatus::NotSer:
      return "not a SER file (no LUCAM-RECORDER header)";
    case SerReadStatus::BadHeader:
      return "a SER header without a usable frame size, depth, colour or frame count";
  }
  return "";
}

SerFinishResult FinishSerFile(AviFileAccess& file, const std::vector<std::int64_t>* times) {
  SerFinishResult result;
  SerFileInfo info;
  if (ReadSerFile(file, &info) != SerReadStatus::Ok) return result;
  result.is_ser = true;
  result.frames = info.whole_frames;
  if (info.trailer == SerTrailer::Whole && info.whole_frames == info.header.frame_count) {
    result.trailer_kept = true;
    return result;
  }
  // Frames past the last time there is are left out: the trailer needs one per frame.
  std::int64_t keep = info.whole_frames;
  if (times != nullptr && !times->empty() && static_cast<std::int64_t>(times->size()) < keep) {
    keep = static_cast<std::int64_t>(times->size());
  }
  result.frames = keep;
  result.frames_without_time = info.whole_frames - keep;
  const std::uint64_t frames_end =
      kSerHeaderBytes + static_cast<std::uint64_t>(keep) * info.frame_bytes;
  if (file.Size() > frames_end) {
    if (!file.Truncate(frames_end)) return result;
    result.tail_cut = true;
  }
  SerHeader header = info.header;
  result.count_changed = header.frame_count != keep;
  header.frame_count = static_cast<std::int32_t>(keep);
  const bool with_trailer = times != nullptr && keep > 0;
  if (with_trailer) {
    std::vector<std::int64_t> ticks(static_cast<std::size_t>(keep));
    for (std::size_t i = 0; i < ticks.size(); ++i) ticks[i] = SerTicksFromUnixNs((*times)[i]);
    std::vector<unsigned char> trailer;
    AppendSerTrailer(ticks.data(), ticks.size(), &trailer);
    if (!file.WriteAt(frames_end, trailer.data(), trailer.size())) return result;
    // The local start stays as the writer put it; a file without one gets the UTC.
    if (header.date_time <= 0) header.date_time = ticks[0];
    header.date_time_utc = ticks[0];
    result.trailer_written = true;
  } else {
    header.date_time = 0;  // tells readers there is no trailer to look for
  }
  const auto bytes = BuildSerHeader(header);
  if (!file.WriteAt(0, bytes.data(), bytes.size())) result.trailer_written = false;
  return result;
}

}  // namespace vesk
