#include "playback/avi_tools.h"

#include <algorithm>
#include <vector>

#include "base/files.h"
#include "playback/avi_reader.h"
#include "media/ser_file.h"
#include "playback/playback_file_info.h"
#include "playback/ser_file_info.h"
#include "recording/frame_time_record.h"

namespace vesk {
namespace {

constexpr std::size_t kCopyBlock = 8 << 20;

const char* IndexSource(const AviFileInfo& info) {
  if (info.index_rebuilt) return "rebuilt from the frames found (the file has no usable index)";
  return info.open_dml ? "OpenDML (indx, ix##)" : "idx1";
}

std::unique_ptr<AviFileAccess> OpenToRead(const std::string& path, const AviFileSystem& files,
                                          std::ostream& err) {
  std::string problem;
  std::unique_ptr<AviFileAccess> file = files.OpenRead(path, &problem);
  if (file == nullptr) err << path << ": cannot be opened for reading: " << problem << "\n";
  return file;
}

// Reads path and gives the file, still open; the problem, when there is one, is written to
// err.
std::unique_ptr<AviFileAccess> ReadInfo(const std::string& path, const AviFileSystem& files,
                                        AviFileInfo* info, std::ostream& err) {
  std::unique_ptr<AviFileAccess> file = OpenToRead(path, files, err);
  if (file == nullptr) return nullptr;
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

// The frame-time record beside a file, as far as it is whole; false when there is none.
bool ReadRecordBeside(const std::string& path, FrameTimeSummary* summary,
                      std::vector<std::int64_t>* times = nullptr) {
  const std::string record = FrameTimeRecordName(path);
  std::string text;
  return !record.empty() && files::ReadWholeFile(record, &text, kMaxFrameTimeRecordBytes) &&
         ReadFrameTimeRecord(text, summary, times);
}

// A SER file's report lines; false, with the reason on err, when it cannot be read.
bool SerInfoLines(const std::string& path, AviFileAccess& file, std::vector<std::string>* lines,
                  std::ostream& err) {
  SerFileInfo info;
  const SerReadStatus status = ReadSerFile(file, &info);
  if (status != SerReadStatus::Ok) {
    err << path << ": " << SerReadProblemText(status) << "\n";
    return false;
  }
  *lines = InformationReportLines(DescribeSerFile(path, info));
  return true;
}

int RepairSer(const std::string& source, AviFileAccess& from, const std::string& copy,
              const AviFileSystem& files, std::ostream& out, std::ostream& err);

}  // namespace

int RunAviInfo(const std::vector<std::string>& paths, const AviFileSystem& files, std::ostream& out,
               std::ostream& err) {
  int status = 0;
  for (const std::string& path : paths) {
    std::unique_ptr<AviFileAccess> file = OpenToRead(path, files, err);
    std::vector<std::string> lines;
    if (file != nullptr && LooksLikeSer(*file)) {
      if (!SerInfoLines(path, *file, &lines, err)) {
        status = kAviToolUnreadable;
        continue;
      }
      lines.pop_back();  // the blank closing line of the message log's report
    } else {
      AviFileInfo info;
      const AviReadStatus read = file != nullptr ? ReadAviFile(*file, &info) : AviReadStatus::NotAvi;
      if (file == nullptr || read != AviReadStatus::Ok) {
        if (file != nullptr) err << path << ": " << AviReadProblemText(read) << "\n";
        status = kAviToolUnreadable;
        continue;
      }
      lines = InformationReportLines(DescribeAviFile(path, info));
      lines.pop_back();
      lines.push_back("\tIndex\t\t" + std::string(IndexSource(info)));
    }
    for (const std::string& line : lines) out << line << "\n";
    // The frame-time record the station keeps beside its recordings, as far as it is whole.
    FrameTimeSummary summary;
    if (ReadRecordBeside(path, &summary)) {
      for (const std::string& line : FrameTimeInfoLines(summary, FrameTimeRecordName(path))) {
        out << line << "\n";
      }
    }
    out << "\n";
  }
  return status;
}

namespace {

// Makes copy.part new, never over anything; null, with the reason on err, when it cannot be.
std::unique_ptr<AviFileAccess> CreateCopy(const std::string& copy, const AviFileSystem& files,
                                          std::ostream& err) {
  if (files.Exists(copy)) {
    err << copy << ": exists already; the copy is written only as a new file\n";
    return nullptr;
  }
  // Only what this run made is ever removed: a copy.part found here may be another repair's
  // at work, or someone's file.
  const std::string temporary = copy + ".part";
  if (files.Exists(temporary)) {
    err << temporary
        << (files.BeingWritten(temporary)
                ? ": another repair is writing this copy now\n"
                : ": exists already, perhaps left by a repair that was stopped; remove it, then "
                  "repair again\n");
    return nullptr;
  }
  std::string problem;
  std::unique_ptr<AviFileAccess> to = files.CreateNew(temporary, &problem);
  if (to == nullptr) err << temporary << ": cannot be created: " << problem << "\n";
  return to;
}

// Gives copy.part its name, or removes it and says why not.
bool NameCopy(const std::string& source, AviFileAccess& from, const std::string& copy,
              AviFileAccess& to, bool finished, const AviFileSystem& files, std::ostream& err) {
  const std::string temporary = copy + ".part";
  // A write that failed (a full disk) leaves no copy, even where the finish went on without it.
  std::string problem = to.LastFailure();
  if (finished && problem.empty() && files.RenameNew(temporary, copy, &problem)) return true;
  files.Remove(temporary);
  if (problem.empty() && !from.LastFailure().empty()) {
    err << source << ": cannot be read: " << from.LastFailure() << "\n";
  } else {
    err << copy << ": could not be written" << (problem.empty() ? "" : ": " + problem) << "\n";
  }
  return false;
}

int RepairSer(const std::string& source, AviFileAccess& from, const std::string& copy,
              const AviFileSystem& files, std::ostream& out, std::ostream& err) {
  SerFileInfo info;
  const SerReadStatus status = ReadSerFile(from, &info);
  if (status != SerReadStatus::Ok) {
    err << source << ": " << SerReadProblemText(status) << "\n";
    return kAviToolUnreadable;
  }
  if (info.whole_frames == 0) {
    err << source << ": holds no frames (cut off before its first frame); no copy written\n";
    return kAviToolUnreadable;
  }
  std::unique_ptr<AviFileAccess> to = CreateCopy(copy, files, err);
  if (to == nullptr) return kAviToolUnreadable;
  // The times come from the frame-time record, which a station that was killed leaves up to
  // its last second: the frames after its last row have no time for the trailer.
  FrameTimeSummary summary;
  std::vector<std::int64_t> times;
  const bool has_record = ReadRecordBeside(source, &summary, &times) && !times.empty();
  if (times.size() > static_cast<std::size_t>(info.whole_frames)) {
    times.resize(static_cast<std::size_t>(info.whole_frames));
  }
  const bool copied = CopyFile(from, *to);
  const SerFinishResult finished =
      copied ? FinishSerFile(*to, has_record && info.trailer != SerTrailer::Whole ? &times : nullptr)
             : SerFinishResult{};
  if (!NameCopy(source, from, copy, *to, copied && finished.is_ser, files, err)) {
    return kAviToolUnreadable;
  }
  to.reset();
  out << copy << ": " << finished.frames << " frames";
  if (finished.trailer_kept) {
    out << "; the recording was whole, the copy is unchanged\n";
    return 0;
  }
  if (finished.frames_without_time > 0) {
    out << "; the last " << finished.frames_without_time << " frames, which have no time in "
        << FrameTimeRecordName(source) << ", were left out (" << source << " keeps them)";
  } else if (finished.tail_cut) {
    out << "; what followed the last whole frame was left out";
  }
  if (finished.trailer_written) {
    out << "; FrameCount set and the frame times rebuilt from " << FrameTimeRecordName(source)
        << "\n";
    return 0;
  }
  out << "; FrameCount set, but the copy has no frame times: no frame-time record lies beside "
         "the file\n";
  return kAviToolNoIndex;
}

}  // namespace

int RunRepairAvi(const std::string& source, const std::string& copy, const AviFileSystem& files,
                 std::ostream& out, std::ostream& err) {
  {
    std::unique_ptr<AviFileAccess> file = OpenToRead(source, files, err);
    if (file == nullptr) return kAviToolUnreadable;
    if (LooksLikeSer(*file)) return RepairSer(source, *file, copy, files, out, err);
  }
  AviFileInfo info;
  std::unique_ptr<AviFileAccess> from = ReadInfo(source, files, &info, err);
  if (from == nullptr) return kAviToolUnreadable;
  // A file cut off inside its header has nothing to copy; a copy would still claim the
  // frames its header counted.
  if (info.frames.empty()) {
    err << source << ": holds no frames (cut off before its first frame); no copy written\n";
    return kAviToolUnreadable;
  }
  std::unique_ptr<AviFileAccess> to = CreateCopy(copy, files, err);
  if (to == nullptr) return kAviToolUnreadable;
  std::vector<bool> keys;
  keys.reserve(info.frames.size());
  for (const AviFrame& frame : info.frames) keys.push_back(frame.key);
  const bool copied = CopyFile(*from, *to);
  // An index the reader could not use is replaced, even in a file whose frames are whole.
  const AviFinishResult finished =
      copied ? FinishCutOffAvi(*to, &keys, info.index_rebuilt) : AviFinishResult{};
  if (!NameCopy(source, *from, copy, *to, copied && finished.is_avi, files, err)) {
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
