#pragma once

// An AVI file on disk for finishing and counting, through plain POSIX calls.

#include <cstddef>
#include <cstdint>
#include <string>

#include "media/avi_file_finish.h"

namespace vesk {

// Why a file call failed (its errno), in plain words: "the file system is read-only",
// "permission denied", "the disk is full"; the system's own text for anything rarer.
std::string FileErrorText(int error);

class PosixAviFile final : public AviFileAccess {
 public:
  // Opens a regular file for reading, and for writing too when writable is set, never by
  // way of a symbolic link; is_open() tells, and LastFailure() why not. Opening never waits:
  // a FIFO, a device or a folder where a recording is expected is refused.
  PosixAviFile(const std::string& path, bool writable);
  // A regular file for reading, found through symbolic links too; never waits either.
  struct ReadThroughLinks {};
  PosixAviFile(const std::string& path, ReadThroughLinks);
  // A new file for writing (read and written by its owner and readable by others); not open
  // when anything is at path already, a symbolic link that leads nowhere included. While it
  // is open it holds an exclusive lock (flock), by which HeldByWriter tells it from a file
  // that a writer left behind.
  struct CreateNew {};
  PosixAviFile(const std::string& path, CreateNew);
  ~PosixAviFile() override;
  PosixAviFile(const PosixAviFile&) = delete;
  PosixAviFile& operator=(const PosixAviFile&) = delete;

  // Whether path is a file that an open CreateNew file (of any process) is writing now.
  static bool HeldByWriter(const std::string& path);

  bool is_open() const { return fd_ >= 0; }
  std::uint64_t Size() const override;
  bool ReadAt(std::uint64_t offset, void* bytes, std::size_t count) override;
  bool WriteAt(std::uint64_t offset, const void* bytes, std::size_t count) override;
  bool Truncate(std::uint64_t size) override;
  // Also why the file could not be opened.
  std::string LastFailure() const override { return failure_; }

 private:
  void OpenRegular(const std::string& path, int flags);
  bool Failed();

  int fd_ = -1;
  std::string failure_;
};

}  // namespace vesk
