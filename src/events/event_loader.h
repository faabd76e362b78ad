#pragma once

#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "base/clock.h"
#include "base/files.h"
#include "base/message_log.h"
#include "base/system_time.h"
#include "events/event_file.h"
#include "events/event_scheduler.h"
#include "recording/event_recording.h"

namespace vesk {

// Two Events closer than this (end of the earlier to start of the later) collide.
constexpr FileTime kEventOverlapMargin = 60 * kTicksPerSecond;
// An Event whose window has begun is kept only while more than this of it remains.
constexpr FileTime kEventMinimumRemaining = 10 * kTicksPerSecond;

enum class InsertEventResult : int { kInserted = 0, kExpired = 1, kOverlaps = 2 };

// Applies the expiry and overlap rules at time now and, when the record passes, inserts it
// so the list stays ordered by start time, latest first. The margin is tested against the
// Event that starts before the record ends; the record may end right at the start of a
// later one.
InsertEventResult InsertEvent(EventList& events, EventRecord record, FileTime now);

// Whether the record's event time (year to second) and duration (hours to seconds) are
// those of the stopped Event.
bool MatchesStoppedEvent(const EventRecord& record, const StoppedEvent& stopped);

// Reads every event file of the Events folder, keeps the Events that are neither over nor
// colliding with one already accepted, lists them in the message log and hands the list to
// the scheduler. What it says about a file it leaves out (an overlap, a file it cannot read)
// it says once while the station runs, and again only when the file changes: the folder is
// reloaded after every recording and every edit.
class EventLoader {
 public:
  struct Hooks {
    // True while there is no capture device: nothing can be recorded, so nothing loads.
    std::function<bool()> device_list_empty;
    // The video file name of a previous Event must not be reused for the next one.
    std::function<void()> clear_current_video_file_name;
  };

  // manually_stopped is kept by the recording controller and read at every load.
  EventLoader(const Clock& clock, MessageLog& log, EventScheduler& scheduler,
              const std::vector<StoppedEvent>& manually_stopped, Hooks hooks);

  void LoadEvents();
  void FreeEvents();

  EventList& Events() { return events_; }
  const EventList& Events() const { return events_; }

 private:
  // Reports text about the entry unless it was already said about this version of it.
  void ReportOnce(const files::FolderEntry& entry, const std::string& text, bool with_timestamp);
  // Forgets the files that are gone, so the memory holds no more than the folder does.
  void ForgetOtherFiles(const std::vector<files::FolderEntry>& entries);

  // What was said about each file, by name, and of which version of it.
  struct Noted {
    std::string version;
    std::set<std::string> texts;
  };

  const Clock& clock_;
  MessageLog& log_;
  EventScheduler& scheduler_;
  const std::vector<StoppedEvent>& manually_stopped_;
  Hooks hooks_;
  EventList events_;
  std::map<std::string, Noted> noted_;
};

}  // namespace vesk
