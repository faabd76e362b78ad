#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/clock.h"
#include "base/message_log.h"

namespace vesk {

// The file limits of a recording log, in Windows-1252 bytes without the terminator.
constexpr std::size_t kMaxRecordingLogPathBytes = 1023;
constexpr std::size_t kMaxRecordingLogTextBytes = 1023;
// The lines after the documented ones (frame times, the clock, the GPS, what went wrong)
// have room of their own, so the documented text keeps its limit and the log is never lost
// to the lines that say how far its times can be trusted.
constexpr std::size_t kMaxRecordingLogExtraBytes = 8192;
// The first line after the documented ones of a SER recording's log.
constexpr std::string_view kSerFileFormatLine = "File format: SER, with the UTC time of every frame";

// Characters of the Event description after "Event recording: ".
constexpr std::size_t kEventDescriptionCharacters = 42;

constexpr std::string_view kBadCharacterNoteText =
    "\r\n\r\nNOTE -- wide character buffer has unexpected bad character.\r\n";
// A recording log that cannot be written whole is not written; the observer is told.
constexpr std::string_view kLogPathTooLongText =
    "WARNING: recording log not written - its file name is longer than 1023 characters: ";
constexpr std::string_view kLogTextTooLongText =
    "WARNING: recording log not written - its text is longer than 1023 characters: ";
constexpr std::string_view kLogWriteFailedText = "WARNING: recording log could not be written: ";

enum class RecordingKind { kManual, kEvent };

// Everything a recording log says, gathered when the recording stops.
struct RecordingLogInput {
  RecordingKind kind = RecordingKind::kManual;
  std::string event_description{};  // MakeEventDescription; used for Event recordings
  std::string start_text{};         // "Start recording at hh:mm:ss (UTC)"
  std::string stop_text{};          // "Stop recording at hh:mm:ss (UTC)" (MakeStopReport)
  std::string video_file_name{};
  bool video_file_name_is_relative = false;  // the default folder was used
  std::string current_directory{};           // absolute, with or without the trailing '/'

  // Frame counts as the log shows them: the counters minus the baselines noted when the
  // recording began. Without the dropped-frames interface they are not shown.
  bool has_dropped_frames_interface = false;
  std::int64_t recorded_frames = 0;
  std::int64_t dropped_frames = 0;

  // The GPS position taken when the recording started, texts without their leading blank.
  bool gps_valid = false;
  std::string latitude{};
  std::string longitude{};
  std::string altitude{};
  std::string satellites{};

  std::string device_name{};
  int analog_format = 1;  // 0 NTSC, 1 PAL, 2 digital, 3 unknown; other values read as PAL
  std::string frame_rate_text{};
  std::string frame_size_text{};
  std::string subtype_name{};  // the device format's subtype name
  std::string codec_name{};    // of the pair for that subtype; empty: no codec
  int renderer = 0;            // DefaultRenderer: 0 EVR, 1 VMR9, 2 VMR7, other: no display
  // Lines after the documented ones, without line ends, in this order: the file's format, the
  // frame times,
  // the computer clock's state, the GPS position and time, then what went wrong with the
  // recording.
  std::vector<std::string> file_format_lines{};  // what the file is, when not AVI
  std::vector<std::string> frame_time_lines{};
  std::vector<std::string> clock_lines{};
  std::vector<std::string> gps_lines{};
  std::vector<std::string> notes{};
  // Last of all: the time inserter's fields read, its offset and the fields it missed.
  std::vector<std::string> inserter_lines{};
};

// The asteroid name, star name and comment of an Event, each present one separated from
// the next by a blank, cut at kEventDescriptionCharacters.
std::string MakeEventDescription(std::string_view asteroid_name, std::string_view star_name,
                                 std::string_view comment);

// The video file as the observer finds it: the current directory in front of a relative name.
std::string FullVideoPath(std::string_view video_file_name, bool is_relative,
                          std::string_view current_directory);

// "Stop recording at hh:mm:ss (UTC)", reported together with the video file's full path
// (both without timestamp). Returns the stop text for the log.
std::string MakeStopReport(const Clock& clock, std::string_view video_file_name, bool is_relative,
                           std::string_view current_directory, MessageLog& log);

// The text of the log, with CR LF line ends (UTF-8 in memory): the documented lines, then
// the extra ones (FormatRecordingLogExtra).
std::string FormatRecordingLog(const RecordingLogInput& input);
std::string FormatRecordingLogExtra(const RecordingLogInput& input);

// Writes the log beside the video file (RecordingLogName), whole or not at all, as
// Windows-1252. A video file name without "." gets no log. Characters outside the code
// page are written as '?' with a NOTE; a log too long for its limits or a failed write is
// reported and nothing is written. Returns whether the log was written.
bool WriteRecordingLog(const RecordingLogInput& input, MessageLog& log);

}  // namespace vesk
