#pragma once

// What could spoil an Event's recording, checked when the Event is announced and again
// shortly before its start while there is still time to act: each problem is one WARNING
// that says what to do.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/battery.h"
#include "base/clock.h"
#include "base/clock_discipline.h"
#include "base/message_log.h"
#include "capture/video_sources.h"
#include "config/options.h"

namespace vesk {

// Battery the Event must leave over: the power action and a hibernation need some too.
constexpr std::int64_t kBatteryMarginSeconds = 600;

// What the checks look at, gathered just before them.
struct ReadinessFacts {
  std::string video_folder{};
  // Nothing when the disk cannot be measured; free_space_error then says why.
  std::optional<std::uint64_t> free_bytes{};
  std::string free_space_error{};
  // Bytes the recording will write; 0 when unknown (no format in use).
  std::uint64_t needed_bytes = 0;
  ClockState clock{};
  bool clock_known = false;
  bool autostart_gps = false;
  bool gps_fix = false;
  bool device_in_use = false;
  bool device_attached = false;
  std::string device_name{};
  std::optional<BatteryState> battery{};
  std::int64_t seconds_to_end = 0;
  // The computer clock minus the time inserter, from a field read within the last seconds;
  // nothing when the inserter is not being read.
  std::optional<double> clock_minus_inserter_ms{};
};

// The inserter and the computer clock may disagree by this much before it is said.
constexpr double kInserterDisagreementMs = 500.0;

// The warnings, each a whole report text with its line end, in the order of the facts.
std::vector<std::string> ReadinessWarnings(const ReadinessFacts& facts);

// What a recording of duration in format writes at most: every frame at its uncompressed
// size (exact for uncompressed formats, a bound for compressed ones) with the AVI file's
// own bytes, for the duration and one more second.
std::uint64_t RecordingBytesNeeded(const VideoFormat& format, FileTime duration);

struct EventReadinessContext {
  const VideoSources& sources;
  const Options& options;
  // The station's home folder, with its trailing separator.
  std::string current_directory;
  const Clock& clock;
  MessageLog& log;
  // Null: the clock is not checked.
  const ClockDiscipline* clock_discipline = nullptr;
  // Null: the battery is not checked.
  BatteryMonitor* battery = nullptr;
  // Whether the GPS receiver is connected and has given a position.
  std::function<bool()> gps_has_fix;
  // files::FreeSpace, or a double.
  std::function<bool(const std::string& path, std::uint64_t* bytes, std::string* error)>
      free_space{};
  // The computer clock minus the inserter from a recent reading; empty or nothing: the
  // inserter is not checked.
  std::function<std::optional<double>()> clock_minus_inserter_ms{};
};

class EventReadiness {
 public:
  explicit EventReadiness(EventReadinessContext context);
  // Checks for the Event recorded from start_utc to stop_utc and reports every problem.
  // Returns the number of warnings.
  int Check(FileTime start_utc, FileTime stop_utc);
  ReadinessFacts Gather(FileTime start_utc, FileTime stop_utc) const;

 private:
  EventReadinessContext context_;
};

}  // namespace vesk
