#pragma once

// "Event Pending Options": countdown or UTC, and whether that is the default. Modal; ends with
// the model's result.

#include <QDialog>

#include "config/option_dialogs.h"

class QCheckBox;
class QPushButton;
class QRadioButton;

namespace vesk {

class EventPendingDialog final : public QDialog {
  Q_OBJECT

 public:
  explicit EventPendingDialog(EventPendingModel& model, QWidget* parent = nullptr);
  QRadioButton* countdown_radio() const { return countdown_; }
  QRadioButton* utc_radio() const { return utc_; }
  QCheckBox* default_box() const { return as_default_; }
  QPushButton* save_button() const { return save_; }
  void reject() override { done(kDialogNoChange); }

 private:
  EventPendingModel& model_;
  QRadioButton* countdown_ = nullptr;
  QRadioButton* utc_ = nullptr;
  QCheckBox* as_default_ = nullptr;
  QPushButton* save_ = nullptr;
};

}  // namespace vesk
