#include "events/event_file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/files.h"
#include "support/fake_clock.h"
#include "support/temp_dir.h"

namespace vesk {
namespace {

using testing::FakeClock;
using testing::MakeFileTime;
using testing::ReadFileBytes;
using testing::ScopedTempDir;

using U16 = std::uint16_t;
SystemTime Time(U16 year, U16 month, U16 day, U16 hour, U16 minute, U16 second) {
  return {year, month, 0, day, hour, minute, second, 0};
}

SystemTime Duration(int hours, int minutes, int seconds) {
  return Time(0, 0, 0, hours, minutes, seconds);
}

// A file as a station writes it, with the nine time values in order.
std::string FileWith(const std::vector<std::string>& values) {
  static const char* const kNames[] = {"EventYear",    "EventMonth",     "EventDay",
                                       "EventHour",    "EventMinute",    "EventSecond",
                                       "DurationHour", "DurationMinute", "DurationSecond"};
  std::string file = "<?xml version=\"1.0\"?>\r\n<Root>\r\n";
  for (std::size_t i = 0; i < values.size(); ++i) {
    file += "\t<" + std::string(kNames[i]) + " Value=\"" + values[i] + "\"/>\r\n";
  }
  return file + "</Root>\r\n";
}

const char kMay5File[] =
    "<?xml version=\"1.0\"?>\r\n"
    "<!--VESK Event File Version 2-->\r\n"
    "<Root>\r\n"
    "\t<EventYear Value=\"2026\"/>\r\n"
    "\t<EventMonth Value=\" 5\"/>\r\n"
    "\t<EventDay Value=\" 5\"/>\r\n"
    "\t<EventHour Value=\"21\"/>\r\n"
    "\t<EventMinute Value=\" 7\"/>\r\n"
    "\t<EventSecond Value=\" 3\"/>\r\n"
    "\t<DurationHour Value=\" 0\"/>\r\n"
    "\t<DurationMinute Value=\" 2\"/>\r\n"
    "\t<DurationSecond Value=\"30\"/>\r\n"
    "\t<Hibernate Value=\"TRUE\"/>\r\n"
    "\t<Shutdown Value=\"FALSE\"/>\r\n"
    "\t<Comment Value=\"Clouds &amp; wind, P\xE9rez\"/>\r\n"
    "\t<AsteroidName Value=\"Kalliope\"/>\r\n"
    "\t<StarName Value=\"\"/>\r\n"
    "</Root>\r\n";

EventFileText May5Text() {
  return FormatEventFileText(Time(2026, 5, 5, 21, 7, 3), Duration(0, 2, 30), true, false,
                             "Clouds & wind, P\xC3\xA9rez", "Kalliope", "");
}

TEST(EventFileTest, WritesTheExactFileAndReadsItBack) {
  ScopedTempDir dir;
  ASSERT_TRUE(files::CreateFolder("Events"));
  const EventFileText text = May5Text();
  ASSERT_TRUE(WriteEventFile("Events/a.ief", text));
  EXPECT_EQ(ReadFileBytes("Events/a.ief"), kMay5File);

  EventFileText read;
  ASSERT_TRUE(ReadNamedEventFile("a.ief", &read));
  EXPECT_EQ(read, text);

  FakeClock clock(MakeFileTime(2026, 1, 1));
  EventRecord record;
  record.FileText = read;
  ASSERT_TRUE(CompleteEventRecord(&record, clock));
  EXPECT_EQ(record.EventTime, Time(2026, 5, 5, 21, 7, 3));
  EXPECT_TRUE(record.Hibernate);
  EXPECT_FALSE(record.Shutdown);
  EXPECT_EQ(record.StartTime, MakeFileTime(2026, 5, 5, 21, 5, 48));
  EXPECT_EQ(record.EndTime, MakeFileTime(2026, 5, 5, 21, 8, 18));
  EXPECT_FALSE(record.Expired);
  // Only the exact word sets a flag.
  record.FileText.Hibernate = "true";
  record.FileText.Shutdown = "TRUE ";
  CompleteEventRecord(&record, clock);
  EXPECT_FALSE(record.Hibernate);
  EXPECT_FALSE(record.Shutdown);
}

EventRecord RecordFor(const std::string& file) {
  EventRecord record;
  EXPECT_TRUE(ReadEventFileBytes(file, &record.FileText));
  return record;
}

TEST(EventFileTest, WindowIsCentredOnTheEventTimeAndExpiresAtItsEnd) {
  FakeClock clock(MakeFileTime(2020, 1, 1));
  const FileTime event = MakeFileTime(2026, 5, 5, 21, 7, 3);

  EventRecord long_one = RecordFor(FileWith({"2026", "5", "5", "21", "7", "3", "99", "59", "59"}));
  ASSERT_TRUE(CompleteEventRecord(&long_one, clock));
  EXPECT_EQ(long_one.StartTime, event - FileTime{1'799'995} * 1'000'000);
  EXPECT_EQ(long_one.EndTime - long_one.StartTime, 359'999 * kTicksPerSecond);
  // One second: half a second either side.
  EventRecord one = RecordFor(FileWith({"2026", "5", "5", "21", "7", "3", "0", "0", "1"}));
  ASSERT_TRUE(CompleteEventRecord(&one, clock));
  EXPECT_EQ(one.StartTime, event - 5'000'000);
  EXPECT_FALSE(one.Expired);
  // Expired only once the end has come.
  clock.SetUtc(event + 5'000'000 - 1);
  ASSERT_TRUE(CompleteEventRecord(&one, clock));
  EXPECT_FALSE(one.Expired);
  clock.SetUtc(event + 5'000'000);
  ASSERT_TRUE(CompleteEventRecord(&one, clock));
  EXPECT_TRUE(one.Expired);
}

TEST(EventFileTest, RecordsWhoseTimeDoesNotScanOrExistAreInvalid) {
  FakeClock clock(MakeFileTime(2020, 1, 1));
  const std::string bad_files[] = {
      FileWith({"ab", "5", "5", "0", "0", "0", "0", "1", "0"}),     // year does not scan
      FileWith({"2026", "2", "30", "0", "0", "0", "0", "1", "0"}),  // 30 February
      FileWith({"2026", "5", "5", "24", "0", "0", "0", "1", "0"}),  // hour 24
      FileWith({"2026", "5", "5", "0", "0", "0", "-1", "0", "0"}),  // negative duration
      "<Root><EventYear Value=\"2026\"/></Root>",                   // values missing
  };
  for (const std::string& file : bad_files) {
    EventRecord record = RecordFor(file);
    EXPECT_FALSE(CompleteEventRecord(&record, clock)) << file;
    EXPECT_TRUE(record.Expired) << file;
    EXPECT_EQ(record.StartTime, 0) << file;
  }
}

TEST(EventFileTest, FileNameCarriesThePrefixesAndTheEventTime) {
  const SystemTime event = Time(2017, 12, 1, 23, 59, 0);
  EXPECT_EQ(MakeEventFileName("A1", "S2", "obs", event),
            "Events/A1_S2_obs_12_01_2017_23_59_00.ief");
  EXPECT_EQ(MakeEventFileName("", "S2", "", Time(987, 1, 2, 3, 4, 5)),
            "Events/S2_01_02_0987_03_04_05.ief");
}

TEST(EventFileTest, FailedWritesLeaveTheOldFileAsItWas) {
  ScopedTempDir dir;
  EventFileText text = May5Text();
  EXPECT_FALSE(WriteEventFile("Events/a.ief", text));  // no Events folder
  EXPECT_FALSE(files::PathExists("Events/a.ief"));

  ASSERT_TRUE(files::CreateFolder("Events"));
  ASSERT_TRUE(WriteEventFile("Events/a.ief", text));

  EventFileText star = text;
  star.StarName = "\xE2\x98\x85 star";  // outside Windows-1252
  EXPECT_FALSE(WriteEventFile("Events/a.ief", star));
  EXPECT_EQ(ReadFileBytes("Events/a.ief"), kMay5File);
}

}  // namespace
}  // namespace vesk
