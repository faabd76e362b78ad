#include "playback/avi_tools.h"

#include <algorithm>
#include <vector>

#include "base/files.h"
#include "playback/avi_reader.h"
#include "playback/playback_file_info.h"
#include "recording/frame_time_record.h"

namespace vesk {
namespace {

constexpr std::size_t kCopyBlock = 8 << 20;

const char* IndexSource(const AviFileInfo& info) {
  if (info.index_rebuilt) return "rebuilt from the frames found (the file has no usable index)";
  return info.open_dml ? "OpenDML (indx, ix##)" : "idx1";
}

// Reads path and gives the file, still open; the problem, when there is one, is written to
// err.
std::unique_ptr<AviFileAccess> ReadInfo(const std::string& path, const AviToolFiles& files,
                                        AviFileInfo* info, std::ostream& err) {
  std::string problem;
  std::unique_ptr<AviFileAccess> file = files.open_read(path, &problem);
  if (file == nullptr) {
    err << path << ": cannot be opened for reading: " << problem << "\n";
    return nullptr;
  }
  const AviReadStatus status = ReadAviFile(*file, info);
  if (status != AviReadStatus::Ok) {
    err << path << ": " << AviReadProblemText(status) << "\n";
    return nullptr;
  }
  return file;
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

namespace {

// Ten hours at 30 frames a second, and room to spare.
constexpr std::size_t kMaxFrameTimeRecordBytes = 256u << 20;

}  // namespace

int RunAviInfo(const std::vector<std::string>& paths, const AviToolFiles& files, std::ostream& out,
               std::ostream& err) {
  int status = 0;
  for (const std::string& path : paths) {
    AviFileInfo info;
    if (ReadInfo(path, files, &info, err) == nullptr) {
      status = kAviToolUnreadable;
      continue;
    }
    std::vector<std::string> lines = InformationReportLines(DescribeAviFile(path, info));
    lines.pop_back();  // the blank closing line of the message log's report
    for (const std::string& line : lines) out << line << "\n";
    out << "\tIndex\t\t" << IndexSource(info) << "\n";
    // The frame-time record the station keeps beside its recordings, as far as it is whole.
    const std::string record = FrameTimeRecordName(path);
    std::string text;
    FrameTimeSummary summary;
    if (!record.empty() && files::ReadWholeFile(record, &text, kMaxFrameTimeRecordBytes) &&
        ReadFrameTimeRecord(text, &summary)) {
      for (const std::string& line : FrameTimeInfoLines(summary, record)) out << line << "\n";
    }
    out << "\n";
  }
  return status;
}

int RunRepairAvi(const std::string& source, const std::string& copy, const AviToolFiles& files,
                 std::ostream& out, std::ostream& err) {
  AviFileInfo info;
  std::unique_ptr<AviFileAccess> from = ReadInfo(source, files, &info, err);
  if (from == nullptr) return kAviToolUnreadable;
  // A file cut off inside its header has nothing to copy; a copy would still claim the
  // frames its header counted.
  if (info.frames.empty()) {
    err << source << ": holds no frames (cut off before its first frame); no copy written\n";
    return kAviToolUnreadable;
  }
  if (files.exists(copy)) {
    err << copy << ": exists already; the copy is written only as a new file\n";
    return kAviToolUnreadable;
  }
  // Only what this run made is ever removed: a copy.part found here may be another repair's
  // at work, or someone's file.
  const std::string temporary = copy + ".part";
  if (files.exists(temporary)) {
    err << temporary
        << (files.being_written(temporary)
                ? ": another repair is writing this copy now\n"
                : ": exists already, perhaps left by a repair that was stopped; remove it, then "
                  "repair again\n");
    return kAviToolUnreadable;
  }
  std::string problem;
  std::unique_ptr<AviFileAccess> to = files.create_new(temporary, &problem);
  if (to == nullptr) {
    err << temporary << ": cannot be created: " << problem << "\n";
    return kAviToolUnreadable;
  }
  std::vector<bool> keys;
  keys.reserve(info.frames.size());
  for (const AviFrame& frame : info.frames) keys.push_back(frame.key);
  const bool copied = CopyFile(*from, *to);
  // An index the reader could not use is replaced, even in a file whose frames are whole.
  const AviFinishResult finished =
      copied ? FinishCutOffAvi(*to, &keys, info.index_rebuilt) : AviFinishResult{};
  // A write that failed (a full disk) leaves no copy, even where the finish went on without it.
  problem = to->LastFailure();
  const bool written =
      copied && finished.is_avi && problem.empty() && files.rename_new(temporary, copy, &problem);
  if (!written) {
    files.remove(temporary);
    if (problem.empty() && !from->LastFailure().empty()) {
      err << source << ": cannot be read: " << from->LastFailure() << "\n";
    } else {
      err << copy << ": could not be written" << (problem.empty() ? "" : ": " + problem) << "\n";
    }
    return kAviToolUnreadable;
  }
  to.reset();
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
