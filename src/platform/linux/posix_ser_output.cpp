#include "platform/linux/posix_ser_output.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "platform/linux/posix_avi_file.h"

namespace vesk {

PosixSerOutput::PosixSerOutput(const std::string& path) {
  fd_ = ::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NOFOLLOW);
  if (fd_ < 0) last_error_ = errno;
}

PosixSerOutput::~PosixSerOutput() {
  if (fd_ >= 0) ::close(fd_);
}

bool PosixSerOutput::Failed() {
  last_error_ = errno;
  return false;
}

bool PosixSerOutput::WriteAt(std::uint64_t offset, const void* bytes, std::size_t count) {
  if (fd_ < 0) return false;
  const auto* in = static_cast<const char*>(bytes);
  while (count > 0) {
    const ssize_t put = pwrite(fd_, in, count, static_cast<off_t>(offset));
    if (put < 0 && errno == EINTR) continue;
    if (put < 0) return Failed();
    if (put == 0) {
      last_error_ = ENOSPC;
      return false;
    }
    in += put;
    offset += static_cast<std::uint64_t>(put);
    count -= static_cast<std::size_t>(put);
  }
  return true;
}

bool PosixSerOutput::Truncate(std::uint64_t size) {
  return fd_ >= 0 && (ftruncate(fd_, static_cast<off_t>(size)) == 0 || Failed());
}

std::string PosixSerOutput::LastFailure() const {
  return last_error_ == 0 ? std::string() : FileErrorText(last_error_);
}

void PosixSerOutput::Sync() {
  if (fd_ >= 0) fdatasync(fd_);
}

}  // namespace vesk
