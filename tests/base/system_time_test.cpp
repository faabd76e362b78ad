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
  };
  for (const Case& c : cases) {
    FileTime ticks = -1;
    ASSERT_TRUE(SystemTimeToFileTime(c.time, &ticks));
    EXPECT_EQ(ticks, c.ticks);
    SystemTime back;
    ASSERT_TRUE(FileTimeToSystemTime(c.ticks, &back));
    EXPECT_EQ(back, c.time) << c.time.year;
  }
}

TEST(SystemTimeTest, RejectsImpossibleCalendarFields) {
  FileTime ticks = 0;
  const SystemTime bad[] = {{1900, 2, 0, 29, 0, 0, 0, 0},  {2024, 13, 0, 1, 0, 0, 0, 0},
                            {2024, 4, 0, 31, 0, 0, 0, 0},  {2024, 4, 0, 30, 24, 0, 0, 0},
                            {2024, 4, 0, 30, 0, 60, 0, 0}, {1600, 12, 0, 31, 0, 0, 0, 0}};
  for (const SystemTime& t : bad) EXPECT_FALSE(SystemTimeToFileTime(t, &ticks)) << t.year;
  SystemTime t;
  EXPECT_FALSE(FileTimeToSystemTime(-1, &t));
}

TEST(SystemTimeTest, LocalToUtcAddsTheBiasAcrossMidnightAndYearEnd) {
  // UTC+1 has bias -60, UTC-5 has bias 300; both days are Wednesdays.
  EXPECT_EQ(LocalToUtc({2026, 1, 0, 1, 0, 30, 0, 0}, -60),
            (SystemTime{2025, 12, 3, 31, 23, 30, 0, 0}));
  EXPECT_EQ(LocalToUtc({2026, 7, 0, 14, 22, 5, 9, 0}, 300),
            (SystemTime{2026, 7, 3, 15, 3, 5, 9, 0}));
}

}  // namespace
}  // namespace vesk
