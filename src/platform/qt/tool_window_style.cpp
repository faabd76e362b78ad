#include "platform/qt/tool_window_style.h"

#include <QColor>
#include <QPalette>
#include <QWidget>

namespace vesk::qt {
namespace {

// The original windows' side borders and caption, taken off their outer sizes.
constexpr int kFrameWidth = 6;
constexpr int kFrameHeight = 28;

}  // namespace

QSize ToolWindowClientSize(int outer_width, int outer_height) {
  return QSize(outer_width - kFrameWidth, outer_height - kFrameHeight);
}

void UseToolWindowColours(QWidget* widget) {
  QPalette palette = widget->palette();
  palette.setColor(QPalette::Window, QColor(192, 192, 192));
  palette.setColor(QPalette::WindowText, QColor(0, 0, 0));
  widget->setPalette(palette);
  widget->setAutoFillBackground(true);
}

}  // namespace vesk::qt
