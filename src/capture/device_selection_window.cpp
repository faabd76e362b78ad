#include "capture/device_selection_window.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

#include "platform/qt/tool_window_style.h"

namespace vesk {
namespace {

QString ControlName(DeviceWindowControl control) {
  return QStringLiteral("DeviceWindowControl%1").arg(static_cast<int>(control));
}

}  // namespace

DeviceSelectionWindow::DeviceSelectionWindow(DeviceSelectionModel& model, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      model_(model) {
  setObjectName(QStringLiteral("SelectVideoDeviceClassName"));
  setWindowTitle(QString::fromLatin1(kDeviceWindowTitle));
  qt::UseToolWindowColours(this);
  setFixedSize(qt::ToolWindowClientSize(kDeviceWindowSize.width, kDeviceWindowSize.height));
  for (const DeviceWindowControlPlace& place : kDeviceWindowControls) {
    const QString text = QString::fromLatin1(place.text);
    QWidget* widget = nullptr;
    switch (place.control) {
      case DeviceWindowControl::Prompt:
      case DeviceWindowControl::IgnoredLabel:
        widget = new QLabel(text, this);
        break;
      case DeviceWindowControl::Devices:
        widget = devices_ = new QListWidget(this);
        break;
      case DeviceWindowControl::IgnoredDevices:
        widget = ignored_ = new QListWidget(this);
        break;
      case DeviceWindowControl::DefaultDevice:
        widget = default_box_ = new QCheckBox(text, this);
        break;
      default:
        widget = new QPushButton(text, this);
        break;
    }
    widget->setObjectName(ControlName(place.control));
    widget->setGeometry(place.rect.x, place.rect.y, place.rect.width, place.rect.height);
  }
  // Only the observer's own choices reach the logic, not the lists being filled.
  connect(devices_, &QListWidget::currentRowChanged, this, [this](int row) {
    if (!filling_ && row >= 0) model_.SelectDevice(row);
  });
  connect(default_box_, &QCheckBox::clicked, this,
          [this](bool ticked) { model_.SetDefault(devices_->currentRow(), ticked); });
  connect(button(DeviceWindowControl::SetProperties), &QPushButton::clicked, this,
          [this] { model_.OpenProperties(); });
  connect(button(DeviceWindowControl::Ignore), &QPushButton::clicked, this,
          [this] { model_.Ignore(devices_->currentRow()); });
  connect(button(DeviceWindowControl::Restore), &QPushButton::clicked, this,
          [this] { model_.RestoreDevice(ignored_->currentRow()); });
  connect(button(DeviceWindowControl::Ok), &QPushButton::clicked, this, [this] { model_.Ok(); });
  connect(button(DeviceWindowControl::Cancel), &QPushButton::clicked, this,
          [this] { model_.Cancel(); });
}

QPushButton* DeviceSelectionWindow::button(DeviceWindowControl control) const {
  return findChild<QPushButton*>(ControlName(control));
}

void DeviceSelectionWindow::ShowDeviceWindow(const DeviceSelectionPresentation& presentation) {
  filling_ = true;
  devices_->clear();
  for (const std::string& name : presentation.devices)
    devices_->addItem(QString::fromStdString(name));
  devices_->setCurrentRow(presentation.selected_device);
  ignored_->clear();
  for (const std::string& name : presentation.ignored)
    ignored_->addItem(QString::fromStdString(name));
  default_box_->setChecked(presentation.default_checked);
  filling_ = false;
  show();
  raise();
}

void DeviceSelectionWindow::closeEvent(QCloseEvent* event) {
  // Closing is Cancel; the logic hides the window.
  event->ignore();
  model_.Cancel();
}

}  // namespace vesk
