#include "config/event_pending_window.h"

#include <QCheckBox>
#include <QPushButton>
#include <QRadioButton>

#include "platform/qt/dialog_units.h"

namespace vesk {

EventPendingDialog::EventPendingDialog(EventPendingModel& model, QWidget* parent)
    : QDialog(parent), model_(model) {
  const DialogUnits du = UseDialogTemplateFont(this, kEventPendingOptionsTitle, 229, 120);
  countdown_ = PlaceControl(
      new QRadioButton(QStringLiteral("Display countdown timer to start of Event recording"), this),
      1149, du.Rect(26, 20, 184, 10));
  utc_ = PlaceControl(new QRadioButton(QStringLiteral("Display current UTC time"), this), 1150,
                      du.Rect(26, 35, 98, 10));
  as_default_ =
      PlaceControl(new QCheckBox(QStringLiteral("Use selection as application default"), this),
                   1151, du.Rect(48, 67, 129, 10));
  save_ = PlaceControl(new QPushButton(QString::fromLatin1(EventPendingModel::SaveButtonText(false)),
                                       this),
                       1074, du.Rect(37, 99, 50, 14));
  save_->setDefault(true);
  auto* cancel =
      PlaceControl(new QPushButton(QStringLiteral("Cancel"), this), 1038, du.Rect(143, 99, 50, 14));
  (model_.Open() ? utc_ : countdown_)->setChecked(true);
  connect(as_default_, &QCheckBox::toggled, this, [this](bool checked) {
    save_->setText(QString::fromLatin1(EventPendingModel::SaveButtonText(checked)));
  });
  connect(save_, &QPushButton::clicked, this,
          [this] { done(model_.Save(utc_->isChecked(), as_default_->isChecked())); });
  connect(cancel, &QPushButton::clicked, this, &EventPendingDialog::reject);
}

}  // namespace vesk
