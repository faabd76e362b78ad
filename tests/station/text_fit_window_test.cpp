// Every window, opened as an observer opens it, at the desktop's font and two points larger:
// no text of a label, button, check box, picker or list (header) is wider than its control,
// and the countdown's texts keep clear of their panes' right edges.

#include <gtest/gtest.h>

#include <QAbstractSpinBox>
#include <QApplication>
#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QTimer>
#include <QTreeWidget>

#include "events/event_timing.h"
#include "events/schedule_event_window.h"
#include "station/countdown_window.h"
#include "station/main_window.h"
#include "ui_support/station_fixture.h"

namespace vesk {
namespace {

using Cut = std::vector<std::string>;

void CollectCutTexts(QWidget* window, Cut* cut) {
  const auto check = [&](const QString& text, const QFont& font, int chrome, int room) {
    const int needed = QFontMetrics(font).size(Qt::TextShowMnemonic, text).width() + chrome;
    if (needed > room)
      cut->push_back(window->objectName().toStdString() + ": " + text.toStdString());
  };
  const auto metric = [](QWidget* w, QStyle::PixelMetric m) {
    return w->style()->pixelMetric(m, nullptr, w);
  };
  for (QWidget* w : window->findChildren<QWidget*>()) {
    if (!w->isVisibleTo(window)) continue;
    if (auto* label = qobject_cast<QLabel*>(w)) {
      check(label->text(), label->font(), 0, label->contentsRect().width());
    } else if (auto* push = qobject_cast<QPushButton*>(w)) {
      check(push->text(), push->font(), 2 * metric(w, QStyle::PM_ButtonMargin), push->width());
    } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {  // check box, radio, tool
      const int indicator =
          button->sizeHint().width() -
          QFontMetrics(button->font()).size(Qt::TextShowMnemonic, button->text()).width();
      check(button->text(), button->font(), indicator, button->width());
    } else if (auto* spin = qobject_cast<QAbstractSpinBox*>(w)) {
      check(spin->text(), spin->font(),
            spin->sizeHint().width() - QFontMetrics(spin->font()).horizontalAdvance(spin->text()),
            spin->width());
    } else if (auto* tree = qobject_cast<QTreeWidget*>(w)) {
      const int margin = 2 * (metric(w, QStyle::PM_FocusFrameHMargin) + 1);
      for (int c = 0; c < tree->columnCount(); ++c) {
        if (tree->columnWidth(c) == 0) continue;
        check(tree->headerItem()->text(c), tree->header()->font(),
              2 * metric(w, QStyle::PM_HeaderMargin), tree->columnWidth(c));
        for (int row = 0; row < tree->topLevelItemCount(); ++row) {
          check(tree->topLevelItem(row)->text(c), tree->font(), margin, tree->columnWidth(c));
        }
      }
    }
  }
}

class TextFitTest : public testing::StationWindowTest {
 protected:
  Cut OpenEveryWindowAndCollectCutTexts() {
    Cut cut;
    Start();
    MainAction(MenuCommand::Schedule)->trigger();
    windows.schedule_event_window()->save_button()->click();  // a row for the Event list
    for (const MenuCommand command :
         {MenuCommand::Schedule, MenuCommand::EditAndDelete, MenuCommand::Misc,
          MenuCommand::SelectVideoInputDevice, MenuCommand::BrightnessContrast,
          MenuCommand::PixelSaturation, MenuCommand::FrameIntegration}) {
      MainAction(command)->trigger();
    }
    for (QPushButton* button : windows.WidgetOf(WindowId::Devices)->findChildren<QPushButton*>()) {
      if (button->text() == QLatin1String("Set Device Properties")) button->click();
    }
    const EventTiming timing = PrepareEventTiming(SystemTime{2026, 12, 1, 28, 21, 5, 40, 0},
                                                  SystemTime{2026, 12, 1, 28, 0, 2, 0, 0});
    windows.ShowCountdown({"21:05:40", timing.event_header, timing.end_text, {}});
    windows.set_playback_file_chooser([] { return std::string(); });
    windows.OpenPlaybackFromMenu();  // the playback windows, the picker cancelled
    windows.ShowStandByWindow(true);
    windows.StartPowerCountdown(PowerActionKind::ShutDown, [](PowerCountdownResult) {});
    windows.WidgetOf(WindowId::PlaybackControls)->show();
    windows.WidgetOf(WindowId::Gps)->show();
    for (QWidget* window : QApplication::topLevelWidgets()) {
      if (window->isVisible()) CollectCutTexts(window, &cut);
    }
    // No dark pixel of a countdown text next to a pane's right edge (inside its border).
    for (QWidget* pane : windows.countdown_window()->findChildren<QWidget*>()) {
      const QImage edge = pane->grab().toImage().copy(pane->width() - 5, 2, 4, pane->height() - 4);
      bool dark = false;
      for (int i = 0; i < edge.width() * edge.height(); ++i) {
        dark = dark || qGray(edge.pixel(i % edge.width(), i / edge.width())) < 96;
      }
      if (dark) cut.push_back(pane->objectName().toStdString());
    }
    windows.CancelPowerCountdown();
    for (const MenuCommand command :
         {MenuCommand::DurationDefault, MenuCommand::Codec, MenuCommand::EventPending,
          MenuCommand::Performance, MenuCommand::RecordingFileOptions}) {
      QTimer::singleShot(0, [&] {
        CollectCutTexts(QApplication::activeModalWidget(), &cut);
        QApplication::activeModalWidget()->close();
      });
      MainAction(command)->trigger();
    }
    return cut;
  }
};

TEST_F(TextFitTest, EveryTextFitsItsControlAtTheDesktopFontAndTwoPointsLarger) {
  AddDevice();
  auto& filter = *media.devices.back()->filter;  // every picture control, with its label
  filter.proc_amp = std::make_unique<testing::FakeProcAmp>();
  for (const int id : {0, 1, 2, 3, 4, 9})
    filter.proc_amp->ranges[ProcAmpProperty{id}] = {0, 255, 1, 128, 0};
  const QFont desktop = QApplication::font();
  EXPECT_EQ(OpenEveryWindowAndCollectCutTexts(), Cut{});
  QFont larger = desktop;
  larger.setPointSizeF(desktop.pointSizeF() + 2);
  QApplication::setFont(larger);
  StopStation();
  EXPECT_EQ(OpenEveryWindowAndCollectCutTexts(), Cut{}) << "two points larger";
  StopStation();
  QApplication::setFont(desktop);
}

}  // namespace
}  // namespace vesk
