#include "station/brightness_contrast_window.h"

#include <QCloseEvent>
#include <QLabel>
#include <QSignalBlocker>
#include <QSlider>

#include "platform/qt/tool_window_style.h"

namespace vesk {
BrightnessContrastWindow::BrightnessContrastWindow(const QFont& label_font, QWidget* parent)
    : QWidget(parent, Qt::Window) {
  setObjectName(QString::fromLatin1(kBrightnessContrastWindowClass));
  setWindowTitle(QString::fromLatin1(kBrightnessContrastTitle));
  qt::UseToolWindowColours(this);
  setFixedSize(qt::ToolWindowClientSize(kBrightnessContrastCreatedRect.width,
                                        kBrightnessContrastCreatedRect.height));
  move(kBrightnessContrastCreatedRect.x, kBrightnessContrastCreatedRect.y);
  brightness_ = MakeSlider(kBrightnessSlider, PictureSlider::Brightness);
  contrast_ = MakeSlider(kContrastSlider, PictureSlider::Contrast);
  MakeLabel(kBrightnessLabel, label_font);
  MakeLabel(kContrastLabel, label_font);
}

QSlider* BrightnessContrastWindow::MakeSlider(const SliderLayout& layout, PictureSlider which) {
  auto* slider = new QSlider(Qt::Horizontal, this);
  slider->setObjectName(QString::number(layout.id));
  slider->setGeometry(layout.rect.x, layout.rect.y, layout.rect.width, layout.rect.height);
  slider->setRange(layout.minimum, layout.maximum);
  slider->setTickPosition(QSlider::TicksBelow);
  slider->setTickInterval(layout.ticks[0]);
  slider->setPageStep(layout.page);
  slider->setSingleStep(layout.page);
  slider->setValue(layout.position);
  // Tracking is on: a drag reports every position it passes, a step or a click its new one.
  connect(slider, &QSlider::valueChanged, this, [this, which](int value) {
    if (actions_ != nullptr) actions_->OnPictureSliderMoved(which, value);
  });
  return slider;
}

QLabel* BrightnessContrastWindow::MakeLabel(const SliderLabelLayout& layout, const QFont& font) {
  auto* label = new QLabel(QString::fromLatin1(layout.text), this);
  label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
  label->setFont(font);
  label->setGeometry(layout.rect.x, layout.rect.y, layout.rect.width, layout.rect.height);
  return label;
}

void BrightnessContrastWindow::ResetSliders() {
  // The adjustment has ended: the sliders only show it, nothing is reported.
  for (QSlider* slider : {brightness_, contrast_}) {
    const QSignalBlocker quiet(slider);
    slider->setValue(kSliderNeutralPosition);
  }
}

QSlider* BrightnessContrastWindow::slider(PictureSlider which) const {
  return which == PictureSlider::Brightness ? brightness_ : contrast_;
}

void BrightnessContrastWindow::closeEvent(QCloseEvent* event) {
  event->ignore();
  if (actions_ != nullptr) actions_->OnBrightnessContrastClosed();
}

}  // namespace vesk
