#pragma once

#include <string>

namespace vesk {

// The computer's time zone as read once at start-up; UTC = local + bias_minutes.
struct TimeZoneInfo {
  enum class Kind { Standard, Daylight, Unknown, Invalid };
  Kind kind = Kind::Invalid;
  int bias_minutes = 0;
  std::string name;  // the zone's name, e.g. "Europe/Berlin"
};

// Reads the platform's zone; implemented by the platform layer.
TimeZoneInfo ReadTimeZone();

}  // namespace vesk
