#include "events/event_loader.h"

#include <algorithm>
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

void EventLoader::ReportOnce(const files::FolderEntry& entry, const std::string& text,
                             bool with_timestamp) {
  Noted& noted = noted_[entry.name];
  if (noted.version != entry.version) noted = Noted{entry.version, {}};
  if (noted.texts.insert(text).second) log_.ReportMessage(text, with_timestamp);
}

void EventLoader::ForgetOtherFiles(const std::vector<files::FolderEntry>& entries) {
  std::set<std::string> present;
  for (const files::FolderEntry& entry : entries) present.insert(entry.name);
  for (auto it = noted_.begin(); it != noted_.end();) {
    it = present.count(it->first) != 0 ? std::next(it) : noted_.erase(it);
  }
}

void EventLoader::LoadEvents() {
  if (hooks_.device_list_empty && hooks_.device_list_empty()) return;

  if (hooks_.clear_current_video_file_name) hooks_.clear_current_video_file_name();
  FreeEvents();
  scheduler_.ClearCurrentEvent();

  const std::vector<files::FolderEntry> entries =
      files::ListFolderEntries(kEventsFolder, kEventFileSuffix);
  ForgetOtherFiles(entries);
  auto skip = [this](const files::FolderEntry& entry, const std::string& reason) {
    ReportOnce(entry,
               "WARNING: the Event file " + entry.name + " cannot be read and is ignored: " +
                   reason + "\r\n",
               true);
  };
  const auto is_file = [](const files::FolderEntry& entry) { return entry.not_a_file.empty(); };
  if (std::none_of(entries.begin(), entries.end(), is_file)) {
    for (const files::FolderEntry& entry : entries) skip(entry, "it is " + entry.not_a_file);
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
  for (const files::FolderEntry& entry : entries) {
    if (!is_file(entry)) {
      skip(entry, "it is " + entry.not_a_file);
      continue;
    }
    const std::string& name = entry.name;
    EventRecord record;
    std::string error;
    const bool read = ReadNamedEventFile(name, &record.FileText, &error);
    const bool valid = CompleteEventRecord(&record, clock_);
    if (!read || !valid) {
      skip(entry, read ? "its event time or duration is not a valid one" : error);
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
        // Every reload looks at it again; the one after that Event's recording no longer
        // has that Event in the way (it is over), and the expiry rule decides.
        ReportOnce(entry,
                   "NOTE: the Event " + name +
                       " is ignored because it overlaps (within one minute) another Event; it "
                       "is looked at again when that Event ends and then recorded for what is "
                       "left of its window, if any is left (more than 10 seconds once it has "
                       "begun)\r\n",
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
