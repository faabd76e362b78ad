#include "station/inserter_window.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <cstdlib>
#include <tuple>

#include "support/fake_inserter_port.h"
#include "ui_support/station_fixture.h"

namespace vesk {
namespace {

using testing::StationWindowTest;

// Digits painted white on black into a PAL frame's stamp and into learnt cells.
QImage Painted(QImage image, const QRect& where, const QString& text) {
  image.fill(70);
  QPainter painter(&image);
  QFont font("DejaVu Sans Mono");
  font.setPixelSize(where.height());
  painter.setFont(font);
  painter.fillRect(where, Qt::black);
  painter.setPen(Qt::white);
  painter.drawText(where, Qt::AlignCenter, text);
  return image;
}

TEST_F(StationWindowTest, TheTimeInserterWindowMarksLearnsConfirmsSavesAndReadsOut) {
  InserterWindow without(nullptr);
  EXPECT_EQ(without.notice()->text().toStdString(), kCannotLearnText);
  EXPECT_FALSE(without.learn_button()->isEnabled() || without.save_button()->isEnabled());

  AddDevice();
  Start();
  testing::FakeInserterPort port;
  const QImage frame = Painted(QImage(720, 576, QImage::Format_Grayscale8), {30, 505, 440, 32},
                               "21:14:07.1234  0012345");
  port.frame.assign(frame.constBits(), frame.constBits() + 720 * 576);  // rows unpadded at 720
  station->set_inserter_port(&port);
  MainAction(MenuCommand::LearnInserter)->trigger();
  InserterWindow* window = windows.inserter_window();
  ASSERT_TRUE(window != nullptr && window->isVisible() && window->port() == &port);
  EXPECT_EQ(window->seconds_field()->value(), 10);
  EXPECT_FALSE(window->stop_button()->isEnabled() || window->save_button()->isEnabled());

  // Shown at three quarters: the drag covers frame pixels 40..301 and 500..541.
  QTest::mousePress(window->picture(), Qt::LeftButton, {}, QPoint(30, 375));
  QTest::mouseRelease(window->picture(), Qt::LeftButton, {}, QPoint(225, 405));
  window->seconds_field()->setValue(4);
  window->learn_button()->click();
  ASSERT_EQ(port.started.size(), 1u);
  const inserter::StampBand band = port.started[0].second.value_or(inserter::StampBand{});
  EXPECT_EQ((std::vector<int>{port.started[0].first, band.left, band.top, band.right, band.bottom}),
            (std::vector<int>{4, 40, 500, 302, 542}));
  window->stop_button()->click();
  EXPECT_EQ(port.stops, 1);

  port.Learnt({7});
  for (auto& field : *port.status.learnt) {
    for (int digit = 0; digit < 10; ++digit) {
      const QImage cell = Painted(QImage(30, 40, QImage::Format_Grayscale8), {0, 0, 30, 40},
                                  QString::number(digit));
      for (int i = 0; i < 1200; ++i)
        field.digits[digit][i] = qGray(cell.pixel(i % 30, i / 30)) > 128;
    }
  }
  port.status.report = {"Layout: hh:mm:ss.ffff and a field counter",
                        "Doubtful: 7 in the top field"};
  std::tie(port.status.reading, port.status.inserter_time, port.status.clock_minus_inserter_ms) =
      std::tuple(true, "21:14:07.1234", 12.4);
  window->Refresh();
  ASSERT_TRUE(window->confirm_box(0, 7) != nullptr && window->confirm_box(0, 6) == nullptr);
  EXPECT_EQ(window->inserter_time()->text(), "Inserter time: 21:14:07.1234");
  EXPECT_EQ(window->clock_offset()->text(), "Computer clock minus inserter: +12.4 ms");

  // A failed save is shown and goes to the User Messages log.
  port.save_error = "disk full";
  window->save_button()->click();
  EXPECT_NE(station->log().Text().find("Could not save the learnt time inserter: disk full\r\n"),
            std::string::npos);
  QTest::qWait(50);  // the layout follows the new texts
  if (const char* shot = std::getenv("VESK_INSERTER_SHOT")) window->grab().save(shot);

  port.save_error.clear();
  window->confirm_box(0, 7)->click();
  window->save_button()->click();
  EXPECT_TRUE((*port.saved)[0].doubtful_digits.empty());
}

}  // namespace
}  // namespace vesk
