#include "base/message_log_save.h"

#include <gtest/gtest.h>

#include "station/time_zone_report.h"
#include "support/fake_clock.h"
#include "support/recording_view.h"
#include "support/temp_dir.h"

namespace vesk {
namespace {

using testing::ReadFileBytes;

class MessageLogSaveTest : public ::testing::Test {
 protected:
  void SetUp() override { log.AttachView(&view); }
  testing::ScopedTempDir dir;
  testing::FakeClock clock{testing::MakeFileTime(2026, 7, 14, 3, 5, 9)};
  MessageLog log{clock};
  testing::RecordingView view;
};

TEST_F(MessageLogSaveTest, SavesInTheCodePageWithCrLfAndConfirmsOrClears) {
  log.ReportMessage("Caf\xC3\xA9 \xCE\xB1\r\n", true);
  ASSERT_TRUE(SaveMessagesToFile(log, "saved.log", false));
  EXPECT_EQ(ReadFileBytes("saved.log"), "\r\n03:05:09 (UTC)\r\nCaf\xE9 ?\r\n");
  EXPECT_EQ(view.entries.back(),
            "\r\n03:05:09 (UTC)\r\nUser messages saved in log file \"saved.log\"\r\n");

  log.Clear();
  log.ReportMessage("two\r\n", false);
  log.ReportMessage("Computer cannot be placed into hibernation\n", false);  // a bare LF
  ASSERT_TRUE(SaveMessagesToFile(log, "saved.log", true));
  EXPECT_EQ(ReadFileBytes("saved.log"),
            "\r\ntwo\r\n\r\nComputer cannot be placed into hibernation\r\n");
  EXPECT_EQ(log.Text(),
            "\r\n03:05:09 (UTC)\r\nUser messages saved in log file \"saved.log\" and all messages "
            "cleared\r\n");
}

TEST_F(MessageLogSaveTest, AFailedSaveSaysSoAndKeepsEveryMessage) {
  log.ReportMessage("precious\r\n", false);
  EXPECT_FALSE(SaveMessagesToFile(log, "", true));
  EXPECT_FALSE(SaveMessagesToFile(log, "no/such/folder/x.log", true));
  EXPECT_NE(log.Text().find("precious"), std::string::npos);
  EXPECT_EQ(view.entries.at(1),
            "\r\n03:05:09 (UTC)\r\nWARNING: no log file name could be made, user messages were "
            "not saved\r\n");
  EXPECT_EQ(view.entries.at(2),
            "\r\n03:05:09 (UTC)\r\nWARNING: cannot write log file \"no/such/folder/x.log\", user "
            "messages were not saved\r\n");
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
