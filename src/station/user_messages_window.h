#pragma once

#include <QMainWindow>
#include <QString>
#include <deque>
#include <mutex>
#include <vector>

#include "base/message_view.h"
#include "station/main_window.h"
#include "station/menu_model.h"

class QTextEdit;
class QAction;

namespace vesk {

// "Save Messages" (false) and "Save Messages and Clear" (true) of the File menu.
class UserMessagesActions {
 public:
  virtual void OnSaveMessages(bool clear) = 0;

 protected:
  ~UserMessagesActions() = default;
};

// "User Messages": the read-only log of every report, with its File menu. It cannot be
// closed. Entries may come from any thread; they are shown on the UI thread in log order.
class UserMessagesWindow final : public QMainWindow, public MessageView {
  Q_OBJECT

 public:
  explicit UserMessagesWindow(QWidget* parent = nullptr);

  void set_actions(UserMessagesActions* actions) { actions_ = actions; }

  void ApplyMenus(const std::vector<MenuEntry>& entries);
  QAction* action(MenuCommand command) const { return menus_.action(command); }

  void AppendEntry(std::string_view entry) override;
  void Clear() override;

  QTextEdit* text_edit() const { return text_; }
  // The text as shown, after every entry handed over so far has arrived.
  QString ShownText();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  struct Change {
    bool clear = false;
    QString text;
  };
  void ShowQueued();

  QTextEdit* text_ = nullptr;
  UserMessagesActions* actions_ = nullptr;
  MenuBarActions menus_;
  std::mutex mutex_;
  std::deque<Change> queued_;
};

}  // namespace vesk
