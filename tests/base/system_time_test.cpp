#include "base/system_time.h"

#include <gtest/gtest.h>

#include "support/fake_clock.h"

namespace vesk {
namespace {

TEST(SystemTimeTest, ConvertsKnownDatesBothWaysWithDayOfWeek) {
  struct Case {
    SystemTime time;
    FileTime ticks;
  };
  // 1601-01-01 (Monday) is tick 0; 1970-01-01 (Thursday) is 116444736000000000.
  const Case cases[] = {
      {{1601, 1, 1, 1, 0, 0, 0, 0}, 0},
      {{1970, 1, 4, 1, 0, 0, 0, 0}, 116444736000000000LL},
      {{2000, 2, 2, 29, 23, 59, 59, 999}, 125963423999990000LL},
      {{2017, 12, 5, 1, 23, 59, 0, 0}, 131566463400000000LL},
  };
  for (const Case& c : cases) {
    FileTime ticks = -1;
    ASSERT_TRUE(SystemTimeToFileTime(c.time, &ticks));
    EXPECT_EQ(ticks, c.ticks);
    SystemTime back;
    ASSERT_TRUE(FileTimeToSystemTime(c.ticks, &back));
    EXPECT_EQ(back, c.time) << c.time.year << "-" << c.time.month << "-" << c.time.day;
  }
}

TEST(SystemTimeTest, RejectsImpossibleCalendarFields) {
  FileTime ticks = 0;
  EXPECT_FALSE(SystemTimeToFileTime({1900, 2, 0, 29, 0, 0, 0, 0}, &ticks));  // not a leap year
  EXPECT_TRUE(SystemTimeToFileTime({2000, 2, 0, 29, 0, 0, 0, 0}, &ticks));
  EXPECT_FALSE(SystemTimeToFileTime({2024, 13, 0, 1, 0, 0, 0, 0}, &ticks));
  EXPECT_FALSE(SystemTimeToFileTime({2024, 4, 0, 31, 0, 0, 0, 0}, &ticks));
  EXPECT_FALSE(SystemTimeToFileTime({2024, 4, 0, 30, 24, 0, 0, 0}, &ticks));
  EXPECT_FALSE(SystemTimeToFileTime({2024, 4, 0, 30, 0, 60, 0, 0}, &ticks));
  EXPECT_FALSE(SystemTimeToFileTime({1600, 12, 0, 31, 0, 0, 0, 0}, &ticks));
  EXPECT_FALSE(SystemTimeToFileTime({0, 0, 0, 0, 0, 0, 0, 0}, &ticks));
  SystemTime t;
  EXPECT_FALSE(FileTimeToSystemTime(-1, &t));
}

TEST(SystemTimeTest, LocalToUtcAddsTheBiasAcrossMidnightAndYearEnd) {
  // UTC+1 has bias -60; UTC-5 has bias 300.
  const SystemTime local{2026, 1, 0, 1, 0, 30, 0, 0};
  const SystemTime utc = LocalToUtc(local, -60);
  EXPECT_EQ(utc.year, 2025);
  EXPECT_EQ(utc.month, 12);
  EXPECT_EQ(utc.day, 31);
  EXPECT_EQ(utc.hour, 23);
  EXPECT_EQ(utc.minute, 30);
  EXPECT_EQ(utc.day_of_week, 3);  // Wednesday
  const SystemTime west = LocalToUtc({2026, 7, 0, 14, 22, 5, 9, 0}, 300);
  EXPECT_EQ(FormatTimeOfDay(west), "03:05:09");
  EXPECT_EQ(west.day, 15);
}

}  // namespace
}  // namespace vesk
