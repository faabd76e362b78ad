// Feeds arbitrary bytes to the event-file reader and on through the record and the
// loader's rules, as a hand-edited or damaged file in the Events folder would go.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "base/code_page.h"
#include "events/event_file.h"
#include "events/event_loader.h"

namespace {

class FixedClock final : public vesk::Clock {
 public:
  vesk::FileTime UtcNow() const override { return now; }
  vesk::FileTime LocalNow() const override { return now; }
  vesk::FileTime now = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  vesk::EventRecord record;
  const bool read = vesk::ReadEventFileBytes(bytes, &record.FileText);
  for (const vesk::EventFileField& field : vesk::kEventFileFields) {
    const std::string& value = record.FileText.*field.member;
    if (!read && !value.empty()) __builtin_trap();
    if (vesk::CharacterCount(value) >= field.capacity) __builtin_trap();
  }

  FixedClock clock;
  clock.now = 132'000'000'000'000'000;  // in 2019
  if (!vesk::CompleteEventRecord(&record, clock)) {
    if (!record.Expired) __builtin_trap();
    return 0;
  }
  if (record.EndTime - record.StartTime > record.DurationTicks) __builtin_trap();

  // The same Event twice, and once a minute later: the rules must keep the list ordered.
  vesk::EventList events;
  vesk::EventRecord later = record;
  later.StartTime += vesk::kTicksPerMinute;
  later.EndTime += vesk::kTicksPerMinute;
  vesk::InsertEvent(events, record, clock.now);
  vesk::InsertEvent(events, record, clock.now);
  vesk::InsertEvent(events, later, clock.now);
  for (std::size_t i = 1; i < events.size(); ++i) {
    if (events[i - 1].StartTime < events[i].EndTime) __builtin_trap();
  }
  vesk::MakeEventFileName(record.FileText.AsteroidName, record.FileText.StarName, "",
                          record.EventTime);
  return 0;
}
