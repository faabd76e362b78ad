#include "events/event_readiness.h"

#include <cmath>
#include <cstdio>
#include <utility>

#include "base/files.h"
#include "recording/file_naming.h"

namespace vesk {
namespace {

// What the AVI file adds to each frame: its chunk header and its entries in both indexes.
constexpr std::uint64_t kAviBytesPerFrame = 8 + 16 + 8;
// The headers, the index headers and the padding of a file.
constexpr std::uint64_t kAviFixedBytes = 1 << 20;
// Frames come this often when the format does not say (a bound: few devices are faster).
constexpr FileTime kShortestFrameTicks = kTicksPerSecond / 60;

// Bytes of one pixel as the device delivers it; for a compressed format, the most a frame
// can take.
std::uint64_t BytesPerPixelBound(SubtypeCode subtype) {
  switch (subtype) {
    case SubtypeCode::YUY2:
    case SubtypeCode::UYVY:
      return 2;
    case SubtypeCode::RGB24:
    case SubtypeCode::MJPG:  // a JPEG frame stays below its RGB picture
      return 3;
    default:
      return 4;
  }
}

std::string Bytes(std::uint64_t bytes) {
  char text[32];
  if (bytes >= 1'000'000'000) {
    std::snprintf(text, sizeof text, "%.1f GB", static_cast<double>(bytes) / 1e9);
  } else {
    std::snprintf(text, sizeof text, "%.0f MB", static_cast<double>(bytes) / 1e6);
  }
  return text;
}

std::string Span(std::int64_t seconds) {
  char text[32];
  if (seconds >= 3600) {
    std::snprintf(text, sizeof text, "%lld h %02lld min", static_cast<long long>(seconds / 3600),
                  static_cast<long long>(seconds % 3600 / 60));
  } else if (seconds >= 60) {
    std::snprintf(text, sizeof text, "%lld min", static_cast<long long>(seconds / 60));
  } else {
    std::snprintf(text, sizeof text, "%lld s", static_cast<long long>(seconds));
  }
  return text;
}

std::string Warning(const std::string& text) { return "WARNING: " + text + "\r\n"; }

}  // namespace

std::uint64_t RecordingBytesNeeded(const VideoFormat& format, FileTime duration) {
  FileTime interval = format.media_type.avg_time_per_frame;
  if (interval == 0 && format.frame_rate != 0) interval = kTicksPerSecond / format.frame_rate;
  if (interval == 0) interval = kShortestFrameTicks;
  const FileTime span = (duration > 0 ? duration : 0) + kTicksPerSecond;
  const auto frames = static_cast<std::uint64_t>((span + interval - 1) / interval);
  const std::uint64_t frame_bytes = static_cast<std::uint64_t>(format.width > 0 ? format.width : 0) *
                                        static_cast<std::uint64_t>(format.height > 0 ? format.height : 0) *
                                        BytesPerPixelBound(format.subtype) +
                                    kAviBytesPerFrame;
  return frames * frame_bytes + kAviFixedBytes;
}

std::vector<std::string> ReadinessWarnings(const ReadinessFacts& facts) {
  std::vector<std::string> warnings;
  if (!facts.free_bytes) {
    warnings.push_back(Warning("the free space on the disk of the video folder " +
                               facts.video_folder + " cannot be read (" +
                               facts.free_space_error +
                               "): check the disk, or choose another video folder"));
  } else if (facts.needed_bytes != 0) {
    const std::uint64_t wanted = facts.needed_bytes + facts.needed_bytes / 10;
    if (*facts.free_bytes < wanted) {
      warnings.push_back(Warning("the Event's recording needs " + Bytes(wanted) +
                                 " on the disk of the video folder " + facts.video_folder +
                                 ", which has " + Bytes(*facts.free_bytes) +
                                 " free: make room, or choose another video folder"));
    }
  }
  if (facts.clock_known) {
    if (!facts.clock.readable) {
      warnings.push_back(Warning("the computer clock's state cannot be read (" +
                                 facts.clock.error +
                                 "): check by other means that a time service keeps it right"));
    } else if (!facts.clock.synchronised) {
      warnings.push_back(Warning(
          "the computer clock is not synchronised: frame times may be wrong by seconds; start a "
          "time service (NTP, chrony or systemd-timesyncd) and let it synchronise the clock"));
    } else if (facts.clock.estimated_error_us > kLargestFitClockErrorUs) {
      char text[200];
      std::snprintf(text, sizeof text,
                    "the computer clock's estimated error is %.1f ms, more than 0.1 s: let the "
                    "time service settle, or give it better time sources",
                    static_cast<double>(facts.clock.estimated_error_us) / 1000.0);
      warnings.push_back(Warning(text));
    }
  }
  if (facts.autostart_gps && !facts.gps_fix) {
    warnings.push_back(Warning(
        "AutostartGPS is on but the GPS receiver has no fix: connect it (USB GPS Receiver...) "
        "and give it a clear view of the sky"));
  }
  if (!facts.device_in_use) {
    warnings.push_back(Warning("no video capture device is in use: choose one"));
  } else if (!facts.device_attached) {
    warnings.push_back(Warning("the video capture device in use, " + facts.device_name +
                               ", is not attached: connect it"));
  }
  if (facts.battery && facts.battery->on_battery && facts.battery->seconds_to_empty > 0 &&
      facts.battery->seconds_to_empty < facts.seconds_to_end + kBatteryMarginSeconds) {
    char charge[16];
    std::snprintf(charge, sizeof charge, "%.0f %%", facts.battery->percentage);
    warnings.push_back(Warning("the computer runs on battery with " + std::string(charge) +
                               " charge, enough for about " +
                               Span(facts.battery->seconds_to_empty) + ", but the Event ends in " +
                               Span(facts.seconds_to_end) + ": connect the charger"));
  }
  if (facts.clock_minus_inserter_ms &&
      std::abs(*facts.clock_minus_inserter_ms) > kInserterDisagreementMs) {
    char text[200];
    std::snprintf(text, sizeof text,
                  "the computer clock is %.2f s %s the time inserter, more than 0.5 s: set the "
                  "inserter's time, or let the time service settle the computer clock",
                  std::abs(*facts.clock_minus_inserter_ms) / 1000.0,
                  *facts.clock_minus_inserter_ms > 0 ? "ahead of" : "behind");
    warnings.push_back(Warning(text));
  }
  return warnings;
}

EventReadiness::EventReadiness(EventReadinessContext context) : context_(std::move(context)) {}

ReadinessFacts EventReadiness::Gather(FileTime start_utc, FileTime stop_utc) const {
  ReadinessFacts facts;
  const Options& options = context_.options;
  if (options.video_directory.empty()) {
    facts.video_folder = context_.current_directory + std::string(kDefaultVideoFolder);
  } else if (options.video_directory.front() == files::kSeparator) {
    facts.video_folder = options.video_directory;
  } else {
    facts.video_folder = context_.current_directory + options.video_directory;
  }
  std::uint64_t free_bytes = 0;
  const bool measured =
      context_.free_space
          ? context_.free_space(facts.video_folder, &free_bytes, &facts.free_space_error)
          : files::FreeSpace(facts.video_folder, &free_bytes, &facts.free_space_error);
  if (measured) {
    facts.free_bytes = free_bytes;
  }
  if (const VideoFormat* format = context_.sources.CurrentVideoFormat()) {
    facts.needed_bytes = RecordingBytesNeeded(*format, stop_utc - start_utc);
  }
  if (context_.clock_discipline != nullptr) {
    facts.clock = context_.clock_discipline->Read();
    facts.clock_known = true;
  }
  facts.autostart_gps = options.autostart_gps;
  facts.gps_fix = context_.gps_has_fix && context_.gps_has_fix();
  if (const VideoSourceInfo* device = context_.sources.CurrentSource()) {
    facts.device_in_use = true;
    facts.device_attached = !device->is_detached;
    facts.device_name = device->name;
  }
  if (context_.battery != nullptr) facts.battery = context_.battery->Read();
  facts.seconds_to_end = (stop_utc - context_.clock.UtcNow()) / kTicksPerSecond;
  if (context_.clock_minus_inserter_ms) facts.clock_minus_inserter_ms = context_.clock_minus_inserter_ms();
  return facts;
}

int EventReadiness::Check(FileTime start_utc, FileTime stop_utc) {
  const std::vector<std::string> warnings = ReadinessWarnings(Gather(start_utc, stop_utc));
  for (const std::string& warning : warnings) context_.log.ReportMessage(warning, true);
  return static_cast<int>(warnings.size());
}

}  // namespace vesk
