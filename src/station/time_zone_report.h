#pragma once

#include <string>

#include "base/time_zone.h"

namespace vesk {

// What start-up tells the observer about the computer's time zone, and the bias it keeps
// for every local-to-UTC conversion while the station runs.
struct TimeZoneReport {
  int bias_minutes = 0;
  std::string text;
};

TimeZoneReport MakeTimeZoneReport(const TimeZoneInfo& zone);

}  // namespace vesk
