#include "playback/avi_tools.h"

#include <algorithm>
#include <vector>

#include "playback/avi_reader.h"
#include "playback/playback_file_info.h"

namespace vesk {
namespace {

constexpr std::size_t kCopyBlock = 8 << 20;

const char* IndexSource(const AviFileInfo& info) {
  if (info.index_rebuilt) return "rebuilt from the frames found (the file has no usable index)";
  return info.open_dml ? "OpenDML (indx, ix##)" : "idx1";
}

// Reads path; the problem, when there is one, is written to err.
bool ReadInfo(const std::string& path, const AviToolFiles& files, AviFileInfo* info,
              std::ostream& err) {
  std::unique_ptr<AviFileAccess> file = files.open_read(path);
  if (file == nullptr) {
    err << path << ": cannot be opened for reading\n";
    return false;
  }
  const AviReadStatus status = ReadAviFile(*file, info);
  if (status != AviReadStatus::Ok) {
    err << path << ": " << AviReadProblemText(status) << "\n";
    return false;
  }
  return true;
}

bool CopyFile(AviFileAccess& from, AviFileAccess& to) {
  std::vector<char> block(kCopyBlock);
  const std::uint64_t size = from.Size();
  for (std::uint64_t at = 0; at < size;) {
    const auto count = static_cast<std::size_t>(std::min<std::uint64_t>(kCopyBlock, size - at));
    if (!from.ReadAt(at, block.data(), count) || !to.WriteAt(at, block.data(), count)) {
      return false;
    }
    at += count;
  }
  return true;
}

}  // namespace

int RunAviInfo(const std::vector<std::string>& paths, const AviToolFiles& files,
               std::ostream& out, std::ostream& err) {
  int status = 0;
  for (const std::string& path : paths) {
    AviFileInfo info;
    if (!ReadInfo(path, files, &info, err)) {
      status = kAviToolUnreadable;
      continue;
    }
    std::vector<std::string> lines = InformationReportLines(DescribeAviFile(path, info));
    lines.pop_back();  // the blank closing line of the message log's report
    for (const std::string& line : lines) out << line << "\n";
    out << "\tIndex\t\t" << IndexSource(info) << "\n\n";
  }
  return status;
}

int RunRepairAvi(const std::string& source, const std::string& copy, const AviToolFiles& files,
                 std::ostream& out, std::ostream& err) {
  AviFileInfo info;
  if (!ReadInfo(source, files, &info, err)) return kAviToolUnreadable;
  if (files.open_read(copy) != nullptr) {
    err << copy << ": exists already; the copy is written only as a new file\n";
    return kAviToolUnreadable;
  }
  const std::string temporary = copy + ".part";
  std::unique_ptr<AviFileAccess> from = files.open_read(source);
  std::unique_ptr<AviFileAccess> to = files.create_new(temporary);
  if (from == nullptr || to == nullptr) {
    err << temporary << ": cannot be created\n";
    return kAviToolUnreadable;
  }
  std::vector<bool> keys;
  keys.reserve(info.frames.size());
  for (const AviFrame& frame : info.frames) keys.push_back(frame.key);
  const bool copied = CopyFile(*from, *to);
  // An index the reader could not use is replaced, even in a file whose frames are whole.
  const AviFinishResult finished =
      copied ? FinishCutOffAvi(*to, &keys, info.index_rebuilt) : AviFinishResult{};
  to.reset();
  if (!copied || !finished.is_avi || !files.rename(temporary, copy)) {
    files.remove(temporary);
    err << copy << ": could not be written\n";
    return kAviToolUnreadable;
  }
  out << copy << ": " << finished.video_frames << " frames";
  if (!finished.tail_cut && !finished.headers_updated) {
    out << "; the recording was whole, the copy is unchanged\n";
    return 0;
  }
  if (finished.tail_cut) out << "; the part-written frame at the end was left out";
  if (!finished.index_written) {
    out << "; header counts set, but no index added (its header has no room for the index of "
           "every segment)\n";
    return kAviToolNoIndex;
  }
  out << "; header counts and index rebuilt\n";
  return 0;
}

}  // namespace vesk
