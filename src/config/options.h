#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/error_table.h"
#include "base/message_log.h"
#include "base/system_time.h"
#include "config/video_configuration.h"
#include "config/xml_file.h"
#include "media/video_types.h"

namespace vesk {

// Capacities of the text options in characters, counting the terminator of the original
// buffers (a capacity of 21 holds 20 characters). Values read from the file are cut to them.
constexpr std::size_t kVideoNamePrefixCapacity = 21;
constexpr std::size_t kVideoDirectoryCapacity = 512;
constexpr std::size_t kLogfileNamePrefixCapacity = 21;
constexpr std::size_t kLogfileDirectoryCapacity = 512;
constexpr std::size_t kEventFileGlobalPrefixCapacity = 13;
constexpr std::size_t kDeviceNameCapacity = 256;
constexpr std::size_t kDefaultDurationCapacity = 20;
constexpr std::size_t kEventPendingDisplayCapacity = 20;
constexpr std::size_t kVideoDelayNameMaxCharacters = 30;
// Every value is formatted into a scratch buffer of this many characters before it is
// written; a value that does not fit fails the save.
constexpr std::size_t kOptionsScratchCapacity = 1024;

constexpr const char* kOptionsFileComment = "VESK Video Capture Version 2";
constexpr const char* kNoOptionsFileNote = "No Options File or unreadable Options File\r\n";
constexpr const char* kCodecNotInstalledWarning =
    "WARNING: named codec in a Subtype / Codec pair is not installed on this computer\r\n";

// Renderer choices of DefaultRenderer.
constexpr std::int32_t kRendererEvr = 0;
constexpr std::int32_t kRendererVmr9 = 1;
constexpr std::int32_t kRendererVmr7 = 2;

struct WindowPosition {
  std::int32_t x = 0;
  std::int32_t y = 0;
  friend bool operator==(const WindowPosition&, const WindowPosition&) = default;
};

struct WindowPlacement {
  std::int32_t x = 0;
  std::int32_t y = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;
  friend bool operator==(const WindowPlacement&, const WindowPlacement&) = default;
};

// Kept and written back unchanged; nothing else in the station reads them.
struct DriftEntry {
  std::int64_t int64_value = 0;
  std::int32_t int32_value = 0;
  bool flag = false;  // written as "F" when set, "C" when clear
  friend bool operator==(const DriftEntry&, const DriftEntry&) = default;
};

struct VideoDelayEntry {
  std::uint32_t unsigned_value = 0;
  std::string name;  // at most kVideoDelayNameMaxCharacters
  std::int64_t int64_value = 0;
  friend bool operator==(const VideoDelayEntry&, const VideoDelayEntry&) = default;
};

// Every persistent setting of the station, read once at start-up and saved whole after
// every change.
struct Options {
  std::string video_name_prefix;
  std::string video_directory;
  std::string logfile_name_prefix;
  std::string logfile_directory;
  std::string event_file_global_prefix;
  std::string default_video_source;
  std::vector<std::string> excluded_video_sources;
  std::vector<SubtypeCodecPair> saved_codec_pairs;
  std::string default_duration;
  std::string event_pending_display;
  std::int32_t pixel_saturation_value = -1;
  WindowPosition main_window_position{100, 100};
  WindowPosition playback_window_position{180, 220};
  WindowPlacement message_window_position{50, 50, 700, 460};
  WindowPosition record_controls_window_position{150, 150};
  WindowPosition playback_controls_window_position{100, 550};
  WindowPosition devices_window_position{100, 500};
  WindowPosition camera_format_window_position{150, 350};
  WindowPosition miscellaneous_options_window_position{20, 300};
  WindowPosition gps_window_position{125, 550};
  WindowPosition pixel_saturation_window_position{50, 400};
  WindowPosition frame_integration_window_position{200, 600};
  WindowPosition countdown_window_position{100, 600};
  WindowPosition schedule_event_window_position{150, 300};
  WindowPosition view_events_window_position{50, 300};
  WindowPosition brightness_contrast_window_position{100, 700};
  bool record_buttons_space = false;
  bool display_off_while_recording = false;
  bool remove_filters_while_recording = false;
  bool autostart_gps = false;
  std::int32_t default_renderer = kRendererEvr;
  std::vector<DriftEntry> drift_gps;
  std::vector<DriftEntry> drift_vti;
  std::vector<DriftEntry> drift_camera;
  std::vector<VideoDelayEntry> video_delays;
  // After the documented keys: "RecordFormat" "SER"; absent (AVI) in a file without it.
  RecordingFileFormat record_format = RecordingFileFormat::Avi;

  friend bool operator==(const Options&, const Options&) = default;
};

// Hours, minutes and seconds 00:10:00; the date is a placeholder (Monday 3 May 1943) that
// only keeps the record a valid date and is never shown.
inline SystemTime InitialRecordingDuration() { return SystemTime{1943, 5, 1, 3, 0, 10, 0, 0}; }

enum class CountdownTimeBase : std::int32_t { Countdown = 0, Utc = 1 };

// The values derived from Options that live beside it.
struct DerivedOptions {
  // Hours, minutes and seconds of the default Event duration.
  SystemTime default_recording_duration = InitialRecordingDuration();
  CountdownTimeBase countdown_time_base = CountdownTimeBase::Countdown;
  // The working codec choices of the capture graph and the codec selector.
  std::vector<SubtypeCodecPair> subtype_codec_pairs;
};

// Puts every option field to its default; the lists stay as they are.
void SetDefaultOptions(Options* options);

// Reads the options file over the defaults already in options. video_codec_names are the
// friendly names of the installed compressors in list order (SubtypeCodecPair entries are
// resolved against them). Saved device configurations are appended to video_configurations.
// Fails only when the file is missing, unreadable, not well-formed or has no root element;
// odd entries are skipped one by one. error, when given, says why a load failed (the
// system's reason, or the line where the XML goes wrong).
bool LoadOptions(const std::vector<std::string>& video_codec_names, MessageLog& log,
                 Options* options, std::vector<VideoConfiguration>* video_configurations,
                 std::string* error = nullptr);
bool LoadOptionsFile(const std::string& path, const std::vector<std::string>& video_codec_names,
                     MessageLog& log, Options* options,
                     std::vector<VideoConfiguration>* video_configurations,
                     std::string* error = nullptr);
bool LoadOptionsBytes(std::string_view bytes, const std::vector<std::string>& video_codec_names,
                      MessageLog& log, Options* options,
                      std::vector<VideoConfiguration>* video_configurations);

// After a successful load: the default recording duration from DefaultDuration (or the
// other way round when it is empty), the countdown time base, and the working codec pairs.
void ApplyEventOptions(Options* options, DerivedOptions* derived);

// The start-up sequence: defaults, load (a failure queues kNoOptionsFileNote, followed on
// its line by why when the file is there but cannot be used), the initial
// recording duration, and ApplyEventOptions when the file was read. Returns whether it was.
bool LoadOptionsAtStartUp(const std::vector<std::string>& video_codec_names, MessageLog& log,
                          Options* options, DerivedOptions* derived,
                          std::vector<VideoConfiguration>* video_configurations);

// The entries of the options file in file order. device_configurations are the
// configurations of the devices that hold one, in device-list order. Fails when a value
// does not fit the scratch buffer.
bool BuildOptionsEntries(const Options& options,
                         const std::vector<VideoConfiguration>& device_configurations,
                         std::vector<XmlEntry>* entries);

// Writes the whole options file; on any failure the file on disk stays as it was.
bool SaveOptions(const Options& options,
                 const std::vector<VideoConfiguration>& device_configurations);
bool SaveOptionsFile(const std::string& path, const Options& options,
                     const std::vector<VideoConfiguration>& device_configurations);

// SaveOptions, raising CannotSaveOptions when it fails. Options keep their new values.
bool SaveOptionsOrWarn(const Options& options,
                       const std::vector<VideoConfiguration>& device_configurations,
                       ErrorReporter& errors);

}  // namespace vesk
