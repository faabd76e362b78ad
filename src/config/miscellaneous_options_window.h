#pragma once

// The Miscellaneous Options tool window (laid out in pixels): it shows the model's boxes and
// forwards clicks.

#include <QWidget>

#include "config/option_dialogs.h"

class QCheckBox;
class QPushButton;

namespace vesk {

class MiscellaneousOptionsWindow final : public QWidget {
  Q_OBJECT

 public:
  explicit MiscellaneousOptionsWindow(MiscellaneousOptionsModel& model, QWidget* parent = nullptr);
  // "Misc...": the boxes from the options, Save disabled, shown and raised.
  void Open();
  QCheckBox* spacing_box() const { return spacing_; }
  QCheckBox* gps_box() const { return gps_; }
  QPushButton* save_button() const { return save_; }
  QPushButton* cancel_button() const { return cancel_; }

 private:
  MiscellaneousOptionsModel& model_;
  QCheckBox* spacing_ = nullptr;
  QCheckBox* gps_ = nullptr;
  QPushButton* save_ = nullptr;
  QPushButton* cancel_ = nullptr;
};

}  // namespace vesk
