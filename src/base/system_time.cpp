#include "base/system_time.h"

#include <cstdio>

namespace vesk {
namespace {

constexpr int kFirstYear = 1601;
constexpr int kLastYear = 30827;

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// Days from 1970-01-01 of a proleptic Gregorian date (Howard Hinnant's algorithm).
constexpr std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void CivilFromDays(std::int64_t z, std::int64_t* year, unsigned* month, unsigned* day) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  *day = doy - (153 * mp + 2) / 5 + 1;
  *month = mp < 10 ? mp + 3 : mp - 9;
  *year = static_cast<std::int64_t>(yoe) + era * 400 + (*month <= 2);
}

constexpr std::int64_t kDaysFrom1601To1970 = -DaysFromCivil(1601, 1, 1);

}  // namespace

bool SystemTimeToFileTime(const SystemTime& t, FileTime* result) {
  if (t.year < kFirstYear || t.year > kLastYear || t.month < 1 || t.month > 12 || t.day < 1 ||
      t.day > DaysInMonth(t.year, t.month) || t.hour > 23 || t.minute > 59 || t.second > 59 ||
      t.milliseconds > 999) {
    return false;
  }
  const std::int64_t days = DaysFromCivil(t.year, t.month, t.day) + kDaysFrom1601To1970;
  *result = days * kTicksPerDay + (t.hour * 3600LL + t.minute * 60LL + t.second) * kTicksPerSecond +
            t.milliseconds * kTicksPerMillisecond;
  return true;
}

bool FileTimeToSystemTime(FileTime time, SystemTime* result) {
  if (time < 0) return false;
  const std::int64_t days = time / kTicksPerDay;
  FileTime rest = time % kTicksPerDay;
  std::int64_t year = 0;
  unsigned month = 0, day = 0;
  CivilFromDays(days - kDaysFrom1601To1970, &year, &month, &day);
  if (year > kLastYear) return false;
  SystemTime t;
  t.year = static_cast<std::uint16_t>(year);
  t.month = static_cast<std::uint16_t>(month);
  t.day = static_cast<std::uint16_t>(day);
  // 1601-01-01 was a Monday.
  t.day_of_week = static_cast<std::uint16_t>((days + 1) % 7);
  t.hour = static_cast<std::uint16_t>(rest / (3600 * kTicksPerSecond));
  rest %= 3600 * kTicksPerSecond;
  t.minute = static_cast<std::uint16_t>(rest / kTicksPerMinute);
  rest %= kTicksPerMinute;
  t.second = static_cast<std::uint16_t>(rest / kTicksPerSecond);
  rest %= kTicksPerSecond;
  t.milliseconds = static_cast<std::uint16_t>(rest / kTicksPerMillisecond);
  *result = t;
  return true;
}

SystemTime LocalToUtc(const SystemTime& local, int bias_minutes) {
  FileTime ticks = 0;
  if (!SystemTimeToFileTime(local, &ticks)) return local;
  SystemTime utc;
  if (!FileTimeToSystemTime(ticks + static_cast<FileTime>(bias_minutes) * kTicksPerMinute, &utc)) {
    return local;
  }
  return utc;
}

std::string FormatTimeOfDay(const SystemTime& time) {
  char text[16];
  std::snprintf(text, sizeof text, "%02u:%02u:%02u", static_cast<unsigned>(time.hour % 100),
                static_cast<unsigned>(time.minute % 100), static_cast<unsigned>(time.second % 100));
  return text;
}

}  // namespace vesk
