#include "app/standby_window.h"

#include <QLabel>

#include "app/record_controls_layout.h"
#include "app/record_controls_window.h"
#include "app/station.h"
#include "platform/qt/station_resources.h"

namespace vesk {

StandByWindow::StandByWindow(const QFont& text_font, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::CustomizeWindowHint) {
  setObjectName(QString::fromLatin1(kStandByWindowClass));
  setWindowTitle(QString::fromLatin1(kStandByTitle));
  UseToolWindowColours(this);
  setFixedSize(ToolWindowClientSize(kStandByRect.width, kStandByRect.height));
  move(kStandByRect.x, kStandByRect.y);
  label_ = new QLabel(qt::DisplayText(kStandByText), this);
  label_->setFont(text_font);
  label_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  label_->setGeometry(kStandByTextRect.x, kStandByTextRect.y, kStandByTextRect.width,
                      kStandByTextRect.height);
}

}  // namespace vesk
