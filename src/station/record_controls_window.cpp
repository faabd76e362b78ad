#include "station/record_controls_window.h"

#include <QCloseEvent>
#include <QPushButton>

#include "platform/qt/tool_window_style.h"
#include "station/record_controls_layout.h"
#include "station/station_resources.h"

namespace vesk {
namespace {

QPushButton* MakeButton(QWidget* parent, const char* name, const char* text, const QIcon& icon,
                        const ScreenRect& rect) {
  auto* button = new QPushButton(parent);
  button->setObjectName(QString::fromLatin1(name));
  const QString label = qt::DisplayText(text);
  button->setAccessibleName(label);
  button->setToolTip(label);
  // The button shows its icon when there is one, its text otherwise.
  if (icon.isNull()) {
    button->setText(label);
  } else {
    button->setIcon(icon);
    button->setIconSize(QSize(64, 64));
  }
  button->setGeometry(rect.x, rect.y, rect.width, rect.height);
  return button;
}

}  // namespace

RecordControlsWindow::RecordControlsWindow(bool record_buttons_space, const QIcon& record_icon,
                                           const QIcon& stop_icon, QWidget* parent)
    : QWidget(parent, Qt::Tool) {
  setObjectName(QString::fromLatin1(kRecordControlsWindowClass));
  setWindowTitle(QString::fromLatin1(kRecordControlsTitle));
  qt::UseToolWindowColours(this);
  const RecordControlsGeometry geometry = RecordControlsLayout(record_buttons_space);
  setFixedSize(qt::ToolWindowClientSize(geometry.window.width, geometry.window.height));
  move(kRecordControlsCreatedAt.x, kRecordControlsCreatedAt.y);
  start_ = MakeButton(this, "StartButton", kStartButtonText, record_icon, geometry.start_button);
  stop_ = MakeButton(this, "StopButton", kStopButtonText, stop_icon, geometry.stop_button);
  const RecordButtonStates states = RecordButtonsFor(false);
  start_->setEnabled(states.start_enabled);
  stop_->setEnabled(states.stop_enabled);
  connect(start_, &QPushButton::clicked, this, [this] {
    if (actions_ != nullptr) actions_->OnStartButton();
  });
  connect(stop_, &QPushButton::clicked, this, [this] {
    if (actions_ != nullptr) actions_->OnStopButton();
  });
}

void RecordControlsWindow::closeEvent(QCloseEvent* event) { event->ignore(); }

}  // namespace vesk
