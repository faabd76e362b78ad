#pragma once

// The look every small tool window of the station shares: its size given as the outer
// window's, and black static text on a light gray ground.

#include <QSize>

class QWidget;

namespace vesk::qt {

// Tool windows are sized like the original's outer windows; the client gets this less.
QSize ToolWindowClientSize(int outer_width, int outer_height);
// Light gray tool-window ground with black static text.
void UseToolWindowColours(QWidget* widget);

}  // namespace vesk::qt
