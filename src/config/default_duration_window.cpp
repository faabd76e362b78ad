#include "config/default_duration_window.h"

#include <QDateTimeEdit>
#include <QLabel>
#include <QPushButton>

#include "platform/qt/dialog_units.h"

namespace vesk {

DefaultDurationDialog::DefaultDurationDialog(DefaultDurationModel& model, QWidget* parent)
    : QDialog(parent), model_(model) {
  const DialogUnits du = UseDialogTemplateFont(this, kDefaultDurationTitle, 190, 91);
  PlaceControl(new QLabel(QStringLiteral("Default Recording Duration (hh:mm:ss):"), this), 1027,
               du.Rect(30, 22, 135, 8));
  picker_ = PlaceControl(new QDateTimeEdit(this), 1029, du.Rect(67, 37, 50, 15));
  picker_->setDisplayFormat(QStringLiteral("HH:mm:ss"));
  const SystemTime shown = model_.Open();
  picker_->setTime(QTime(shown.hour, shown.minute, shown.second));
  save_ = PlaceControl(new QPushButton(QStringLiteral("Save"), this), 1074, du.Rect(22, 70, 50, 14));
  auto* cancel =
      PlaceControl(new QPushButton(QStringLiteral("Cancel"), this), 1038, du.Rect(119, 70, 50, 14));
  connect(save_, &QPushButton::clicked, this, [this] {
    const QTime time = picker_->time();
    std::optional<SystemTime> picked;
    if (time.isValid()) {
      SystemTime value = InitialRecordingDuration();
      value.hour = static_cast<std::uint16_t>(time.hour());
      value.minute = static_cast<std::uint16_t>(time.minute());
      value.second = static_cast<std::uint16_t>(time.second());
      picked = value;
    }
    done(model_.Save(picked));
  });
  connect(cancel, &QPushButton::clicked, this, &DefaultDurationDialog::reject);
}

void DefaultDurationDialog::reject() { done(model_.Cancel()); }

}  // namespace vesk
