#include "station/user_messages_window.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QCoreApplication>
#include <QTextEdit>
#include <filesystem>
#include <string>
#include <thread>

#include "base/stream_message_view.h"
#include "ui_support/station_fixture.h"

namespace vesk {
namespace {

using testing::StationWindowTest;

constexpr const char* kLogFile = "LogFiles/07_14_2026_03_05_09.log";

QString Shown(const std::string& log_text) {
  return QString::fromStdString(TerminalText(log_text));
}

TEST_F(StationWindowTest, UserMessagesShowsTheLogAndSavesItThenClearLeavesTheConfirmation) {
  Start();
  UserMessagesWindow* window = windows.user_messages_window();
  EXPECT_TRUE(window->text_edit()->isReadOnly());
  EXPECT_EQ(window->ShownText(), Shown(station->log().Text()));
  Settle();
  EXPECT_EQ(window->frameGeometry().topLeft(), QPoint(50, 50));
  const std::string before = station->log().Text();
  UserMessagesAction(MenuCommand::SaveMessages)->trigger();
  EXPECT_EQ(testing::ReadFileBytes(kLogFile), before);
  EXPECT_TRUE(window->ShownText().endsWith(
      QString("User messages saved in log file \"%1\"\n").arg(kLogFile)));

  std::filesystem::remove(kLogFile);
  UserMessagesAction(MenuCommand::SaveMessagesAndClear)->trigger();
  EXPECT_NE(testing::ReadFileBytes(kLogFile).find(before), std::string::npos);
  EXPECT_EQ(window->ShownText(),
            QString("\n03:05:09 (UTC)\nUser messages saved in log file \"%1\" and all messages "
                    "cleared\n")
                .arg(kLogFile));
}

TEST_F(StationWindowTest, EntriesFromOtherThreadsArriveInLogOrder) {
  Start();
  std::thread reporter([this] {
    for (int i = 0; i < 200; ++i) station->log().ReportMessage("from thread\r\n", false);
  });
  for (int i = 0; i < 200; ++i) {
    station->log().ReportMessage("from UI\r\n", false);
    if (i % 20 == 0) QCoreApplication::processEvents();
  }
  reporter.join();
  QCoreApplication::processEvents();
  EXPECT_EQ(windows.user_messages_window()->ShownText(), Shown(station->log().Text()));
}

}  // namespace
}  // namespace vesk
