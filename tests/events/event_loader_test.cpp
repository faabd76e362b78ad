#include "events/event_loader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/files.h"
#include "base/message_log.h"
#include "support/fake_clock.h"
#include "support/recording_view.h"
#include "support/temp_dir.h"

namespace vesk {
namespace {

using testing::FakeClock;
using testing::MakeFileTime;
using testing::RecordingView;
using testing::ScopedTempDir;
using testing::WriteFileBytes;

// Keeps what the loader handed over, and takes the earliest Event as the real one does.
class FakeScheduler final : public EventScheduler {
 public:
  void ClearCurrentEvent() override { ++clears; }
  void ScheduleNextEvent(EventList& events) override {
    std::vector<std::string> comments;
    for (const EventRecord& record : events) comments.push_back(record.FileText.Comment);
    scheduled.push_back(comments);
    if (!events.empty()) events.pop_back();
  }
  int clears = 0;
  std::vector<std::vector<std::string>> scheduled;
};

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

// The literal's bytes, NUL bytes included.
template <std::size_t N>
std::string Bytes(const char (&literal)[N]) {
  return std::string(literal, N - 1);
}

// Functions, not globals: computed when a test runs.
FileTime LongBefore() { return MakeFileTime(2030, 1, 1); }
FileTime Base() { return MakeFileTime(2030, 6, 1); }

// A record with only its window, in seconds after a fixed base time.
EventRecord Window(int start_seconds, int end_seconds) {
  EventRecord record;
  record.StartTime = Base() + start_seconds * kTicksPerSecond;
  record.EndTime = Base() + end_seconds * kTicksPerSecond;
  return record;
}

std::vector<FileTime> Starts(const EventList& events) {
  std::vector<FileTime> starts;
  for (const EventRecord& record : events) starts.push_back(record.StartTime);
  return starts;
}

constexpr FileTime kSecond = kTicksPerSecond;

TEST(InsertEventTest, KeepsTheListLatestFirst) {
  EventList events;
  EXPECT_EQ(InsertEvent(events, Window(1000, 1100), LongBefore()), InsertEventResult::kInserted);
  EXPECT_EQ(InsertEvent(events, Window(5000, 5100), LongBefore()), InsertEventResult::kInserted);
  EXPECT_EQ(InsertEvent(events, Window(3000, 3100), LongBefore()), InsertEventResult::kInserted);
  EXPECT_EQ(InsertEvent(events, Window(10, 20), LongBefore()), InsertEventResult::kInserted);
  EXPECT_EQ(Starts(events),
            (std::vector<FileTime>{Base() + 5000 * kSecond, Base() + 3000 * kSecond,
                                   Base() + 1000 * kSecond, Base() + 10 * kSecond}));
}

TEST(InsertEventTest, LaterEventMustStartAMinuteAfterTheEarlierEnds) {
  EventList events;
  ASSERT_EQ(InsertEvent(events, Window(0, 100), LongBefore()), InsertEventResult::kInserted);
  EXPECT_EQ(InsertEvent(events, Window(159, 300), LongBefore()), InsertEventResult::kOverlaps);
  EventRecord just_inside = Window(160, 300);
  just_inside.StartTime -= 1;
  EXPECT_EQ(InsertEvent(events, just_inside, LongBefore()), InsertEventResult::kOverlaps);
  EXPECT_EQ(InsertEvent(events, Window(50, 60), LongBefore()), InsertEventResult::kOverlaps);
  EXPECT_EQ(events.size(), 1u);
  EXPECT_EQ(InsertEvent(events, Window(160, 300), LongBefore()), InsertEventResult::kInserted);
  EXPECT_EQ(Starts(events), (std::vector<FileTime>{Base() + 160 * kSecond, Base()}));
}

TEST(InsertEventTest, EarlierEventMayEndRightAtTheStartOfALaterOne) {
  EventList events;
  ASSERT_EQ(InsertEvent(events, Window(1000, 1100), LongBefore()), InsertEventResult::kInserted);
  EXPECT_EQ(InsertEvent(events, Window(900, 1000), LongBefore()), InsertEventResult::kInserted);
  EventRecord one_tick_late = Window(800, 900);
  one_tick_late.EndTime += 1;
  EXPECT_EQ(InsertEvent(events, one_tick_late, LongBefore()), InsertEventResult::kOverlaps);
  EXPECT_EQ(Starts(events),
            (std::vector<FileTime>{Base() + 1000 * kSecond, Base() + 900 * kSecond}));
}

TEST(InsertEventTest, RunningEventNeedsMoreThanTenSecondsLeft) {
  EventList events;
  const FileTime during = Base() + 50 * kSecond;
  EXPECT_EQ(InsertEvent(events, Window(0, 60), during), InsertEventResult::kExpired);
  EventRecord barely = Window(0, 60);
  barely.EndTime += 1;
  EXPECT_EQ(InsertEvent(events, barely, during), InsertEventResult::kInserted);
  EXPECT_EQ(InsertEvent(events, Window(-100, 40), during), InsertEventResult::kExpired);
  // Not yet begun: kept even when it is shorter than ten seconds.
  EXPECT_EQ(InsertEvent(events, Window(300, 305), during), InsertEventResult::kInserted);
  EXPECT_EQ(InsertEvent(events, Window(51, 51), during), InsertEventResult::kOverlaps);
  EXPECT_EQ(events.size(), 2u);
}

// A station directory with an Events folder, a message log and a scheduler.
class EventLoaderTest : public ::testing::Test {
 protected:
  EventLoaderTest()
      : clock_(MakeFileTime(2030, 1, 1, 8, 15, 30)),
        log_(clock_),
        loader_(clock_, log_, scheduler_, stopped_,
                {[this] { return device_list_empty_; }, [this] { ++video_name_clears_; }}) {
    log_.AttachView(&view_);
    files::CreateFolder("Events");
  }

  // Writes an event file whose Comment names it, for telling Events apart.
  void WriteEvent(const std::string& name, const SystemTime& event, int minutes, int seconds) {
    SystemTime duration;
    duration.minute = static_cast<std::uint16_t>(minutes);
    duration.second = static_cast<std::uint16_t>(seconds);
    const EventFileText text = FormatEventFileText(event, duration, false, false, name, "", "");
    ASSERT_TRUE(WriteEventFile("Events/" + name, text));
  }

  static std::string Stamped(const std::string& text) { return "\r\n08:15:30 (UTC)\r\n" + text; }
  static std::string Plain(const std::string& text) { return "\r\n" + text; }
  static std::string Warning(const std::string& name) {
    return Stamped("WARNING: the Event file " + name + " cannot be read and is ignored\r\n");
  }

  ScopedTempDir dir_;
  FakeClock clock_;
  RecordingView view_;
  MessageLog log_;
  FakeScheduler scheduler_;
  std::vector<StoppedEvent> stopped_;
  bool device_list_empty_ = false;
  int video_name_clears_ = 0;
  EventLoader loader_;
};

TEST_F(EventLoaderTest, ListsAcceptedEventsAndNotesTheOverlap) {
  WriteEvent("a_06_01_2030_10_00_00.ief", Time(2030, 6, 1, 10, 0, 0), 2, 0);
  // 10:01:00 to 10:02:00 starts when the first ends.
  WriteEvent("b_06_01_2030_10_01_30.ief", Time(2030, 6, 1, 10, 1, 30), 1, 0);
  WriteEvent("c_06_02_2030_09_00_00.ief", Time(2030, 6, 2, 9, 0, 0), 1, 0);
  loader_.LoadEvents();

  EXPECT_EQ(log_.Text(), Stamped("The following Events are Loaded (scheduled):") +
                             Plain("a_06_01_2030_10_00_00") +
                             Plain("NOTE: the Event b_06_01_2030_10_01_30.ief is ignored because "
                                   "it overlaps (within one minute) another Event\r\n") +
                             Plain("c_06_02_2030_09_00_00") + Plain(""));
  ASSERT_EQ(scheduler_.scheduled.size(), 1u);
  EXPECT_EQ(scheduler_.scheduled[0],
            (std::vector<std::string>{"c_06_02_2030_09_00_00.ief", "a_06_01_2030_10_00_00.ief"}));
  EXPECT_EQ(scheduler_.clears, 1);
  EXPECT_EQ(video_name_clears_, 1);
}

TEST_F(EventLoaderTest, ReloadStartsFromAnEmptyList) {
  WriteEvent("a.ief", Time(2030, 6, 1, 10, 0, 0), 2, 0);
  WriteEvent("b.ief", Time(2030, 6, 2, 10, 0, 0), 2, 0);
  loader_.LoadEvents();
  loader_.LoadEvents();
  ASSERT_EQ(scheduler_.scheduled.size(), 2u);
  EXPECT_EQ(scheduler_.scheduled[1], scheduler_.scheduled[0]);
  EXPECT_EQ(loader_.Events().size(), 1u);  // the scheduler took the earliest
  EXPECT_EQ(scheduler_.clears, 2);
  loader_.FreeEvents();
  EXPECT_TRUE(loader_.Events().empty());
}

TEST_F(EventLoaderTest, NoEventsFolderOrNoEventFile) {
  WriteFileBytes("Events/notes.txt", "not an Event");
  ASSERT_TRUE(files::CreateFolder("Events/folder.ief"));  // not a file
  loader_.LoadEvents();
  EXPECT_EQ(log_.Text(), Stamped("There are no scheduled Events\r\n"));
  EXPECT_TRUE(scheduler_.scheduled.empty());
  EXPECT_EQ(scheduler_.clears, 1);

  log_.Clear();
  std::filesystem::remove_all("Events");
  loader_.LoadEvents();
  EXPECT_EQ(log_.Text(), Stamped("There are no scheduled Events\r\n"));
  EXPECT_TRUE(scheduler_.scheduled.empty());
}

TEST_F(EventLoaderTest, NothingHappensWithoutACaptureDevice) {
  WriteEvent("a.ief", Time(2030, 6, 1, 10, 0, 0), 2, 0);
  device_list_empty_ = true;
  loader_.LoadEvents();
  EXPECT_EQ(log_.Text(), "");
  EXPECT_TRUE(scheduler_.scheduled.empty());
  EXPECT_EQ(scheduler_.clears, 0);
  EXPECT_EQ(video_name_clears_, 0);
}

TEST_F(EventLoaderTest, IdenticalEventsFirstInFileOrderWins) {
  WriteEvent("x1.ief", Time(2030, 6, 1, 10, 0, 0), 2, 0);
  WriteEvent("x2.ief", Time(2030, 6, 1, 10, 0, 0), 2, 0);
  loader_.LoadEvents();
  EXPECT_EQ(log_.Text(), Stamped("The following Events are Loaded (scheduled):") + Plain("x1") +
                             Plain("NOTE: the Event x2.ief is ignored because it overlaps (within "
                                   "one minute) another Event\r\n") +
                             Plain(""));
}

TEST_F(EventLoaderTest, RunningEventIsKeptWhileMoreThanTenSecondsRemain) {
  // 10:00:00 for 2 minutes: the window ends at 10:01:00.
  WriteEvent("run.ief", Time(2030, 6, 1, 10, 0, 0), 2, 0);
  clock_.SetUtc(MakeFileTime(2030, 6, 1, 10, 0, 49));
  loader_.LoadEvents();
  EXPECT_EQ(scheduler_.scheduled.back(), std::vector<std::string>{"run.ief"});

  log_.Clear();
  clock_.SetUtc(MakeFileTime(2030, 6, 1, 10, 0, 50));
  loader_.LoadEvents();
  EXPECT_EQ(scheduler_.scheduled.back(), std::vector<std::string>{});
  EXPECT_EQ(log_.Text(), "");  // expired Events go silently; the scheduler says the rest
}

TEST_F(EventLoaderTest, EventStoppedByHandDoesNotComeBack) {
  WriteEvent("a.ief", Time(2030, 6, 1, 10, 0, 0), 2, 0);
  WriteEvent("b.ief", Time(2030, 6, 2, 10, 0, 0), 2, 0);
  SystemTime two_minutes;
  two_minutes.minute = 2;
  SystemTime three_minutes;
  three_minutes.minute = 3;
  stopped_.push_back({Time(2030, 6, 1, 10, 0, 0), two_minutes});
  stopped_.push_back({Time(2030, 6, 2, 10, 0, 0), three_minutes});  // another duration
  loader_.LoadEvents();
  EXPECT_EQ(log_.Text(),
            Stamped("The following Events are Loaded (scheduled):") + Plain("b") + Plain(""));
  EXPECT_EQ(scheduler_.scheduled.back(), std::vector<std::string>{"b.ief"});
}

TEST_F(EventLoaderTest, BadFilesAreReportedAndSkipped) {
  const std::string good_values =
      "<EventYear Value=\"2030\"/><EventMonth Value=\" 6\"/><EventDay Value=\" 1\"/>"
      "<EventHour Value=\"10\"/><EventMinute Value=\" 0\"/><EventSecond Value=\" 0\"/>"
      "<DurationHour Value=\" 0\"/><DurationMinute Value=\" 2\"/>"
      "<DurationSecond Value=\" 0\"/>";
  std::string garbage(4096, '\0');
  for (std::size_t i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<char>(i * 7919 % 251);
  const std::string bad_files[] = {
      "",
      "<Root>" + good_values,
      garbage,
      Bytes("<Root><EventYear Value=\"20\0"
            "30\"/></Root>"),
      Bytes("<Root>\0") + good_values + "</Root>",
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Root>" + good_values +
          "<EventYear Value=\"\xEF\xBC\x92\xEF\xBC\x90\"/></Root>",  // full-width digits
      "<Root>" + good_values + "<EventMonth Value=\"13\"/></Root>",
      "<Root>" + good_values + "<EventDay Value=\"ab\"/></Root>",
      "<Root>" + good_values + "<DurationSecond Value=\"\"/></Root>",
      "<Root>" + good_values + "<EventHour Value=\"" + std::string(100000, '9') + "\"/></Root>",
      std::string(10 * 1024 * 1024, 'x'),
      std::string(20 * 1024 * 1024, ' ') + "<Root>" + good_values + "</Root>",
  };
  int index = 0;
  for (const std::string& bad : bad_files) {
    SCOPED_TRACE(index++);
    ScopedTempDir dir;
    ASSERT_TRUE(files::CreateFolder("Events"));
    WriteFileBytes("Events/bad.ief", bad);
    WriteEvent("good.ief", Time(2030, 6, 1, 10, 0, 0), 2, 0);
    log_.Clear();
    loader_.LoadEvents();
    EXPECT_EQ(log_.Text(), Warning("bad.ief") +
                               Stamped("The following Events are Loaded (scheduled):") +
                               Plain("good") + Plain(""));
    EXPECT_EQ(scheduler_.scheduled.back(), std::vector<std::string>{"good.ief"});
  }
}

TEST_F(EventLoaderTest, LargeOrUnusualButReadableFilesLoad) {
  std::string file =
      "<Root><EventYear Value=\"2030\"/><EventMonth Value=\" 6\"/><EventDay Value=\" 1\"/>"
      "<EventHour Value=\"10\"/><EventMinute Value=\" 0\"/><EventSecond Value=\" 0\"/>"
      "<DurationHour Value=\" 0\"/><DurationMinute Value=\" 2\"/>"
      "<DurationSecond Value=\" 0\"/><AsteroidName Value=\"P\xE9rez\"/><Comment Value=\"";
  file += std::string(10 * 1024 * 1024, 'c');
  file += "\"/></Root>";
  WriteFileBytes("Events/big.ief", file);
  loader_.LoadEvents();
  EXPECT_EQ(log_.Text(),
            Stamped("The following Events are Loaded (scheduled):") + Plain("big") + Plain(""));
  ASSERT_EQ(scheduler_.scheduled.size(), 1u);
  EXPECT_EQ(scheduler_.scheduled[0], std::vector<std::string>{std::string(36, 'c')});
}

}  // namespace
}  // namespace vesk
