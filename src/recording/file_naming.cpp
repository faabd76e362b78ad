#include "recording/file_naming.h"

#include <cstdio>

#include "base/code_page.h"
#include "base/files.h"
#include "base/name_filter.h"

namespace vesk {
namespace {

// The default folder exists as a folder afterwards, or the reason is reported. A plain file
// in the folder's place counts as a folder that cannot be created: a recording into it
// would fail later and less clearly.
bool EnsureDefaultFolder(std::string_view folder, std::string_view failure_text, MessageLog& log) {
  const std::string path(folder);
  if (files::IsDirectory(path)) return true;
  if (!files::PathExists(path) && files::CreateFolder(path)) return true;
  log.ReportMessage(failure_text, true);
  return false;
}

// A name must fit its buffer whole; it is never cut.
bool FitsCapacity(std::string_view name, std::size_t capacity) {
  return CharacterCount(name) < capacity;
}

// The local time now in whole seconds, as UTC.
SystemTime UtcNowWholeSeconds(const Clock& clock, int bias_minutes) {
  SystemTime local = clock.LocalSystemTime();
  local.milliseconds = 0;
  return LocalToUtc(local, bias_minutes);
}

std::string DefaultFolderPrefix(std::string_view folder) {
  std::string prefix(folder);
  prefix += files::kSeparator;
  return prefix;
}

// A name part as it may stand in a file name: only the name characters, so a prefix from the
// options file or an Event file ("../../x", "a/b", "C:\\x") can never leave the folder.
std::string NamePart(std::string_view part) {
  std::string kept(part);
  FilterNameCharacters(&kept, false);
  return kept;
}

}  // namespace

std::string BuildPrefixedName(std::string_view folder, std::string_view asteroid_name,
                              std::string_view star_name, std::string_view global_prefix) {
  std::string name(folder);
  for (const std::string_view part : {asteroid_name, star_name, global_prefix}) {
    const std::string kept = NamePart(part);
    if (kept.empty()) continue;
    name += kept;
    name += '_';
  }
  return name;
}

std::string FormatDatePart(const SystemTime& utc, std::string_view extension) {
  // Fields are at most 5 digits each; 64 bytes hold any of them.
  char text[64];
  std::snprintf(text, sizeof text, "%2.2hu_%2.2hu_%4.4hu_%2.2hu_%2.2hu_%2.2hu", utc.month, utc.day,
                utc.year, utc.hour, utc.minute, utc.second);
  std::string part = text;
  part += extension;
  return part;
}

GeneratedFileName MakeVideoFileName(const EventNameParts* event, const VideoNameOptions& options,
                                    const Clock& clock, int bias_minutes, MessageLog& log) {
  GeneratedFileName result;
  std::string name;
  if (options.video_directory.empty()) {
    if (!EnsureDefaultFolder(kDefaultVideoFolder, kCannotCreateVideoFolderText, log)) {
      return result;
    }
    name = DefaultFolderPrefix(kDefaultVideoFolder);
    result.is_relative = true;
  } else {
    name = options.video_directory;
  }

  SystemTime start;
  if (event != nullptr) {
    name = BuildPrefixedName(name, event->asteroid_name, event->star_name,
                             options.event_file_global_prefix);
    if (!FileTimeToSystemTime(event->recording_start, &start)) {
      log.ReportMessage(kBadRecordingStartText, true);
      return GeneratedFileName{};
    }
  } else {
    start = UtcNowWholeSeconds(clock, bias_minutes);
  }
  if (const std::string prefix = NamePart(options.video_name_prefix); !prefix.empty()) {
    name += prefix;
    name += '_';
  }
  name += FormatDatePart(start, VideoFileExtension(options.format));

  if (!FitsCapacity(name, kVideoFileNameCapacity)) {
    log.ReportMessage(kVideoFileNameTooLongText, true);
    return GeneratedFileName{};
  }
  result.name = std::move(name);
  return result;
}

GeneratedFileName MakeMessageLogFileName(const MessageLogNameOptions& options, const Clock& clock,
                                         int bias_minutes, MessageLog& log) {
  const SystemTime now = UtcNowWholeSeconds(clock, bias_minutes);
  GeneratedFileName result;
  std::string name;
  if (options.logfile_directory.empty()) {
    if (!EnsureDefaultFolder(kDefaultMessageLogFolder, kCannotCreateLogFolderText, log)) {
      return result;
    }
    name = DefaultFolderPrefix(kDefaultMessageLogFolder);
    result.is_relative = true;
  } else {
    name = options.logfile_directory;
  }
  if (const std::string prefix = NamePart(options.logfile_name_prefix); !prefix.empty()) {
    name += prefix;
    name += '_';
  }
  name += FormatDatePart(now, ".log");

  if (!FitsCapacity(name, kMessageLogFileNameCapacity)) {
    log.ReportMessage(kMessageLogFileNameTooLongText, true);
    return GeneratedFileName{};
  }
  result.name = std::move(name);
  return result;
}

std::string RecordingLogName(std::string_view video_file_name) {
  const std::size_t separator = video_file_name.find_last_of(files::kSeparator);
  const std::size_t file_start = separator == std::string_view::npos ? 0 : separator + 1;
  const std::size_t dot = video_file_name.find_last_of('.');
  if (dot == std::string_view::npos || dot < file_start) return std::string();
  std::string name(video_file_name.substr(0, dot));
  name += ".log";
  return name;
}

}  // namespace vesk
