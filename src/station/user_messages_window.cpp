#include "station/user_messages_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QMenuBar>
#include <QMetaObject>
#include <QScrollBar>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextFrame>

#include "platform/qt/ui_thread.h"
#include "station/main_window.h"
#include "station/window_constants.h"
#include "station/station_resources.h"

namespace vesk {
namespace {

// The log's light gray ground, its left margin and its 10-point face.
const QColor kLogBackground(225, 225, 225);
constexpr int kLeftMargin = 7;
constexpr int kLogPointSize = 10;

void SetLeftMargin(QTextEdit* text) {
  QTextFrameFormat format = text->document()->rootFrame()->frameFormat();
  format.setLeftMargin(kLeftMargin);
  text->document()->rootFrame()->setFrameFormat(format);
}

}  // namespace

UserMessagesWindow::UserMessagesWindow(QWidget* parent) : QMainWindow(parent) {
  setObjectName(QString::fromLatin1(kUserMessagesClass));
  setWindowTitle(QString::fromLatin1(kUserMessagesTitle));
  menuBar()->setNativeMenuBar(false);
  EnableMenuBarKeys(this);
  text_ = new QTextEdit(this);
  text_->setObjectName(QStringLiteral("UserMessagesText"));
  text_->setReadOnly(true);
  text_->setUndoRedoEnabled(false);
  text_->setLineWrapMode(QTextEdit::WidgetWidth);
  QPalette palette = text_->palette();
  palette.setColor(QPalette::Base, kLogBackground);
  palette.setColor(QPalette::Text, Qt::black);
  text_->setPalette(palette);
  SetLeftMargin(text_);
  QFont font(QStringLiteral("Tahoma"));
  if (!font.exactMatch()) font = QFont();
  font.setPointSize(kLogPointSize);
  text_->setFont(font);
  // The control fills the client area whatever its size.
  setCentralWidget(text_);
}

void UserMessagesWindow::ApplyMenus(const std::vector<MenuEntry>& entries) {
  if (!menus_.Apply(menuBar(), entries, nullptr)) return;
  // Newly built: the two save commands go straight to the window's own handler.
  for (const bool clear : {false, true}) {
    QAction* action =
        menus_.action(clear ? MenuCommand::SaveMessagesAndClear : MenuCommand::SaveMessages);
    if (action == nullptr) continue;
    connect(action, &QAction::triggered, this, [this, clear] {
      if (actions_ != nullptr) actions_->OnSaveMessages(clear);
    });
  }
}

void UserMessagesWindow::AppendEntry(std::string_view entry) {
  {
    std::lock_guard<std::mutex> hold(mutex_);
    queued_.push_back(Change{false, qt::DisplayText(entry)});
  }
  // On the UI thread the queue is shown at once, earlier entries from other threads first.
  if (qt::OnUiThread()) {
    ShowQueued();
  } else {
    QMetaObject::invokeMethod(this, &UserMessagesWindow::ShowQueued, Qt::QueuedConnection);
  }
}

void UserMessagesWindow::Clear() {
  {
    std::lock_guard<std::mutex> hold(mutex_);
    queued_.push_back(Change{true, QString()});
  }
  if (qt::OnUiThread()) {
    ShowQueued();
  } else {
    QMetaObject::invokeMethod(this, &UserMessagesWindow::ShowQueued, Qt::QueuedConnection);
  }
}

void UserMessagesWindow::ShowQueued() {
  std::deque<Change> changes;
  {
    std::lock_guard<std::mutex> hold(mutex_);
    changes.swap(queued_);
  }
  if (changes.empty()) return;
  for (const Change& change : changes) {
    if (change.clear) {
      text_->clear();
      SetLeftMargin(text_);
      continue;
    }
    QTextCursor cursor(text_->document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(change.text);
  }
  // Keep the newest entry in view.
  text_->verticalScrollBar()->setValue(text_->verticalScrollBar()->maximum());
}

QString UserMessagesWindow::ShownText() {
  ShowQueued();
  return text_->toPlainText();
}

void UserMessagesWindow::closeEvent(QCloseEvent* event) { event->ignore(); }

}  // namespace vesk
