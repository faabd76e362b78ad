#pragma once

// An AVI file on disk for finishing and counting, through plain POSIX calls.

#include <cstddef>
#include <cstdint>
#include <string>

#include "media/avi_file_finish.h"

namespace vesk {

class PosixAviFile final : public AviFileAccess {
 public:
  // Opens for reading, and for writing too when writable is set; is_open() tells.
  PosixAviFile(const std::string& path, bool writable);
  // A new file for writing (read and written by its owner and readable by others); not open
  // when the path exists already.
  struct CreateNew {};
  PosixAviFile(const std::string& path, CreateNew);
  ~PosixAviFile() override;
  PosixAviFile(const PosixAviFile&) = delete;
  PosixAviFile& operator=(const PosixAviFile&) = delete;

  bool is_open() const { return fd_ >= 0; }
  std::uint64_t Size() const override;
  bool ReadAt(std::uint64_t offset, void* bytes, std::size_t count) override;
  bool WriteAt(std::uint64_t offset, const void* bytes, std::size_t count) override;
  bool Truncate(std::uint64_t size) override;

 private:
  int fd_ = -1;
};

}  // namespace vesk
