#pragma once

// "Video Input Device": the two device lists and their buttons, placed as the logic gives
// them; every action goes to the logic.

#include <QWidget>

#include "capture/device_selection.h"

class QCheckBox;
class QListWidget;
class QPushButton;

namespace vesk {

class DeviceSelectionWindow final : public QWidget, public DeviceSelectionView {
  Q_OBJECT

 public:
  explicit DeviceSelectionWindow(DeviceSelectionModel& model, QWidget* parent = nullptr);

  void ShowDeviceWindow(const DeviceSelectionPresentation& presentation) override;
  void HideDeviceWindow() override { hide(); }

  QListWidget* devices() const { return devices_; }
  QListWidget* ignored_devices() const { return ignored_; }
  QCheckBox* default_box() const { return default_box_; }
  QPushButton* button(DeviceWindowControl control) const;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  DeviceSelectionModel& model_;
  QListWidget* devices_ = nullptr;
  QListWidget* ignored_ = nullptr;
  QCheckBox* default_box_ = nullptr;
  bool filling_ = false;
};

}  // namespace vesk
