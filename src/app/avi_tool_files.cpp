#include "app/avi_tool_files.h"

#include <cstdio>
#include <memory>

#include "platform/linux/posix_avi_file.h"

namespace vesk {

AviToolFiles PosixAviToolFiles() {
  auto opened = [](std::unique_ptr<PosixAviFile> file) -> std::unique_ptr<AviFileAccess> {
    if (!file->is_open()) return nullptr;
    return file;
  };
  return {[opened](const std::string& path) {
            return opened(std::make_unique<PosixAviFile>(path, false));
          },
          [opened](const std::string& path) {
            return opened(std::make_unique<PosixAviFile>(path, PosixAviFile::CreateNew{}));
          },
          [](const std::string& from, const std::string& to) {
            return std::rename(from.c_str(), to.c_str()) == 0;
          },
          [](const std::string& path) { std::remove(path.c_str()); }};
}

}  // namespace vesk
