#include "config/options.h"

#include <cstdio>
#include <limits>
#include <utility>

#include "base/code_page.h"
#include "base/files.h"
#include "base/scan_values.h"

namespace vesk {
namespace {

// ---------------------------------------------------------------------------------------
// Values as read

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

// ---------------------------------------------------------------------------------------
// Values as written, and the table of keys

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

// The station's state that the options file stands for, as it is read and as it is written.
struct OptionsReading {
  Options* options;
  std::vector<VideoConfiguration>* configurations;
  const std::vector<std::string>& codec_names;
  MessageLog& log;
};

struct OptionsWriting {
  const Options& options;
  const std::vector<VideoConfiguration>& configurations;
  std::vector<XmlEntry> entries;
  bool fits = true;

  void Add(std::string_view name, std::string value) {
    if (CharacterCount(value) >= kOptionsScratchCapacity) fits = false;
    entries.push_back(XmlEntry{std::string(name), std::move(value)});
  }
  template <typename Item, typename Format>
  void AddEach(std::string_view name, const std::vector<Item>& items, Format format) {
    for (const Item& item : items) Add(name, format(item));
  }
};

// One key of the options file: how its value is read, and how it is written (one entry, one
// per item of a list, or none).
struct OptionKey {
  std::string_view name;
  void (*read)(std::string_view value, OptionsReading& reading);
  void (*write)(std::string_view name, OptionsWriting& writing);
};

template <std::string Options::*Field, std::size_t Capacity>
constexpr OptionKey TextKey(std::string_view name) {
  return {name,
          [](std::string_view value, OptionsReading& r) {
            r.options->*Field = FitToCapacity(value, Capacity);
          },
          [](std::string_view key, OptionsWriting& w) { w.Add(key, w.options.*Field); }};
}

template <WindowPosition Options::*Field>
constexpr OptionKey PositionKey(std::string_view name) {
  return {name,
          [](std::string_view value, OptionsReading& r) {
            WindowPosition& p = r.options->*Field;
            ScanValues(value, "%ld, %ld", {&p.x, &p.y});
          },
          [](std::string_view key, OptionsWriting& w) {
            w.Add(key, FormatPosition(w.options.*Field));
          }};
}

template <bool Options::*Field>
constexpr OptionKey BoolKey(std::string_view name) {
  return {
      name, [](std::string_view value, OptionsReading& r) { r.options->*Field = value == "TRUE"; },
      [](std::string_view key, OptionsWriting& w) { w.Add(key, FormatBool(w.options.*Field)); }};
}

template <std::vector<DriftEntry> Options::*Field>
constexpr OptionKey DriftKey(std::string_view name) {
  return {name,
          [](std::string_view value, OptionsReading& r) {
            (r.options->*Field).push_back(ReadDriftEntry(value));
          },
          [](std::string_view key, OptionsWriting& w) {
            w.AddEach(key, w.options.*Field, FormatDrift);
          }};
}

// Every key in the order the file lists them; both reading and writing go by this table.
constexpr OptionKey kOptionKeys[] = {
    TextKey<&Options::video_name_prefix, kVideoNamePrefixCapacity>("VideoNamePrefix"),
    TextKey<&Options::video_directory, kVideoDirectoryCapacity>("VideoDirectory"),
    TextKey<&Options::logfile_name_prefix, kLogfileNamePrefixCapacity>("LogfileNamePrefix"),
    TextKey<&Options::logfile_directory, kLogfileDirectoryCapacity>("LogfileDirectory"),
    TextKey<&Options::event_file_global_prefix, kEventFileGlobalPrefixCapacity>(
        "EventFileGlobalPrefix"),
    TextKey<&Options::default_duration, kDefaultDurationCapacity>("DefaultDuration"),
    TextKey<&Options::event_pending_display, kEventPendingDisplayCapacity>("EventPendingDisplay"),
    {"PixelSaturationValue",
     [](std::string_view value, OptionsReading& r) {
       ScanValues(value, "%d", {&r.options->pixel_saturation_value});
     },
     [](std::string_view key, OptionsWriting& w) {
       w.Add(key, std::to_string(w.options.pixel_saturation_value));
     }},
    PositionKey<&Options::main_window_position>("MainWindowPosition"),
    PositionKey<&Options::playback_window_position>("PlaybackWindowPosition"),
    {"MessageWindowPosition",
     [](std::string_view value, OptionsReading& r) {
       WindowPlacement& p = r.options->message_window_position;
       ScanValues(value, "%ld, %ld, %ld, %ld", {&p.x, &p.y, &p.width, &p.height});
     },
     [](std::string_view key, OptionsWriting& w) {
       w.Add(key, FormatPlacement(w.options.message_window_position));
     }},
    PositionKey<&Options::record_controls_window_position>("RecordControlsWindowPosition"),
    PositionKey<&Options::playback_controls_window_position>("PlaybackControlsWindowPosition"),
    PositionKey<&Options::devices_window_position>("DevicesWindowPosition"),
    PositionKey<&Options::camera_format_window_position>("CameraFormatWindowPosition"),
    PositionKey<&Options::miscellaneous_options_window_position>(
        "MiscellaneousOptionsWindowPosition"),
    PositionKey<&Options::gps_window_position>("GpsWindowPosition"),
    PositionKey<&Options::pixel_saturation_window_position>("PixelSaturationWindowPosition"),
    PositionKey<&Options::frame_integration_window_position>("FrameIntegrationWindowPosition"),
    PositionKey<&Options::countdown_window_position>("CountdownWindowPosition"),
    PositionKey<&Options::schedule_event_window_position>("ScheduleEventWindowPosition"),
    PositionKey<&Options::view_events_window_position>("ViewEventsWindowPosition"),
    PositionKey<&Options::brightness_contrast_window_position>("BrightnessContrastWindowPosition"),
    TextKey<&Options::default_video_source, kDeviceNameCapacity>("DefaultVideoSource"),
    {"ExcludedVideoSource",
     [](std::string_view value, OptionsReading& r) {
       r.options->excluded_video_sources.push_back(FitToCapacity(value, kDeviceNameCapacity));
     },
     [](std::string_view key, OptionsWriting& w) {
       w.AddEach(key, w.options.excluded_video_sources, [](const std::string& n) { return n; });
     }},
    BoolKey<&Options::record_buttons_space>("RecordButtonsSpace"),
    BoolKey<&Options::display_off_while_recording>("DisplayOffWhileRecording"),
    BoolKey<&Options::remove_filters_while_recording>("RemoveFiltersWhileRecording"),
    BoolKey<&Options::autostart_gps>("AutostartGPS"),
    {"DefaultRenderer",
     [](std::string_view value, OptionsReading& r) {
       r.options->default_renderer = value == "VMR9"   ? kRendererVmr9
                                     : value == "VMR7" ? kRendererVmr7
                                                       : kRendererEvr;
     },
     [](std::string_view key, OptionsWriting& w) {
       w.Add(key, FormatRenderer(w.options.default_renderer));
     }},
    DriftKey<&Options::drift_gps>("DriftGPS"),
    DriftKey<&Options::drift_vti>("DriftVTI"),
    DriftKey<&Options::drift_camera>("DriftCamera"),
    {"VideoDelay",
     [](std::string_view value, OptionsReading& r) {
       VideoDelayEntry entry;
       if (ReadVideoDelay(value, &entry)) r.options->video_delays.push_back(std::move(entry));
     },
     [](std::string_view key, OptionsWriting& w) {
       w.AddEach(key, w.options.video_delays, FormatVideoDelay);
     }},
    {"VConfig",
     [](std::string_view value, OptionsReading& r) {
       ParseVideoConfiguration(value, r.configurations);
     },
     [](std::string_view key, OptionsWriting& w) {
       w.AddEach(key, w.configurations, FormatVideoConfiguration);
     }},
    {"SubtypeCodecPair",
     [](std::string_view value, OptionsReading& r) {
       ReadCodecPair(value, r.codec_names, r.log, r.options);
     },
     [](std::string_view key, OptionsWriting& w) {
       w.AddEach(key, w.options.saved_codec_pairs, FormatCodecPair);
     }},
    // After every documented key, and only when it says more than the default: a station
    // that records AVI keeps the file it always had.
    {"RecordFormat",
     [](std::string_view value, OptionsReading& r) {
       r.options->record_format =
           value == "SER" ? RecordingFileFormat::Ser : RecordingFileFormat::Avi;
     },
     [](std::string_view key, OptionsWriting& w) {
       if (w.options.record_format == RecordingFileFormat::Ser) w.Add(key, "SER");
     }},
};

void ReadOptionChildren(const std::vector<XmlChild>& children,
                        const std::vector<std::string>& video_codec_names, MessageLog& log,
                        Options* options, std::vector<VideoConfiguration>* video_configurations) {
  OptionsReading reading{options, video_configurations, video_codec_names, log};
  for (const XmlChild& child : children) {
    if (child.attribute_count != 1) continue;
    for (const OptionKey& key : kOptionKeys) {
      if (child.name == key.name) {
        key.read(CleanValue(child.first_value), reading);
        break;
      }
    }
  }
}

}  // namespace

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
  OptionsWriting writing{options, device_configurations, {}};
  for (const OptionKey& key : kOptionKeys) key.write(key.name, writing);
  if (!writing.fits) return false;
  *entries = std::move(writing.entries);
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
