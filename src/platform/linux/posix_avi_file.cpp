#include "platform/linux/posix_avi_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace vesk {

PosixAviFile::PosixAviFile(const std::string& path, bool writable)
    : fd_(open(path.c_str(), (writable ? O_RDWR : O_RDONLY) | O_CLOEXEC | O_NOFOLLOW)) {}

PosixAviFile::PosixAviFile(const std::string& path, CreateNew)
    : fd_(open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0644)) {}

PosixAviFile::~PosixAviFile() {
  if (fd_ >= 0) close(fd_);
}

std::uint64_t PosixAviFile::Size() const {
  struct stat info {};
  if (fd_ < 0 || fstat(fd_, &info) != 0 || info.st_size < 0) return 0;
  return static_cast<std::uint64_t>(info.st_size);
}

bool PosixAviFile::ReadAt(std::uint64_t offset, void* bytes, std::size_t count) {
  auto* out = static_cast<char*>(bytes);
  while (count > 0) {
    const ssize_t got = pread(fd_, out, count, static_cast<off_t>(offset));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    out += got;
    offset += static_cast<std::uint64_t>(got);
    count -= static_cast<std::size_t>(got);
  }
  return true;
}

bool PosixAviFile::WriteAt(std::uint64_t offset, const void* bytes, std::size_t count) {
  const auto* in = static_cast<const char*>(bytes);
  while (count > 0) {
    const ssize_t put = pwrite(fd_, in, count, static_cast<off_t>(offset));
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return false;
    in += put;
    offset += static_cast<std::uint64_t>(put);
    count -= static_cast<std::size_t>(put);
  }
  // What is reported as finished must be on the disk.
  return fdatasync(fd_) == 0;
}

bool PosixAviFile::Truncate(std::uint64_t size) {
  return fd_ >= 0 && ftruncate(fd_, static_cast<off_t>(size)) == 0;
}

}  // namespace vesk
