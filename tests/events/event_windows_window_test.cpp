// The Schedule Event, Event list and File options windows on the offscreen platform, reached
// through the station's menus: what the observer types, saves, lists, edits and deletes ends
// up in the Events folder and in the Events the station schedules.

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDateTimeEdit>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <filesystem>

#include "base/name_filter.h"
#include "events/event_list_window.h"
#include "events/file_options_window.h"
#include "events/schedule_event_window.h"
#include "recording/recording_controller.h"
#include "ui_support/station_fixture.h"

namespace vesk {
namespace {

namespace fs = std::filesystem;

class EventWindowsTest : public testing::StationWindowTest {
 protected:
  std::string Log() { return station->log().Text(); }
  static void AnswerNextQuestion(QMessageBox::StandardButton answer) {
    QTimer::singleShot(0, [answer] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (box != nullptr) box->button(answer)->click();
    });
  }
  QStringList Row(QTreeWidget* list, int row) {
    QStringList texts;
    for (int column = 0; column < list->columnCount(); ++column) {
      texts << list->topLevelItem(row)->text(column);
    }
    return texts;
  }
};

TEST_F(EventWindowsTest, ScheduleListEditAndDeleteAnEvent) {
  AddDevice();
  Start();
  ScheduleEventWindow& schedule = *windows.schedule_event_window();
  EventListWindow& list = *windows.event_list_window();

  MainAction(MenuCommand::Schedule)->trigger();
  ASSERT_TRUE(schedule.isVisible());
  EXPECT_EQ(schedule.windowTitle(), "Schedule Event");
  EXPECT_EQ(schedule.event_time_picker()->dateTime(),
            QDateTime(QDate(2026, 7, 14), QTime(3, 5, 9), Qt::UTC));
  EXPECT_EQ(schedule.duration_picker()->time(), QTime(0, 10, 0));
  QTest::keyClicks(schedule.field(EventTextField::Asteroid), "Ce/res");
  EXPECT_EQ(schedule.field(EventTextField::Asteroid)->text(), "Ceres");
  const std::string rule(kNameCharactersText);
  EXPECT_TRUE(Log().find(rule) != std::string::npos && Log().find(rule) == Log().rfind(rule));
  QTest::keyClicks(schedule.field(EventTextField::Comment), "t+0.5");
  QTest::mouseClick(schedule.check_box(EventCheckBox::Hibernate), Qt::LeftButton);
  QTest::mouseClick(schedule.check_box(EventCheckBox::Shutdown), Qt::LeftButton);
  EXPECT_FALSE(schedule.check_box(EventCheckBox::Hibernate)->isChecked());
  schedule.event_time_picker()->setDateTime(QDateTime(QDate(2026, 7, 15), QTime(1, 2, 3), Qt::UTC));
  QTest::mouseClick(schedule.save_button(), Qt::LeftButton);
  EXPECT_FALSE(schedule.isVisible());
  EXPECT_TRUE(fs::exists("Events/Ceres_07_15_2026_01_02_03.ief"));
  // The save had the Events loaded again.
  EXPECT_NE(Log().find("The following Events are Loaded (scheduled):"), std::string::npos);

  MainAction(MenuCommand::EditAndDelete)->trigger();
  ASSERT_TRUE(list.isVisible());
  QTreeWidget* tree = list.list();
  std::vector<int> widths;
  for (int column = 0; column < tree->columnCount(); ++column)
    widths.push_back(tree->columnWidth(column));
  // The documented widths, stretched alike as far as the font in use needs.
  const std::vector<int> documented{115, 93, 85, 293, 88, 88, 80, 0};
  const double stretch = widths[3] / 293.0;
  EXPECT_GE(stretch, 1.0);
  for (std::size_t i = 0; i < documented.size(); ++i) {
    EXPECT_NEAR(widths[i], documented[i] * stretch, 1.0) << i;
  }
  EXPECT_EQ(tree->headerItem()->text(0), " Date (UTC)");
  ASSERT_EQ(tree->topLevelItemCount(), 1);
  EXPECT_EQ(Row(tree, 0),
            (QStringList{" JUL 15, 2026", "01:02:03", "00:10:00", "t+0.5", "",
                         QString::fromUtf8(kCheckMark), "", "Ceres_07_15_2026_01_02_03.ief"}));
  EXPECT_FALSE(list.edit_button()->isEnabled());
  tree->topLevelItem(0)->setSelected(true);
  EXPECT_EQ(list.selection_label()->text(), "Ceres_07_15_2026_01_02_03.ief");

  // Edit: the window holds the file's values; a new time moves the Event to a new file.
  QTest::mouseClick(list.edit_button(), Qt::LeftButton);
  EXPECT_EQ(schedule.windowTitle(), "Edit Event");
  EXPECT_EQ(schedule.field(EventTextField::Asteroid)->text(), "Ceres");
  EXPECT_TRUE(schedule.check_box(EventCheckBox::Shutdown)->isChecked());
  schedule.event_time_picker()->setTime(QTime(2, 0, 0));
  QTest::mouseClick(schedule.save_button(), Qt::LeftButton);
  EXPECT_FALSE(fs::exists("Events/Ceres_07_15_2026_01_02_03.ief"));
  ASSERT_EQ(tree->topLevelItemCount(), 1);
  EXPECT_EQ(tree->topLevelItem(0)->text(1), "02:00:00");

  // An Event that is over shows only with its box checked.
  ASSERT_TRUE(WriteEventFile(
      "Events/old.ief", FormatEventFileText({2026, 7, 0, 1, 0, 0, 0, 0}, {0, 0, 0, 0, 0, 1, 0, 0},
                                            false, false, "old", "", "")));
  QTest::mouseClick(list.show_expired_box(), Qt::LeftButton);
  ASSERT_EQ(tree->topLevelItemCount(), 2);
  EXPECT_EQ(tree->topLevelItem(1)->text(6), QString::fromUtf8(kCheckMark));

  // Both selected: Delete only; No keeps the files and the pending Event, Yes deletes the files,
  // cancels the pending Event and loads what is left.
  station->controller().set_event_pending(true);
  tree->selectAll();
  EXPECT_EQ(list.selection_label()->text(), kMultipleSelectedText);
  EXPECT_FALSE(list.edit_button()->isEnabled());
  AnswerNextQuestion(QMessageBox::No);
  QTest::mouseClick(list.delete_button(), Qt::LeftButton);
  EXPECT_EQ(tree->topLevelItemCount(), 2);
  EXPECT_TRUE(station->controller().event_pending());
  tree->selectAll();
  AnswerNextQuestion(QMessageBox::Yes);
  const std::size_t before = Log().size();
  QTest::mouseClick(list.delete_button(), Qt::LeftButton);
  EXPECT_EQ(tree->topLevelItemCount(), 0);
  EXPECT_FALSE(station->controller().event_pending());
  EXPECT_NE(Log().find("There are no scheduled Events", before), std::string::npos);
  EXPECT_TRUE(fs::is_empty("Events"));
  EXPECT_EQ(list.selection_label()->text(), kNothingSelectedText);
}

TEST_F(EventWindowsTest, FileOptionsDialogForwardsToItsWorkingCopies) {
  Start();
  FileOptionsModel model{station->options(), station->log()};
  FileOptionsWindow dialog(model, QIcon(), QIcon());
  EXPECT_EQ(dialog.select_button(FileKind::Video)->text(), "Folder");
  QTest::keyClicks(dialog.field(FileOptionsField::VideoPrefix), "a.b");
  EXPECT_EQ(dialog.preview(FileKind::Video)->text(), "File name:  ab_mm_dd_yyyy_hh_mm_ss.avi");
  QTest::mouseClick(dialog.save_button(), Qt::LeftButton);
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(station->options().video_name_prefix, "ab");
}

}  // namespace
}  // namespace vesk
