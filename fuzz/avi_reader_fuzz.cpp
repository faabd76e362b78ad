// Feeds arbitrary bytes to the AVI and SER readers as a whole file, and repairs a copy of
// them: every size, count and index entry comes from the data, so any read or write outside
// the file shows. The file is an exact-size copy, so the sanitizer sees any access past it.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "media/ser_file.h"
#include "playback/avi_reader.h"

namespace {

class MemoryFile final : public vesk::AviFileAccess {
 public:
  MemoryFile(const std::uint8_t* data, std::size_t size) : bytes_(data, data + size) {}
  std::uint64_t Size() const override { return bytes_.size(); }
  bool ReadAt(std::uint64_t offset, void* out, std::size_t count) override {
    if (offset > bytes_.size() || count > bytes_.size() - offset) return false;
    if (count > 0) std::memcpy(out, bytes_.data() + offset, count);
    return true;
  }
  bool WriteAt(std::uint64_t offset, const void* in, std::size_t count) override {
    if (offset > (1u << 24)) return false;  // a disk of 16 MB
    if (bytes_.size() < offset + count) bytes_.resize(offset + count);
    if (count > 0) std::memcpy(bytes_.data() + offset, in, count);
    return true;
  }
  bool Truncate(std::uint64_t size) override {
    if (size > bytes_.size()) return false;
    bytes_.resize(size);
    return true;
  }

 private:
  std::vector<std::uint8_t> bytes_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  MemoryFile file(data, size);
  vesk::SerFileInfo ser;
  if (vesk::ReadSerFile(file, &ser) == vesk::SerReadStatus::Ok) {
    // The frames read lie inside the file, and the trailer's times are the frames'.
    if (178 + static_cast<std::uint64_t>(ser.frames) * ser.frame_bytes > size) __builtin_trap();
    if (ser.trailer == vesk::SerTrailer::Whole &&
        ser.times.size() != static_cast<std::size_t>(ser.header.frame_count)) {
      __builtin_trap();
    }
    const std::vector<std::int64_t> times(static_cast<std::size_t>(ser.whole_frames), 0);
    vesk::FinishSerFile(file, size % 2 == 0 ? &times : nullptr);
    vesk::ReadSerFile(file, &ser);
    return 0;
  }
  vesk::AviFileInfo info;
  if (vesk::ReadAviFile(file, &info) != vesk::AviReadStatus::Ok) return 0;
  // Every frame lies inside the file, in order.
  std::uint64_t previous = 0;
  for (const vesk::AviFrame& frame : info.frames) {
    if (frame.offset > size || frame.size > size - frame.offset) __builtin_trap();
    if (!info.index_rebuilt && previous != 0 && frame.offset <= previous) __builtin_trap();
    previous = frame.offset;
  }
  if (vesk::BuildKeyFrameTable(info.frames).size() != info.frames.size()) __builtin_trap();
  std::vector<bool> keys(info.frames.size(), true);
  vesk::FinishCutOffAvi(file, &keys);
  vesk::AviFileInfo repaired;
  vesk::ReadAviFile(file, &repaired);
  return 0;
}
