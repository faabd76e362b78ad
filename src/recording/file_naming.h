#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "base/clock.h"
#include "base/message_log.h"
#include "base/system_time.h"
#include "media/video_types.h"

namespace vesk {

// Capacities of the name buffers, in characters including the terminator.
constexpr std::size_t kVideoFileNameCapacity = 1024;
constexpr std::size_t kMessageLogFileNameCapacity = 512;

// Default folders, relative to the current directory (the station's home).
constexpr std::string_view kDefaultVideoFolder = "VideoFiles";
constexpr std::string_view kDefaultMessageLogFolder = "LogFiles";

constexpr std::string_view kCannotCreateVideoFolderText =
    "\r\nUnable to create \"VideoFiles\" directory under the process directory.  Check security "
    "settings.\r\n";
constexpr std::string_view kCannotCreateLogFolderText =
    "\r\nUnable to create \"LogFiles\" directory under the process directory.  Check security "
    "settings.\r\n";
constexpr std::string_view kVideoFileNameTooLongText =
    "ERROR: The video file name would be longer than 1023 characters.  Choose a shorter video "
    "folder or prefix.\r\n";
constexpr std::string_view kMessageLogFileNameTooLongText =
    "ERROR: The message log file name would be longer than 511 characters.  Choose a shorter log "
    "folder or prefix.\r\n";
constexpr std::string_view kBadRecordingStartText =
    "Logic error: the Event recording start time is not a valid date\r\n";

// folder, then each non-empty part followed by "_": the common front of event file and
// video file names.
std::string BuildPrefixedName(std::string_view folder, std::string_view asteroid_name,
                              std::string_view star_name, std::string_view global_prefix);

// The option values that shape video file names.
struct VideoNameOptions {
  std::string video_directory{};  // empty: the default folder; else used as it stands
  std::string video_name_prefix{};
  std::string event_file_global_prefix{};
  RecordingFileFormat format = RecordingFileFormat::Avi;  // gives the extension
};

// The option values that shape saved message log names.
struct MessageLogNameOptions {
  std::string logfile_directory{};  // empty: the default folder; else used as it stands
  std::string logfile_name_prefix{};
};

// The parts of the Event being recorded that go into its video file name.
struct EventNameParts {
  std::string asteroid_name{};
  std::string star_name{};
  FileTime recording_start = 0;  // UTC: event time minus half the duration
};

// A generated name; empty when it could not be made (the reason is in the message log).
struct GeneratedFileName {
  std::string name;
  // The default folder was used, so the name is relative to the current directory.
  bool is_relative = false;
};

// "MM_DD_YYYY_hh_mm_ss" + extension (".avi", ".log"), from the calendar fields of a UTC time.
std::string FormatDatePart(const SystemTime& utc, std::string_view extension);

// The video file name of a recording: event is null for a manual recording, which is named
// by the local time now (whole seconds) turned into UTC with the start-up bias.
GeneratedFileName MakeVideoFileName(const EventNameParts* event, const VideoNameOptions& options,
                                    const Clock& clock, int bias_minutes, MessageLog& log);

// The name a "Save Messages" writes to, from the time now.
GeneratedFileName MakeMessageLogFileName(const MessageLogNameOptions& options, const Clock& clock,
                                         int bias_minutes, MessageLog& log);

// The recording log beside a video file: everything from the last "." of the file's own
// name replaced by ".log". Empty (no log) when the file's name has no "." — a "." in a
// folder name never counts, so a log can never land outside the video file's folder.
std::string RecordingLogName(std::string_view video_file_name);

}  // namespace vesk
