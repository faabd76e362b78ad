#pragma once

#include <QMainWindow>
#include <array>
#include <string>
#include <vector>

#include "station/menu_model.h"

class QMenuBar;
class QMenu;
class QScrollArea;
class QAction;

namespace vesk {

class VideoRecordWindow;

// Where a menu bar's chosen items go, by their command identifier.
class MenuCommandTarget {
 public:
  virtual void OnMenuCommand(int identifier) = 0;

 protected:
  ~MenuCommandTarget() = default;
};

// A window's menu bar built from the menu model: popups, items with their command identifiers
// (as the action's data), check marks, separators and graying. The menus are built once and
// kept with each command's action; a new menu state only changes graying and check marks.
class MenuBarActions {
 public:
  // Builds the bar on the first call (choosing an item goes to target, when given); afterwards
  // brings the kept menus to the entries' state. Entries of another shape build the bar anew.
  // True when the bar was built, its actions new.
  bool Apply(QMenuBar* bar, const std::vector<MenuEntry>& entries, MenuCommandTarget* target);
  // The action of a command, or null when the bar has no such item.
  QAction* action(MenuCommand command) const;

 private:
  struct Popup {
    std::string text;
    QMenu* menu = nullptr;
    bool on_bar = false;  // a title of the bar rather than a submenu
  };
  void Build(QMenuBar* bar, const std::vector<MenuEntry>& entries, MenuCommandTarget* target);
  void BuildMenu(QMenu* menu, const std::vector<MenuEntry>& entries, MenuCommandTarget* target);
  bool Update(const std::vector<MenuEntry>& entries, std::size_t* next_popup);

  std::array<QAction*, kAllMenuCommandCount> items_{};
  std::vector<Popup> popups_;  // in the entries' order, each before its children
};

// Makes the window's menu bar reachable from the keyboard as on any desktop: F10 opens the
// first menu; Alt pressed and released alone selects the first title, from where the arrow
// keys move; Alt with a title's underlined letter opens that menu.
void EnableMenuBarKeys(QMainWindow* window);

// What the main window's observer does: its menu commands, the close box (the station decides,
// stopping a recording first, and calls AllowClose) and each resize.
class MainWindowActions {
 public:
  virtual void OnMenuCommand(int identifier) = 0;
  virtual void OnMainWindowClose() = 0;
  virtual void OnMainWindowResized() = 0;

 protected:
  ~MainWindowActions() = default;
};

// The main window "VESK Video Capture Version 2": the menu bar and, in its client area, the
// live video, straight or inside the scrolling container when it does not fit. It holds no
// rule: commands, closing and resizing go to the station.
class MainWindow final : public QMainWindow, private MenuCommandTarget {
  Q_OBJECT

 public:
  explicit MainWindow(QWidget* parent = nullptr);

  void set_actions(MainWindowActions* actions) { actions_ = actions; }

  void ApplyMenus(const std::vector<MenuEntry>& entries);
  QAction* action(MenuCommand command) const { return menus_.action(command); }

  // The video record window goes into the client area, or into the scrolling container.
  void AttachVideoWindow(VideoRecordWindow* video);
  QScrollArea* CreateScrollContainer();
  QScrollArea* scroll_container() const { return scroll_; }
  VideoRecordWindow* video_window() const { return video_; }
  // Where the video sits: in the client area (false) or the scrolling container (true).
  void PutVideoInScrollContainer(bool in_container, const QRect& container);
  bool video_in_scroll_container() const;

  // The client area the video gets (below the menu bar).
  QSize VideoClientSize() const;

  // From now on the window may close (after the station has stopped everything).
  void AllowClose() { close_allowed_ = true; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void OnMenuCommand(int identifier) override;

  MainWindowActions* actions_ = nullptr;
  MenuBarActions menus_;
  QWidget* client_ = nullptr;
  VideoRecordWindow* video_ = nullptr;
  QScrollArea* scroll_ = nullptr;
  bool close_allowed_ = false;
};

}  // namespace vesk
