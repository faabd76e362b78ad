#pragma once

// What the recording controller needs of a scheduled Event, and what it keeps of an Event
// recording the observer stopped by hand.

#include <string>

#include "base/system_time.h"

namespace vesk {

// The Event a recording is made for, as the scheduler hands it over.
struct EventRecordingRequest {
  SystemTime event_time;  // UTC, to the second
  SystemTime duration;    // only hour, minute and second are used
  FileTime start_time = 0;
  FileTime duration_ticks = 0;
  std::string asteroid_name;
  std::string star_name;
  std::string comment;
  // The file holds the frames captured from the first moment until the second (0: no bound).
  FileTime record_from_utc = 0;
  FileTime record_until_utc = 0;
};

// An Event recording the observer stopped by hand: it must not come back on reload.
struct StoppedEvent {
  SystemTime event_time;
  SystemTime duration;
};

}  // namespace vesk
