#include "station/brightness_contrast_window.h"

#include <QCloseEvent>
#include <QLabel>
#include <QSlider>

#include "platform/qt/tool_window_style.h"

namespace vesk {
namespace {

SliderAction ActionOf(int action) {
  switch (action) {
    case QAbstractSlider::SliderMove:
      return SliderAction::ThumbTrack;
    case QAbstractSlider::SliderSingleStepSub:
      return SliderAction::LineUp;
    case QAbstractSlider::SliderSingleStepAdd:
      return SliderAction::LineDown;
    case QAbstractSlider::SliderPageStepSub:
      return SliderAction::PageUp;
    case QAbstractSlider::SliderPageStepAdd:
      return SliderAction::PageDown;
    default:
      return SliderAction::Other;
  }
}

}  // namespace

BrightnessContrastWindow::BrightnessContrastWindow(const QFont& label_font, QWidget* parent)
    : QWidget(parent, Qt::Window) {
  setObjectName(QString::fromLatin1(kBrightnessContrastWindowClass));
  setWindowTitle(QString::fromLatin1(kBrightnessContrastTitle));
  qt::UseToolWindowColours(this);
  setFixedSize(qt::ToolWindowClientSize(kBrightnessContrastCreatedRect.width,
                                        kBrightnessContrastCreatedRect.height));
  move(kBrightnessContrastCreatedRect.x, kBrightnessContrastCreatedRect.y);
  brightness_ = MakeSlider(kBrightnessSlider);
  contrast_ = MakeSlider(kContrastSlider);
  MakeLabel(kBrightnessLabel, label_font);
  MakeLabel(kContrastLabel, label_font);
}

QSlider* BrightnessContrastWindow::MakeSlider(const SliderLayout& layout) {
  auto* slider = new QSlider(Qt::Horizontal, this);
  slider->setObjectName(QString::number(layout.id));
  slider->setGeometry(layout.rect.x, layout.rect.y, layout.rect.width, layout.rect.height);
  slider->setRange(layout.minimum, layout.maximum);
  slider->setTickPosition(QSlider::TicksBelow);
  slider->setTickInterval(layout.ticks[0]);
  slider->setPageStep(layout.page);
  slider->setSingleStep(layout.page);
  slider->setValue(layout.position);
  connect(slider, &QSlider::actionTriggered, this,
          [this, slider](int action) { OnAction(slider, action); });
  return slider;
}

QLabel* BrightnessContrastWindow::MakeLabel(const SliderLabelLayout& layout, const QFont& font) {
  auto* label = new QLabel(QString::fromLatin1(layout.text), this);
  label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
  label->setFont(font);
  label->setGeometry(layout.rect.x, layout.rect.y, layout.rect.width, layout.rect.height);
  return label;
}

void BrightnessContrastWindow::OnAction(QSlider* slider, int action) {
  const std::optional<PictureSlider> which = PictureSliderOf(slider->objectName().toInt());
  const std::optional<int> value =
      SliderValueFor(ActionOf(action), slider->sliderPosition(), slider->value());
  if (which && value && on_value_) on_value_(*which, *value);
}

void BrightnessContrastWindow::ResetSliders() {
  brightness_->setValue(kSliderNeutralPosition);
  contrast_->setValue(kSliderNeutralPosition);
}

QSlider* BrightnessContrastWindow::slider(PictureSlider which) const {
  return which == PictureSlider::Brightness ? brightness_ : contrast_;
}

void BrightnessContrastWindow::closeEvent(QCloseEvent* event) {
  event->ignore();
  if (on_close_) on_close_();
}

}  // namespace vesk
