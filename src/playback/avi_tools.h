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

// How the tools reach files; the application gives the POSIX ones.
struct AviToolFiles {
  // Null when the file cannot be opened for reading.
  std::function<std::unique_ptr<AviFileAccess>(const std::string& path)> open_read;
  // A new file for writing; null when it exists already or cannot be made.
  std::function<std::unique_ptr<AviFileAccess>(const std::string& path)> create_new;
  std::function<bool(const std::string& from, const std::string& to)> rename;
  std::function<void(const std::string& path)> remove;
};

constexpr int kAviToolUnreadable = 1;  // a file could not be read as AVI
constexpr int kAviToolNoIndex = 3;     // the copy holds the frames, but no index could be added

// --avi-info: the report of every file to out, problems to err; 0 when every file was read,
// kAviToolUnreadable when any could not be.
int RunAviInfo(const std::vector<std::string>& paths, const AviToolFiles& files,
               std::ostream& out, std::ostream& err);

// --repair-avi: writes copy whole or not at all, with header counts and an index rebuilt from
// the frames found; source is only read. An existing copy is never replaced.
int RunRepairAvi(const std::string& source, const std::string& copy, const AviToolFiles& files,
                 std::ostream& out, std::ostream& err);

}  // namespace vesk
