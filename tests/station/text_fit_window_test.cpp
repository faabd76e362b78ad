// Every window of the station, opened as an observer opens it, at the desktop's font and at a
// font two points larger: no text of a label, button, check box, group box, picker, list or
// list header is wider than its control, and the countdown's texts stay inside their panes.

#include <gtest/gtest.h>

#include <QAbstractSpinBox>
#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <string>
#include <vector>

#include "events/event_timing.h"
#include "events/schedule_event_window.h"
#include "station/countdown_window.h"
#include "station/main_window.h"
#include "station/window_layout.h"
#include "ui_support/station_fixture.h"

namespace vesk {
namespace {

int Advance(const QFont& font, const QString& text) {
  return QFontMetrics(font).size(Qt::TextShowMnemonic, text).width();
}

int Metric(const QWidget* w, QStyle::PixelMetric metric) {
  return w->style()->pixelMetric(metric, nullptr, w);
}

// "window: text (needed > had)" for every text wider than its control.
void CollectCutTexts(QWidget* window, std::vector<std::string>* cut) {
  const auto check = [&](const QString& text, int needed, int had) {
    if (needed > had) {
      cut->push_back(window->objectName().toStdString() + ": " + text.toStdString() + " (" +
                     std::to_string(needed) + " > " + std::to_string(had) + ")");
    }
  };
  for (QWidget* w : window->findChildren<QWidget*>()) {
    if (!w->isVisibleTo(window)) continue;
    if (auto* label = qobject_cast<QLabel*>(w)) {
      if (!label->text().isEmpty() && !label->wordWrap()) {
        check(label->text(), Advance(label->font(), label->text()), label->contentsRect().width());
      }
    } else if (qobject_cast<QCheckBox*>(w) != nullptr || qobject_cast<QRadioButton*>(w) != nullptr) {
      auto* box = static_cast<QAbstractButton*>(w);
      check(box->text(),
            Metric(w, QStyle::PM_IndicatorWidth) + Metric(w, QStyle::PM_CheckBoxLabelSpacing) +
                Advance(box->font(), box->text()),
            box->width());
    } else if (auto* push = qobject_cast<QPushButton*>(w)) {
      if (!push->text().isEmpty()) {
        const int icon = push->icon().isNull() ? 0 : push->iconSize().width();
        check(push->text(), Advance(push->font(), push->text()) + icon,
              push->width() - 2 * Metric(w, QStyle::PM_ButtonMargin));
      }
    } else if (auto* tool = qobject_cast<QToolButton*>(w)) {
      check(tool->text(), Advance(tool->font(), tool->text()), tool->width() - 4);
    } else if (auto* group = qobject_cast<QGroupBox*>(w)) {
      check(group->title(), Advance(group->font(), group->title()), group->width());
    } else if (auto* spin = qobject_cast<QAbstractSpinBox*>(w)) {
      check(spin->text(), spin->sizeHint().width(), spin->width());
    } else if (auto* list = qobject_cast<QListWidget*>(w)) {
      for (int row = 0; row < list->count(); ++row) {
        check(list->item(row)->text(), Advance(list->font(), list->item(row)->text()),
              list->viewport()->width());
      }
    } else if (auto* tree = qobject_cast<QTreeWidget*>(w)) {
      const int cell_margin = 2 * (Metric(w, QStyle::PM_FocusFrameHMargin) + 1);
      for (int c = 0; c < tree->columnCount(); ++c) {
        const int room = tree->header()->sectionSize(c);
        if (room == 0) continue;
        const QString header = tree->headerItem()->text(c);
        check(header, Advance(tree->header()->font(), header) + 2 * Metric(w, QStyle::PM_HeaderMargin),
              room);
        for (int row = 0; row < tree->topLevelItemCount(); ++row) {
          const QString cell = tree->topLevelItem(row)->text(c);
          check(cell, Advance(tree->font(), cell) + cell_margin, room);
        }
      }
    }
  }
}

// No dark pixel of a countdown text in the last columns of its pane, inside its border.
void CollectCutPanes(CountdownWindow* countdown, std::vector<std::string>* cut) {
  for (QWidget* pane : countdown->findChildren<QWidget*>()) {
    const QImage image = pane->grab().toImage();
    for (int x = image.width() - 5; x < image.width() - 1; ++x) {
      for (int y = 2; y < image.height() - 2; ++y) {
        if (qGray(image.pixel(x, y)) < 96) {
          cut->push_back(pane->objectName().toStdString() + " text reaches its right edge");
          x = image.width();
          break;
        }
      }
    }
  }
}

class TextFitTest : public testing::StationWindowTest {
 protected:
  // The modal dialog a menu command opens, checked once it is up, then closed.
  void CheckDialog(MenuCommand command, std::vector<std::string>* cut) {
    bool seen = false;
    QTimer::singleShot(0, [&] {
      QWidget* dialog = QApplication::activeModalWidget();
      if (dialog == nullptr) return;
      seen = true;
      CollectCutTexts(dialog, cut);
      dialog->close();
    });
    MainAction(command)->trigger();
    EXPECT_TRUE(seen) << static_cast<int>(command);
  }

  std::vector<std::string> OpenEveryWindowAndCollectCutTexts() {
    std::vector<std::string> cut;
    Start();
    // An Event, so that the list shows a row and the countdown runs.
    MainAction(MenuCommand::Schedule)->trigger();
    windows.schedule_event_window()->save_button()->click();
    for (const MenuCommand command :
         {MenuCommand::Schedule, MenuCommand::EditAndDelete, MenuCommand::Misc,
          MenuCommand::SelectVideoInputDevice, MenuCommand::BrightnessContrast,
          MenuCommand::PixelSaturation, MenuCommand::FrameIntegration}) {
      MainAction(command)->trigger();
    }
    // The camera format window as laid out for the device.
    for (QPushButton* button : windows.WidgetOf(WindowId::Devices)->findChildren<QPushButton*>()) {
      if (button->text() == QLatin1String("Set Device Properties")) button->click();
    }
    QWidget* format = windows.WidgetOf(WindowId::CameraFormat);
    EXPECT_TRUE(format->isVisible());
    int shown_controls = 0;
    for (QLabel* label : format->findChildren<QLabel*>()) {
      shown_controls += label->isVisibleTo(format) && label->text() == QLatin1String("Sharpness");
    }
    EXPECT_EQ(shown_controls, 1);
    const EventTiming timing = PrepareEventTiming(SystemTime{2026, 12, 1, 28, 21, 5, 40, 0},
                                                  SystemTime{2026, 12, 1, 28, 0, 2, 0, 0});
    windows.ShowCountdown(CountdownTexts{"21:05:40", timing.event_header, timing.end_text,
                                         CountdownTimeBase::Countdown});
    // The playback windows, made by a File > Open whose picker was cancelled.
    windows.set_playback_file_chooser([] { return std::string(); });
    windows.OpenPlaybackFromMenu();
    windows.ShowStandByWindow(true);
    windows.StartPowerCountdown(PowerActionKind::ShutDown, [](PowerCountdownResult) {});
    for (WindowId window : kStoreAllOrder) {
      QWidget* widget = windows.WidgetOf(window);
      if (widget != nullptr && window != WindowId::Main && window != WindowId::CameraFormat) {
        widget->show();
      }
    }
    QCoreApplication::processEvents();
    for (QWidget* window : QApplication::topLevelWidgets()) {
      if (window->isVisible()) CollectCutTexts(window, &cut);
    }
    CollectCutPanes(windows.countdown_window(), &cut);
    windows.CancelPowerCountdown();
    windows.ShowStandByWindow(false);
    for (const MenuCommand command :
         {MenuCommand::DurationDefault, MenuCommand::Codec, MenuCommand::EventPending,
          MenuCommand::Performance, MenuCommand::RecordingFileOptions}) {
      CheckDialog(command, &cut);
    }
    return cut;
  }
};

TEST_F(TextFitTest, EveryTextFitsItsControlAtTheDesktopFontAndTwoPointsLarger) {
  AddDevice();
  // Every picture control, so that the camera format window shows all its labels.
  auto& filter = *media.devices.back()->filter;
  filter.proc_amp = std::make_unique<testing::FakeProcAmp>();
  for (const ProcAmpProperty property :
       {ProcAmpProperty::Brightness, ProcAmpProperty::Contrast, ProcAmpProperty::Hue,
        ProcAmpProperty::Saturation, ProcAmpProperty::Sharpness, ProcAmpProperty::Gain}) {
    filter.proc_amp->ranges[property] = {0, 255, 1, 128, 0};
  }
  const QFont desktop = QApplication::font();
  std::vector<std::string> none;
  EXPECT_EQ(OpenEveryWindowAndCollectCutTexts(), none);

  QFont larger = desktop;
  larger.setPointSizeF(desktop.pointSizeF() + 2);
  QApplication::setFont(larger);
  StopStation();
  EXPECT_EQ(OpenEveryWindowAndCollectCutTexts(), none) << "two points larger";
  StopStation();
  QApplication::setFont(desktop);
}

}  // namespace
}  // namespace vesk
