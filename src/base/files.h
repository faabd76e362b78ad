#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vesk::files {

// The folder separator of file names the station builds.
constexpr char kSeparator = '/';

// Reads a whole file; fails when it cannot be read or holds more than max_bytes, saying why
// in error when given ("Permission denied", "not a regular file", "larger than N bytes").
bool ReadWholeFile(const std::string& path, std::string* bytes, std::size_t max_bytes,
                   std::string* error = nullptr);

// Writes the bytes to a temporary file in the same folder, flushes it to the disk and
// renames it over path. On any failure the old file is left as it was and no
// temporary file remains.
// *reason, when given, says why a write failed, as the system says it.
bool WriteFileAtomically(const std::string& path, std::string_view bytes,
                         std::string* reason = nullptr);
// As WriteFileAtomically, but never replaces anything already at path (a file, a folder, a
// link, even a dangling one): a file that holds a recording's record is never overwritten.
bool WriteNewFileAtomically(const std::string& path, std::string_view bytes,
                            std::string* reason = nullptr);

// Whether anything at all stands at path, a dangling symbolic link included.
bool NameTaken(const std::string& path);

// A file written as it grows (a record kept while a recording runs): made new, never over
// anything already there, and appended to until closed.
class GrowingFile {
 public:
  GrowingFile() = default;
  ~GrowingFile();
  GrowingFile(const GrowingFile&) = delete;
  GrowingFile& operator=(const GrowingFile&) = delete;

  // *reason says why, as the system says it, when a call fails.
  bool Create(const std::string& path, std::string* reason);
  bool Append(std::string_view bytes, std::string* reason);
  void Close();
  bool is_open() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

bool PathExists(const std::string& path);
bool IsDirectory(const std::string& path);
bool CreateFolder(const std::string& path);
bool DeleteFile(const std::string& path);
// Cuts the file to its first size bytes; *reason says why when it cannot.
bool TruncateFile(const std::string& path, std::uint64_t size, std::string* reason);

// Names (not paths) of the regular files in folder whose names end with suffix, sorted
// byte-wise so every station walks them in the same order. Empty when the folder is missing.
std::vector<std::string> ListFiles(const std::string& folder, std::string_view suffix);

// One entry of a folder whose name ends with the suffix looked for.
struct FolderEntry {
  std::string name;
  // Empty for a regular file (or a link to one); otherwise why it is no file to read:
  // "a FIFO", "a symbolic link to /dev/zero, a character device", "a symbolic link to x,
  // which does not exist"…
  std::string not_a_file;
  // Differs between two versions of the entry (its modification time, inode and size), so an
  // edited or replaced file can be told from the one seen before.
  std::string version;
};

// Every entry of folder whose name ends with suffix, regular file or not, sorted as ListFiles
// sorts them. Empty when the folder is missing.
std::vector<FolderEntry> ListFolderEntries(const std::string& folder, std::string_view suffix);

// Why a folder that is there cannot be listed (as the system says it, e.g. "Permission
// denied", "Not a directory"); empty when it can be listed or is not there at all.
std::string FolderReadError(const std::string& folder);

// Why a new file cannot be made at path, as the system says it ("No such file or
// directory", "Permission denied", "Read-only file system", "File name too long", "Is a
// directory"), naming the folder when the folder is the cause; empty when nothing stands
// in the way.
std::string FileCreateError(const std::string& path);

// Bytes an unprivileged writer may still put on the disk that holds path; a path not there
// yet is measured on the disk of its nearest existing parent folder. False with the
// system's reason when the disk cannot be measured.
bool FreeSpace(const std::string& path, std::uint64_t* bytes, std::string* error = nullptr);

// The current directory with a trailing separator.
std::string CurrentDirectory();

}  // namespace vesk::files
