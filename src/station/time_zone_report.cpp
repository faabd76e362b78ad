#include "station/time_zone_report.h"

namespace vesk {

TimeZoneReport MakeTimeZoneReport(const TimeZoneInfo& zone) {
  TimeZoneReport report;
  switch (zone.kind) {
    case TimeZoneInfo::Kind::Standard:
    case TimeZoneInfo::Kind::Daylight:
      report.bias_minutes = zone.bias_minutes;
      report.text = "Computer local time is " + zone.name + "\r\n";
      break;
    case TimeZoneInfo::Kind::Unknown:
      report.bias_minutes = zone.bias_minutes;
      report.text = "Computer local time is " + zone.name +
                    ".  Transition dates to daylight savings are unknown or disabled.\r\n";
      break;
    case TimeZoneInfo::Kind::Invalid:
      report.text =
          "Computer time zone is unknown.  You may only use local time and not use UTC time\r\n";
      break;
  }
  return report;
}

}  // namespace vesk
