#pragma once

// The GPS time against the computer clock. A GGA sentence carries only the time of day: the
// day is the computer clock's, and a sentence near midnight belongs to the nearest day.

#include <optional>
#include <string>

#include "base/system_time.h"
#include "recording/gps_position.h"

namespace vesk {

// A receiver sends its sentence some hundreds of milliseconds after the second it names, and
// says nothing of how long after: serial NMEA time is good to about this much.
constexpr FileTime kNmeaTimeUncertainty = 500 * kTicksPerMillisecond;
// An offset beyond this is warned of.
constexpr FileTime kClockOffsetWarningTicks = kTicksPerSecond;

constexpr const char* kClockOffsetNoteText =
    "The computer clock against GPS time; serial NMEA time is good to a few hundred "
    "milliseconds";

// The instant the fix's time of day names, on the day nearest to arrival.
FileTime GpsInstantNear(const GpsFix& fix, FileTime arrival);

// The offset of a fix whose sentence's first byte came between earliest and latest on the
// computer clock; nothing when the sentence had no time.
std::optional<GpsClockOffset> MeasureClockOffset(const GpsFix& fix, FileTime earliest,
                                                 FileTime latest);

// "the computer clock is 2.3 s behind GPS time" (or "ahead of"), to a tenth of a second.
std::string ClockOffsetText(const GpsClockOffset& offset);
// The GPS window's form: "2.3 s behind ±0.5 s".
std::string ClockOffsetShortText(const GpsClockOffset& offset);
// "WARNING: the computer clock is 2.3 s behind GPS time\r\n" beyond a second; else empty.
std::string ClockOffsetWarning(const GpsClockOffset& offset);
// The recording log's line, without line end.
std::string ClockOffsetLogLine(const GpsClockOffset& offset);

}  // namespace vesk
