#include "station/standby_window.h"

#include <QLabel>

#include "platform/qt/tool_window_style.h"
#include "station/record_controls_layout.h"
#include "station/window_constants.h"
#include "station/station_resources.h"

namespace vesk {

StandByWindow::StandByWindow(const QFont& text_font, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::CustomizeWindowHint) {
  setObjectName(QString::fromLatin1(kStandByWindowClass));
  setWindowTitle(QString::fromLatin1(kStandByTitle));
  qt::UseToolWindowColours(this);
  setFixedSize(qt::ToolWindowClientSize(kStandByRect.width, kStandByRect.height));
  move(kStandByRect.x, kStandByRect.y);
  label_ = new QLabel(qt::DisplayText(kStandByText), this);
  label_->setFont(text_font);
  label_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  label_->setGeometry(kStandByTextRect.x, kStandByTextRect.y, kStandByTextRect.width,
                      kStandByTextRect.height);
}

}  // namespace vesk
