#include "events/event_file.h"

#include <gtest/gtest.h>

#include <string>

#include "base/files.h"
#include "support/fake_clock.h"
#include "support/temp_dir.h"

namespace vesk {
namespace {

using testing::FakeClock;
using testing::MakeFileTime;
using testing::ReadFileBytes;
using testing::ScopedTempDir;
using testing::WriteFileBytes;

SystemTime Time(int year, int month, int day, int hour, int minute, int second) {
  SystemTime t;
  t.year = static_cast<std::uint16_t>(year);
  t.month = static_cast<std::uint16_t>(month);
  t.day = static_cast<std::uint16_t>(day);
  t.hour = static_cast<std::uint16_t>(hour);
  t.minute = static_cast<std::uint16_t>(minute);
  t.second = static_cast<std::uint16_t>(second);
  return t;
}

SystemTime Duration(int hours, int minutes, int seconds) {
  return Time(0, 0, 0, hours, minutes, seconds);
}

// A file as a station writes it, with the fourteen values in order.
std::string FileWith(const std::string& year, const std::string& month, const std::string& day,
                     const std::string& hour, const std::string& minute, const std::string& second,
                     const std::string& duration_hour, const std::string& duration_minute,
                     const std::string& duration_second) {
  return "<?xml version=\"1.0\"?>\r\n<Root>\r\n"
         "\t<EventYear Value=\"" +
         year + "\"/>\r\n\t<EventMonth Value=\"" + month + "\"/>\r\n\t<EventDay Value=\"" + day +
         "\"/>\r\n\t<EventHour Value=\"" + hour + "\"/>\r\n\t<EventMinute Value=\"" + minute +
         "\"/>\r\n\t<EventSecond Value=\"" + second + "\"/>\r\n\t<DurationHour Value=\"" +
         duration_hour + "\"/>\r\n\t<DurationMinute Value=\"" + duration_minute +
         "\"/>\r\n\t<DurationSecond Value=\"" + duration_second + "\"/>\r\n</Root>\r\n";
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
  EXPECT_EQ(read.EventMonth, " 5");
  EXPECT_EQ(read.Comment, "Clouds & wind, P\xC3\xA9rez");

  FakeClock clock(MakeFileTime(2026, 1, 1));
  EventRecord record;
  record.FileText = read;
  ASSERT_TRUE(CompleteEventRecord(&record, clock));
  EXPECT_EQ(record.EventTime, Time(2026, 5, 5, 21, 7, 3));
  EXPECT_EQ(record.RecordingDuration, Duration(0, 2, 30));
  EXPECT_TRUE(record.Hibernate);
  EXPECT_FALSE(record.Shutdown);
  EXPECT_EQ(record.DurationTicks, 150 * kTicksPerSecond);
  EXPECT_EQ(record.StartTime, MakeFileTime(2026, 5, 5, 21, 5, 48));
  EXPECT_EQ(record.EndTime, MakeFileTime(2026, 5, 5, 21, 8, 18));
  EXPECT_EQ(record.ComputedAt, MakeFileTime(2026, 1, 1));
  EXPECT_FALSE(record.Expired);
}

TEST(EventFileTest, FormatsNumbersLikeTheirFields) {
  const EventFileText text =
      FormatEventFileText(Time(987, 12, 31, 0, 59, 9), Duration(10, 0, 5), false, true, "", "", "");
  EXPECT_EQ(text.EventYear, " 987");
  EXPECT_EQ(text.EventMonth, "12");
  EXPECT_EQ(text.EventHour, " 0");
  EXPECT_EQ(text.DurationHour, "10");
  EXPECT_EQ(text.Hibernate, "FALSE");
  EXPECT_EQ(text.Shutdown, "TRUE");
}

TEST(EventFileTest, ReadsWhateverOrderRootAndAttributeNames) {
  const std::string file =
      "<?xml version='1.0' encoding='windows-1252'?>\n"
      "<Events>\n"
      "  <Unknown Value=\"x\"/>\n"
      "  <StarName Name=\"HIP 1\"/>\n"  // any attribute name
      "  <Comment Value=\"first\" Other=\"second\"/>\n"
      "  <EventDay Value=\" 5\"/>\n"
      "  <EventYear>2031</EventYear>\n"  // no attribute: skipped
      "  <EventYear Value=\"2026\"/>\n"
      "  <eventmonth Value=\"9\"/>\n"  // names are case-sensitive
      "  <EventMonth Value=\" 4\"/>\n"
      "  <EventMonth Value=\" 5\"/>\n"  // a later element overwrites
      "  <!-- a comment -->\n"
      "</Events>\n";
  EventFileText text;
  text.Hibernate = "left over";
  ASSERT_TRUE(ReadEventFileBytes(file, &text));
  EXPECT_EQ(text.StarName, "HIP 1");
  EXPECT_EQ(text.Comment, "first");
  EXPECT_EQ(text.EventDay, " 5");
  EXPECT_EQ(text.EventYear, "2026");
  EXPECT_EQ(text.EventMonth, " 5");
  EXPECT_EQ(text.Hibernate, "");
  EXPECT_EQ(text.AsteroidName, "");
}

TEST(EventFileTest, CutsOverLongValuesToTheirCapacity) {
  const std::string long_comment(50, 'c');
  std::string accented_star;
  for (int i = 0; i < 30; ++i) accented_star += "\xE9";  // Windows-1252 e-acute
  const std::string file = "<Root><Comment Value=\"" + long_comment + "\"/><StarName Value=\"" +
                           accented_star + "\"/><EventYear Value=\"20260000000000\"/></Root>";
  EventFileText text;
  ASSERT_TRUE(ReadEventFileBytes(file, &text));
  EXPECT_EQ(text.Comment, std::string(36, 'c'));
  std::string expected_star;
  for (int i = 0; i < 22; ++i) expected_star += "\xC3\xA9";
  EXPECT_EQ(text.StarName, expected_star);
  EXPECT_EQ(text.EventYear, "202600000");
}

TEST(EventFileTest, FailedReadsLeaveEveryFieldEmpty) {
  ScopedTempDir dir;
  ASSERT_TRUE(files::CreateFolder("Events"));
  WriteFileBytes("Events/empty.ief", "");
  WriteFileBytes("Events/broken.ief", "<Root><EventYear Value=\"2026\"/>");
  WriteFileBytes("Events/binary.ief", std::string("\x00\xFF\x01<\x9C\x00", 6));
  for (const char* name : {"missing.ief", "empty.ief", "broken.ief", "binary.ief"}) {
    EventFileText text = May5Text();
    EXPECT_FALSE(ReadNamedEventFile(name, &text)) << name;
    EXPECT_EQ(text, EventFileText{}) << name;
  }
  EventFileText text = May5Text();
  EXPECT_FALSE(ReadEventFile("", &text));
  EXPECT_EQ(text, EventFileText{});
}

TEST(EventFileTest, ScansNumbersLikeTheCFormat) {
  EXPECT_EQ(ScanUnsigned16("2026", 4), 2026);
  EXPECT_EQ(ScanUnsigned16(" 5", 2), 5);
  EXPECT_EQ(ScanUnsigned16(" \t\r\n 7", 2), 7);  // white space does not count in the width
  EXPECT_EQ(ScanUnsigned16("123", 2), 12);
  EXPECT_EQ(ScanUnsigned16("12345", 4), 1234);
  EXPECT_EQ(ScanUnsigned16("05x", 2), 5);
  EXPECT_EQ(ScanUnsigned16("+5", 2), 5);
  EXPECT_EQ(ScanUnsigned16("+12", 2), 1);  // the sign counts in the width
  EXPECT_EQ(ScanUnsigned16("", 2), std::nullopt);
  EXPECT_EQ(ScanUnsigned16("   ", 2), std::nullopt);
  EXPECT_EQ(ScanUnsigned16("ab", 2), std::nullopt);
  EXPECT_EQ(ScanUnsigned16("x5", 2), std::nullopt);
  EXPECT_EQ(ScanUnsigned16("+", 2), std::nullopt);
  EXPECT_EQ(ScanUnsigned16("-5", 2), std::nullopt);
  EXPECT_EQ(ScanUnsigned16("\xEF\xBC\x95", 2), std::nullopt);  // a full-width digit
  // The view may end right after the digits: nothing beyond it is read.
  const std::string_view cut = std::string_view("1999", 4).substr(0, 2);
  EXPECT_EQ(ScanUnsigned16(cut, 4), 19);
}

EventRecord RecordFor(const std::string& file) {
  EventRecord record;
  EXPECT_TRUE(ReadEventFileBytes(file, &record.FileText));
  return record;
}

TEST(EventFileTest, WindowIsCentredOnTheEventTime) {
  FakeClock clock(MakeFileTime(2020, 1, 1));
  const FileTime event = MakeFileTime(2026, 5, 5, 21, 7, 3);

  EventRecord zero = RecordFor(FileWith("2026", "5", "5", "21", "7", "3", "0", "0", "0"));
  ASSERT_TRUE(CompleteEventRecord(&zero, clock));
  EXPECT_EQ(zero.DurationTicks, 0);
  EXPECT_EQ(zero.StartTime, event);
  EXPECT_EQ(zero.EndTime, event);

  EventRecord one = RecordFor(FileWith("2026", "5", "5", "21", "7", "3", "0", "0", "1"));
  ASSERT_TRUE(CompleteEventRecord(&one, clock));
  EXPECT_EQ(one.DurationTicks, 10'000'000);
  EXPECT_EQ(one.StartTime, event - 5'000'000);
  EXPECT_EQ(one.EndTime, event + 5'000'000);

  EventRecord long_one = RecordFor(FileWith("2026", "5", "5", "21", "7", "3", "99", "59", "59"));
  ASSERT_TRUE(CompleteEventRecord(&long_one, clock));
  EXPECT_EQ(long_one.DurationTicks, 359'999 * kTicksPerSecond);
  EXPECT_EQ(long_one.StartTime, event - FileTime{1'799'995} * 1'000'000);
  EXPECT_EQ(long_one.EndTime - long_one.StartTime, 359'999 * kTicksPerSecond);
}

TEST(EventFileTest, ExpiredOnlyOnceTheEndHasCome) {
  const std::string file = FileWith("2026", "5", "5", "21", "7", "3", "0", "0", "2");
  const FileTime end = MakeFileTime(2026, 5, 5, 21, 7, 4);
  FakeClock clock(end - kTicksPerSecond);
  EventRecord record = RecordFor(file);
  ASSERT_TRUE(CompleteEventRecord(&record, clock));
  EXPECT_FALSE(record.Expired);

  clock.SetUtc(end);
  ASSERT_TRUE(CompleteEventRecord(&record, clock));
  EXPECT_TRUE(record.Expired);
  EXPECT_EQ(record.ComputedAt, end);
}

TEST(EventFileTest, RecordsWhoseTimeDoesNotScanOrExistAreInvalid) {
  FakeClock clock(MakeFileTime(2020, 1, 1));
  const std::string bad_files[] = {
      FileWith("2026", "13", "1", "0", "0", "0", "0", "1", "0"),  // month 13
      FileWith("ab", "5", "5", "0", "0", "0", "0", "1", "0"),     // year does not scan
      FileWith("2026", "2", "30", "0", "0", "0", "0", "1", "0"),  // 30 February
      FileWith("2026", "5", "5", "24", "0", "0", "0", "1", "0"),  // hour 24
      FileWith("1600", "5", "5", "0", "0", "0", "0", "1", "0"),   // before the first year
      FileWith("2026", "5", "5", "0", "0", "0", "0", "x", "0"),   // duration does not scan
      FileWith("2026", "5", "5", "0", "0", "0", "-1", "0", "0"),  // negative duration
      "<Root><EventYear Value=\"2026\"/></Root>",                 // values missing
  };
  for (const std::string& file : bad_files) {
    EventRecord record = RecordFor(file);
    EXPECT_FALSE(CompleteEventRecord(&record, clock)) << file;
    EXPECT_TRUE(record.Expired) << file;
    EXPECT_EQ(record.StartTime, 0) << file;
    EXPECT_EQ(record.EndTime, 0) << file;
  }
  EventRecord empty;
  EXPECT_FALSE(CompleteEventRecord(&empty, clock));
}

TEST(EventFileTest, FlagsAreSetOnlyByExactTrue) {
  FakeClock clock(0);
  EventRecord record;
  record.FileText.Hibernate = "true";
  record.FileText.Shutdown = "TRUE";
  CompleteEventRecord(&record, clock);
  EXPECT_FALSE(record.Hibernate);
  EXPECT_TRUE(record.Shutdown);
  record.FileText.Shutdown = "TRUE ";
  CompleteEventRecord(&record, clock);
  EXPECT_FALSE(record.Shutdown);
}

TEST(EventFileTest, FileNameCarriesThePrefixesAndTheEventTime) {
  const SystemTime event = Time(2017, 12, 1, 23, 59, 0);
  EXPECT_EQ(MakeEventFileName("A1", "S2", "obs", event),
            "Events/A1_S2_obs_12_01_2017_23_59_00.ief");
  EXPECT_EQ(MakeEventFileName("", "", "", event), "Events/12_01_2017_23_59_00.ief");
  EXPECT_EQ(MakeEventFileName("", "S2", "", Time(987, 1, 2, 3, 4, 5)),
            "Events/S2_01_02_0987_03_04_05.ief");
}

TEST(EventFileTest, FailedWritesLeaveTheOldFileAsItWas) {
  ScopedTempDir dir;
  EventFileText text = May5Text();
  EXPECT_FALSE(WriteEventFile("Events/a.ief", text));  // no Events folder
  EXPECT_FALSE(files::PathExists("Events/a.ief"));
  EXPECT_FALSE(WriteEventFile("", text));

  ASSERT_TRUE(files::CreateFolder("Events"));
  ASSERT_TRUE(WriteEventFile("Events/a.ief", text));

  EventFileText star = text;
  star.StarName = "\xE2\x98\x85 star";  // outside Windows-1252
  EXPECT_FALSE(WriteEventFile("Events/a.ief", star));
  EXPECT_EQ(ReadFileBytes("Events/a.ief"), kMay5File);

  EventFileText too_long = text;
  too_long.Comment = std::string(37, 'c');  // the field holds 36
  EXPECT_FALSE(WriteEventFile("Events/a.ief", too_long));
  EXPECT_EQ(ReadFileBytes("Events/a.ief"), kMay5File);

  EventFileText control = text;
  control.AsteroidName = std::string("a\0b", 3);
  EXPECT_FALSE(WriteEventFile("Events/a.ief", control));
  EXPECT_EQ(ReadFileBytes("Events/a.ief"), kMay5File);

  EventFileText full = text;
  full.Comment = std::string(36, 'c');
  full.AsteroidName = std::string(21, 'a');
  full.StarName = std::string(22, 's');
  EXPECT_TRUE(WriteEventFile("Events/a.ief", full));
  EventFileText read;
  ASSERT_TRUE(ReadNamedEventFile("a.ief", &read));
  EXPECT_EQ(read, full);

  EXPECT_FALSE(WriteEventFile("Events", text));  // a folder is not a file
  EXPECT_TRUE(files::IsDirectory("Events"));
}

}  // namespace
}  // namespace vesk
