#pragma once

// The camera format window: the controls the logic lays out for the device in use, filled
// from its presentation; every action goes to the logic.

#include <QWidget>
#include <array>

#include "capture/camera_format.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QSlider;

namespace vesk {

class CameraFormatWindow final : public QWidget, public CameraFormatView {
  Q_OBJECT

 public:
  explicit CameraFormatWindow(CameraFormatModel& model, QWidget* parent = nullptr);

  void ShowCameraFormat(const CameraFormatPresentation& presentation) override;
  void HideCameraFormat() override { hide(); }

  QCheckBox* auto_detect() const { return auto_detect_; }
  QRadioButton* ntsc() const { return ntsc_; }
  QRadioButton* pal() const { return pal_; }
  QListWidget* rates() const { return rates_; }
  QListWidget* sizes() const { return sizes_; }
  QLineEdit* subtype() const { return subtype_; }
  QSlider* slider(std::size_t property) const { return sliders_[property]; }
  QPushButton* defaults_button() const { return defaults_; }
  QCheckBox* save_box() const { return save_; }
  QPushButton* ok_button() const { return ok_; }
  QPushButton* cancel_button() const { return cancel_; }
  QLabel* digital_label() const { return digital_; }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  CameraFormatModel& model_;
  QGroupBox* properties_box_ = nullptr;
  QGroupBox* media_box_ = nullptr;
  QGroupBox* analog_box_ = nullptr;
  QCheckBox* auto_detect_ = nullptr;
  QLabel* rate_label_ = nullptr;
  QLabel* size_label_ = nullptr;
  QListWidget* rates_ = nullptr;
  QListWidget* sizes_ = nullptr;
  QLabel* digital_ = nullptr;
  QLabel* subtype_label_ = nullptr;
  QLineEdit* subtype_ = nullptr;
  QRadioButton* ntsc_ = nullptr;
  QRadioButton* pal_ = nullptr;
  std::array<QLabel*, kDevicePropertyCount> labels_{};
  std::array<QSlider*, kDevicePropertyCount> sliders_{};
  QPushButton* defaults_ = nullptr;
  QCheckBox* save_ = nullptr;
  QPushButton* ok_ = nullptr;
  QPushButton* cancel_ = nullptr;
  bool filling_ = false;
};

}  // namespace vesk
