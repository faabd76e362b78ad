#include "station/countdown_window.h"

#include <QCloseEvent>
#include <QPainter>

#include "platform/qt/tool_window_style.h"
#include "station/station_resources.h"

namespace vesk {
namespace {

class CountdownPaneWidget final : public QWidget {
 public:
  CountdownPaneWidget(CountdownWindow* owner, CountdownPane pane, const QFont& font)
      : QWidget(owner), owner_(owner), pane_(pane), layout_(CountdownPaneLayoutOf(pane)) {
    setObjectName(QStringLiteral("CountdownPane%1").arg(static_cast<int>(pane)));
    setFont(font);
    setGeometry(layout_.rect.x, layout_.rect.y, layout_.rect.width, layout_.rect.height);
    qt::UseToolWindowColours(this);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Window));
    if (layout_.border) {
      painter.setPen(Qt::black);
      painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
    painter.setPen(Qt::black);
    const QString text = qt::DisplayText(CountdownPaneText(pane_, owner_->texts()));
    // The pane's size is fixed: where the desktop's font is wider than the original's, the
    // font is made smaller until the whole text fits, with the same margin on the right as
    // on the left, and its cell within the pane.
    QFont fitted = font();
    if (fitted.pixelSize() <= 0) fitted.setPixelSize(QFontInfo(fitted).pixelSize());
    const int room = width() - 2 * layout_.text_at.x;
    while (fitted.pixelSize() > 6 && (QFontMetrics(fitted).horizontalAdvance(text) > room ||
                                      QFontMetrics(fitted).height() > height())) {
      fitted.setPixelSize(fitted.pixelSize() - 1);
    }
    painter.setFont(fitted);
    // Texts are placed by their top-left corner, as the original draws them.
    const QFontMetrics metrics(fitted);
    painter.drawText(layout_.text_at.x, layout_.text_at.y + metrics.ascent(), text);
  }

 private:
  CountdownWindow* owner_;
  CountdownPane pane_;
  CountdownPaneLayout layout_;
};

}  // namespace

CountdownWindow::CountdownWindow(const QFont& big_font, const QFont& line_font, QWidget* parent)
    : QWidget(parent, Qt::Window) {
  setObjectName(QString::fromLatin1(kCountdownWindowClass));
  setWindowTitle(QString::fromLatin1(kCountdownPendingTitle));
  qt::UseToolWindowColours(this);
  setFixedSize(qt::ToolWindowClientSize(kCountdownWindowRect.width, kCountdownWindowRect.height));
  move(kCountdownWindowRect.x, kCountdownWindowRect.y);
  for (CountdownPane pane : kCountdownPanes) {
    const bool big = CountdownPaneLayoutOf(pane).font == CountdownFont::Tahoma72;
    panes_[static_cast<std::size_t>(pane)] =
        new CountdownPaneWidget(this, pane, big ? big_font : line_font);
  }
}

void CountdownWindow::SetTexts(const CountdownTexts& texts) {
  texts_ = texts;
  for (QWidget* pane : panes_) pane->update();
}

void CountdownWindow::ShowCountdown() {
  for (CountdownPane pane : kShowCountdownOrder) {
    QWidget* widget = panes_[static_cast<std::size_t>(pane)];
    widget->update();
    widget->show();
  }
  show();
}

void CountdownWindow::closeEvent(QCloseEvent* event) { event->ignore(); }

}  // namespace vesk
