#pragma once

// The file a SER recording is written into as it grows: positioned writes, not flushed one by
// one, so a frame costs one system call.

#include <string>

#include "media/ser_writer.h"

namespace vesk {

class PosixSerOutput final : public SerOutput {
 public:
  // Opens the file at path, already made by the recording, for writing.
  explicit PosixSerOutput(const std::string& path);
  ~PosixSerOutput() override;
  PosixSerOutput(const PosixSerOutput&) = delete;
  PosixSerOutput& operator=(const PosixSerOutput&) = delete;

  bool is_open() const { return fd_ >= 0; }
  bool WriteAt(std::uint64_t offset, const void* bytes, std::size_t count) override;
  bool Truncate(std::uint64_t size) override;
  std::string LastFailure() const override;
  // Flushes what was written to the disk.
  void Sync();

 private:
  bool Failed();
  int fd_ = -1;
  int last_error_ = 0;  // errno of the last failure; kept without allocating
};

}  // namespace vesk
