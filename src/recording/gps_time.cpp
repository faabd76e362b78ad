#include "recording/gps_time.h"

#include <cstdio>
#include <cstdlib>

namespace vesk {
namespace {

constexpr FileTime kTicksPerTenth = kTicksPerSecond / 10;

// "2.3 s" of a length of time, rounded to a tenth.
std::string Seconds(FileTime ticks) {
  const long long tenths = (std::llabs(ticks) + kTicksPerTenth / 2) / kTicksPerTenth;
  char text[40];
  std::snprintf(text, sizeof text, "%lld.%lld s", tenths / 10, tenths % 10);
  return text;
}

bool InStep(const GpsClockOffset& offset) { return std::llabs(offset.offset) < kTicksPerTenth / 2; }

std::string Uncertainty(const GpsClockOffset& offset) {
  return "\u00b1" + Seconds(offset.uncertainty);
}

}  // namespace

FileTime GpsInstantNear(const GpsFix& fix, FileTime arrival) {
  const FileTime time_of_day =
      ((fix.gps_hour * 60LL + fix.gps_minute) * 60 + fix.gps_second) * kTicksPerSecond +
      fix.gps_millisecond * kTicksPerMillisecond;
  FileTime instant = arrival - arrival % kTicksPerDay + time_of_day;
  if (instant - arrival > kTicksPerDay / 2) instant -= kTicksPerDay;
  if (arrival - instant > kTicksPerDay / 2) instant += kTicksPerDay;
  return instant;
}

std::optional<GpsClockOffset> MeasureClockOffset(const GpsFix& fix, FileTime earliest,
                                                 FileTime latest) {
  if (fix.gps_time.empty()) return std::nullopt;
  const FileTime arrival = earliest + (latest - earliest) / 2;
  GpsClockOffset offset;
  offset.measured_at = arrival;
  offset.offset = arrival - GpsInstantNear(fix, arrival);
  offset.uncertainty = (latest - earliest + 1) / 2 + kNmeaTimeUncertainty;
  return offset;
}

std::string ClockOffsetText(const GpsClockOffset& offset) {
  if (InStep(offset)) return "the computer clock agrees with GPS time";
  return "the computer clock is " + Seconds(offset.offset) +
         (offset.offset > 0 ? " ahead of" : " behind") + " GPS time";
}

std::string ClockOffsetShortText(const GpsClockOffset& offset) {
  if (InStep(offset)) return "agrees " + Uncertainty(offset);
  return Seconds(offset.offset) + (offset.offset > 0 ? " ahead " : " behind ") +
         Uncertainty(offset);
}

std::string ClockOffsetWarning(const GpsClockOffset& offset) {
  if (std::llabs(offset.offset) <= kClockOffsetWarningTicks) return {};
  return "WARNING: " + ClockOffsetText(offset) + "\r\n";
}

std::string ClockOffsetLogLine(const GpsClockOffset& offset) {
  SystemTime measured;
  FileTimeToSystemTime(offset.measured_at, &measured);
  return "GPS time against the computer clock: " + ClockOffsetText(offset) + " (" +
         Uncertainty(offset) +
         "; serial NMEA time is good to a few hundred milliseconds), measured at " +
         FormatTimeOfDay(measured) + " (UTC)";
}

}  // namespace vesk
