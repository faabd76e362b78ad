#pragma once

// "Codec Selector": the codecs that work with the device in use and its format, in dialog
// units of Tahoma 11. Modal; ends with the model's result.

#include <QDialog>

#include "capture/codec_selector.h"

class QCheckBox;
class QLabel;
class QListWidget;
class QPushButton;

namespace vesk {

class CodecSelectorWindow final : public QDialog {
  Q_OBJECT

 public:
  // The model has been opened (the discovery has run).
  explicit CodecSelectorWindow(CodecSelectorModel& model, QWidget* parent = nullptr);
  QListWidget* list() const { return list_; }
  QLabel* subtype_label() const { return subtype_; }
  QCheckBox* save_box() const { return save_box_; }
  QPushButton* ok_button() const { return ok_; }
  void reject() override { done(model_.Cancel()); }

 private:
  CodecSelectorModel& model_;
  QLabel* subtype_ = nullptr;
  QListWidget* list_ = nullptr;
  QCheckBox* save_box_ = nullptr;
  QPushButton* ok_ = nullptr;
};

}  // namespace vesk
