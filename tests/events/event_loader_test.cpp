#include "events/event_loader.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
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

using U16 = std::uint16_t;
SystemTime Time(U16 year, U16 month, U16 day, U16 hour, U16 minute, U16 second) {
  return {year, month, 0, day, hour, minute, second, 0};
}

// Functions, not globals: computed when a test runs.
FileTime LongBefore() { return MakeFileTime(2030, 1, 1); }
FileTime Base() { return MakeFileTime(2030, 6, 1); }

// A record with only its window, in seconds (and ticks) after a fixed base time.
EventRecord Window(int start_seconds, int end_seconds, FileTime start_ticks = 0,
                   FileTime end_ticks = 0) {
  EventRecord record;
  record.StartTime = Base() + start_seconds * kTicksPerSecond + start_ticks;
  record.EndTime = Base() + end_seconds * kTicksPerSecond + end_ticks;
  return record;
}

std::vector<FileTime> Starts(const EventList& events) {
  std::vector<FileTime> starts;
  for (const EventRecord& record : events) starts.push_back(record.StartTime);
  return starts;
}

constexpr FileTime kSecond = kTicksPerSecond;

TEST(InsertEventTest, LaterEventMustStartAMinuteAfterTheEarlierEnds) {
  EventList events;
  ASSERT_EQ(InsertEvent(events, Window(0, 100), LongBefore()), InsertEventResult::kInserted);
  EXPECT_EQ(InsertEvent(events, Window(159, 300), LongBefore()), InsertEventResult::kOverlaps);
  EXPECT_EQ(InsertEvent(events, Window(160, 300, -1), LongBefore()), InsertEventResult::kOverlaps);
  EXPECT_EQ(InsertEvent(events, Window(50, 60), LongBefore()), InsertEventResult::kOverlaps);
  EXPECT_EQ(events.size(), 1u);
  EXPECT_EQ(InsertEvent(events, Window(160, 300), LongBefore()), InsertEventResult::kInserted);
  // An earlier Event may end right at the start of a later one; the list stays latest first.
  EXPECT_EQ(InsertEvent(events, Window(-100, 0), LongBefore()), InsertEventResult::kInserted);
  EXPECT_EQ(InsertEvent(events, Window(-200, -100, 0, 1), LongBefore()),
            InsertEventResult::kOverlaps);
  EXPECT_EQ(InsertEvent(events, Window(5000, 5100), LongBefore()), InsertEventResult::kInserted);
  EXPECT_EQ(Starts(events), (std::vector<FileTime>{Base() + 5000 * kSecond, Base() + 160 * kSecond,
                                                   Base(), Base() - 100 * kSecond}));
}

TEST(InsertEventTest, RunningEventNeedsMoreThanTenSecondsLeft) {
  EventList events;
  const FileTime during = Base() + 50 * kSecond;
  EXPECT_EQ(InsertEvent(events, Window(0, 60), during), InsertEventResult::kExpired);
  EXPECT_EQ(InsertEvent(events, Window(0, 60, 0, 1), during), InsertEventResult::kInserted);
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
  void WriteEvent(const std::string& name, const SystemTime& event, U16 minutes) {
    const SystemTime duration{0, 0, 0, 0, 0, minutes, 0, 0};
    ASSERT_TRUE(WriteEventFile("Events/" + name,
                               FormatEventFileText(event, duration, false, false, name, "", "")));
  }

  static std::string Stamped(const std::string& text) { return "\r\n08:15:30 (UTC)\r\n" + text; }
  static std::string Plain(const std::string& text) { return "\r\n" + text; }
  static std::string Warning(const std::string& name, const std::string& reason) {
    return Stamped("WARNING: the Event file " + name + " cannot be read and is ignored: " +
                   reason + "\r\n");
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

TEST_F(EventLoaderTest, ListsAcceptedEventsAndNotesTheOverlapOnceUntilTheFileChanges) {
  WriteEvent("a_06_01_2030_10_00_00.ief", Time(2030, 6, 1, 10, 0, 0), 2);
  // 10:01:00 to 10:02:00 starts when the first ends.
  WriteEvent("b_06_01_2030_10_01_30.ief", Time(2030, 6, 1, 10, 1, 30), 1);
  WriteEvent("c_06_02_2030_09_00_00.ief", Time(2030, 6, 2, 9, 0, 0), 1);
  loader_.LoadEvents();

  const std::string note =
      Plain("NOTE: the Event b_06_01_2030_10_01_30.ief is ignored because it overlaps (within "
            "one minute) another Event; it is looked at again when that Event ends and then "
            "recorded for what is left of its window, if any is left (more than 10 seconds once "
            "it has begun)\r\n");
  const std::string listing = Stamped("The following Events are Loaded (scheduled):") +
                              Plain("a_06_01_2030_10_00_00") + note +
                              Plain("c_06_02_2030_09_00_00") + Plain("");
  EXPECT_EQ(log_.Text(), listing);
  EXPECT_EQ(scheduler_.scheduled.back(),
            (std::vector<std::string>{"c_06_02_2030_09_00_00.ief", "a_06_01_2030_10_00_00.ief"}));
  EXPECT_EQ(video_name_clears_, 1);
  // A reload starts from an empty list, and does not note the same file again.
  log_.Clear();
  loader_.LoadEvents();
  EXPECT_EQ(scheduler_.scheduled[1], scheduler_.scheduled[0]);
  EXPECT_EQ(scheduler_.clears, 2);
  EXPECT_EQ(log_.Text(), Stamped("The following Events are Loaded (scheduled):") +
                             Plain("a_06_01_2030_10_00_00") + Plain("c_06_02_2030_09_00_00") +
                             Plain(""));
  // Rewritten, it is a new file and is noted again.
  std::filesystem::remove("Events/b_06_01_2030_10_01_30.ief");
  WriteEvent("b_06_01_2030_10_01_30.ief", Time(2030, 6, 1, 10, 1, 30), 1);
  log_.Clear();
  loader_.LoadEvents();
  EXPECT_EQ(log_.Text(), listing);
  // As the note says: once the first has ended, the reload takes what is left of it.
  clock_.SetUtc(Time(2030, 6, 1, 10, 1, 5));
  loader_.LoadEvents();
  EXPECT_EQ(scheduler_.scheduled.back(),
            (std::vector<std::string>{"c_06_02_2030_09_00_00.ief", "b_06_01_2030_10_01_30.ief"}));
}

// An Events folder that cannot be read says so before there are no Events.
TEST_F(EventLoaderTest, AnEventsFolderThatCannotBeReadMeansNoEvents) {
  std::filesystem::remove_all("Events");
  testing::WriteFileBytes("Events", "not a folder");
  loader_.LoadEvents();
  EXPECT_EQ(log_.Text(),
            Stamped("WARNING: the \"Events\" folder cannot be read: Not a directory\r\n") +
                Stamped("There are no scheduled Events\r\n"));
  EXPECT_TRUE(scheduler_.scheduled.empty());
}

// Each file that cannot be an Event is named with the reason, once while the station runs.
TEST_F(EventLoaderTest, BadFilesAreReportedOnceWithTheReasonAndSkipped) {
  const std::string good_values =
      "<EventYear Value=\"2030\"/><EventMonth Value=\" 6\"/><EventDay Value=\" 1\"/>"
      "<EventHour Value=\"10\"/><EventMinute Value=\" 0\"/><EventSecond Value=\" 0\"/>"
      "<DurationHour Value=\" 0\"/><DurationMinute Value=\" 2\"/>"
      "<DurationSecond Value=\" 0\"/>";
  std::string garbage(4096, '\0');
  for (std::size_t i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<char>(i * 7919 % 251);
  const std::string invalid = "its event time or duration is not a valid one";
  const std::pair<std::string, std::string> bad_files[] = {
      {"", "line 1: No document element found"},
      {"<Root>\r\n" + good_values, "line 2: Start-end tags mismatch"},
      {garbage, "line 18: No document element found"},
      {std::string("<Root><EventYear Value=\"20") + '\0' + "30\"/></Root>",
       "line 1: Error parsing element attribute"},
      {"<?xml version=\"1.0\" encoding=\"UTF-8\"?><Root>" + good_values +
           "<EventYear Value=\"\xEF\xBC\x92\xEF\xBC\x90\"/></Root>",  // full-width digits
       invalid},
      {"<Root>" + good_values + "<EventMonth Value=\"13\"/></Root>", invalid},
      {"<Root>" + good_values + "<EventHour Value=\"" + std::string(100000, '9') + "\"/></Root>",
       invalid},
      {std::string(20 * 1024 * 1024, ' ') + "<Root>" + good_values + "</Root>",
       "larger than 16777216 bytes"},
  };
  std::string warnings;
  for (std::size_t i = 0; i < std::size(bad_files); ++i) {
    const std::string name = "bad" + std::to_string(i) + ".ief";
    WriteFileBytes("Events/" + name, bad_files[i].first);
    warnings += Warning(name, bad_files[i].second);
  }
  // Not files at all; a FIFO would hang a reader that waits for a writer.
  ASSERT_EQ(mkfifo("Events/fifo.ief", 0600), 0);
  std::filesystem::create_symlink("/dev/zero", "Events/dev_zero.ief");
  std::filesystem::create_symlink("gone.ief.old", "Events/dangling.ief");
  ASSERT_TRUE(files::CreateFolder("Events/folder.ief"));
  WriteEvent("good.ief", Time(2030, 6, 1, 10, 0, 0), 2);
  const std::string listing =
      Stamped("The following Events are Loaded (scheduled):") + Plain("good") + Plain("");
  loader_.LoadEvents();
  EXPECT_EQ(
      log_.Text(),
      warnings +
          Warning("dangling.ief", "it is a symbolic link to gone.ief.old, which does not exist") +
          Warning("dev_zero.ief",
                  "it is a symbolic link to /dev/zero, a character device, not a regular "
                  "file") +
          Warning("fifo.ief", "it is a FIFO, not a regular file") +
          Warning("folder.ief", "it is a folder, not a regular file") + listing);
  EXPECT_EQ(scheduler_.scheduled.back(), std::vector<std::string>{"good.ief"});
  log_.Clear();
  loader_.LoadEvents();
  EXPECT_EQ(log_.Text(), listing);
}

}  // namespace
}  // namespace vesk
