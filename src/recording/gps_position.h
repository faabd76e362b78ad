#pragma once

// A GPS fix as the receiver gives it and the position a recording log shows.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "base/system_time.h"

namespace vesk {

// Text capacities, in characters including the terminator. The formats below cannot
// exceed them (the widest number a field can give still fits).
constexpr std::size_t kGpsCoordinateCapacity = 50;
constexpr std::size_t kGpsAltitudeCapacity = 30;
constexpr std::size_t kGpsSatellitesCapacity = 30;
constexpr std::size_t kGpsTimeCapacity = 20;

// The computer clock against GPS time, from one sentence: the clock at the arrival of the
// sentence's first byte minus the time the sentence carries.
struct GpsClockOffset {
  FileTime measured_at = 0;  // the computer clock (UTC) when the sentence arrived
  FileTime offset = 0;       // computer clock minus GPS time, positive: the clock is ahead
  FileTime uncertainty = 0;  // either way: the arrival's uncertainty and the receiver's delay
};

// One parsed $GPGGA sentence. Position texts begin with a blank; an empty text means the
// field was not obtained.
struct GpsFix {
  std::string latitude{};      // " %.6f %c"
  std::string longitude{};     // " %.6f %c"
  std::string altitude{};      // " %d.%d M"
  std::string satellites{};    // " %d"
  std::string gps_time{};      // "hh:mm:ss.mmm"
  SystemTime computer_time{};  // the computer's UTC clock when the sentence was parsed
  std::uint16_t gps_hour = 0;
  std::uint16_t gps_minute = 0;
  std::uint16_t gps_second = 0;
  std::uint16_t gps_millisecond = 0;
  // Set when the sentence's arrival was timed (not for bytes that waited in the port).
  std::optional<GpsClockOffset> clock_offset{};
};

// The position a recording log shows: the fix texts without their leading blank.
struct LastGpsPosition {
  std::string latitude{};
  std::string longitude{};
  std::string altitude{};
  std::string satellites{};
  bool valid = false;  // a fix was taken at the start of the current recording
  // The GPS time against the computer clock, when the fix had one.
  std::optional<GpsClockOffset> clock_offset{};
};

// At a recording start: the four texts without their leading blank, empty ones as empty,
// and the clock offset.
// The valid flag is left to the caller.
void CopyFixToLastPosition(const GpsFix& fix, LastGpsPosition* last);

// At a GPS window refresh: only the texts (and the clock offset) the fix has replace the
// kept ones.
void RefreshLastPosition(const GpsFix& fix, LastGpsPosition* last);

}  // namespace vesk
