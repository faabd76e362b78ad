#include "events/event_file.h"

#include <cstdio>
#include <vector>

#include "base/code_page.h"
#include "base/files.h"
#include "config/xml_file.h"
#include "recording/file_naming.h"

namespace vesk {

const EventFileField kEventFileFields[kEventFileFieldCount] = {
    {"EventYear", &EventFileText::EventYear, kEventNumberCapacity},
    {"EventMonth", &EventFileText::EventMonth, kEventNumberCapacity},
    {"EventDay", &EventFileText::EventDay, kEventNumberCapacity},
    {"EventHour", &EventFileText::EventHour, kEventNumberCapacity},
    {"EventMinute", &EventFileText::EventMinute, kEventNumberCapacity},
    {"EventSecond", &EventFileText::EventSecond, kEventNumberCapacity},
    {"DurationHour", &EventFileText::DurationHour, kEventNumberCapacity},
    {"DurationMinute", &EventFileText::DurationMinute, kEventNumberCapacity},
    {"DurationSecond", &EventFileText::DurationSecond, kEventNumberCapacity},
    {"Hibernate", &EventFileText::Hibernate, kEventFlagCapacity},
    {"Shutdown", &EventFileText::Shutdown, kEventFlagCapacity},
    {"Comment", &EventFileText::Comment, kEventCommentCapacity},
    {"AsteroidName", &EventFileText::AsteroidName, kEventAsteroidNameCapacity},
    {"StarName", &EventFileText::StarName, kEventStarNameCapacity},
};

namespace {

constexpr std::size_t kYearWidth = 4;
constexpr std::size_t kTwoDigitWidth = 2;

std::string FormatNumber(const char* format, std::uint16_t value) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, format, value);
  return buffer;
}

const char* FlagText(bool flag) { return flag ? "TRUE" : "FALSE"; }

// Applies the children of a loaded document to the fields; the fields are empty before.
void ApplyChildren(const std::vector<XmlChild>& children, EventFileText* text) {
  for (const XmlChild& child : children) {
    if (child.attribute_count == 0) continue;
    for (const EventFileField& field : kEventFileFields) {
      if (child.name == field.name) {
        text->*field.member = FitToCapacity(child.first_value, field.capacity);
        break;
      }
    }
  }
}

bool IsCWhiteSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

}  // namespace

EventFileText FormatEventFileText(const SystemTime& event_time, const SystemTime& duration,
                                  bool hibernate, bool shutdown, std::string_view comment,
                                  std::string_view asteroid_name, std::string_view star_name) {
  EventFileText text;
  text.EventYear = FormatNumber("%4hu", event_time.year);
  text.EventMonth = FormatNumber("%2hu", event_time.month);
  text.EventDay = FormatNumber("%2hu", event_time.day);
  text.EventHour = FormatNumber("%2hu", event_time.hour);
  text.EventMinute = FormatNumber("%2hu", event_time.minute);
  text.EventSecond = FormatNumber("%2hu", event_time.second);
  text.DurationHour = FormatNumber("%2hu", duration.hour);
  text.DurationMinute = FormatNumber("%2hu", duration.minute);
  text.DurationSecond = FormatNumber("%2hu", duration.second);
  text.Hibernate = FlagText(hibernate);
  text.Shutdown = FlagText(shutdown);
  text.Comment = comment;
  text.AsteroidName = asteroid_name;
  text.StarName = star_name;
  return text;
}

bool WriteEventFile(const std::string& path, const EventFileText& text) {
  if (path.empty()) return false;
  std::vector<XmlEntry> entries;
  entries.reserve(kEventFileFieldCount);
  for (const EventFileField& field : kEventFileFields) {
    const std::string& value = text.*field.member;
    // A value its field cannot hold would come back cut: refuse it rather than lose text.
    if (CharacterCount(value) >= field.capacity) return false;
    entries.push_back({field.name, value});
  }
  return WriteXmlTextFile(path, kEventFileComment, entries);
}

bool ReadEventFile(const std::string& path, EventFileText* text, std::string* error) {
  *text = EventFileText{};
  std::vector<XmlChild> children;
  if (path.empty() || !LoadXmlChildren(path, &children, error)) return false;
  ApplyChildren(children, text);
  return true;
}

bool ReadEventFileBytes(std::string_view bytes, EventFileText* text) {
  *text = EventFileText{};
  std::vector<XmlChild> children;
  if (!ParseXmlChildren(bytes, &children)) return false;
  ApplyChildren(children, text);
  return true;
}

bool ReadNamedEventFile(const std::string& file_name, EventFileText* text, std::string* error) {
  return ReadEventFile(std::string(kEventsFolder) + files::kSeparator + file_name, text, error);
}

std::optional<std::uint16_t> ScanUnsigned16(std::string_view text, std::size_t width) {
  std::size_t pos = 0;
  while (pos < text.size() && IsCWhiteSpace(text[pos])) ++pos;
  std::size_t used = 0;
  if (pos < text.size() && text[pos] == '+' && width > 0) {
    ++pos;
    ++used;
  }
  std::uint32_t value = 0;
  std::size_t digits = 0;
  while (used < width && pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
    value = value * 10 + static_cast<std::uint32_t>(text[pos] - '0');
    if (value > 0xFFFF) return std::nullopt;
    ++pos;
    ++used;
    ++digits;
  }
  if (digits == 0) return std::nullopt;
  return static_cast<std::uint16_t>(value);
}

bool CompleteEventRecord(EventRecord* record, const Clock& clock) {
  const EventFileText& text = record->FileText;
  record->EventTime = SystemTime{};
  record->RecordingDuration = SystemTime{};

  const auto year = ScanUnsigned16(text.EventYear, kYearWidth);
  const auto month = ScanUnsigned16(text.EventMonth, kTwoDigitWidth);
  const auto day = ScanUnsigned16(text.EventDay, kTwoDigitWidth);
  const auto hour = ScanUnsigned16(text.EventHour, kTwoDigitWidth);
  const auto minute = ScanUnsigned16(text.EventMinute, kTwoDigitWidth);
  const auto second = ScanUnsigned16(text.EventSecond, kTwoDigitWidth);
  const auto duration_hour = ScanUnsigned16(text.DurationHour, kTwoDigitWidth);
  const auto duration_minute = ScanUnsigned16(text.DurationMinute, kTwoDigitWidth);
  const auto duration_second = ScanUnsigned16(text.DurationSecond, kTwoDigitWidth);

  record->EventTime.year = year.value_or(0);
  record->EventTime.month = month.value_or(0);
  record->EventTime.day = day.value_or(0);
  record->EventTime.hour = hour.value_or(0);
  record->EventTime.minute = minute.value_or(0);
  record->EventTime.second = second.value_or(0);
  record->RecordingDuration.hour = duration_hour.value_or(0);
  record->RecordingDuration.minute = duration_minute.value_or(0);
  record->RecordingDuration.second = duration_second.value_or(0);

  record->Hibernate = text.Hibernate == "TRUE";
  record->Shutdown = text.Shutdown == "TRUE";

  const bool scanned = year && month && day && hour && minute && second && duration_hour &&
                       duration_minute && duration_second;
  const bool computed = ComputeEventWindow(record, clock);
  if (!scanned) {
    // A guessed time must never be recorded: leave no window at all.
    record->StartTime = record->EndTime = record->DurationTicks = 0;
    record->Expired = true;
  }
  return scanned && computed;
}

bool ComputeEventWindow(EventRecord* record, const Clock& clock) {
  const SystemTime& duration = record->RecordingDuration;
  const FileTime seconds =
      (static_cast<FileTime>(duration.hour) * 60 + duration.minute) * 60 + duration.second;
  record->DurationTicks = seconds * kTicksPerSecond;
  record->ComputedAt = clock.UtcNow();

  FileTime event = 0;
  if (!SystemTimeToFileTime(record->EventTime, &event)) {
    record->StartTime = record->EndTime = 0;
    record->Expired = true;
    return false;
  }
  const FileTime half = record->DurationTicks >> 1;
  record->StartTime = event - half;
  record->EndTime = event + half;
  record->Expired = record->ComputedAt >= record->EndTime;
  return true;
}

std::string MakeEventFileName(std::string_view asteroid_name, std::string_view star_name,
                              std::string_view global_prefix, const SystemTime& event_time) {
  const std::string folder = std::string(kEventsFolder) + files::kSeparator;
  std::string name = BuildPrefixedName(folder, asteroid_name, star_name, global_prefix);
  // Six numbers of at most five digits each, five separators and the suffix fit easily.
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%2.2hu_%2.2hu_%4.4hu_%2.2hu_%2.2hu_%2.2hu.ief",
                event_time.month, event_time.day, event_time.year, event_time.hour,
                event_time.minute, event_time.second);
  name += buffer;
  return name;
}

EventRecordingRequest RecordingRequestOf(const EventRecord& event) {
  return EventRecordingRequest{
      event.EventTime,       event.RecordingDuration,     event.StartTime,
      event.DurationTicks,   event.FileText.AsteroidName, event.FileText.StarName,
      event.FileText.Comment};
}

}  // namespace vesk
