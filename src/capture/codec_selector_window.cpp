#include "capture/codec_selector_window.h"

#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

#include "platform/qt/dialog_units.h"

namespace vesk {

CodecSelectorWindow::CodecSelectorWindow(CodecSelectorModel& model, QWidget* parent)
    : QDialog(parent), model_(model) {
  const DialogUnits du = UseDialogTemplateFont(this, kCodecSelectorTitle, 234, 191);
  PlaceControl(new QLabel(QString::fromLatin1(kCodecSelectorPrompt), this), 1030,
               du.Rect(15, 20, 104, 8));
  subtype_ = PlaceControl(new QLabel(QString::fromStdString(model_.subtype_label()), this), 1234,
                          du.Rect(121, 20, 94, 8));
  list_ = PlaceControl(new QListWidget(this), 1031, du.Rect(49, 38, 134, 95));
  QFont list_font(QStringLiteral("Consolas"));
  list_font.setPixelSize(18);
  list_->setFont(list_font);
  for (const std::string& row : model_.rows()) list_->addItem(QString::fromStdString(row));
  if (const auto row = model_.selected_row()) list_->setCurrentRow(static_cast<int>(*row));
  save_box_ = PlaceControl(new QCheckBox(QString::fromLatin1(kCodecSelectorSaveBox), this), 1235,
                           du.Rect(59, 146, 112, 10));
  ok_ = PlaceControl(new QPushButton(QString::fromLatin1(CodecSelectorModel::OkButtonText(false)),
                                     this),
                     1080, du.Rect(49, 170, 36, 14));
  auto* cancel =
      PlaceControl(new QPushButton(QStringLiteral("Cancel"), this), 1038, du.Rect(147, 170, 36, 14));
  connect(save_box_, &QCheckBox::toggled, this, [this](bool checked) {
    ok_->setText(QString::fromLatin1(CodecSelectorModel::OkButtonText(checked)));
  });
  connect(ok_, &QPushButton::clicked, this, [this] {
    std::optional<std::size_t> row;
    if (list_->currentRow() >= 0 && list_->currentItem() != nullptr &&
        list_->currentItem()->isSelected()) {
      row = static_cast<std::size_t>(list_->currentRow());
    }
    done(model_.Ok(row, save_box_->isChecked()));
  });
  connect(cancel, &QPushButton::clicked, this, &CodecSelectorWindow::reject);
}

}  // namespace vesk
