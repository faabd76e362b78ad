#include "station/main_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QMenu>
#include <QMenuBar>
#include <QProxyStyle>
#include <QScrollArea>
#include <QScrollBar>
#include <QShortcut>

#include "station/record_controls_layout.h"
#include "station/window_constants.h"
#include "station/video_record_window.h"

namespace vesk {
namespace {

const QColor kGray(128, 128, 128);

void SetBackground(QWidget* widget, const QColor& colour) {
  QPalette palette = widget->palette();
  palette.setColor(QPalette::Window, colour);
  widget->setPalette(palette);
  widget->setAutoFillBackground(true);
}

void SetPopupEnabled(QMenu* menu, bool on_bar, bool enabled) {
  if (on_bar) {
    menu->menuAction()->setEnabled(enabled);
  } else {
    menu->setEnabled(enabled);
  }
}

void SetItemState(QAction* action, const MenuEntry& entry) {
  action->setCheckable(entry.checkable);
  action->setChecked(entry.checked);
  action->setEnabled(entry.enabled);
}

// A title as shown with its mnemonic: the first of its letters no other title of the bar
// uses is underlined; the text itself is unchanged.
QString WithMnemonic(const QString& title, QString* used) {
  QString text = title;
  text.replace(QLatin1Char('&'), QStringLiteral("&&"));
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar letter = text.at(i).toUpper();
    if (!letter.isLetter() || used->contains(letter)) continue;
    used->append(letter);
    return text.left(i) + QLatin1Char('&') + text.mid(i);
  }
  return text;
}

// Alt alone selects the first menu title whatever the desktop style says.
class AltKeyNavigationStyle final : public QProxyStyle {
 public:
  int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                QStyleHintReturn* data) const override {
    if (hint == QStyle::SH_MenuBar_AltKeyNavigation) return 1;
    return QProxyStyle::styleHint(hint, option, widget, data);
  }
};

}  // namespace

bool MenuBarActions::Apply(QMenuBar* bar, const std::vector<MenuEntry>& entries,
                           MenuCommandTarget* target) {
  std::size_t next_popup = 0;
  if (!popups_.empty() && Update(entries, &next_popup) && next_popup == popups_.size()) {
    return false;
  }
  Build(bar, entries, target);
  return true;
}

QAction* MenuBarActions::action(MenuCommand command) const {
  const auto n = static_cast<std::size_t>(command);
  return n < items_.size() ? items_[n] : nullptr;
}

void MenuBarActions::Build(QMenuBar* bar, const std::vector<MenuEntry>& entries,
                           MenuCommandTarget* target) {
  // The old menus go with their actions, once the command that may be running from one of
  // them has returned.
  for (QAction* title : bar->actions()) {
    if (QMenu* menu = title->menu()) menu->deleteLater();
  }
  bar->clear();
  items_.fill(nullptr);
  popups_.clear();
  QString mnemonics;
  for (const MenuEntry& entry : entries) {
    if (entry.kind != MenuEntryKind::Popup) continue;
    QMenu* popup = bar->addMenu(WithMnemonic(QString::fromStdString(entry.text), &mnemonics));
    popups_.push_back({entry.text, popup, true});
    SetPopupEnabled(popup, true, entry.enabled);
    BuildMenu(popup, entry.children, target);
  }
}

void MenuBarActions::BuildMenu(QMenu* menu, const std::vector<MenuEntry>& entries,
                               MenuCommandTarget* target) {
  for (const MenuEntry& entry : entries) {
    switch (entry.kind) {
      case MenuEntryKind::Separator:
        menu->addSeparator();
        break;
      case MenuEntryKind::Popup: {
        QMenu* popup = menu->addMenu(QString::fromStdString(entry.text));
        popups_.push_back({entry.text, popup, false});
        SetPopupEnabled(popup, false, entry.enabled);
        BuildMenu(popup, entry.children, target);
        break;
      }
      case MenuEntryKind::Item: {
        QAction* action = menu->addAction(QString::fromStdString(entry.text));
        action->setData(entry.id);
        SetItemState(action, entry);
        if (entry.command) items_[static_cast<std::size_t>(*entry.command)] = action;
        if (target != nullptr) {
          const int id = entry.id;
          QObject::connect(action, &QAction::triggered, menu,
                           [target, id] { target->OnMenuCommand(id); });
        }
        break;
      }
    }
  }
}

bool MenuBarActions::Update(const std::vector<MenuEntry>& entries, std::size_t* next_popup) {
  for (const MenuEntry& entry : entries) {
    if (entry.kind == MenuEntryKind::Popup) {
      if (*next_popup >= popups_.size()) return false;
      const Popup& popup = popups_[(*next_popup)++];
      if (popup.text != entry.text) return false;
      SetPopupEnabled(popup.menu, popup.on_bar, entry.enabled);
      if (!Update(entry.children, next_popup)) return false;
    } else if (entry.kind == MenuEntryKind::Item) {
      QAction* kept = entry.command ? action(*entry.command) : nullptr;
      if (kept == nullptr || kept->data().toInt() != entry.id ||
          kept->text() != QString::fromStdString(entry.text)) {
        return false;
      }
      SetItemState(kept, entry);
    }
  }
  return true;
}

void EnableMenuBarKeys(QMainWindow* window) {
  QMenuBar* bar = window->menuBar();
  auto* style = new AltKeyNavigationStyle;
  style->setParent(bar);
  bar->setStyle(style);
  auto* f10 = new QShortcut(QKeySequence(Qt::Key_F10), window);
  f10->setContext(Qt::WindowShortcut);
  QObject::connect(f10, &QShortcut::activated, bar, [bar] {
    for (QAction* action : bar->actions()) {
      if (action->isEnabled() && action->isVisible() && !action->isSeparator()) {
        bar->setActiveAction(action);
        return;
      }
    }
  });
}

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent) {
  setObjectName(QString::fromLatin1(kMainWindowClass));
  SetBackground(this, kGray);
  client_ = new QWidget(this);
  client_->setObjectName(QStringLiteral("VideoClientArea"));
  SetBackground(client_, kGray);
  setCentralWidget(client_);
  // The menu bar belongs to the window on every desktop, so its height counts in the frame.
  menuBar()->setNativeMenuBar(false);
  EnableMenuBarKeys(this);
  move(kMainWindowCreatedRect.x, kMainWindowCreatedRect.y);
  resize(kMainWindowCreatedRect.width, kMainWindowCreatedRect.height);
}

void MainWindow::ApplyMenus(const std::vector<MenuEntry>& entries) {
  menus_.Apply(menuBar(), entries, this);
}

void MainWindow::OnMenuCommand(int identifier) {
  if (actions_ != nullptr) actions_->OnMenuCommand(identifier);
}

void MainWindow::AttachVideoWindow(VideoRecordWindow* video) {
  video_ = video;
  video_->setParent(client_);
  video_->move(0, 0);
}

QScrollArea* MainWindow::CreateScrollContainer() {
  scroll_ = new QScrollArea(client_);
  scroll_->setObjectName(QString::fromLatin1(kScrollWindowClass));
  scroll_->setWidgetResizable(false);
  scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  scroll_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  scroll_->horizontalScrollBar()->setSingleStep(kScrollLineStep);
  scroll_->verticalScrollBar()->setSingleStep(kScrollLineStep);
  SetBackground(scroll_, kGray);
  scroll_->setGeometry(0, 0, 100, 100);
  scroll_->hide();
  return scroll_;
}

bool MainWindow::video_in_scroll_container() const {
  return scroll_ != nullptr && video_ != nullptr && scroll_->widget() == video_;
}

void MainWindow::PutVideoInScrollContainer(bool in_container, const QRect& container) {
  if (video_ == nullptr || scroll_ == nullptr) return;
  const bool visible = !video_->isHidden();
  if (in_container) {
    if (!video_in_scroll_container()) scroll_->setWidget(video_);
    scroll_->setGeometry(container);
    scroll_->show();
  } else {
    if (video_in_scroll_container()) {
      scroll_->takeWidget();
      video_->setParent(client_);
    }
    video_->move(0, 0);
    scroll_->hide();
  }
  video_->setVisible(visible);
}

QSize MainWindow::VideoClientSize() const {
  const int menu_height =
      menuBar()->isVisible() ? menuBar()->height() : menuBar()->sizeHint().height();
  return QSize(width(), height() - menu_height);
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (close_allowed_) {
    event->accept();
    return;
  }
  event->ignore();
  if (actions_ != nullptr) actions_->OnMainWindowClose();
}

void MainWindow::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  if (actions_ != nullptr) actions_->OnMainWindowResized();
}

}  // namespace vesk
