#include "base/message_log.h"

#include <gtest/gtest.h>

#include <sstream>
#include <thread>

#include "base/error_table.h"
#include "base/message_log_save.h"
#include "base/stream_message_view.h"
#include "station/time_zone_report.h"
#include "support/fake_clock.h"
#include "support/recording_view.h"
#include "support/temp_dir.h"

namespace vesk {
namespace {

using testing::FakeClock;
using testing::MakeFileTime;
using testing::RecordingMessageBox;
using testing::RecordingView;

class MessageLogTest : public ::testing::Test {
 protected:
  FakeClock clock{MakeFileTime(2026, 7, 14, 21, 7, 45)};
  MessageLog log{clock};
  RecordingView view;
};

TEST_F(MessageLogTest, EntriesStartWithAnEmptyLineAndOptionalUtcTime) {
  log.AttachView(&view);
  log.ReportMessage("Computer local time is Europe/Berlin\r\n", true);
  log.ReportMessage("continued\r\n", false);
  EXPECT_EQ(log.Text(),
            "\r\n21:07:45 (UTC)\r\nComputer local time is Europe/Berlin\r\n\r\ncontinued\r\n");
  EXPECT_EQ(view.entries.size(), 2u);
  log.Clear();
  EXPECT_EQ(log.Text(), "");
  EXPECT_EQ(view.clears, 1);
}

TEST_F(MessageLogTest, StartUpReportsWaitAndFlushInOrderOnlyTheFirstTimestamped) {
  log.ReportMessage("first\r\n", false);
  log.ReportMessage("second\r\n", true);
  log.AttachView(&view);
  clock.Advance(3 * kTicksPerSecond);
  log.ReportMessage("direct\r\n", true);
  log.FlushPending();

  log.FlushPending();  // a second flush adds nothing
  EXPECT_EQ(view.entries,
            (std::vector<std::string>{"\r\n21:07:48 (UTC)\r\ndirect\r\n",
                                      "\r\n21:07:48 (UTC)\r\nfirst\r\n", "\r\nsecond\r\n"}));
}

TEST_F(MessageLogTest, ReportsFromTwoThreadsNeverInterleave) {
  log.AttachView(&view);
  auto worker = [&](char c) {
    for (int i = 0; i < 500; ++i) log.ReportMessage(std::string(40, c) + "\r\n", false);
  };
  std::thread a(worker, 'a');
  std::thread b(worker, 'b');
  a.join();
  b.join();
  ASSERT_EQ(view.entries.size(), 1000u);
  for (const std::string& entry : view.entries) {
    EXPECT_TRUE(entry == "\r\n" + std::string(40, 'a') + "\r\n" ||
                entry == "\r\n" + std::string(40, 'b') + "\r\n");
  }
}

// Headless, each entry's line is complete as soon as it is made (a pipe or journal shows it
// at once), and the lines are those of the log.
TEST_F(MessageLogTest, OnAStreamEachEntryEndsItsLineAtOnce) {
  std::ostringstream out;
  StreamMessageView stream(out);
  log.AttachView(&stream);
  log.ReportMessage("Start recording at 21:07:45 (UTC)", true);
  EXPECT_EQ(out.str(), "\n21:07:45 (UTC)\nStart recording at 21:07:45 (UTC)\n");
  log.ReportMessage("No Options File\r\n", false);
  log.ReportMessage("Stop", false);
  EXPECT_EQ(out.str(), TerminalText(log.Text()) + "\n");
}

TEST_F(MessageLogTest, ErrorLinesKeepTheirTextsAndGraphErrorsGoToTheLogOnly) {
  // Warning and error lines are pinned by the station's and the capture graph's tests.
  EXPECT_EQ(FormatErrorLine(MessageLevel::FatalError, "x", 1), "FATAL ERROR: x,  error 1\r\n");
  EXPECT_EQ(FormatErrorLine(MessageLevel::Note, "y", 3), "NOTE: y,  note 3\r\n");
  // The listed texts keep their spelling, slips included, as stored logs show them.
  EXPECT_EQ(GraphErrorEntry(32).text, "Cannot reduce audeo latency.  Latency will be 1/2 second");
  EXPECT_EQ(GraphErrorEntry(33).level, MessageLevel::Warning);
  for (int code : {15, -1}) EXPECT_FALSE(AppErrorEntry(code).present) << code;
  EXPECT_FALSE(GraphErrorEntry(100).present);

  // Graph errors go to the log with their number, never to a box (the fatal ones' box is
  // the station's start-up test); an empty slot is never shown.
  log.AttachView(&view);
  RecordingMessageBox box;
  ErrorReporter errors(log, box);
  errors.RaiseGraphError(24);
  errors.RaiseGraphError(0);
  EXPECT_EQ(view.entries.size(), 1u);  // its text is pinned by the capture graph's test
  EXPECT_TRUE(box.shown.empty());
}

// The confirmations and the clearing are shown by the User Messages window's test.
TEST_F(MessageLogTest, SavesInTheCodePageWithCrLfAndAFailedSaveKeepsEveryMessage) {
  testing::ScopedTempDir dir;
  log.AttachView(&view);
  log.ReportMessage("Caf\xC3\xA9 \xCE\xB1\r\n", true);
  log.ReportMessage("Computer cannot be placed into hibernation\n", false);  // a bare LF
  ASSERT_TRUE(SaveMessagesToFile(log, "saved.log", false));
  EXPECT_EQ(
      testing::ReadFileBytes("saved.log"),
      "\r\n21:07:45 (UTC)\r\nCaf\xE9 ?\r\n\r\nComputer cannot be placed into hibernation\r\n");

  view.entries.clear();
  EXPECT_FALSE(SaveMessagesToFile(log, "", true));
  EXPECT_FALSE(SaveMessagesToFile(log, "no/such/folder/x.log", true));
  EXPECT_NE(log.Text().find("hibernation"), std::string::npos);
  EXPECT_EQ(view.entries,
            (std::vector<std::string>{
                "\r\n21:07:45 (UTC)\r\nWARNING: no log file name could be made, user messages "
                "were not saved\r\n",
                "\r\n21:07:45 (UTC)\r\nWARNING: cannot write log file \"no/such/folder/x.log\", "
                "user messages were not saved\r\n"}));
}

TEST(TimeZoneReportTest, GivesTheBiasAndTheTextForEachKindOfZone) {
  TimeZoneInfo zone{TimeZoneInfo::Kind::Unknown, -120, "Europe/Berlin"};
  EXPECT_EQ(MakeTimeZoneReport(zone).bias_minutes, -120);
  EXPECT_EQ(MakeTimeZoneReport(zone).text,
            "Computer local time is Europe/Berlin.  Transition dates to daylight savings are "
            "unknown or disabled.\r\n");
  zone.kind = TimeZoneInfo::Kind::Invalid;
  EXPECT_EQ(MakeTimeZoneReport(zone).bias_minutes, 0);
  EXPECT_EQ(MakeTimeZoneReport(zone).text,
            "Computer time zone is unknown.  You may only use local time and not use UTC time\r\n");
}

}  // namespace
}  // namespace vesk
