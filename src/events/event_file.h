#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "base/clock.h"
#include "base/system_time.h"
#include "recording/event_recording.h"

namespace vesk {

// The folder under the current directory that holds one event file per Event.
constexpr const char* kEventsFolder = "Events";
constexpr const char* kEventFileSuffix = ".ief";
constexpr const char* kEventFileComment = "VESK Event File Version 2";

// Capacities of the text fields in characters, counting the terminator of the original
// buffers (a capacity of 37 holds 36 characters).
constexpr std::size_t kEventNumberCapacity = 10;
constexpr std::size_t kEventFlagCapacity = 10;
constexpr std::size_t kEventCommentCapacity = 37;
constexpr std::size_t kEventAsteroidNameCapacity = 22;
constexpr std::size_t kEventStarNameCapacity = 23;

// The fourteen values of an event file as text. Each field is also the name of its element.
struct EventFileText {
  std::string EventYear;
  std::string EventMonth;
  std::string EventDay;
  std::string EventHour;
  std::string EventMinute;
  std::string EventSecond;
  std::string DurationHour;
  std::string DurationMinute;
  std::string DurationSecond;
  std::string Hibernate;
  std::string Shutdown;
  std::string Comment;
  std::string AsteroidName;
  std::string StarName;

  friend bool operator==(const EventFileText&, const EventFileText&) = default;
};

// One field of EventFileText: its element name, where it lives and how much it holds.
struct EventFileField {
  const char* name;
  std::string EventFileText::*member;
  std::size_t capacity;
};

// The fourteen fields in the order they are written.
constexpr std::size_t kEventFileFieldCount = 14;
extern const EventFileField kEventFileFields[kEventFileFieldCount];

// One Event in memory with its recording window: from EventTime minus half the duration
// to EventTime plus half the duration.
struct EventRecord {
  SystemTime EventTime;          // UTC; day of week and milliseconds are 0
  SystemTime RecordingDuration;  // only hour, minute and second are used
  FileTime StartTime = 0;
  FileTime EndTime = 0;
  FileTime DurationTicks = 0;
  FileTime ComputedAt = 0;  // the UTC time the window was computed
  bool Hibernate = false;
  bool Shutdown = false;
  bool Expired = false;  // ComputedAt is at or after EndTime
  EventFileText FileText;
};

// What the recording controller is handed when the Event's recording starts.
EventRecordingRequest RecordingRequestOf(const EventRecord& event);

// The text of an Event as it is written: "%4hu" for the year, "%2hu" for every other number
// (a one-digit month gets a leading blank), "TRUE" or "FALSE" for the flags.
EventFileText FormatEventFileText(const SystemTime& event_time, const SystemTime& duration,
                                  bool hibernate, bool shutdown, std::string_view comment,
                                  std::string_view asteroid_name, std::string_view star_name);

// Writes the file whole or not at all. Fails when a value does not fit its field, when a
// character is outside Windows-1252 or cannot be carried in XML, or on any I/O error; the
// old file is then left as it was.
bool WriteEventFile(const std::string& path, const EventFileText& text);

// Empties the fields, then loads the file. Each element with at least one attribute gives
// the value of its first attribute (whatever its name) to the field named exactly like
// the element; later elements overwrite earlier ones, unknown ones are ignored. Values are
// cut to their field's capacity. On failure (missing, oversized or not well-formed file, no
// root) every field is left empty and error, when given, says why.
bool ReadEventFile(const std::string& path, EventFileText* text, std::string* error = nullptr);

// The same over the bytes of a file.
bool ReadEventFileBytes(std::string_view bytes, EventFileText* text);

// ReadEventFile of a file in the Events folder.
bool ReadNamedEventFile(const std::string& file_name, EventFileText* text,
                        std::string* error = nullptr);

// Reads an unsigned 16-bit number the way the C format "%<width>hu" does: skips leading
// white space, takes an optional '+' and then at most width characters in all, digits
// only. A '-' does not scan: a negative count is never a valid date or duration part.
// Nothing after the number is looked at. Empty when no digit is found.
std::optional<std::uint16_t> ScanUnsigned16(std::string_view text, std::size_t width);

// Fills the binary fields from FileText and computes the window. Returns whether the
// Event is valid: every date, time and duration value scans and the date is a real one.
// An invalid record has no window (zero times) and is marked expired so it is never
// scheduled.
bool CompleteEventRecord(EventRecord* record, const Clock& clock);

// Computes StartTime, EndTime, DurationTicks, ComputedAt and Expired from EventTime and
// RecordingDuration. Fails, leaving no window and Expired set, when EventTime is not a
// real date.
bool ComputeEventWindow(EventRecord* record, const Clock& clock);

// "Events/" + the non-empty name parts each followed by "_" + the event time as
// month_day_year_hour_minute_second.ief, zero-padded.
std::string MakeEventFileName(std::string_view asteroid_name, std::string_view star_name,
                              std::string_view global_prefix, const SystemTime& event_time);

}  // namespace vesk
