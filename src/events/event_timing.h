#pragma once

// When an Event's recording begins and ends, and the texts the countdown window and the
// User Messages show for it. All moments are UTC: a change of the local offset during a
// countdown changes nothing.

#include <array>
#include <cstdint>
#include <string>

#include "base/system_time.h"
#include "config/options.h"

namespace vesk {

constexpr std::array<const char*, 13> kMonthAbbreviations = {
    "",     "JAN ", "FEB ", "MAR ", "APR ", "MAY ", "JUN ",
    "JUL ", "AUG ", "SEP ", "OCT ", "NOV ", "DEC "};

// The recording begins half a second before the Event's window and ends this long after the
// recording duration has passed.
constexpr FileTime kStartEarlyTicks = 5'000'000;
constexpr FileTime kStopExtraTicks = 4'500'000;
// Playback is closed when the countdown is this close to the start.
constexpr FileTime kClosePlaybackTicks = 30'000'000;

// The texts the scheduler keeps for the countdown window.
struct CountdownTexts {
  std::string countdown;     // the big display
  std::string event_header;  // "Start time", "Event time" and "Recording duration" lines
  std::string end;           // the "End time" line
  CountdownTimeBase time_base = CountdownTimeBase::Countdown;
};

struct EventTiming {
  FileTime event_utc = 0;
  FileTime start_utc = 0;          // event time less half the duration
  FileTime end_utc = 0;            // event time plus half the duration
  FileTime planned_start_utc = 0;  // start less half a second: the first frame of the file
  FileTime planned_stop_utc = 0;   // planned start plus the duration plus 0.45 s
  std::uint32_t duration_milliseconds = 0;
  std::string event_header;  // reported when the Event is scheduled
  std::string end_text;
};

EventTiming PrepareEventTiming(const SystemTime& event_time, const SystemTime& duration);

// The big display: the running UTC clock with that time base, else the time left until the
// planned start ("> 3 days", "> 1 day ", "> 100 days", or hh:mm:ss under a day).
std::string CountdownText(FileTime now_utc, FileTime planned_start_utc,
                          CountdownTimeBase time_base);

}  // namespace vesk
