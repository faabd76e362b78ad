#pragma once

// The AVI reader from the command line: the information report of each file for scripts
// that check a night's recordings, and a repaired copy of a recording that was cut short.

#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "media/avi_file_finish.h"

namespace vesk {

// How the tools reach files; the application gives the POSIX ones. A call that fails says
// why in *problem, in plain words ("not a regular file (a FIFO)", "the disk is full").
struct AviToolFiles {
  // A regular file for reading; null when it cannot be opened or is something else (a FIFO,
  // a device, a folder). Never waits.
  std::function<std::unique_ptr<AviFileAccess>(const std::string& path, std::string* problem)>
      open_read;
  // Whether anything at all is at path: a FIFO, a folder, a symbolic link leading nowhere.
  std::function<bool(const std::string& path)> exists;
  // Whether path is a file that a create_new file, of this process or another, is writing.
  std::function<bool(const std::string& path)> being_written;
  // A new file for writing, marked as being written while it is open; null when anything is
  // at path already or it cannot be made.
  std::function<std::unique_ptr<AviFileAccess>(const std::string& path, std::string* problem)>
      create_new;
  // Gives the file at from the name to, never replacing what is at to, even what was put
  // there a moment before.
  std::function<bool(const std::string& from, const std::string& to, std::string* problem)>
      rename_new;
  std::function<void(const std::string& path)> remove;
};

constexpr int kAviToolUnreadable = 1;  // a file could not be read as AVI
constexpr int kAviToolNoIndex = 3;     // the copy holds the frames, but no index could be added

// --avi-info: the report of every file to out, problems to err; 0 when every file was read,
// kAviToolUnreadable when any could not be.
int RunAviInfo(const std::vector<std::string>& paths, const AviToolFiles& files, std::ostream& out,
               std::ostream& err);

// --repair-avi: writes copy whole or not at all, with header counts and an index rebuilt from
// the frames found; source is only read. An existing copy is never replaced. The copy is
// written as copy.part first; one left by a repair that was stopped is named, not removed.
int RunRepairAvi(const std::string& source, const std::string& copy, const AviToolFiles& files,
                 std::ostream& out, std::ostream& err);

}  // namespace vesk
