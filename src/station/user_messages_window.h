#pragma once

#include <QMainWindow>
#include <QString>
#include <deque>
#include <functional>
#include <mutex>
#include <vector>

#include "base/message_view.h"
#include "station/main_window.h"
#include "station/menu_model.h"

class QTextEdit;
class QAction;

namespace vesk {

// "User Messages": the read-only log of every report, with its File menu. It cannot be
// closed. Entries may come from any thread; they are shown on the UI thread in log order.
class UserMessagesWindow final : public QMainWindow, public MessageView {
  Q_OBJECT

 public:
  explicit UserMessagesWindow(QWidget* parent = nullptr);

  // "Save Messages" (false) and "Save Messages and Clear" (true).
  void set_on_save(std::function<void(bool clear)> on_save) { on_save_ = std::move(on_save); }

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
  std::function<void(bool)> on_save_;
  MenuBarActions menus_;
  std::mutex mutex_;
  std::deque<Change> queued_;
};

}  // namespace vesk
