#include "config/performance_window.h"

#include <QCheckBox>
#include <QPushButton>
#include <QRadioButton>

#include "platform/qt/dialog_units.h"

namespace vesk {

PerformanceDialog::PerformanceDialog(PerformanceModel& model, QWidget* parent)
    : QDialog(parent), model_(model) {
  const DialogUnits du = UseDialogTemplateFont(this, kPerformanceTitle, 206, 123);
  display_off_ =
      PlaceControl(new QCheckBox(QStringLiteral("Turn off display while recording"), this), 1184,
                   du.Rect(43, 22, 117, 10));
  remove_filters_ =
      PlaceControl(new QCheckBox(QStringLiteral("Remove display filters during recording"), this),
                   1243, du.Rect(43, 34, 141, 10));
  renderers_[0] = PlaceControl(new QRadioButton(QStringLiteral("Enhanced Video Renderer"), this),
                               1192, du.Rect(43, 55, 100, 10));
  renderers_[1] =
      PlaceControl(new QRadioButton(QStringLiteral("VMR9"), this), 1193, du.Rect(43, 67, 35, 10));
  renderers_[2] =
      PlaceControl(new QRadioButton(QStringLiteral("VMR7"), this), 1194, du.Rect(43, 79, 35, 10));
  save_ = PlaceControl(new QPushButton(QStringLiteral("Save"), this), 1074, du.Rect(22, 102, 39, 14));
  save_->setDefault(true);
  ok_ = PlaceControl(new QPushButton(QStringLiteral("OK"), this), 1080, du.Rect(85, 102, 39, 14));
  auto* cancel =
      PlaceControl(new QPushButton(QStringLiteral("Cancel"), this), 1038, du.Rect(146, 102, 39, 14));
  const PerformanceChoice shown = model_.Open();
  display_off_->setChecked(shown.display_off);
  remove_filters_->setChecked(shown.remove_filters);
  renderers_[shown.renderer]->setChecked(true);
  connect(save_, &QPushButton::clicked, this, [this] { Accept(true); });
  connect(ok_, &QPushButton::clicked, this, [this] { Accept(false); });
  connect(cancel, &QPushButton::clicked, this, &PerformanceDialog::reject);
}

void PerformanceDialog::Accept(bool save) {
  PerformanceChoice choice{display_off_->isChecked(), remove_filters_->isChecked(), kRendererEvr};
  for (int renderer = 0; renderer < 3; ++renderer) {
    if (renderers_[renderer]->isChecked()) choice.renderer = renderer;
  }
  done(model_.Accept(choice, save));
}

}  // namespace vesk
