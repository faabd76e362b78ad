#pragma once

// A recording's file in memory: reads past its end are refused and counted, and a capacity
// stands in for a full disk (a write puts down what fits, then fails).

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

#include "media/avi_file_finish.h"
#include "media/ser_writer.h"

namespace vesk::testing {

class MemoryFile final : public AviFileAccess, public SerOutput {
 public:
  explicit MemoryFile(std::string bytes = {}, std::size_t capacity = 1 << 30)
      : bytes(std::move(bytes)), capacity(capacity) {}
  std::uint64_t Size() const override { return bytes.size(); }
  bool ReadAt(std::uint64_t offset, void* out, std::size_t count) override {
    if (offset > bytes.size() || count > bytes.size() - offset) {
      ++reads_past_end;
      return false;
    }
    std::memcpy(out, bytes.data() + offset, count);
    return true;
  }
  bool WriteAt(std::uint64_t offset, const void* in, std::size_t count) override {
    const std::size_t fits = offset >= capacity ? 0 : std::min<std::size_t>(count, capacity - offset);
    if (bytes.size() < offset + fits) bytes.resize(offset + fits);
    std::memcpy(bytes.data() + offset, in, fits);
    return fits == count;
  }
  bool Truncate(std::uint64_t size) override {
    bytes.resize(size);
    return true;
  }
  std::string LastFailure() const override { return "the disk is full"; }
  std::uint32_t U32(std::size_t at) const {
    std::uint32_t value;
    std::memcpy(&value, bytes.data() + at, 4);
    return value;
  }

  std::string bytes;
  std::size_t capacity;
  int reads_past_end = 0;
};

}  // namespace vesk::testing
