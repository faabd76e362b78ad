#include "platform/qt/text_fit.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QCheckBox>
#include <QEvent>
#include <QFrame>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QToolButton>
#include <QTreeWidget>
#include <algorithm>
#include <cmath>
#include <vector>

namespace vesk::qt {
namespace {

// Where a control was designed to be, and where the last fitting put it: a control found
// elsewhere has been placed anew by its window, and that place is its design from now on.
constexpr const char* kDesignRect = "veskDesignRect";
constexpr const char* kFittedRect = "veskFittedRect";
constexpr const char* kDesignColumns = "veskDesignColumns";
constexpr const char* kFittedColumns = "veskFittedColumns";

QSize TextSize(const QFont& font, const QString& text) {
  return QFontMetrics(font).size(Qt::TextShowMnemonic | Qt::TextExpandTabs, text);
}

int Metric(const QWidget* w, QStyle::PixelMetric metric) {
  return w->style()->pixelMetric(metric, nullptr, w);
}

// A cell of a list or tree: its text with the margins the view keeps on either side.
int CellNeed(const QWidget* view, const QFont& font, const QString& text) {
  return QFontMetrics(font).horizontalAdvance(text) +
         2 * (Metric(view, QStyle::PM_FocusFrameHMargin) + 1) + 2;
}

int HeaderNeed(const QHeaderView* header, const QString& text) {
  return QFontMetrics(header->font()).horizontalAdvance(text) +
         2 * Metric(header, QStyle::PM_HeaderMargin) + 4;
}

// Widgets whose children the window places itself (not through a layout).
bool IsPlainContainer(const QWidget* w) {
  const char* name = w->metaObject()->className();
  return qobject_cast<const QGroupBox*>(w) != nullptr || qstrcmp(name, "QWidget") == 0 ||
         qstrcmp(name, "QFrame") == 0;
}

void CollectPlaced(QWidget* parent, std::vector<QWidget*>* out) {
  if (parent->layout() != nullptr) return;
  for (QObject* child : parent->children()) {
    auto* w = qobject_cast<QWidget*>(child);
    if (w == nullptr || w->isWindow()) continue;
    out->push_back(w);
    if (IsPlainContainer(w)) CollectPlaced(w, out);
  }
}

QRect DesignRect(QWidget* w) {
  const QVariant design = w->property(kDesignRect);
  if (!design.isValid() || w->geometry() != w->property(kFittedRect).toRect()) {
    w->setProperty(kDesignRect, w->geometry());
    w->setProperty(kFittedRect, w->geometry());
    return w->geometry();
  }
  return design.toRect();
}

QList<int> DesignColumns(QTreeWidget* tree) {
  QList<int> now;
  for (int i = 0; i < tree->columnCount(); ++i) now.push_back(tree->header()->sectionSize(i));
  if (!tree->property(kDesignColumns).isValid() ||
      now != tree->property(kFittedColumns).value<QList<int>>()) {
    tree->setProperty(kDesignColumns, QVariant::fromValue(now));
    tree->setProperty(kFittedColumns, QVariant::fromValue(now));
    return now;
  }
  return tree->property(kDesignColumns).value<QList<int>>();
}

// The widest need of a column against its designed width.
double ColumnFactor(QTreeWidget* tree, const QList<int>& design) {
  double factor = 1.0;
  for (int i = 0; i < tree->columnCount() && i < design.size(); ++i) {
    if (design[i] <= 0 || tree->isColumnHidden(i)) continue;
    int need = HeaderNeed(tree->header(), tree->headerItem()->text(i));
    for (int row = 0; row < tree->topLevelItemCount(); ++row) {
      need = std::max(need, CellNeed(tree, tree->font(), tree->topLevelItem(row)->text(i)));
    }
    factor = std::max(factor, static_cast<double>(need) / design[i]);
  }
  return factor;
}

int Scaled(int value, double factor) { return static_cast<int>(std::lround(value * factor)); }

QRect ScaledRect(const QRect& r, double fx, double fy) {
  const int left = Scaled(r.x(), fx);
  const int top = Scaled(r.y(), fy);
  return QRect(left, top, Scaled(r.x() + r.width(), fx) - left,
               Scaled(r.y() + r.height(), fy) - top);
}

}  // namespace

QSize TextNeed(const QWidget* control) {
  if (const auto* label = qobject_cast<const QLabel*>(control)) {
    if (label->text().isEmpty() || label->wordWrap() || label->textFormat() == Qt::RichText) {
      return {};
    }
    const int frame = label->frameWidth();
    const int indent = label->indent() >= 0 ? label->indent()
                       : frame > 0         ? QFontMetrics(label->font()).horizontalAdvance('x') / 2
                                           : 0;
    const QSize text = TextSize(label->font(), label->text());
    const int chrome = 2 * (frame + label->margin());
    return {text.width() + chrome + indent + 1, text.height() + chrome};
  }
  if (qobject_cast<const QCheckBox*>(control) != nullptr ||
      qobject_cast<const QRadioButton*>(control) != nullptr ||
      qobject_cast<const QToolButton*>(control) != nullptr) {
    const auto* button = static_cast<const QAbstractButton*>(control);
    if (button->text().isEmpty()) return {};
    return button->sizeHint();
  }
  if (const auto* button = qobject_cast<const QPushButton*>(control)) {
    if (button->text().isEmpty()) return {};
    // The text and icon with the button's margins; the style's least width for a push
    // button is no need of the text's.
    const QSize text = TextSize(button->font(), button->text());
    const int icon = button->icon().isNull() ? 0 : button->iconSize().width() + 4;
    const int chrome = 2 * (Metric(button, QStyle::PM_ButtonMargin) +
                            Metric(button, QStyle::PM_DefaultFrameWidth));
    return {text.width() + icon + chrome,
            std::max(text.height(), button->icon().isNull() ? 0 : button->iconSize().height()) +
                2 * Metric(button, QStyle::PM_DefaultFrameWidth) + 2};
  }
  if (const auto* group = qobject_cast<const QGroupBox*>(control)) {
    if (group->title().isEmpty()) return {};
    return {TextSize(group->font(), group->title()).width() + 20, 0};
  }
  if (const auto* spin = qobject_cast<const QAbstractSpinBox*>(control)) {
    return spin->sizeHint();
  }
  if (const auto* list = qobject_cast<const QListWidget*>(control)) {
    int widest = 0;
    for (int row = 0; row < list->count(); ++row) {
      widest = std::max(widest, CellNeed(list, list->font(), list->item(row)->text()));
    }
    if (widest == 0) return {};
    return {widest + 2 * list->frameWidth() + Metric(list, QStyle::PM_ScrollBarExtent), 0};
  }
  return {};
}

void FitWindowToTexts(QWidget* window) {
  if (window->minimumSize() != window->maximumSize()) return;
  QSize design_size = window->property(kDesignRect).toSize();
  if (!design_size.isValid() || window->size() != window->property(kFittedRect).toSize()) {
    design_size = window->size();
    window->setProperty(kDesignRect, design_size);
  }

  std::vector<QWidget*> controls;
  CollectPlaced(window, &controls);
  std::vector<QRect> designs;
  double fx = 1.0;
  double fy = 1.0;
  for (QWidget* control : controls) {
    const QRect design = DesignRect(control);
    designs.push_back(design);
    if (!control->isVisibleTo(window)) continue;
    const QSize need = TextNeed(control);
    if (need.width() > 0 && design.width() > 0) {
      fx = std::max(fx, static_cast<double>(need.width()) / design.width());
    }
    if (need.height() > 0 && design.height() > 0) {
      fy = std::max(fy, static_cast<double>(need.height()) / design.height());
    }
    if (auto* tree = qobject_cast<QTreeWidget*>(control)) {
      fx = std::max(fx, ColumnFactor(tree, DesignColumns(tree)));
    }
  }
  for (std::size_t i = 0; i < controls.size(); ++i) {
    QWidget* control = controls[i];
    const QRect fitted = ScaledRect(designs[i], fx, fy);
    control->setGeometry(fitted);
    control->setProperty(kFittedRect, fitted);
    if (auto* tree = qobject_cast<QTreeWidget*>(control)) {
      const QList<int> columns = tree->property(kDesignColumns).value<QList<int>>();
      QList<int> scaled;
      for (int c = 0; c < columns.size(); ++c) {
        scaled.push_back(Scaled(columns[c], fx));
        tree->header()->resizeSection(c, scaled.back());
      }
      tree->setProperty(kFittedColumns, QVariant::fromValue(scaled));
    }
  }
  const QSize fitted(Scaled(design_size.width(), fx), Scaled(design_size.height(), fy));
  window->setFixedSize(fitted);
  window->setProperty(kFittedRect, fitted);
}

bool TextFitter::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Show && watched->isWidgetType()) {
    auto* widget = static_cast<QWidget*>(watched);
    if (widget->isWindow()) FitWindowToTexts(widget);
  }
  return false;
}

}  // namespace vesk::qt
