#include "events/event_list_model.h"

#include <utility>

#include "base/files.h"
#include "events/event_file.h"
#include "events/event_timing.h"

namespace vesk {
namespace {

// A two-character number of the file as the list shows it: " 3" and "3" read "03".
std::string TwoDigits(const std::string& text) {
  std::string shown = text.size() == 1 ? "0" + text : text;
  if (!shown.empty() && shown[0] == ' ') shown[0] = '0';
  return shown;
}

std::string ClockText(const std::string& hours, const std::string& minutes,
                      const std::string& seconds) {
  return TwoDigits(hours) + ":" + TwoDigits(minutes) + ":" + TwoDigits(seconds);
}

std::string EventPath(const std::string& file_name) {
  return std::string(kEventsFolder) + files::kSeparator + file_name;
}

}  // namespace

EventListItem MakeEventListItem(const std::string& file_name, const Clock& clock) {
  EventListItem item;
  item.file_name = file_name;
  EventRecord record;
  const bool read = ReadNamedEventFile(file_name, &record.FileText);
  item.readable = CompleteEventRecord(&record, clock) && read;
  item.start_time = record.StartTime;
  item.expired = record.Expired;

  const EventFileText& text = record.FileText;
  auto& columns = item.row.columns;
  const std::uint16_t month = record.EventTime.month;
  columns[0] = std::string(" ") +
               (month >= 1 && month <= 12 ? kMonthAbbreviations[month] : "") + text.EventDay +
               ", " + text.EventYear;
  columns[1] = ClockText(text.EventHour, text.EventMinute, text.EventSecond);
  columns[2] = ClockText(text.DurationHour, text.DurationMinute, text.DurationSecond);
  columns[3] = item.readable ? text.Comment : kUnreadableEventText;
  columns[4] = record.Hibernate ? kCheckMark : "";
  columns[5] = record.Shutdown ? kCheckMark : "";
  // An unreadable file has no window to be over; it is listed so it can be deleted.
  columns[6] = item.readable && record.Expired ? kCheckMark : "";
  columns[kFileNameColumn] = file_name;
  return item;
}

std::vector<EventListItem> OrderEventListItems(std::vector<EventListItem> items, bool ascending) {
  std::vector<bool> placed(items.size(), false);
  std::vector<EventListItem> ordered;
  ordered.reserve(items.size());
  for (std::size_t round = 0; round < items.size(); ++round) {
    std::size_t candidate = 0;
    while (placed[candidate]) ++candidate;
    for (std::size_t i = candidate + 1; i < items.size(); ++i) {
      if (placed[i]) continue;
      const FileTime start = items[i].start_time;
      const FileTime best = items[candidate].start_time;
      if (ascending ? start <= best : start >= best) candidate = i;
    }
    placed[candidate] = true;
    ordered.push_back(std::move(items[candidate]));
  }
  return ordered;
}

void EventListModel::Show() {
  FillEventList();
  if (view_ != nullptr) view_->ShowWindow();
}

void EventListModel::FillEventList() {
  std::vector<EventListItem> kept;
  for (const std::string& name : files::ListFiles(kEventsFolder, kEventFileSuffix)) {
    EventListItem item = MakeEventListItem(name, context_.clock);
    if (!item.readable || !item.expired || show_expired_) kept.push_back(std::move(item));
  }
  items_ = OrderEventListItems(std::move(kept), ascending_);
  if (view_ != nullptr) {
    std::vector<EventListRow> rows;
    rows.reserve(items_.size());
    for (const EventListItem& item : items_) rows.push_back(item.row);
    view_->SetRows(rows);
  }
  ClearSelection();
}

void EventListModel::ClearSelection() {
  selected_.clear();
  if (view_ == nullptr) return;
  view_->EnableEdit(false);
  view_->EnableDelete(false);
  view_->SetSelectionText(kNothingSelectedText);
}

void EventListModel::SetShowExpired(bool show) {
  show_expired_ = show;
  FillEventList();
}

void EventListModel::SetAscendingTimes(bool ascending) {
  ascending_ = ascending;
  FillEventList();
}

void EventListModel::SelectionChanged(const std::vector<std::size_t>& selected_rows) {
  selected_.clear();
  for (std::size_t row : selected_rows) {
    if (row < items_.size()) selected_.push_back(row);
  }
  if (view_ == nullptr) return;
  view_->EnableDelete(!selected_.empty());
  view_->EnableEdit(selected_.size() == 1);
  if (selected_.empty()) {
    view_->SetSelectionText(kNothingSelectedText);
  } else if (selected_.size() > 1) {
    view_->SetSelectionText(kMultipleSelectedText);
  } else {
    view_->SetSelectionText(items_[selected_.front()].file_name);
  }
}

void EventListModel::EditSelected() {
  if (selected_.empty()) return;
  context_.station.OpenEventForEditing(items_[selected_.front()].file_name);
}

void EventListModel::DeleteSelected() {
  if (selected_.empty() || view_ == nullptr) return;
  if (!view_->AskYesNo(kDeleteCaption,
                       selected_.size() >= 2 ? kDeleteManyQuestion : kDeleteOneQuestion)) {
    return;
  }
  int deleted = 0;
  for (std::size_t row : selected_) {
    const std::string path = EventPath(items_[row].file_name);
    // A file already gone is as good as deleted: the Events changed all the same.
    if (files::DeleteFile(path) || !files::PathExists(path)) {
      ++deleted;
    } else {
      context_.errors.RaiseAppError(ErrorCode::CannotDeleteEventFiles);
    }
  }
  // Nothing changed, nothing to schedule again: a reload would only arm a second countdown.
  if (deleted > 0) context_.station.RescheduleEvents();
  FillEventList();
}

void EventListModel::Cancel() {
  if (view_ != nullptr) view_->HideWindow();
}

std::string EventListModel::FolderText() const {
  return context_.current_directory + kEventsFolder;
}

}  // namespace vesk
