#include "station/inserter_window.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCheckBox>
#include <QLabel>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <cstdlib>

#include "support/fake_inserter_port.h"
#include "ui_support/station_fixture.h"

namespace vesk {
namespace {

using testing::StationWindowTest;

// A PAL frame with a stamp along its bottom, and the digits learnt from it.
void PaintStamp(testing::FakeInserterPort* port) {
  QImage frame(720, 576, QImage::Format_Grayscale8);
  frame.fill(70);
  QPainter painter(&frame);
  QFont font("DejaVu Sans Mono");
  font.setPixelSize(28);
  painter.setFont(font);
  painter.fillRect(30, 505, 420, 36, Qt::black);
  painter.setPen(Qt::white);
  painter.drawText(40, 533, "21:14:07.1234  0012345");
  painter.end();
  port->frame_width = 720;
  port->frame_height = 576;
  port->frame.assign(720 * 576, 0);
  for (int y = 0; y < 576; ++y) std::copy_n(frame.constScanLine(y), 720, &port->frame[y * 720]);

  port->status.frames_to_learn = 250;
  port->Learnt({7}, {});
  for (auto& field : *port->status.learnt) {
    for (int digit = 0; digit < 10; ++digit) {
      QImage cell(inserter::kCellImageColumns, inserter::kCellImageRows, QImage::Format_Grayscale8);
      cell.fill(0);
      QPainter cell_painter(&cell);
      font.setPixelSize(40);
      cell_painter.setFont(font);
      cell_painter.setPen(Qt::white);
      cell_painter.drawText(cell.rect(), Qt::AlignCenter, QString::number(digit));
      cell_painter.end();
      for (int i = 0; i < inserter::kCellImageColumns * inserter::kCellImageRows; ++i) {
        field.digits[digit][i] = qGray(cell.pixel(i % 30, i / 30)) > 128 ? 1 : 0;
      }
    }
  }
  port->status.report = {"Layout: hh:mm:ss.ffff and a field counter of 7 digits",
                         "Characters: 0-9 in both fields", "Doubtful: 7 in the top field"};
  port->status.reading = true;
  port->status.inserter_time = "21:14:07.1234";
  port->status.clock_minus_inserter_ms = 12.4;
}

// Every label and button is at least as wide as its text needs.
std::vector<std::string> CutTexts(QWidget* window) {
  std::vector<std::string> cut;
  for (QWidget* w : window->findChildren<QWidget*>()) {
    auto* label = qobject_cast<QLabel*>(w);
    auto* button = qobject_cast<QAbstractButton*>(w);
    if (!w->isVisibleTo(window) || (label == nullptr && button == nullptr)) continue;
    if (label != nullptr && label->wordWrap()) {
      if (label->height() < label->heightForWidth(label->width())) {
        cut.push_back(label->text().toStdString());
      }
    } else if (w->width() < w->sizeHint().width() || w->height() < w->sizeHint().height()) {
      cut.push_back((label ? label->text() : button->text()).toStdString());
    }
  }
  return cut;
}

TEST_F(StationWindowTest, LearnTheTimeInserterOpensTheWindowOnTheStationsPortAndLogsItsErrors) {
  AddDevice();
  Start();
  testing::FakeInserterPort port;
  station->set_inserter_port(&port);
  MainAction(MenuCommand::LearnInserter)->trigger();
  ASSERT_NE(windows.inserter_window(), nullptr);
  EXPECT_TRUE(windows.inserter_window()->isVisible());
  EXPECT_EQ(windows.inserter_window()->port(), &port);
  // A failed save goes to the User Messages log too.
  port.Learnt({}, {});
  port.save_error = "disk full";
  windows.inserter_window()->Refresh();
  windows.inserter_window()->save_button()->click();
  EXPECT_NE(station->log().Text().find("Could not save the learnt time inserter: disk full\r\n"),
            std::string::npos);
  windows.inserter_window()->hide();
}

TEST(InserterWindowTest, MarkLearnConfirmSaveAndTheLiveReadOut) {
  InserterWindow without(nullptr);
  EXPECT_EQ(without.notice()->text().toStdString(), kCannotLearnText);
  EXPECT_FALSE(without.learn_button()->isEnabled() || without.stop_button()->isEnabled() ||
               without.save_button()->isEnabled());

  testing::FakeInserterPort port;
  PaintStamp(&port);
  const InserterStatus learnt = port.status;
  port.status = {};
  InserterWindow window(&port);
  std::vector<std::string> errors;
  window.set_on_error([&](const std::string& text) { errors.push_back(text); });
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  EXPECT_EQ(window.seconds_field()->value(), 10);
  EXPECT_FALSE(window.stop_button()->isEnabled() || window.save_button()->isEnabled());

  // Shown at three quarters: the drag covers frame pixels 40..301 and 500..541.
  QTest::mousePress(window.picture(), Qt::LeftButton, {}, QPoint(30, 375));
  QTest::mouseMove(window.picture(), QPoint(100, 390));
  QTest::mouseRelease(window.picture(), Qt::LeftButton, {}, QPoint(225, 405));
  window.seconds_field()->setValue(4);
  window.learn_button()->click();
  ASSERT_EQ(port.started.size(), 1u);
  EXPECT_EQ(port.started[0].first, 4);
  ASSERT_TRUE(port.started[0].second);
  const inserter::StampBand band = *port.started[0].second;
  EXPECT_EQ((std::vector<int>{band.left, band.top, band.right, band.bottom}),
            (std::vector<int>{40, 500, 302, 542}));
  EXPECT_TRUE(window.stop_button()->isEnabled() && !window.learn_button()->isEnabled());
  window.stop_button()->click();
  EXPECT_EQ(port.stops, 1);

  port.status = learnt;
  window.Refresh();
  EXPECT_EQ(window.report()->toPlainText().count('\n'), 2);
  ASSERT_NE(window.confirm_box(0, 7), nullptr);
  EXPECT_EQ(window.confirm_box(0, 6), nullptr);
  EXPECT_EQ(window.inserter_time()->text(), "Inserter time: 21:14:07.1234");
  EXPECT_EQ(window.clock_offset()->text(), "Computer clock minus inserter: +12.4 ms");

  port.save_error = "cannot write VESK_VTI_Layout.txt";
  window.save_button()->click();
  const std::string failed =
      "Could not save the learnt time inserter: cannot write VESK_VTI_Layout.txt";
  EXPECT_EQ(errors, std::vector<std::string>{failed});
  EXPECT_EQ(window.save_result()->text().toStdString(), failed);
  EXPECT_EQ((*port.saved)[0].doubtful_digits, std::vector<int>{7});
  QTest::qWait(50);  // the layout follows the new texts
  EXPECT_EQ(CutTexts(&window), std::vector<std::string>{});

  // A screenshot for the observer's eyes, when asked for.
  if (const char* shot = std::getenv("VESK_INSERTER_SHOT")) window.grab().save(shot);

  port.save_error.clear();
  window.confirm_box(0, 7)->click();
  window.save_button()->click();
  EXPECT_TRUE((*port.saved)[0].doubtful_digits.empty());
  EXPECT_EQ(window.save_result()->text().toStdString(), kSavedText);
  EXPECT_FALSE(window.save_button()->isEnabled());
}

}  // namespace
}  // namespace vesk
