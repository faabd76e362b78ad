#include "platform/gst/recorded_file_end.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>

#include "media/avi_file_finish.h"
#include "platform/gst/capture_time.h"
#include "platform/linux/posix_avi_file.h"

namespace vesk::gst {
namespace {

std::int32_t ClampedFrames(std::int64_t frames) {
  return static_cast<std::int32_t>(std::min<std::int64_t>(frames, std::numeric_limits<std::int32_t>::max()));
}

}  // namespace

bool FolderTakesFile(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  const std::string folder =
      slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
  struct stat info {};
  if (stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return false;
  if (access(folder.c_str(), W_OK | X_OK) != 0) return false;
  if (stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) return false;
  return true;
}

bool ClaimNewFile(const std::string& path, std::string* error) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) {
    *error = path + ": " + std::strerror(errno);
    return false;
  }
  ::close(fd);
  return true;
}

RecordedFileEnd SettleAviFile(const std::string& path, RunCounters& counters) {
  RecordedFileEnd end;
  end.first_frame_utc = FileTimeOf(counters.first_frame_ns.load());
  end.last_frame_utc = FileTimeOf(counters.last_frame_ns.load());
  if (counters.write_failed.load() || !counters.file_finished.load()) {
    // The writer stopped part way: the file keeps every whole frame it got.
    end.write_failed = true;
    PosixAviFile file(path, true);
    if (!file.is_open()) return end;
    const AviFinishResult finished = FinishCutOffAvi(file);
    if (!finished.is_avi) return end;
    end.index_written = finished.index_written;
    end.frames = finished.video_frames;
  } else {
    PosixAviFile file(path, false);
    end.index_written = true;
    end.frames = file.is_open() ? AviHeaderFrameCount(file) : -1;
  }
  // What the log calls recorded is what the file holds.
  if (end.frames >= 0) counters.muxed = ClampedFrames(end.frames);
  return end;
}

RecordedFileEnd SettleSerFile(SerRecording& ser, const std::vector<std::int64_t>& times,
                              RunCounters& counters) {
  RecordedFileEnd end;
  end.ser = true;
  end.first_frame_utc = FileTimeOf(counters.first_frame_ns.load());
  end.last_frame_utc = FileTimeOf(counters.last_frame_ns.load());
  // Stamps lost to a full queue leave too few times: the file then goes without a trailer.
  const SerEnd finished =
      ser.Finish(counters.stamps.lost() == 0 ? times : std::vector<std::int64_t>{});
  end.write_failed =
      finished.write_failed || counters.write_failed.load() || !counters.file_finished.load();
  end.frames = ser.begun ? finished.frames : 0;
  end.index_written = finished.trailer_written;
  end.ser_trailer_written = finished.trailer_written;
  if (finished.frames > 0 && static_cast<std::size_t>(finished.frames) <= times.size()) {
    end.last_frame_utc = FileTimeOf(times[static_cast<std::size_t>(finished.frames) - 1]);
  }
  counters.muxed = ClampedFrames(end.frames);
  return end;
}

}  // namespace vesk::gst
