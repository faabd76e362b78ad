#include "config/options.h"

#include <cstdio>
#include <limits>
#include <utility>

#include "base/code_page.h"
#include "base/files.h"

namespace vesk {
namespace {

// ---------------------------------------------------------------------------------------
// Value scanning

bool IsCSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

enum class Conversion { Int32, Int64, Uint32, Invalid };

// Reads "%[width](d|ld|lld|u|lu)" starting after the '%'; advances *pos past it.
Conversion ReadConversion(std::string_view format, std::size_t* pos, std::size_t* width) {
  std::size_t p = *pos;
  std::size_t w = 0;
  while (p < format.size() && IsDigit(format[p])) {
    if (w < 1000000) w = w * 10 + static_cast<std::size_t>(format[p] - '0');
    ++p;
  }
  int longs = 0;
  while (p < format.size() && format[p] == 'l') {
    ++longs;
    ++p;
  }
  if (p >= format.size()) return Conversion::Invalid;
  const char kind = format[p++];
  *pos = p;
  *width = w;
  // long is 32 bits on the platform the files come from.
  if (kind == 'd')
    return longs <= 1 ? Conversion::Int32 : longs == 2 ? Conversion::Int64 : Conversion::Invalid;
  if (kind == 'u') return longs <= 1 ? Conversion::Uint32 : Conversion::Invalid;
  return Conversion::Invalid;
}

// One number: optional sign and digits within [*pos, limit). Returns false when there is
// no digit or the magnitude is beyond 64 bits; *pos then stays put only for the former.
bool ReadNumber(std::string_view text, std::size_t limit, std::size_t* pos, bool* negative,
                std::uint64_t* magnitude, bool* too_large) {
  std::size_t p = *pos;
  *negative = false;
  if (p < limit && (text[p] == '+' || text[p] == '-')) {
    *negative = text[p] == '-';
    ++p;
  }
  const std::size_t digits = p;
  std::uint64_t value = 0;
  bool overflow = false;
  while (p < limit && IsDigit(text[p])) {
    const auto digit = static_cast<std::uint64_t>(text[p] - '0');
    if (value > (std::numeric_limits<std::uint64_t>::max() - digit) / 10) {
      overflow = true;
    } else {
      value = value * 10 + digit;
    }
    ++p;
  }
  if (p == digits) return false;
  *pos = p;
  *magnitude = value;
  *too_large = overflow;
  return true;
}

bool StoreNumber(Conversion conversion, const ScanTarget& target, bool negative,
                 std::uint64_t magnitude) {
  switch (conversion) {
    case Conversion::Int32: {
      auto* const* out = std::get_if<std::int32_t*>(&target);
      if (out == nullptr) return false;
      const std::uint64_t limit = negative ? 2147483648ULL : 2147483647ULL;
      if (magnitude > limit) return false;
      **out = negative ? static_cast<std::int32_t>(-static_cast<std::int64_t>(magnitude))
                       : static_cast<std::int32_t>(magnitude);
      return true;
    }
    case Conversion::Int64: {
      auto* const* out = std::get_if<std::int64_t*>(&target);
      if (out == nullptr) return false;
      const std::uint64_t limit = negative ? 9223372036854775808ULL : 9223372036854775807ULL;
      if (magnitude > limit) return false;
      **out = negative ? static_cast<std::int64_t>(0 - magnitude)  // two's complement
                       : static_cast<std::int64_t>(magnitude);
      return true;
    }
    case Conversion::Uint32: {
      auto* const* out = std::get_if<std::uint32_t*>(&target);
      if (out == nullptr) return false;
      if (magnitude > 0xFFFFFFFFULL) return false;
      const auto value = static_cast<std::uint32_t>(magnitude);
      **out = negative ? static_cast<std::uint32_t>(0U - value) : value;
      return true;
    }
    case Conversion::Invalid:
      return false;
  }
  return false;
}

// ---------------------------------------------------------------------------------------
// Reading

// Drops what a station file cannot carry back: control characters other than tab, line
// feed and carriage return (NUL among them), and bytes that are not valid UTF-8. Without
// this one damaged value would make every later save fail.
std::string CleanValue(std::string_view value) {
  std::string clean;
  clean.reserve(value.size());
  std::size_t i = 0;
  while (i < value.size()) {
    const auto b = static_cast<unsigned char>(value[i]);
    if (b < 0x80) {
      if (b >= 0x20 || b == '\t' || b == '\n' || b == '\r') clean.push_back(value[i]);
      ++i;
      continue;
    }
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (b >= 0xC2 && b <= 0xDF) {
      length = 2;
    } else if (b >= 0xE0 && b <= 0xEF) {
      length = 3;
      if (b == 0xE0) low = 0xA0;
      if (b == 0xED) high = 0x9F;
    } else if (b >= 0xF0 && b <= 0xF4) {
      length = 4;
      if (b == 0xF0) low = 0x90;
      if (b == 0xF4) high = 0x8F;
    }
    bool valid = length != 0 && i + length <= value.size();
    for (std::size_t k = 1; valid && k < length; ++k) {
      const auto c = static_cast<unsigned char>(value[i + k]);
      const unsigned char lo = k == 1 ? low : 0x80;
      const unsigned char hi = k == 1 ? high : 0xBF;
      valid = c >= lo && c <= hi;
    }
    if (valid) {
      clean.append(value.substr(i, length));
      i += length;
    } else {
      ++i;
    }
  }
  return clean;
}

struct TextKey {
  std::string_view name;
  std::string Options::*field;
  std::size_t capacity;
};

constexpr TextKey kTextKeys[] = {
    {"VideoNamePrefix", &Options::video_name_prefix, kVideoNamePrefixCapacity},
    {"VideoDirectory", &Options::video_directory, kVideoDirectoryCapacity},
    {"LogfileNamePrefix", &Options::logfile_name_prefix, kLogfileNamePrefixCapacity},
    {"LogfileDirectory", &Options::logfile_directory, kLogfileDirectoryCapacity},
    {"EventFileGlobalPrefix", &Options::event_file_global_prefix, kEventFileGlobalPrefixCapacity},
    {"DefaultDuration", &Options::default_duration, kDefaultDurationCapacity},
    {"EventPendingDisplay", &Options::event_pending_display, kEventPendingDisplayCapacity},
    {"DefaultVideoSource", &Options::default_video_source, kDeviceNameCapacity},
};

struct PositionKey {
  std::string_view name;
  WindowPosition Options::*field;
};

constexpr PositionKey kPositionKeys[] = {
    {"MainWindowPosition", &Options::main_window_position},
    {"PlaybackWindowPosition", &Options::playback_window_position},
    {"RecordControlsWindowPosition", &Options::record_controls_window_position},
    {"PlaybackControlsWindowPosition", &Options::playback_controls_window_position},
    {"DevicesWindowPosition", &Options::devices_window_position},
    {"CameraFormatWindowPosition", &Options::camera_format_window_position},
    {"MiscellaneousOptionsWindowPosition", &Options::miscellaneous_options_window_position},
    {"GpsWindowPosition", &Options::gps_window_position},
    {"PixelSaturationWindowPosition", &Options::pixel_saturation_window_position},
    {"FrameIntegrationWindowPosition", &Options::frame_integration_window_position},
    {"CountdownWindowPosition", &Options::countdown_window_position},
    {"ScheduleEventWindowPosition", &Options::schedule_event_window_position},
    {"ViewEventsWindowPosition", &Options::view_events_window_position},
    {"BrightnessContrastWindowPosition", &Options::brightness_contrast_window_position},
};

struct BoolKey {
  std::string_view name;
  bool Options::*field;
};

constexpr BoolKey kBoolKeys[] = {
    {"RecordButtonsSpace", &Options::record_buttons_space},
    {"DisplayOffWhileRecording", &Options::display_off_while_recording},
    {"RemoveFiltersWhileRecording", &Options::remove_filters_while_recording},
    {"AutostartGPS", &Options::autostart_gps},
};

DriftEntry ReadDriftEntry(std::string_view value) {
  DriftEntry entry;
  ScanValues(value, "%lld %d", {&entry.int64_value, &entry.int32_value});
  entry.flag = value.find('F') != std::string_view::npos;
  return entry;
}

// name|unsigned|int64; a value without both "|" is not an entry.
bool ReadVideoDelay(std::string_view value, VideoDelayEntry* entry) {
  const std::size_t first = value.find('|');
  if (first == std::string_view::npos) return false;
  const std::size_t second = value.find('|', first + 1);
  if (second == std::string_view::npos) return false;
  entry->name =
      std::string(TruncateToCharacters(value.substr(0, first), kVideoDelayNameMaxCharacters));
  ScanValues(value.substr(first + 1), "%u", {&entry->unsigned_value});
  ScanValues(value.substr(second + 1), "%lld", {&entry->int64_value});
  return true;
}

void ReadCodecPair(std::string_view value, const std::vector<std::string>& video_codec_names,
                   MessageLog& log, Options* options) {
  const std::size_t bar = value.find('|');
  if (bar == std::string_view::npos) return;
  const std::string_view codec = value.substr(bar + 1);
  for (std::size_t i = 0; i < video_codec_names.size(); ++i) {
    if (video_codec_names[i] == codec) {
      options->saved_codec_pairs.push_back(
          SubtypeCodecPair{SubtypeCodeOf(value.substr(0, bar)), i, video_codec_names[i]});
      return;
    }
  }
  log.ReportMessage(kCodecNotInstalledWarning);
}

// The keys of the general table; returns false for an unknown name.
bool ReadGeneralKey(std::string_view name, std::string_view value, Options* options) {
  for (const TextKey& key : kTextKeys) {
    if (name == key.name) {
      options->*key.field = FitToCapacity(value, key.capacity);
      return true;
    }
  }
  if (name == "PixelSaturationValue") {
    ScanValues(value, "%d", {&options->pixel_saturation_value});
    return true;
  }
  if (name == "MessageWindowPosition") {
    WindowPlacement& p = options->message_window_position;
    ScanValues(value, "%ld, %ld, %ld, %ld", {&p.x, &p.y, &p.width, &p.height});
    return true;
  }
  for (const PositionKey& key : kPositionKeys) {
    if (name == key.name) {
      WindowPosition& p = options->*key.field;
      ScanValues(value, "%ld, %ld", {&p.x, &p.y});
      return true;
    }
  }
  if (name == "ExcludedVideoSource") {
    options->excluded_video_sources.push_back(FitToCapacity(value, kDeviceNameCapacity));
    return true;
  }
  for (const BoolKey& key : kBoolKeys) {
    if (name == key.name) {
      options->*key.field = value == "TRUE";
      return true;
    }
  }
  if (name == "RecordFormat") {
    options->record_format = value == "SER" ? RecordingFileFormat::Ser : RecordingFileFormat::Avi;
    return true;
  }
  if (name == "DefaultRenderer") {
    options->default_renderer = value == "VMR9"   ? kRendererVmr9
                                : value == "VMR7" ? kRendererVmr7
                                                  : kRendererEvr;
    return true;
  }
  return false;
}

void ReadOptionChildren(const std::vector<XmlChild>& children,
                        const std::vector<std::string>& video_codec_names, MessageLog& log,
                        Options* options, std::vector<VideoConfiguration>* video_configurations) {
  for (const XmlChild& child : children) {
    if (child.attribute_count != 1) continue;
    const std::string_view name = child.name;
    const std::string value = CleanValue(child.first_value);
    if (name == "DriftGPS") {
      options->drift_gps.push_back(ReadDriftEntry(value));
    } else if (name == "DriftVTI") {
      options->drift_vti.push_back(ReadDriftEntry(value));
    } else if (name == "DriftCamera") {
      options->drift_camera.push_back(ReadDriftEntry(value));
    } else if (name == "VideoDelay") {
      VideoDelayEntry entry;
      if (ReadVideoDelay(value, &entry)) options->video_delays.push_back(std::move(entry));
    } else if (name == "VConfig") {
      ParseVideoConfiguration(value, video_configurations);
    } else if (name == "SubtypeCodecPair") {
      ReadCodecPair(value, video_codec_names, log, options);
    } else {
      ReadGeneralKey(name, value, options);
    }
  }
}

// ---------------------------------------------------------------------------------------
// Writing

std::string FormatPosition(const WindowPosition& p) {
  return std::to_string(p.x) + ", " + std::to_string(p.y);
}

std::string FormatPlacement(const WindowPlacement& p) {
  return std::to_string(p.x) + ", " + std::to_string(p.y) + ", " + std::to_string(p.width) + ", " +
         std::to_string(p.height);
}

std::string FormatBool(bool value) { return value ? "TRUE" : "FALSE"; }

std::string FormatRenderer(std::int32_t renderer) {
  switch (renderer) {
    case kRendererEvr:
      return "EVR";
    case kRendererVmr9:
      return "VMR9";
    case kRendererVmr7:
      return "VMR7";
    default:
      return " ";
  }
}

std::string FormatDrift(const DriftEntry& entry) {
  return std::to_string(entry.int64_value) + " " + std::to_string(entry.int32_value) +
         (entry.flag ? "F" : "C");
}

std::string FormatVideoDelay(const VideoDelayEntry& entry) {
  return entry.name + "|" + std::to_string(entry.unsigned_value) + "|" +
         std::to_string(entry.int64_value);
}

std::string FormatCodecPair(const SubtypeCodecPair& pair) {
  return std::string(SubtypeNameOf(pair.subtype)) + "|" + pair.codec_name;
}

}  // namespace

int ScanValues(std::string_view text, std::string_view format,
               std::initializer_list<ScanTarget> targets) {
  std::size_t in = 0;
  std::size_t f = 0;
  int assigned = 0;
  auto target = targets.begin();
  while (f < format.size()) {
    const char fc = format[f];
    if (IsCSpace(fc)) {
      while (f < format.size() && IsCSpace(format[f])) ++f;
      while (in < text.size() && IsCSpace(text[in])) ++in;
      continue;
    }
    if (fc != '%') {
      if (in >= text.size() || text[in] != fc) return assigned;
      ++in;
      ++f;
      continue;
    }
    ++f;
    std::size_t width = 0;
    const Conversion conversion = ReadConversion(format, &f, &width);
    if (conversion == Conversion::Invalid || target == targets.end()) return assigned;
    while (in < text.size() && IsCSpace(text[in])) ++in;
    const std::size_t limit = width == 0 || width > text.size() - in ? text.size() : in + width;
    bool negative = false;
    bool too_large = false;
    std::uint64_t magnitude = 0;
    if (!ReadNumber(text, limit, &in, &negative, &magnitude, &too_large)) return assigned;
    if (too_large || !StoreNumber(conversion, *target, negative, magnitude)) return assigned;
    ++assigned;
    ++target;
  }
  return assigned;
}

void SetDefaultOptions(Options* options) {
  Options fresh;
  fresh.excluded_video_sources = std::move(options->excluded_video_sources);
  fresh.saved_codec_pairs = std::move(options->saved_codec_pairs);
  fresh.drift_gps = std::move(options->drift_gps);
  fresh.drift_vti = std::move(options->drift_vti);
  fresh.drift_camera = std::move(options->drift_camera);
  fresh.video_delays = std::move(options->video_delays);
  *options = std::move(fresh);
}

bool LoadOptionsBytes(std::string_view bytes, const std::vector<std::string>& video_codec_names,
                      MessageLog& log, Options* options,
                      std::vector<VideoConfiguration>* video_configurations) {
  std::vector<XmlChild> children;
  if (!ParseXmlChildren(bytes, &children)) return false;
  ReadOptionChildren(children, video_codec_names, log, options, video_configurations);
  return true;
}

bool LoadOptionsFile(const std::string& path, const std::vector<std::string>& video_codec_names,
                     MessageLog& log, Options* options,
                     std::vector<VideoConfiguration>* video_configurations, std::string* error) {
  std::vector<XmlChild> children;
  if (!LoadXmlChildren(path, &children, error)) return false;
  ReadOptionChildren(children, video_codec_names, log, options, video_configurations);
  return true;
}

bool LoadOptions(const std::vector<std::string>& video_codec_names, MessageLog& log,
                 Options* options, std::vector<VideoConfiguration>* video_configurations,
                 std::string* error) {
  return LoadOptionsFile(OptionsFilePath(), video_codec_names, log, options, video_configurations,
                         error);
}

void ApplyEventOptions(Options* options, DerivedOptions* derived) {
  SystemTime& duration = derived->default_recording_duration;
  if (!options->default_duration.empty()) {
    std::uint32_t parts[3] = {0, 0, 0};
    const int scanned =
        ScanValues(options->default_duration, "%2lu:%2lu:%2lu", {&parts[0], &parts[1], &parts[2]});
    std::uint16_t* fields[3] = {&duration.hour, &duration.minute, &duration.second};
    for (int i = 0; i < scanned; ++i) {
      // Two digits always fit; a minus sign wraps to a number the field cannot hold, and
      // from there on nothing counts as scanned.
      if (parts[i] > 0xFFFF) break;
      *fields[i] = static_cast<std::uint16_t>(parts[i]);
    }
  } else {
    char text[kDefaultDurationCapacity];
    std::snprintf(text, sizeof text, "%2.2d:%2.2d:%2.2d", duration.hour, duration.minute,
                  duration.second);
    options->default_duration = text;
  }
  if (!options->event_pending_display.empty()) {
    derived->countdown_time_base = options->event_pending_display == "UTC"
                                       ? CountdownTimeBase::Utc
                                       : CountdownTimeBase::Countdown;
  }
  derived->subtype_codec_pairs.insert(derived->subtype_codec_pairs.end(),
                                      options->saved_codec_pairs.begin(),
                                      options->saved_codec_pairs.end());
}

namespace {

// A folder written by a station on another system ("C:\\VESK\\Video\\", backslashes as
// separators) cannot be a folder here: used as it stands it would become part of a file name
// in the station's own folder.
bool IsForeignFolder(std::string_view folder) {
  if (folder.find('\\') != std::string_view::npos) return true;
  const bool drive_letter =
      folder.size() >= 2 && folder[1] == ':' &&
      ((folder[0] >= 'A' && folder[0] <= 'Z') || (folder[0] >= 'a' && folder[0] <= 'z'));
  return drive_letter;
}

// Such folders are reported once, at start-up, and the default folder is used instead.
void UseDefaultForForeignFolders(MessageLog& log, Options* options) {
  const std::pair<const char*, std::string Options::*> folders[] = {
      {"VideoDirectory", &Options::video_directory},
      {"LogfileDirectory", &Options::logfile_directory}};
  for (const auto& [key, field] : folders) {
    std::string& folder = options->*field;
    if (!IsForeignFolder(folder)) continue;
    log.QueueMessage(std::string("WARNING: ") + key + " \"" + folder +
                     "\" cannot be a folder on this computer; the default folder is used\r\n");
    folder.clear();
  }
}

}  // namespace

bool LoadOptionsAtStartUp(const std::vector<std::string>& video_codec_names, MessageLog& log,
                          Options* options, DerivedOptions* derived,
                          std::vector<VideoConfiguration>* video_configurations) {
  SetDefaultOptions(options);
  std::string error;
  const bool loaded = LoadOptions(video_codec_names, log, options, video_configurations, &error);
  if (!loaded && !files::PathExists(OptionsFilePath())) {
    log.QueueMessage(kNoOptionsFileNote);  // no file is the usual first start
  } else if (!loaded) {
    // A file that is there but cannot be used says where it goes wrong, and what the
    // observer's next change of any option would do to it.
    const std::string_view note(kNoOptionsFileNote);
    log.QueueMessage(std::string(note.substr(0, note.size() - 2)) + " - " + kOptionsFileName +
                     ": " + error +
                     "; the defaults are used, and saving any option replaces the file\r\n");
  }
  derived->default_recording_duration = InitialRecordingDuration();
  if (loaded) {
    UseDefaultForForeignFolders(log, options);
    ApplyEventOptions(options, derived);
  }
  return loaded;
}

bool BuildOptionsEntries(const Options& options,
                         const std::vector<VideoConfiguration>& device_configurations,
                         std::vector<XmlEntry>* entries) {
  std::vector<XmlEntry> result;
  bool fits = true;
  auto add = [&](std::string_view name, std::string value) {
    if (CharacterCount(value) >= kOptionsScratchCapacity) fits = false;
    result.push_back(XmlEntry{std::string(name), std::move(value)});
  };
  add("VideoNamePrefix", options.video_name_prefix);
  add("VideoDirectory", options.video_directory);
  add("LogfileNamePrefix", options.logfile_name_prefix);
  add("LogfileDirectory", options.logfile_directory);
  add("EventFileGlobalPrefix", options.event_file_global_prefix);
  add("DefaultDuration", options.default_duration);
  add("EventPendingDisplay", options.event_pending_display);
  add("PixelSaturationValue", std::to_string(options.pixel_saturation_value));
  add("MainWindowPosition", FormatPosition(options.main_window_position));
  add("PlaybackWindowPosition", FormatPosition(options.playback_window_position));
  add("MessageWindowPosition", FormatPlacement(options.message_window_position));
  add("RecordControlsWindowPosition", FormatPosition(options.record_controls_window_position));
  add("PlaybackControlsWindowPosition", FormatPosition(options.playback_controls_window_position));
  add("DevicesWindowPosition", FormatPosition(options.devices_window_position));
  add("CameraFormatWindowPosition", FormatPosition(options.camera_format_window_position));
  add("MiscellaneousOptionsWindowPosition",
      FormatPosition(options.miscellaneous_options_window_position));
  add("GpsWindowPosition", FormatPosition(options.gps_window_position));
  add("PixelSaturationWindowPosition", FormatPosition(options.pixel_saturation_window_position));
  add("FrameIntegrationWindowPosition", FormatPosition(options.frame_integration_window_position));
  add("CountdownWindowPosition", FormatPosition(options.countdown_window_position));
  add("ScheduleEventWindowPosition", FormatPosition(options.schedule_event_window_position));
  add("ViewEventsWindowPosition", FormatPosition(options.view_events_window_position));
  add("BrightnessContrastWindowPosition",
      FormatPosition(options.brightness_contrast_window_position));
  add("DefaultVideoSource", options.default_video_source);
  for (const std::string& name : options.excluded_video_sources) add("ExcludedVideoSource", name);
  add("RecordButtonsSpace", FormatBool(options.record_buttons_space));
  add("DisplayOffWhileRecording", FormatBool(options.display_off_while_recording));
  add("RemoveFiltersWhileRecording", FormatBool(options.remove_filters_while_recording));
  add("AutostartGPS", FormatBool(options.autostart_gps));
  add("DefaultRenderer", FormatRenderer(options.default_renderer));
  for (const DriftEntry& entry : options.drift_gps) add("DriftGPS", FormatDrift(entry));
  for (const DriftEntry& entry : options.drift_vti) add("DriftVTI", FormatDrift(entry));
  for (const DriftEntry& entry : options.drift_camera) add("DriftCamera", FormatDrift(entry));
  for (const VideoDelayEntry& entry : options.video_delays) {
    add("VideoDelay", FormatVideoDelay(entry));
  }
  for (const VideoConfiguration& configuration : device_configurations) {
    add("VConfig", FormatVideoConfiguration(configuration));
  }
  for (const SubtypeCodecPair& pair : options.saved_codec_pairs) {
    add("SubtypeCodecPair", FormatCodecPair(pair));
  }
  // After every documented key, and only when it says more than the default: a station that
  // records AVI keeps the file it always had.
  if (options.record_format == RecordingFileFormat::Ser) add("RecordFormat", "SER");
  if (!fits) return false;
  *entries = std::move(result);
  return true;
}

bool SaveOptionsFile(const std::string& path, const Options& options,
                     const std::vector<VideoConfiguration>& device_configurations) {
  std::vector<XmlEntry> entries;
  if (!BuildOptionsEntries(options, device_configurations, &entries)) return false;
  return WriteXmlTextFile(path, kOptionsFileComment, entries);
}

bool SaveOptions(const Options& options,
                 const std::vector<VideoConfiguration>& device_configurations) {
  return SaveOptionsFile(OptionsFilePath(), options, device_configurations);
}

bool SaveOptionsOrWarn(const Options& options,
                       const std::vector<VideoConfiguration>& device_configurations,
                       ErrorReporter& errors) {
  if (SaveOptions(options, device_configurations)) return true;
  errors.RaiseAppError(ErrorCode::CannotSaveOptions);
  return false;
}

}  // namespace vesk
