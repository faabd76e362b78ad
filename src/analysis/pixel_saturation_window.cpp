#include "analysis/pixel_saturation_window.h"

#include <QCloseEvent>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QToolTip>

#include "platform/qt/slider_value_tip.h"
#include "platform/qt/tool_window_style.h"

namespace vesk {
namespace {

QRadioButton* MakeChoice(QWidget* parent, const char* text, int id, int x, int y, int width) {
  auto* button = new QRadioButton(QString::fromLatin1(text), parent);
  button->setObjectName(QString::number(id));
  button->setGeometry(x, y, width, 25);
  return button;
}

QPushButton* MakeButton(QWidget* parent, const char* text, int id, int x) {
  auto* button = new QPushButton(QString::fromLatin1(text), parent);
  button->setObjectName(QString::number(id));
  button->setGeometry(x, 290, 80, 28);
  return button;
}

}  // namespace

PixelSaturationWindow::PixelSaturationWindow(AnalysisControls& controls, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      controls_(controls) {
  setObjectName(QString::fromLatin1(kPixelSaturationWindowClass));
  setWindowTitle(QString::fromLatin1(kPixelSaturationTitle));
  qt::UseToolWindowColours(this);
  setFixedSize(qt::ToolWindowClientSize(kPixelSaturationWidth, kPixelSaturationHeight));

  auto* prompt = new QLabel(QString::fromLatin1(kPixelSaturationPrompt), this);
  prompt->setGeometry(155, 45, 300, 20);

  slider_ = new QSlider(Qt::Horizontal, this);
  slider_->setObjectName(QString::fromLatin1(kSaturationSliderText));
  slider_->setAccessibleName(QString::fromLatin1(kSaturationSliderText));
  slider_->setGeometry(50, 105, 520, 70);
  slider_->setRange(kSaturationSliderMinimum, kSaturationSliderMaximum);
  slider_->setTickPosition(QSlider::TicksAbove);
  slider_->setTickInterval(kSaturationSliderTicks);
  slider_->setPageStep(1);
  slider_->setSingleStep(1);
  slider_->setValue(kSaturationSliderInitial);
  slider_->setToolTip(QString::number(kSaturationSliderInitial));
  // Steps, pages, Home and End, the wheel and every position of a drag (tracking is on) set
  // the threshold, so it never differs from what the slider shows.
  connect(slider_, &QSlider::valueChanged, this, &PixelSaturationWindow::OnSliderValue);
  qt::ShowValueWhileDragging(slider_);

  use_current_ = MakeChoice(this, kUseCurrentValueText, kUseCurrentValueId, 120, 180, 260);
  save_default_ = MakeChoice(this, kSaveAsDefaultText, kSaveAsDefaultId, 120, 210, 370);
  remove_default_ = MakeChoice(this, kRemoveDefaultText, kRemoveDefaultId, 120, 240, 390);
  use_current_->setChecked(true);
  for (QRadioButton* button : {use_current_, save_default_, remove_default_}) {
    connect(button, &QRadioButton::clicked, this, &PixelSaturationWindow::OnChoiceClicked);
  }

  ok_ = MakeButton(this, kSaturationOkText, kSaturationOkId, 145);
  cancel_ = MakeButton(this, kSaturationCancelText, kSaturationCancelId, 410);
  cancel_->setDefault(true);
  connect(ok_, &QPushButton::clicked, this, &PixelSaturationWindow::OnOk);
  connect(cancel_, &QPushButton::clicked, this, &PixelSaturationWindow::OnCancel);
}

void PixelSaturationWindow::OpenFromMenu() {
  if (const std::optional<std::int32_t> position = controls_.SliderPositionForOpen()) {
    // The slider shows the value in use; nothing goes back to the filter.
    const QSignalBlocker quiet(slider_);
    slider_->setValue(*position);
    slider_->setToolTip(QString::number(*position));
  }
  show();
  raise();
  activateWindow();
  controls_.SwitchHighlightingOn();
}

SaturationChoice PixelSaturationWindow::checked_choice() const {
  if (save_default_->isChecked()) return SaturationChoice::SaveAsDefault;
  if (remove_default_->isChecked()) return SaturationChoice::RemoveDefault;
  return SaturationChoice::UseCurrentValue;
}

QRadioButton* PixelSaturationWindow::choice_button(SaturationChoice choice) const {
  switch (choice) {
    case SaturationChoice::SaveAsDefault:
      return save_default_;
    case SaturationChoice::RemoveDefault:
      return remove_default_;
    case SaturationChoice::UseCurrentValue:
      break;
  }
  return use_current_;
}

void PixelSaturationWindow::OnSliderValue(int value) {
  slider_->setToolTip(QString::number(value));
  controls_.SliderMoved(value);
  emit thresholdChanged(value);
}

void PixelSaturationWindow::OnChoiceClicked() {
  ok_->setText(QString::fromLatin1(ConfirmButtonText(checked_choice())));
}

void PixelSaturationWindow::OnOk() {
  controls_.ConfirmSaturation(checked_choice(), slider_->value());
  hide();
}

void PixelSaturationWindow::OnCancel() {
  hide();
  controls_.CancelSaturation();
  emit cancelled();
}

void PixelSaturationWindow::closeEvent(QCloseEvent* event) {
  // The window lives for the whole run: closing hides it, as Cancel does.
  event->ignore();
  OnCancel();
}

}  // namespace vesk
