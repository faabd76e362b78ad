#pragma once

// The rules of the Event list window: the rows built from the event files of the Events
// folder (texts, expired filter, order by recording start), the selection and what it
// allows, opening one Event for editing and deleting event files.

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "base/clock.h"
#include "base/error_table.h"
#include "base/message_log.h"
#include "base/system_time.h"
#include "events/event_windows_station.h"

namespace vesk {

inline constexpr char kEventListWindowClass[] = "ViewEvents";
inline constexpr char kEventListTitle[] = "View, Edit, Delete Events";
inline constexpr char kNothingSelectedText[] = "nothing selected";
inline constexpr char kMultipleSelectedText[] = "multiple events selected";
inline constexpr char kDeleteCaption[] = "Attention";
inline constexpr char kDeleteOneQuestion[] = "You are about to delete an event file.  Continue?";
inline constexpr char kDeleteManyQuestion[] = "You are about to delete event files.  Continue?";
inline constexpr char kCheckMark[] = "\xE2\x9C\x93";  // U+2713
// The comment column of a file that does not hold a readable Event.
inline constexpr char kUnreadableEventText[] = "(unreadable event file)";

inline constexpr std::size_t kEventListColumnCount = 8;
// The last column holds the file name and is not shown.
inline constexpr std::size_t kFileNameColumn = 7;

struct EventListRow {
  std::array<std::string, kEventListColumnCount> columns;
};

// One event file while the rows are built.
struct EventListItem {
  std::string file_name;  // without the folder
  FileTime start_time = 0;
  bool expired = false;
  bool readable = true;
  EventListRow row;
};

// Orders items by start time with the selection procedure the list has always used: the
// first unplaced item is the candidate, and every later one that is earlier (ascending) or
// later (descending) than it or equal takes its place; ties therefore go to the item found
// later.
std::vector<EventListItem> OrderEventListItems(std::vector<EventListItem> items, bool ascending);

// The item of the file: its row texts, start and expiry at the clock's time.
EventListItem MakeEventListItem(const std::string& file_name, const Clock& clock);

class EventListView {
 public:
  virtual ~EventListView() = default;
  virtual void SetRows(const std::vector<EventListRow>& rows) = 0;
  virtual void SetSelectionText(std::string_view text) = 0;
  virtual void EnableEdit(bool enabled) = 0;
  virtual void EnableDelete(bool enabled) = 0;
  // Shown and brought to the top; hidden.
  virtual void ShowWindow() = 0;
  virtual void HideWindow() = 0;
  // Yes and No, information icon. True only for Yes.
  virtual bool AskYesNo(std::string_view caption, std::string_view text) = 0;
};

struct EventListContext {
  const Clock& clock;
  MessageLog& log;
  ErrorReporter& errors;
  // The station's home folder with its trailing separator.
  std::string current_directory;
  // Edit opens the file there; a delete schedules the Events again.
  EventWindowsStation& station;
};

class EventListModel {
 public:
  explicit EventListModel(EventListContext context) : context_(std::move(context)) {}

  void set_view(EventListView* view) { view_ = view; }

  // "Edit and Delete...": the rows rebuilt, nothing selected, the window on top.
  void Show();
  // The rows rebuilt from the files; the selection is gone with the old rows.
  void FillEventList();

  void SetShowExpired(bool show);
  void SetAscendingTimes(bool ascending);
  // The rows the observer has selected, by index into the rows last set.
  void SelectionChanged(const std::vector<std::size_t>& selected_rows);
  void EditSelected();
  void DeleteSelected();
  void Cancel();

  // The folder path shown under the list.
  std::string FolderText() const;
  const std::vector<EventListItem>& items() const { return items_; }

 private:
  void ClearSelection();

  EventListContext context_;
  EventListView* view_ = nullptr;
  bool show_expired_ = false;
  bool ascending_ = false;
  std::vector<EventListItem> items_;
  std::vector<std::size_t> selected_;
};

}  // namespace vesk
