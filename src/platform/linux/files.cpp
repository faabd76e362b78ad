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
#include <filesystem>

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

namespace {

std::string ErrorText(int error) { return std::strerror(error); }

// Writes the bytes to a new temporary file beside path, flushed to the disk; its name is
// left in *temporary. False, with nothing left behind, when that fails.
bool WriteTemporaryBeside(const std::string& path, std::string_view bytes, std::string* temporary,
                          std::string* reason) {
  *temporary = path + ".XXXXXX";
  FileDescriptor fd(::mkostemp(temporary->data(), O_CLOEXEC));
  if (fd.get() < 0) {
    if (reason != nullptr) *reason = FolderOf(path) + ": " + ErrorText(errno);
    return false;
  }
  // mkostemp creates 0600; station files are ordinary user files.
  const mode_t mask = ::umask(0);
  ::umask(mask);
  bool ok = ::fchmod(fd.get(), 0666 & ~mask) == 0;
  ok = ok && WriteAll(fd.get(), bytes) && ::fsync(fd.get()) == 0;
  const int error = errno;
  ok = fd.Close() && ok;
  if (!ok) {
    if (reason != nullptr) *reason = ErrorText(error != 0 ? error : errno);
    ::unlink(temporary->c_str());
  }
  return ok;
}

// Makes a finished rename or link durable.
void SyncFolderOf(const std::string& path) {
  FileDescriptor folder(::open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (folder.get() >= 0) ::fsync(folder.get());
}

}  // namespace

bool WriteFileAtomically(const std::string& path, std::string_view bytes, std::string* reason) {
  if (path.empty()) return false;
  if (IsDirectory(path)) {
    if (reason != nullptr) *reason = ErrorText(EISDIR);
    return false;
  }
  std::string temporary;
  if (!WriteTemporaryBeside(path, bytes, &temporary, reason)) return false;
  if (::rename(temporary.c_str(), path.c_str()) != 0) {
    if (reason != nullptr) *reason = ErrorText(errno);
    ::unlink(temporary.c_str());
    return false;
  }
  SyncFolderOf(path);
  return true;
}

bool WriteNewFileAtomically(const std::string& path, std::string_view bytes, std::string* reason) {
  if (path.empty()) return false;
  if (NameTaken(path)) {
    if (reason != nullptr) *reason = ErrorText(EEXIST);
    return false;
  }
  std::string temporary;
  if (!WriteTemporaryBeside(path, bytes, &temporary, reason)) return false;
  // A hard link never replaces; file systems without links (FAT on a memory card) take a
  // rename that refuses to replace instead.
  int error = ::link(temporary.c_str(), path.c_str()) == 0 ? 0 : errno;
  if (error == EPERM || error == EOPNOTSUPP || error == EXDEV) {
    error = ::renameat2(AT_FDCWD, temporary.c_str(), AT_FDCWD, path.c_str(), RENAME_NOREPLACE) == 0
                ? 0
                : errno;
  }
  ::unlink(temporary.c_str());
  if (error != 0) {
    if (reason != nullptr) *reason = ErrorText(error);
    return false;
  }
  SyncFolderOf(path);
  return true;
}

GrowingFile::~GrowingFile() { Close(); }

bool GrowingFile::Create(const std::string& path, std::string* reason) {
  Close();
  fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd_ < 0 && reason != nullptr) *reason = ErrorText(errno);
  return fd_ >= 0;
}

bool GrowingFile::Append(std::string_view bytes, std::string* reason) {
  if (fd_ < 0) return false;
  if (WriteAll(fd_, bytes)) return true;
  if (reason != nullptr) *reason = ErrorText(errno);
  return false;
}

void GrowingFile::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

bool NameTaken(const std::string& path) {
  struct stat info {};
  return !path.empty() && ::lstat(path.c_str(), &info) == 0;
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

bool TruncateFile(const std::string& path, std::uint64_t size, std::string* reason) {
  if (size > static_cast<std::uint64_t>(INT64_MAX) ||
      ::truncate(path.c_str(), static_cast<off_t>(size)) != 0) {
    if (reason != nullptr) *reason = std::strerror(size > INT64_MAX ? EFBIG : errno);
    return false;
  }
  return true;
}

std::vector<std::string> ListFiles(const std::string& folder, std::string_view suffix) {
  std::vector<std::string> names;
  for (FolderEntry& entry : ListFolderEntries(folder, suffix)) {
    if (entry.not_a_file.empty()) names.push_back(std::move(entry.name));
  }
  return names;
}

std::vector<FolderEntry> ListFolderEntries(const std::string& folder, std::string_view suffix) {
  std::vector<FolderEntry> entries;
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return entries;
  while (const struct dirent* found = ::readdir(dir)) {
    const std::string_view name = found->d_name;
    if (name.size() < suffix.size() || name.substr(name.size() - suffix.size()) != suffix) continue;
    FolderEntry entry{std::string(name), {}, {}};
    const std::string full = folder + kSeparator + entry.name;
    struct stat link {};
    struct stat info {};
    const bool is_link = ::lstat(full.c_str(), &link) == 0 && S_ISLNK(link.st_mode);
    std::string target;
    if (is_link) {
      char buffer[PATH_MAX];
      const ssize_t length = ::readlink(full.c_str(), buffer, sizeof buffer);
      target = "a symbolic link to " + std::string(buffer, length > 0 ? length : 0);
    }
    if (::stat(full.c_str(), &info) != 0) {
      const int error = errno;
      info = link;
      entry.not_a_file = !is_link           ? std::string(std::strerror(error))
                         : error == ENOENT ? target + ", which does not exist"
                                           : target + ": " + std::strerror(error);
    } else if (!S_ISREG(info.st_mode)) {
      const char* kind = S_ISDIR(info.st_mode)    ? "a folder"
                         : S_ISFIFO(info.st_mode) ? "a FIFO"
                         : S_ISCHR(info.st_mode)  ? "a character device"
                         : S_ISBLK(info.st_mode)  ? "a block device"
                         : S_ISSOCK(info.st_mode) ? "a socket"
                                                  : "a special file";
      entry.not_a_file = (is_link ? target + ", " : std::string()) + kind + ", not a regular file";
    }
    entry.version = std::to_string(info.st_mtim.tv_sec) + "." +
                    std::to_string(info.st_mtim.tv_nsec) + ":" + std::to_string(info.st_ino) +
                    ":" + std::to_string(info.st_size);
    entries.push_back(std::move(entry));
  }
  ::closedir(dir);
  std::sort(entries.begin(), entries.end(),
            [](const FolderEntry& a, const FolderEntry& b) { return a.name < b.name; });
  return entries;
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

bool FreeSpace(const std::string& path, std::uint64_t* bytes, std::string* error) {
  std::filesystem::path at = path.empty() ? std::string(".") : path;
  for (;;) {
    struct statvfs volume {};
    if (::statvfs(at.c_str(), &volume) == 0) {
      *bytes = static_cast<std::uint64_t>(volume.f_bavail) * volume.f_frsize;
      return true;
    }
    const int failure = errno;
    // A folder the first recording will make is on its parent's disk.
    if (failure == ENOENT) {
      std::filesystem::path parent = at.parent_path();
      if (parent.empty() && at != ".") parent = ".";
      if (!parent.empty() && parent != at) {
        at = parent;
        continue;
      }
    }
    if (error != nullptr) *error = std::strerror(failure);
    return false;
  }
}

std::string CurrentDirectory() {
  char buffer[PATH_MAX];
  if (::getcwd(buffer, sizeof buffer) == nullptr) return "./";
  std::string directory = buffer;
  if (directory.empty() || directory.back() != kSeparator) directory += kSeparator;
  return directory;
}

}  // namespace vesk::files
