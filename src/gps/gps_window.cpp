#include "gps/gps_window.h"

#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "platform/qt/tool_window_style.h"
#include "recording/gps_time.h"

namespace vesk {
namespace {

void Place(QWidget* widget, int x, int y, int width, int height) {
  widget->setGeometry(x, y, width, height);
}

QPushButton* MakeButton(QWidget* parent, const char* text, int id, int x, int y, int width) {
  auto* button = new QPushButton(QString::fromLatin1(text), parent);
  if (id != 0) button->setObjectName(QString::number(id));
  Place(button, x, y, width, 28);
  return button;
}

}  // namespace

GpsWindow::GpsWindow(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint) {
  setObjectName(QString::fromLatin1(kGpsWindowClass));
  setWindowTitle(QString::fromLatin1(kGpsWindowTitle));
  qt::UseToolWindowColours(this);
  setFixedSize(qt::ToolWindowClientSize(kGpsWindowWidth, kGpsWindowHeight));

  int y = 30;
  for (const char* label : {"Latitude:", "Longitude:", "Altitude:", "Satellites:"}) {
    auto* text = new QLabel(QString::fromLatin1(label), this);
    text->setAlignment(Qt::AlignRight | Qt::AlignTop);
    Place(text, 20, y, 80, 20);
    y += 30;
  }
  latitude_ = new QLineEdit(this);
  longitude_ = new QLineEdit(this);
  for (QLineEdit* edit : {latitude_, longitude_}) edit->setReadOnly(true);
  Place(latitude_, 110, 30, 120, 20);
  Place(longitude_, 110, 60, 120, 20);
  altitude_ = new QLabel(this);
  satellites_ = new QLabel(this);
  Place(altitude_, 110, 90, 110, 20);
  Place(satellites_, 110, 120, 30, 20);
  // The computer clock against GPS time, below the documented fields.
  auto* clock_label = new QLabel(QStringLiteral("Clock offset:"), this);
  clock_label->setAlignment(Qt::AlignRight | Qt::AlignTop);
  Place(clock_label, 20, 148, 80, 20);
  clock_offset_ = new QLabel(this);
  Place(clock_offset_, 110, 148, 170, 20);
  for (QLabel* label : {clock_label, clock_offset_})
    label->setToolTip(QString::fromLatin1(kClockOffsetNoteText));

  capture_position_ = MakeButton(this, "Capture Position", 0, 67, 175, 140);
  set_time_difference_ = MakeButton(this, "Set Time Difference", 32781, 61, 225, 155);
  capture_position_->setEnabled(false);
  set_time_difference_->setEnabled(false);
  close_ = MakeButton(this, "Close", 32782, 177, 275, 70);
  close_->setDefault(true);
  connect(close_, &QPushButton::clicked, this, [this] {
    if (actions_ != nullptr) actions_->OnGpsWindowClosed();
  });
}

void GpsWindow::SetGpsField(GpsField field, std::string_view text) {
  const QString value = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
  switch (field) {
    case GpsField::kLatitude:
      latitude_->setText(value);
      break;
    case GpsField::kLongitude:
      longitude_->setText(value);
      break;
    case GpsField::kAltitude:
      altitude_->setText(value);
      break;
    case GpsField::kSatellites:
      satellites_->setText(value);
      break;
  }
}

void GpsWindow::SetGpsClockOffset(std::string_view text) {
  clock_offset_->setText(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
}

QString GpsWindow::ClockOffsetText() const { return clock_offset_->text(); }

QString GpsWindow::FieldText(GpsField field) const {
  switch (field) {
    case GpsField::kLatitude:
      return latitude_->text();
    case GpsField::kLongitude:
      return longitude_->text();
    case GpsField::kAltitude:
      return altitude_->text();
    case GpsField::kSatellites:
      return satellites_->text();
  }
  return {};
}

void GpsWindow::ShowGpsWindow() {
  show();
  update();
}

void GpsWindow::HideGpsWindow() { hide(); }

void GpsWindow::closeEvent(QCloseEvent* event) {
  // Closing ends the connection; the window itself stays for the next one.
  event->ignore();
  if (actions_ != nullptr) actions_->OnGpsWindowClosed();
}

}  // namespace vesk
