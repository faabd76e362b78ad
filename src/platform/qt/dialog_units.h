#pragma once

// Dialog units to pixels by a font's average character width and height, as dialog
// templates lay out their controls.

#include <QDialog>
#include <QFont>
#include <QFontMetrics>
#include <QRect>
#include <QString>
#include <QWidget>
#include <algorithm>

namespace vesk {

class DialogUnits {
 public:
  explicit DialogUnits(const QFont& font) {
    const QFontMetrics metrics(font);
    const int alphabet = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    base_x_ = std::max(1, (alphabet / 26 + 1) / 2);
    base_y_ = std::max(1, metrics.height());
  }
  int X(int units) const { return (units * base_x_ + 2) / 4; }
  int Y(int units) const { return (units * base_y_ + 4) / 8; }
  QRect Rect(int x, int y, int width, int height) const {
    return QRect(X(x), Y(y), X(width), Y(height));
  }

 private:
  int base_x_ = 1;
  int base_y_ = 1;
};

// A control named by its identifier, where the template puts it.
template <typename Control>
Control* PlaceControl(Control* control, int id, const QRect& rect) {
  control->setObjectName(QString::number(id));
  control->setGeometry(rect);
  return control;
}

// A dialog template's title, font (Tahoma 11) and size; its units for the controls.
inline DialogUnits UseDialogTemplateFont(QDialog* dialog, const char* title, int width,
                                         int height) {
  dialog->setWindowTitle(QString::fromLatin1(title));
  QFont font(QStringLiteral("Tahoma"));
  font.setPointSize(11);
  dialog->setFont(font);
  const DialogUnits units(font);
  dialog->setFixedSize(units.X(width), units.Y(height));
  return units;
}

}  // namespace vesk
