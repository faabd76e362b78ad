#pragma once

#include <optional>
#include <string>
#include <vector>

#include "media/video_types.h"

namespace vesk {

// How the station was asked to run.
struct CommandLine {
  // No windows; User Messages entries go to standard output.
  bool headless = false;
  // The two simulated cameras join the device list.
  bool simulated_camera = false;
  // --camera-file FILE: the file plays as a live device, "VESK File Camera".
  std::string camera_file;
  // A manual recording of this many seconds starts after start-up; the station then exits.
  std::optional<int> record_seconds;
  // --learn-inserter SECONDS: the time inserter is learnt from that long of live video, its
  // character sets saved, and the station exits.
  std::optional<int> learn_inserter_seconds;
  // The station exits after this many seconds.
  std::optional<int> quit_after_seconds;
  bool help = false;
  // --record-format avi|ser: what this run records, whatever the options file says.
  std::optional<RecordingFileFormat> record_format;
  // --avi-info FILE...: the information report of each file, then exit.
  std::vector<std::string> avi_info_files;
  // --repair-avi FILE COPY: a copy of a recording cut short, with its index rebuilt.
  std::vector<std::string> repair_avi;
};

struct CommandLineResult {
  CommandLine options;
  // Empty when the arguments were understood; else what was wrong.
  std::string error;
};

// The arguments after the program name. Seconds must be whole numbers from 1 to 86400.
CommandLineResult ParseCommandLine(const std::vector<std::string>& arguments);

// The --help text.
std::string UsageText(const std::string& program);

// Process exit statuses. The station's results are 32-bit codes; the process status is their
// low byte, so a refused second instance or a failed start-up (E_ABORT) ends with 4.
constexpr int kExitStatusBadArguments = 2;
int ExitStatusOf(int result);

// --record: 0 when the recording was made and finished (its video file and its log are
// there), 1 when nothing was recorded (no device, or the recording could not start), 3 when
// the recording started but was cut short (its file could not be written) or its file or
// its log is missing at the end.
constexpr int kExitStatusNothingRecorded = 1;
constexpr int kExitStatusRecordingUnfinished = 3;
int RecordingExitStatus(bool started, bool cut_short, bool video_file_exists,
                        bool log_file_exists);

}  // namespace vesk
