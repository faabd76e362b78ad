#pragma once

// The AVI tools (information, repaired copies) on the files of this computer.

#include "playback/avi_tools.h"

namespace vesk {

class PosixAviFileSystem final : public AviFileSystem {
 public:
  std::unique_ptr<AviFileAccess> OpenRead(const std::string& path,
                                          std::string* problem) const override;
  bool Exists(const std::string& path) const override;
  bool BeingWritten(const std::string& path) const override;
  std::unique_ptr<AviFileAccess> CreateNew(const std::string& path,
                                           std::string* problem) const override;
  bool RenameNew(const std::string& from, const std::string& to,
                 std::string* problem) const override;
  void Remove(const std::string& path) const override;
};

}  // namespace vesk
