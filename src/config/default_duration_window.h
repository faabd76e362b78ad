#pragma once

// "Default Recording Duration": a time picker, Save and Cancel, in dialog units of Tahoma 11.
// Modal; ends with the model's result, the close box being Cancel.

#include <QDialog>

#include "config/option_dialogs.h"

class QDateTimeEdit;
class QPushButton;

namespace vesk {

// The dialogs end with the model's result; the close box is their Cancel.
class DefaultDurationDialog final : public QDialog {
  Q_OBJECT

 public:
  explicit DefaultDurationDialog(DefaultDurationModel& model, QWidget* parent = nullptr);
  QDateTimeEdit* picker() const { return picker_; }
  QPushButton* save_button() const { return save_; }
  void reject() override;

 private:
  DefaultDurationModel& model_;
  QDateTimeEdit* picker_ = nullptr;
  QPushButton* save_ = nullptr;
};

}  // namespace vesk
