#pragma once

#include <cstdint>
#include <string>

namespace vesk {

// 100-nanosecond intervals since 1601-01-01 00:00:00 UTC, as stations have always kept time.
using FileTime = std::int64_t;

constexpr FileTime kTicksPerMillisecond = 10'000;
constexpr FileTime kTicksPerSecond = 10'000'000;
constexpr FileTime kTicksPerMinute = 600'000'000;
constexpr FileTime kTicksPerDay = kTicksPerSecond * 86'400;

// Calendar form of a time; day_of_week counts from Sunday = 0.
struct SystemTime {
  std::uint16_t year = 0;
  std::uint16_t month = 0;
  std::uint16_t day_of_week = 0;
  std::uint16_t day = 0;
  std::uint16_t hour = 0;
  std::uint16_t minute = 0;
  std::uint16_t second = 0;
  std::uint16_t milliseconds = 0;

  friend bool operator==(const SystemTime&, const SystemTime&) = default;
};

// Fails (returns false) for fields out of range: years 1601..30827, real calendar days,
// hour < 24, minute < 60, second < 60, milliseconds < 1000. day_of_week is ignored.
bool SystemTimeToFileTime(const SystemTime& time, FileTime* result);

// Fails for negative times and times past the year 30827. Fills day_of_week.
bool FileTimeToSystemTime(FileTime time, SystemTime* result);

// UTC = local + bias minutes. Returns the input unchanged when it is not a valid time.
SystemTime LocalToUtc(const SystemTime& local, int bias_minutes);

// "HH:mm:ss", 24-hour, zero-padded.
std::string FormatTimeOfDay(const SystemTime& time);

}  // namespace vesk
