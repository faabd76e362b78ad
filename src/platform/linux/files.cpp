#include "base/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>

namespace vesk::files {
namespace {

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() { Close(); }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int get() const { return fd_; }
  bool Close() {
    if (fd_ < 0) return true;
    const int result = ::close(fd_);
    fd_ = -1;
    return result == 0;
  }

 private:
  int fd_;
};

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

std::string FolderOf(const std::string& path) {
  const auto slash = path.find_last_of(kSeparator);
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

}  // namespace

bool ReadWholeFile(const std::string& path, std::string* bytes, std::size_t max_bytes,
                   std::string* error) {
  auto fail = [error](std::string why) {
    if (error != nullptr) *error = std::move(why);
    return false;
  };
  const std::string too_large = "larger than " + std::to_string(max_bytes) + " bytes";
  // Never waits: a FIFO (or a device) put where a file is expected would block the open and
  // hang start-up; it is opened without blocking and then refused as not a regular file.
  FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (fd.get() < 0) return fail(std::strerror(errno));
  struct stat info {};
  if (::fstat(fd.get(), &info) != 0) return fail(std::strerror(errno));
  if (!S_ISREG(info.st_mode)) return fail("not a regular file");
  if (static_cast<unsigned long long>(info.st_size) > max_bytes) return fail(too_large);
  std::string content;
  char chunk[65536];
  for (;;) {
    const ssize_t got = ::read(fd.get(), chunk, sizeof chunk);
    if (got < 0) {
      if (errno == EINTR) continue;
      return fail(std::strerror(errno));
    }
    if (got == 0) break;
    if (content.size() + static_cast<std::size_t>(got) > max_bytes) return fail(too_large);
    content.append(chunk, static_cast<std::size_t>(got));
  }
  *bytes = std::move(content);
  return true;
}

bool WriteFileAtomically(const std::string& path, std::string_view bytes) {
  if (path.empty() || IsDirectory(path)) return false;
  std::string temporary = path + ".XXXXXX";
  FileDescriptor fd(::mkostemp(temporary.data(), O_CLOEXEC));
  if (fd.get() < 0) return false;
  // mkostemp creates 0600; station files are ordinary user files.
  const mode_t mask = ::umask(0);
  ::umask(mask);
  bool ok = ::fchmod(fd.get(), 0666 & ~mask) == 0;
  ok = ok && WriteAll(fd.get(), bytes) && ::fsync(fd.get()) == 0;
  ok = fd.Close() && ok;
  ok = ok && ::rename(temporary.c_str(), path.c_str()) == 0;
  if (!ok) {
    ::unlink(temporary.c_str());
    return false;
  }
  // Make the rename itself durable.
  FileDescriptor folder(::open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (folder.get() >= 0) ::fsync(folder.get());
  return true;
}

bool PathExists(const std::string& path) {
  struct stat info {};
  return !path.empty() && ::stat(path.c_str(), &info) == 0;
}

bool IsDirectory(const std::string& path) {
  struct stat info {};
  return !path.empty() && ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool CreateFolder(const std::string& path) {
  return !path.empty() && ::mkdir(path.c_str(), 0777) == 0;
}

bool DeleteFile(const std::string& path) { return ::unlink(path.c_str()) == 0; }

std::vector<std::string> ListFiles(const std::string& folder, std::string_view suffix) {
  std::vector<std::string> names;
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return names;
  while (const struct dirent* entry = ::readdir(dir)) {
    const std::string_view name = entry->d_name;
    if (name.size() < suffix.size() || name.substr(name.size() - suffix.size()) != suffix) continue;
    const std::string full = folder + kSeparator + std::string(name);
    struct stat info {};
    if (::stat(full.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) continue;
    names.emplace_back(name);
  }
  ::closedir(dir);
  std::sort(names.begin(), names.end());
  return names;
}

std::string FolderReadError(const std::string& folder) {
  DIR* dir = ::opendir(folder.c_str());
  if (dir != nullptr) {
    ::closedir(dir);
    return {};
  }
  const int error = errno;
  return error == ENOENT ? std::string() : std::string(std::strerror(error));
}

std::string FileCreateError(const std::string& path) {
  const std::size_t slash = path.find_last_of(kSeparator);
  const std::string folder =
      slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  auto in_folder = [&folder](int error) { return folder + ": " + std::strerror(error); };
  struct stat info {};
  if (::stat(folder.c_str(), &info) != 0) return in_folder(errno);
  if (!S_ISDIR(info.st_mode)) return in_folder(ENOTDIR);
  if (::access(folder.c_str(), W_OK | X_OK) != 0) return in_folder(errno);
  struct statvfs volume {};
  if (::statvfs(folder.c_str(), &volume) == 0) {
    if ((volume.f_flag & ST_RDONLY) != 0) return in_folder(EROFS);
    if (volume.f_namemax > 0 && name.size() > volume.f_namemax) {
      return std::strerror(ENAMETOOLONG);
    }
  }
  if (::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) return std::strerror(EISDIR);
  return {};
}

std::string CurrentDirectory() {
  char buffer[PATH_MAX];
  if (::getcwd(buffer, sizeof buffer) == nullptr) return "./";
  std::string directory = buffer;
  if (directory.empty() || directory.back() != kSeparator) directory += kSeparator;
  return directory;
}

}  // namespace vesk::files
