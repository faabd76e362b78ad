#include "events/event_loader.h"

#include <utility>

#include "base/files.h"

namespace vesk {

InsertEventResult InsertEvent(EventList& events, EventRecord record, FileTime now) {
  if (now >= record.StartTime && now + kEventMinimumRemaining >= record.EndTime) {
    return InsertEventResult::kExpired;
  }
  for (auto it = events.begin(); it != events.end(); ++it) {
    if (record.EndTime <= it->StartTime) continue;  // ends before this one starts
    if (record.StartTime < it->EndTime + kEventOverlapMargin) return InsertEventResult::kOverlaps;
    events.insert(it, std::move(record));
    return InsertEventResult::kInserted;
  }
  events.push_back(std::move(record));  // the earliest so far
  return InsertEventResult::kInserted;
}

bool MatchesStoppedEvent(const EventRecord& record, const StoppedEvent& stopped) {
  const SystemTime& t = record.EventTime;
  const SystemTime& d = record.RecordingDuration;
  const SystemTime& st = stopped.event_time;
  const SystemTime& sd = stopped.duration;
  return t.year == st.year && t.month == st.month && t.day == st.day && t.hour == st.hour &&
         t.minute == st.minute && t.second == st.second && d.hour == sd.hour &&
         d.minute == sd.minute && d.second == sd.second;
}

EventLoader::EventLoader(const Clock& clock, MessageLog& log, EventScheduler& scheduler,
                         const std::vector<StoppedEvent>& manually_stopped, Hooks hooks)
    : clock_(clock),
      log_(log),
      scheduler_(scheduler),
      manually_stopped_(manually_stopped),
      hooks_(std::move(hooks)) {}

void EventLoader::FreeEvents() { events_.clear(); }

void EventLoader::LoadEvents() {
  if (hooks_.device_list_empty && hooks_.device_list_empty()) return;

  if (hooks_.clear_current_video_file_name) hooks_.clear_current_video_file_name();
  FreeEvents();
  scheduler_.ClearCurrentEvent();

  const std::vector<std::string> names = files::ListFiles(kEventsFolder, kEventFileSuffix);
  if (names.empty()) {
    // A folder that is there but cannot be read is not the same as no Events.
    if (const std::string error = files::FolderReadError(kEventsFolder); !error.empty()) {
      log_.ReportMessage(std::string("WARNING: the \"") + kEventsFolder +
                             "\" folder cannot be read: " + error + "\r\n",
                         true);
    }
    log_.ReportMessage("There are no scheduled Events\r\n", true);
    return;
  }

  const std::size_t suffix_length = std::string_view(kEventFileSuffix).size();
  int accepted = 0;
  for (const std::string& name : names) {
    EventRecord record;
    const bool read = ReadNamedEventFile(name, &record.FileText);
    const bool valid = CompleteEventRecord(&record, clock_);
    if (!read || !valid) {
      log_.ReportMessage("WARNING: the Event file " + name + " cannot be read and is ignored\r\n",
                         true);
      continue;
    }

    bool stopped_by_hand = false;
    for (const StoppedEvent& stopped : manually_stopped_) {
      if (MatchesStoppedEvent(record, stopped)) {
        stopped_by_hand = true;
        break;
      }
    }
    if (stopped_by_hand) continue;

    switch (InsertEvent(events_, std::move(record), clock_.UtcNow())) {
      case InsertEventResult::kInserted:
        if (accepted == 0) {
          log_.ReportMessage("The following Events are Loaded (scheduled):", true);
        }
        ++accepted;
        log_.ReportMessage(name.substr(0, name.size() - suffix_length), false);
        break;
      case InsertEventResult::kOverlaps:
        log_.ReportMessage("NOTE: the Event " + name +
                               " is ignored because it overlaps (within one minute) another "
                               "Event\r\n",
                           accepted == 0);
        break;
      case InsertEventResult::kExpired:
        break;
    }
  }

  if (accepted > 0) log_.ReportMessage("", false);
  scheduler_.ScheduleNextEvent(events_);
}

}  // namespace vesk
