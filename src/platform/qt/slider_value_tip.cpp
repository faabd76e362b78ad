#include "platform/qt/slider_value_tip.h"

#include <QSlider>
#include <QStyle>
#include <QToolTip>

namespace vesk::qt {
namespace {

void ShowValueAtHandle(QSlider* slider, int position) {
  // Where the handle is along the groove, the tip just beyond the slider's side.
  const bool horizontal = slider->orientation() == Qt::Horizontal;
  const int span = horizontal ? slider->width() : slider->height();
  const int along = QStyle::sliderPositionFromValue(slider->minimum(), slider->maximum(), position,
                                                    span, slider->invertedAppearance());
  const QPoint at = horizontal ? QPoint(along, slider->height()) : QPoint(slider->width(), along);
  QToolTip::showText(slider->mapToGlobal(at), QString::number(position), slider);
}

}  // namespace

void ShowValueWhileDragging(QSlider* slider) {
  QObject::connect(slider, &QSlider::sliderPressed, slider,
                   [slider] { ShowValueAtHandle(slider, slider->sliderPosition()); });
  QObject::connect(slider, &QSlider::sliderMoved, slider,
                   [slider](int position) { ShowValueAtHandle(slider, position); });
  QObject::connect(slider, &QSlider::sliderReleased, slider, [] { QToolTip::hideText(); });
}

}  // namespace vesk::qt
