#include "config/miscellaneous_options_window.h"

#include <QCheckBox>
#include <QPushButton>

#include "platform/qt/dialog_units.h"

namespace vesk {

namespace {

QFont Tahoma(int pixels) {
  QFont font(QStringLiteral("Tahoma"));
  font.setPixelSize(pixels);
  return font;
}

}  // namespace

MiscellaneousOptionsWindow::MiscellaneousOptionsWindow(MiscellaneousOptionsModel& model,
                                                       QWidget* parent)
    : QWidget(parent, Qt::Tool), model_(model) {
  setObjectName(QString::fromLatin1(kMiscellaneousOptionsClass));
  setWindowTitle(QString::fromLatin1(kMiscellaneousOptionsTitle));
  setFixedSize(380, 200);
  spacing_ = PlaceControl(new QCheckBox(QStringLiteral(" Spacing around record buttons"), this),
                          32950, QRect(30, 30, 225, 25));
  gps_ = PlaceControl(
      new QCheckBox(QStringLiteral(" Automatically start USB GPS if connected"), this), 32951,
      QRect(30, 55, 295, 25));
  save_ = PlaceControl(new QPushButton(QStringLiteral("Save"), this), 32948, QRect(40, 120, 70, 28));
  cancel_ =
      PlaceControl(new QPushButton(QStringLiteral("Cancel"), this), 32949, QRect(200, 120, 70, 28));
  for (QCheckBox* box : {spacing_, gps_}) box->setFont(Tahoma(18));
  for (QPushButton* button : {save_, cancel_}) button->setFont(Tahoma(20));
  connect(spacing_, &QCheckBox::clicked, this, [this](bool checked) {
    model_.SetSpacing(checked);
    save_->setEnabled(model_.SaveEnabled());
  });
  connect(gps_, &QCheckBox::clicked, this, [this](bool checked) {
    model_.SetAutostartGps(checked);
    save_->setEnabled(model_.SaveEnabled());
  });
  connect(save_, &QPushButton::clicked, this, [this] {
    model_.Save();
    hide();
  });
  connect(cancel_, &QPushButton::clicked, this, &QWidget::hide);
}

void MiscellaneousOptionsWindow::Open() {
  model_.Open();
  spacing_->setChecked(model_.spacing());
  gps_->setChecked(model_.autostart_gps());
  save_->setEnabled(false);
  show();
  raise();
}

}  // namespace vesk
