#include "recording/recording_log.h"

#include "base/code_page.h"
#include "base/files.h"
#include "recording/file_naming.h"

namespace vesk {
namespace {

constexpr std::string_view kCrLf = "\r\n";

void AppendLine(std::string* text, std::string_view label, std::string_view value) {
  *text += label;
  *text += value;
  *text += kCrLf;
}

// One GPS line: label and text, or the line saying the value is missing.
void AppendGpsLine(std::string* text, std::string_view label, std::string_view value,
                   std::string_view missing_line) {
  if (value.empty()) {
    *text += missing_line;
  } else {
    AppendLine(text, label, value);
  }
}

std::string_view AnalogFormatName(int code) {
  switch (code) {
    case 0:
      return "NTSC";
    case 2:
      return "Digital";
    case 3:
      return "Unknown";
    default:
      return "PAL";
  }
}

std::string_view RendererName(int renderer) {
  switch (renderer) {
    case 0:
      return "EVR";
    case 1:
      return "VMR9";
    case 2:
      return "VMR7";
    default:
      return "None - video display off during recording";
  }
}

void ReportNotWritten(std::string_view reason, std::string_view log_name, MessageLog& log) {
  std::string text(reason);
  text += log_name;
  text += kCrLf;
  log.ReportMessage(text, true);
}

}  // namespace

std::string MakeEventDescription(std::string_view asteroid_name, std::string_view star_name,
                                 std::string_view comment) {
  std::string description;
  for (const std::string_view part : {asteroid_name, star_name, comment}) {
    if (part.empty()) continue;
    if (!description.empty()) description += ' ';
    description += part;
  }
  return std::string(TruncateToCharacters(description, kEventDescriptionCharacters));
}

std::string FullVideoPath(std::string_view video_file_name, bool is_relative,
                          std::string_view current_directory) {
  std::string path;
  if (is_relative) {
    path = current_directory;
    if (path.empty() || path.back() != files::kSeparator) path += files::kSeparator;
  }
  path += video_file_name;
  return path;
}

std::string MakeStopReport(const Clock& clock, std::string_view video_file_name, bool is_relative,
                           std::string_view current_directory, MessageLog& log) {
  std::string stop_text = "Stop recording at ";
  stop_text += FormatTimeOfDay(clock.UtcSystemTime());
  stop_text += " (UTC)";
  log.ReportMessage(stop_text, false);

  std::string file_line = "Video file:  ";
  file_line += FullVideoPath(video_file_name, is_relative, current_directory);
  file_line += kCrLf;
  log.ReportMessage(file_line, false);
  return stop_text;
}

std::string FormatRecordingLog(const RecordingLogInput& input) {
  std::string text;
  if (input.kind == RecordingKind::kEvent) {
    AppendLine(&text, "Event recording: ", input.event_description);
  } else {
    text += "Manual recording\r\n";
  }
  text += input.start_text;
  text += kCrLf;
  text += input.stop_text;
  text += kCrLf;
  // The file line has no line end of its own: the next part begins with one.
  text += "Video file:  ";
  text += FullVideoPath(input.video_file_name, input.video_file_name_is_relative,
                        input.current_directory);
  if (input.has_dropped_frames_interface) {
    text += "\r\nNumber of recorded frames:  ";
    text += std::to_string(input.recorded_frames);
    text += "\r\nNumber of dropped frames:  ";
    text += std::to_string(input.dropped_frames);
    text += kCrLf;
  } else {
    text += "\r\nTotal frame count and dropped frame count are not avaiable\r\n";
  }
  if (input.gps_valid) {
    AppendGpsLine(&text, "Latitude: ", input.latitude, "Latitude value not available\r\n");
    AppendGpsLine(&text, "Longitude: ", input.longitude, "Longitude value not available\r\n");
    AppendGpsLine(&text, "Altitude: ", input.altitude, "Altitude value not available\r\n");
    AppendGpsLine(&text, "Number of satellites: ", input.satellites,
                  "Number of satellites not available\r\n");
  }
  AppendLine(&text, "Video source device: ", input.device_name);
  AppendLine(&text, "Source device format: ", AnalogFormatName(input.analog_format));
  AppendLine(&text, "Frame rate: ", input.frame_rate_text);
  AppendLine(&text, "Frame size: ", input.frame_size_text);
  AppendLine(&text, "Format subtype: ", input.subtype_name);
  AppendLine(&text, "Codec: ", input.codec_name.empty() ? "NONE" : input.codec_name);
  AppendLine(&text, "Video renderer: ", RendererName(input.renderer));
  return text;
}

std::string FormatRecordingLogExtra(const RecordingLogInput& input) {
  std::string text;
  for (const auto* lines :
       {&input.file_format_lines, &input.frame_time_lines, &input.clock_lines, &input.gps_lines,
        &input.notes, &input.inserter_lines}) {
    for (const std::string& line : *lines) AppendLine(&text, line, "");
  }
  return text;
}

bool WriteRecordingLog(const RecordingLogInput& input, MessageLog& log) {
  const std::string log_name = RecordingLogName(input.video_file_name);
  if (log_name.empty()) return false;

  // The file system takes the name as it is, so the log lands beside the video file even
  // when a folder name holds characters outside the code page; the limit counts the bytes
  // the name takes in the code page.
  if (Utf8ToWindows1252Lossy(log_name, nullptr).size() > kMaxRecordingLogPathBytes) {
    ReportNotWritten(kLogPathTooLongText, log_name, log);
    return false;
  }

  bool replaced = false;
  std::string bytes = Utf8ToWindows1252Lossy(FormatRecordingLog(input), &replaced);
  if (replaced) log.ReportMessage(kBadCharacterNoteText, true);
  if (bytes.size() > kMaxRecordingLogTextBytes) {
    ReportNotWritten(kLogTextTooLongText, log_name, log);
    return false;
  }
  // Extra lines that would not fit are left out whole, never cut in the middle.
  bool extra_replaced = false;
  const std::string extra = Utf8ToWindows1252Lossy(FormatRecordingLogExtra(input), &extra_replaced);
  std::size_t fits = 0;
  for (std::size_t end = extra.find('\n'); end != std::string::npos && end < kMaxRecordingLogExtraBytes;
       end = extra.find('\n', end + 1)) {
    fits = end + 1;
  }
  if (extra_replaced && !replaced && fits > 0) log.ReportMessage(kBadCharacterNoteText, true);
  bytes.append(extra, 0, fits);
  // A log already there belongs to an earlier recording and is never replaced.
  std::string reason;
  if (!files::WriteNewFileAtomically(log_name, bytes, &reason)) {
    ReportNotWritten(kLogWriteFailedText, reason.empty() ? log_name : log_name + " (" + reason + ")",
                     log);
    return false;
  }
  return true;
}

}  // namespace vesk
