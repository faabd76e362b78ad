#include "platform/qt/qt_message_box.h"

#include <QMessageBox>
#include <QString>

namespace vesk::qt {
namespace {

QString ToQString(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

void QtMessageBox::Show(std::string_view caption, std::string_view text) {
  QMessageBox box(QMessageBox::Critical, ToQString(caption), ToQString(text).trimmed(),
                  QMessageBox::Ok);
  box.exec();
}

bool AskYesNo(std::string_view caption, std::string_view text) {
  QMessageBox box(QMessageBox::Warning, ToQString(caption), ToQString(text),
                  QMessageBox::Yes | QMessageBox::No);
  box.setDefaultButton(QMessageBox::No);
  return box.exec() == QMessageBox::Yes;
}

}  // namespace vesk::qt
