#pragma once

// The AVI reader from the command line: the information report of each file for scripts
// that check a night's recordings, and a repaired copy of a recording that was cut short.

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "media/avi_file_finish.h"

namespace vesk {

// How the tools reach files; the application gives the POSIX ones. A call that fails says
// why in *problem, in plain words ("not a regular file (a FIFO)", "the disk is full").
class AviFileSystem {
 public:
  // A regular file for reading; null when it cannot be opened or is something else (a FIFO,
  // a device, a folder). Never waits.
  virtual std::unique_ptr<AviFileAccess> OpenRead(const std::string& path,
                                                  std::string* problem) const = 0;
  // Whether anything at all is at path: a FIFO, a folder, a symbolic link leading nowhere.
  virtual bool Exists(const std::string& path) const = 0;
  // Whether path is a file that a CreateNew file, of this process or another, is writing.
  virtual bool BeingWritten(const std::string& path) const = 0;
  // A new file for writing, marked as being written while it is open; null when anything is
  // at path already or it cannot be made.
  virtual std::unique_ptr<AviFileAccess> CreateNew(const std::string& path,
                                                   std::string* problem) const = 0;
  // Gives the file at from the name to, never replacing what is at to, even what was put
  // there a moment before.
  virtual bool RenameNew(const std::string& from, const std::string& to,
                         std::string* problem) const = 0;
  virtual void Remove(const std::string& path) const = 0;

 protected:
  ~AviFileSystem() = default;
};

constexpr int kAviToolUnreadable = 1;  // a file could not be read as AVI
constexpr int kAviToolNoIndex = 3;     // the copy holds the frames, but no index could be added

// --avi-info: the report of every file to out, problems to err; 0 when every file was read,
// kAviToolUnreadable when any could not be.
int RunAviInfo(const std::vector<std::string>& paths, const AviFileSystem& files, std::ostream& out,
               std::ostream& err);

// --repair-avi: writes copy whole or not at all, with header counts and an index rebuilt from
// the frames found; source is only read. An existing copy is never replaced. The copy is
// written as copy.part first; one left by a repair that was stopped is named, not removed.
int RunRepairAvi(const std::string& source, const std::string& copy, const AviFileSystem& files,
                 std::ostream& out, std::ostream& err);

}  // namespace vesk
