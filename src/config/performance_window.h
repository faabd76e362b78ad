#pragma once

// "Performance Options": the display while recording and the renderer. Modal; ends with the
// model's result.

#include <QDialog>

#include "config/option_dialogs.h"

class QCheckBox;
class QPushButton;
class QRadioButton;

namespace vesk {

class PerformanceDialog final : public QDialog {
  Q_OBJECT

 public:
  explicit PerformanceDialog(PerformanceModel& model, QWidget* parent = nullptr);
  QCheckBox* display_off_box() const { return display_off_; }
  QCheckBox* remove_filters_box() const { return remove_filters_; }
  QRadioButton* renderer_radio(int renderer) const { return renderers_[renderer]; }
  QPushButton* save_button() const { return save_; }
  QPushButton* ok_button() const { return ok_; }
  void reject() override { done(model_.Cancel()); }

 private:
  void Accept(bool save);

  PerformanceModel& model_;
  QCheckBox* display_off_ = nullptr;
  QCheckBox* remove_filters_ = nullptr;
  QRadioButton* renderers_[3] = {};
  QPushButton* save_ = nullptr;
  QPushButton* ok_ = nullptr;
};

}  // namespace vesk
