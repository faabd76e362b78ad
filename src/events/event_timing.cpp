#include "events/event_timing.h"

#include <cstdio>

namespace vesk {
namespace {

// Month name, then "%hu, %hu  %2.2hu:%2.2hu:%2.2hu\r\n".
std::string TimeLine(const char* label, FileTime utc) {
  SystemTime t;
  FileTimeToSystemTime(utc, &t);
  char text[64];
  std::snprintf(text, sizeof text, "%hu, %hu  %2.2hu:%2.2hu:%2.2hu\r\n", t.day, t.year, t.hour,
                t.minute, t.second);
  const unsigned month = t.month <= 12 ? t.month : 0;
  return std::string(label) + kMonthAbbreviations[month] + text;
}

std::string DurationPart(int value, const char* one, const char* many) {
  if (value == 0) return {};
  return std::to_string(value) + " " + (value == 1 ? one : many);
}

}  // namespace

EventTiming PrepareEventTiming(const SystemTime& event_time, const SystemTime& duration) {
  EventTiming timing;
  SystemTimeToFileTime(event_time, &timing.event_utc);
  const FileTime duration_ticks =
      (static_cast<FileTime>(duration.hour) * 3600 + duration.minute * 60 + duration.second) *
      kTicksPerSecond;
  timing.start_utc = timing.event_utc - duration_ticks / 2;
  timing.end_utc = timing.event_utc + duration_ticks / 2;
  timing.duration_milliseconds = static_cast<std::uint32_t>(duration_ticks / 10000);
  timing.planned_start_utc = timing.start_utc - kStartEarlyTicks;
  timing.planned_stop_utc = timing.planned_start_utc + duration_ticks + kStopExtraTicks;
  timing.event_header = TimeLine("Start time:  ", timing.start_utc) +
                        TimeLine("Event time:  ", timing.event_utc) + "Recording duration:  " +
                        DurationPart(duration.hour, "hour  ", "hours  ") +
                        DurationPart(duration.minute, "minute  ", "minutes  ") +
                        DurationPart(duration.second, "second", "seconds") + "\r\n";
  timing.end_text = TimeLine("End time:    ", timing.end_utc);
  return timing;
}

std::string CountdownText(FileTime now_utc, FileTime planned_start_utc,
                          CountdownTimeBase time_base) {
  char text[24];
  if (time_base == CountdownTimeBase::Utc) {
    SystemTime t;
    FileTimeToSystemTime(now_utc, &t);
    std::snprintf(text, sizeof text, "%2.2d:%2.2d:%2.2d", t.hour, t.minute, t.second);
    return text;
  }
  const FileTime remaining = planned_start_utc > now_utc ? planned_start_utc - now_utc : 0;
  if (remaining >= kTicksPerDay) {
    const long long days = static_cast<long long>(remaining / kTicksPerDay);
    if (days >= 100) return "> 100 days";
    std::snprintf(text, sizeof text, days == 1 ? "> %lld day " : "> %lld days", days);
    return text;
  }
  const long long seconds = static_cast<long long>(remaining / kTicksPerSecond);
  std::snprintf(text, sizeof text, "%2.2lld:%2.2lld:%2.2lld", seconds / 3600, seconds / 60 % 60,
                seconds % 60);
  return text;
}

}  // namespace vesk
