#pragma once

#include <vector>

#include "events/event_file.h"

namespace vesk {

// The loaded Events ordered by recording start, latest first: the next Event to record is
// the last element.
using EventList = std::vector<EventRecord>;

// What the event loader needs of the scheduler that counts down to the next Event.
class EventScheduler {
 public:
  virtual ~EventScheduler() = default;

  // Forgets the Event taken from the previous list; called at the start of every reload.
  virtual void ClearCurrentEvent() = 0;

  // Takes the earliest Event (the last element) out of the list and counts down to it;
  // reports that there is nothing to schedule when the list is empty.
  virtual void ScheduleNextEvent(EventList& events) = 0;
};

}  // namespace vesk
