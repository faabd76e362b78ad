#pragma once

// "View, Edit, Delete Events": the event files of the Events folder as a table, with the
// expired and order check boxes and the edit and delete buttons. Created hidden at
// start-up and only shown and hidden afterwards; closing it is Cancel.

#include <QFont>
#include <QWidget>

#include "events/event_list_model.h"

class QCheckBox;
class QLabel;
class QPushButton;
class QTreeWidget;

namespace vesk {

inline constexpr int kEventListWidth = 940;
inline constexpr int kEventListHeight = 470;
inline constexpr std::array<int, kEventListColumnCount> kEventListColumnWidths = {115, 93, 85, 293,
                                                                                  88,  88, 80, 0};

class EventListWindow final : public QWidget, public EventListView {
  Q_OBJECT

 public:
  EventListWindow(EventListModel& model, const QFont& list_font, const QFont& label_font,
                  QWidget* parent = nullptr);

  QTreeWidget* list() const { return list_; }
  QCheckBox* show_expired_box() const { return show_expired_; }
  QCheckBox* ascending_box() const { return ascending_; }
  QLabel* folder_label() const { return folder_; }
  QLabel* selection_label() const { return selection_; }
  QPushButton* edit_button() const { return edit_; }
  QPushButton* delete_button() const { return delete_; }
  QPushButton* cancel_button() const { return cancel_; }

  // EventListView
  void SetRows(const std::vector<EventListRow>& rows) override;
  void SetSelectionText(std::string_view text) override;
  void EnableEdit(bool enabled) override;
  void EnableDelete(bool enabled) override;
  void ShowWindow() override;
  void HideWindow() override;
  bool AskYesNo(std::string_view caption, std::string_view text) override;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void OnSelectionChanged();

  EventListModel& model_;
  QTreeWidget* list_ = nullptr;
  QCheckBox* show_expired_ = nullptr;
  QCheckBox* ascending_ = nullptr;
  QLabel* folder_ = nullptr;
  QLabel* selection_ = nullptr;
  QPushButton* edit_ = nullptr;
  QPushButton* delete_ = nullptr;
  QPushButton* cancel_ = nullptr;
};

}  // namespace vesk
