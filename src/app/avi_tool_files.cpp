#include "app/avi_tool_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <memory>

#include "platform/linux/posix_avi_file.h"

namespace vesk {
namespace {

template <typename How>
std::unique_ptr<AviFileAccess> Open(const std::string& path, How how, std::string* problem) {
  auto file = std::make_unique<PosixAviFile>(path, how);
  if (file->is_open()) return file;
  *problem = file->LastFailure();
  return nullptr;
}

bool AnythingAt(const std::string& path) {
  struct stat info {};
  return ::lstat(path.c_str(), &info) == 0;
}

// A file system that cannot rename without replacing (NFS, some FUSE ones) mostly still
// refuses a hard link over a name; one without hard links either (FAT) leaves only a look
// just before a plain rename.
bool RenameWithoutReplacing(const std::string& from, const std::string& to, std::string* problem) {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
  int error = errno;
  if (error == EINVAL || error == ENOSYS || error == EOPNOTSUPP) {
    if (::link(from.c_str(), to.c_str()) == 0) {
      ::unlink(from.c_str());
      return true;
    }
    error = errno;
    if (error == EPERM || error == EOPNOTSUPP) {
      if (AnythingAt(to)) {
        error = EEXIST;
      } else if (::rename(from.c_str(), to.c_str()) == 0) {
        return true;
      } else {
        error = errno;
      }
    }
  }
  *problem = error == EEXIST
                 ? "something was put there while the copy was made; it is left as it is"
                 : FileErrorText(error);
  return false;
}

}  // namespace

std::unique_ptr<AviFileAccess> PosixAviFileSystem::OpenRead(const std::string& path,
                                                            std::string* problem) const {
  return Open(path, PosixAviFile::ReadThroughLinks{}, problem);
}

bool PosixAviFileSystem::Exists(const std::string& path) const { return AnythingAt(path); }

bool PosixAviFileSystem::BeingWritten(const std::string& path) const {
  return PosixAviFile::HeldByWriter(path);
}

std::unique_ptr<AviFileAccess> PosixAviFileSystem::CreateNew(const std::string& path,
                                                             std::string* problem) const {
  return Open(path, PosixAviFile::CreateNew{}, problem);
}

bool PosixAviFileSystem::RenameNew(const std::string& from, const std::string& to,
                                   std::string* problem) const {
  return RenameWithoutReplacing(from, to, problem);
}

void PosixAviFileSystem::Remove(const std::string& path) const { std::remove(path.c_str()); }

}  // namespace vesk
