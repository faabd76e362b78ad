#include "platform/linux/posix_avi_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace vesk {
namespace {

std::string NotRegularText(mode_t mode) {
  const char* kind = S_ISFIFO(mode)                   ? "a FIFO"
                     : S_ISDIR(mode)                  ? "a folder"
                     : S_ISLNK(mode)                  ? "a symbolic link"
                     : S_ISCHR(mode) || S_ISBLK(mode) ? "a device"
                     : S_ISSOCK(mode)                 ? "a socket"
                                                      : "of another kind";
  return std::string("not a regular file (") + kind + ")";
}

}  // namespace

std::string FileErrorText(int error) {
  static constexpr struct {
    int error;
    const char* text;
  } kTexts[] = {
      {EROFS, "the file system is read-only"},
      {EACCES, "permission denied"},
      {EPERM, "permission denied"},
      {ENOSPC, "the disk is full"},
      {EDQUOT, "the disk quota is used up"},
      {EFBIG, "the file is too large for the file system"},
      {ENOENT, "no such file or folder"},
      {ENOTDIR, "a part of the path is not a folder"},
      {ENAMETOOLONG, "the name is too long"},
      {EEXIST, "something is there already"},
      {EIO, "the disk reported an error"},
  };
  for (const auto& known : kTexts) {
    if (known.error == error) return known.text;
  }
  return std::strerror(error);
}

PosixAviFile::PosixAviFile(const std::string& path, bool writable) {
  OpenRegular(path, (writable ? O_RDWR : O_RDONLY) | O_NOFOLLOW);
}

PosixAviFile::PosixAviFile(const std::string& path, ReadThroughLinks) {
  OpenRegular(path, O_RDONLY);
}

PosixAviFile::PosixAviFile(const std::string& path, CreateNew)
    : fd_(open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0644)) {
  if (fd_ < 0) {
    Failed();
    return;
  }
  // Only tells a writer at work from a file left behind, so a lock not had changes nothing
  // else.
  flock(fd_, LOCK_EX | LOCK_NB);
}

PosixAviFile::~PosixAviFile() {
  if (fd_ >= 0) close(fd_);
}

void PosixAviFile::OpenRegular(const std::string& path, int flags) {
  // What is there is looked at before it is opened: opening a device can act on it.
  struct stat info {};
  const bool follow = (flags & O_NOFOLLOW) == 0;
  if ((follow ? stat(path.c_str(), &info) : lstat(path.c_str(), &info)) != 0) {
    Failed();
    return;
  }
  if (!S_ISREG(info.st_mode)) {
    failure_ = NotRegularText(info.st_mode);
    return;
  }
  // Opened without waiting all the same, in case something else was put there meanwhile:
  // a FIFO then opens at once and fstat refuses it.
  fd_ = open(path.c_str(), flags | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd_ < 0) {
    Failed();
    return;
  }
  if (fstat(fd_, &info) != 0 || !S_ISREG(info.st_mode)) {
    failure_ = NotRegularText(info.st_mode);
    close(fd_);
    fd_ = -1;
    return;
  }
  fcntl(fd_, F_SETFL, fcntl(fd_, F_GETFL) & ~O_NONBLOCK);
}

bool PosixAviFile::Failed() {
  failure_ = FileErrorText(errno);
  return false;
}

bool PosixAviFile::HeldByWriter(const std::string& path) {
  const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat info {};
  const bool held = fstat(fd, &info) == 0 && S_ISREG(info.st_mode) &&
                    flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
  close(fd);
  return held;
}

std::uint64_t PosixAviFile::Size() const {
  struct stat info {};
  if (fd_ < 0 || fstat(fd_, &info) != 0 || info.st_size < 0) return 0;
  return static_cast<std::uint64_t>(info.st_size);
}

bool PosixAviFile::ReadAt(std::uint64_t offset, void* bytes, std::size_t count) {
  if (fd_ < 0) return false;
  auto* out = static_cast<char*>(bytes);
  while (count > 0) {
    const ssize_t got = pread(fd_, out, count, static_cast<off_t>(offset));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return Failed();
    if (got == 0) return false;  // the end of the file: no failure of the system
    out += got;
    offset += static_cast<std::uint64_t>(got);
    count -= static_cast<std::size_t>(got);
  }
  return true;
}

bool PosixAviFile::WriteAt(std::uint64_t offset, const void* bytes, std::size_t count) {
  if (fd_ < 0) return false;
  const auto* in = static_cast<const char*>(bytes);
  while (count > 0) {
    const ssize_t put = pwrite(fd_, in, count, static_cast<off_t>(offset));
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return put < 0 ? Failed() : false;
    in += put;
    offset += static_cast<std::uint64_t>(put);
    count -= static_cast<std::size_t>(put);
  }
  // What is reported as finished must be on the disk.
  return fdatasync(fd_) == 0 || Failed();
}

bool PosixAviFile::Truncate(std::uint64_t size) {
  return fd_ >= 0 && (ftruncate(fd_, static_cast<off_t>(size)) == 0 || Failed());
}

}  // namespace vesk
