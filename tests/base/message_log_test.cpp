#include "base/message_log.h"

#include <gtest/gtest.h>

#include <thread>

#include "base/error_table.h"
#include "support/fake_clock.h"
#include "support/recording_view.h"

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
  ASSERT_EQ(view.entries.size(), 2u);
  EXPECT_EQ(view.entries[0], "\r\n21:07:45 (UTC)\r\nComputer local time is Europe/Berlin\r\n");
  EXPECT_EQ(view.entries[1], "\r\ncontinued\r\n");
  EXPECT_EQ(log.Text(), view.entries[0] + view.entries[1]);
}

TEST_F(MessageLogTest, StartUpReportsWaitAndFlushInOrderOnlyTheFirstTimestamped) {
  log.ReportMessage("first\r\n", false);
  log.ReportMessage("second\r\n", true);
  EXPECT_TRUE(view.entries.empty());
  EXPECT_EQ(log.PendingCount(), 2u);

  log.AttachView(&view);
  clock.Advance(3 * kTicksPerSecond);
  log.ReportMessage("direct\r\n", true);
  log.FlushPending();

  ASSERT_EQ(view.entries.size(), 3u);
  EXPECT_EQ(view.entries[0], "\r\n21:07:48 (UTC)\r\ndirect\r\n");
  EXPECT_EQ(view.entries[1], "\r\n21:07:48 (UTC)\r\nfirst\r\n");
  EXPECT_EQ(view.entries[2], "\r\nsecond\r\n");
  EXPECT_EQ(log.PendingCount(), 0u);
  log.FlushPending();  // a second flush adds nothing
  EXPECT_EQ(view.entries.size(), 3u);
}

TEST_F(MessageLogTest, LongReportsAreKeptWhole) {
  log.AttachView(&view);
  const std::string long_text(5000, 'x');
  log.ReportMessage(long_text, false);
  EXPECT_EQ(view.entries.at(0), "\r\n" + long_text);
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

TEST_F(MessageLogTest, ClearEmptiesTheLogAndTheWindow) {
  log.AttachView(&view);
  log.ReportMessage("one\r\n", false);
  log.Clear();
  EXPECT_EQ(log.Text(), "");
  EXPECT_EQ(view.clears, 1);
}

TEST(ErrorTableTest, FormatsTheExactLines) {
  EXPECT_EQ(FormatErrorLine(MessageLevel::Warning, AppErrorEntry(4).text, 4),
            "WARNING: Cannot create font for codec or camera lists,  warning 4\r\n");
  EXPECT_EQ(FormatErrorLine(MessageLevel::Error, GraphErrorEntry(23).text, 1023),
            "ERROR: Cannot render preview stream,  error 1023\r\n");
  EXPECT_EQ(FormatErrorLine(MessageLevel::FatalError, "x", 1), "FATAL ERROR: x,  error 1\r\n");
  EXPECT_EQ(FormatErrorLine(MessageLevel::Note, "y", 3), "NOTE: y,  note 3\r\n");
}

TEST(ErrorTableTest, HoldsEveryListedTextCharacterForCharacter) {
  struct Row {
    int code;
    MessageLevel level;
    const char* text;
  };
  using L = MessageLevel;
  const Row app[] = {
      {1, L::FatalError, "Cannot create main window"},
      {2, L::Warning, "Cannot create font for countdown window"},
      {3, L::Warning, "Cannot create font for control buttons"},
      {4, L::Warning, "Cannot create font for codec or camera lists"},
      {5, L::Warning, "Cannot create font for event list"},
      {6, L::Warning, "Cannot create font for hibernation | shutdown countdown"},
      {7, L::FatalError, "Cannot create video display window"},
      {8, L::FatalError, "Cannot create Controls window"},
      {9, L::FatalError, "Cannot create User Messages window"},
      {10, L::FatalError, "Cannot create rich edit window as child of User Messages window"},
      {11, L::Error, "Cannot create child brightness slider window"},
      {12, L::Error, "Cannot create child contrast slider window"},
      {13, L::Error, "Cannot create parent brightness slider window"},
      {14, L::Error, "Cannot create parent contrast slider window"},
      {16, L::Warning, "Unable to delete one or more selected event files - write protected?"},
      {17, L::Warning, "Cannot save VESK_options.xml file in process directory - write protected?"},
  };
  const Row graph[] = {
      {1002, L::Error, "Cannot set capture stream format"},
      {1003, L::Error, "Cannot update EVR video window with frame size"},
      {1006, L::Warning, "Dropped frames value may be incorrect"},
      {1007, L::Warning, "Dropped frames value may be incorrect"},
      {1009, L::Error, "Internal corruption of media control value"},
      {1010, L::Error, "Attempting to set video stream format with no source filter"},
      {1011, L::Error, "IAMStreamConfig interface is missing"},
      {1018, L::Error, "Cannot enumerate pins on EVR filter"},
      {1019, L::Error, "Cannot create EVR filter"},
      {1020, L::Error, "Cannot get display control for EVR"},
      {1021, L::Error, "Cannot set clipping window for EVR"},
      {1022, L::Error, "Cannot add EVR filter to filter graph"},
      {1023, L::Error, "Cannot render preview stream"},
      {1024, L::Error, "SetOutputFileName method has failed"},
      {1025, L::Warning, "Cannot add codec to capture stream"},
      {1026, L::Error, "Cannot render video capture stream"},
      {1027, L::Warning, "IID_IAMDroppedFrames interface is missing"},
      {1028, L::Error, "Cannot enumerate pins on filter"},
      {1029, L::Warning, "Character recognition sets are missing from install directory"},
      {1030, L::Warning, "Cannot add audio source filter to filter graph"},
      {1031, L::Error, "Cannot render audio capture stream"},
      {1032, L::Warning, "Cannot reduce audeo latency.  Latency will be 1/2 second"},
      {1033, L::Warning, "Cannot set aspect ration for EVR display window"},
      {1034, L::Warning, "Cannot create VMR9 filter"},
      {1035, L::Warning, "Cannot create VMR7 filter"},
      {1036, L::Warning, "Cannot create Null Renderer filter"},
      {1037, L::Warning, "Cannot get configuration control for VMR9"},
      {1038, L::Warning, "Cannot get configuration control for VMR7"},
      {1039, L::Error, "Cannot find renderer input pin"},
      {1040, L::Error, "Renderer input pin not connected"},
      {1041, L::Error, "Cannot update VMR9 video window with frame size"},
      {1042, L::Error, "Cannot update VMR7 video window with frame size"},
  };
  int app_present = 0, graph_present = 0;
  for (int i = 0; i < kErrorTableSize; ++i) {
    app_present += AppErrorEntry(i).present;
    graph_present += GraphErrorEntry(i).present;
  }
  EXPECT_EQ(app_present, 16);
  EXPECT_EQ(graph_present, 32);
  for (const Row& r : app) {
    EXPECT_EQ(AppErrorEntry(r.code).text, r.text);
    EXPECT_EQ(AppErrorEntry(r.code).level, r.level) << r.code;
  }
  for (const Row& r : graph) {
    EXPECT_EQ(GraphErrorEntry(r.code - 1000).text, r.text);
    EXPECT_EQ(GraphErrorEntry(r.code - 1000).level, r.level) << r.code;
  }
  EXPECT_FALSE(AppErrorEntry(15).present);
  EXPECT_FALSE(AppErrorEntry(-1).present);
  EXPECT_FALSE(GraphErrorEntry(100).present);
}

TEST(ErrorTableTest, FatalErrorsShowOneBoxAndNothingInTheLog) {
  FakeClock clock(MakeFileTime(2026, 1, 2, 3, 4, 5));
  MessageLog log(clock);
  RecordingView view;
  log.AttachView(&view);
  RecordingMessageBox box;
  ErrorReporter errors(log, box);

  errors.RaiseAppError(ErrorCode::CannotCreateMainWindow);
  ASSERT_EQ(box.shown.size(), 1u);
  EXPECT_EQ(box.shown[0].first, "VESK Video Capture");
  EXPECT_EQ(box.shown[0].second, "FATAL ERROR: Cannot create main window,  error 1\r\n");
  EXPECT_TRUE(view.entries.empty());

  errors.RaiseGraphError(24);
  errors.RaiseAppError(ErrorCode::CannotSaveOptions);
  ASSERT_EQ(view.entries.size(), 2u);
  EXPECT_EQ(view.entries[0],
            "\r\n03:04:05 (UTC)\r\nERROR: SetOutputFileName method has failed,  error 1024\r\n");
  EXPECT_EQ(
      view.entries[1],
      "\r\n03:04:05 (UTC)\r\nWARNING: Cannot save VESK_options.xml file in process directory - "
      "write protected?,  warning 17\r\n");
  EXPECT_EQ(box.shown.size(), 1u);

  errors.RaiseGraphError(0);  // an empty slot is never shown
  EXPECT_EQ(view.entries.size(), 2u);
}

TEST(ErrorTableTest, AWarningRaisedBeforeTheWindowExistsAppearsAfterStartUp) {
  FakeClock clock(MakeFileTime(2026, 1, 2, 3, 4, 5));
  MessageLog log(clock);
  RecordingMessageBox box;
  ErrorReporter errors(log, box);
  errors.RaiseAppError(ErrorCode::CannotCreateEventListFont);
  RecordingView view;
  log.AttachView(&view);
  log.FlushPending();
  ASSERT_EQ(view.entries.size(), 1u);
  EXPECT_EQ(view.entries[0],
            "\r\n03:04:05 (UTC)\r\nWARNING: Cannot create font for event list,  warning 5\r\n");
}

}  // namespace
}  // namespace vesk
