#pragma once

// "Schedule Event" (or "Edit Event"): the predicted UTC time, the duration, the name
// prefixes, the comment and the power action of one Event. Created hidden at start-up and
// only shown and hidden afterwards; closing it is Cancel.

#include <QFont>
#include <QWidget>

#include "events/schedule_event_model.h"

class QCheckBox;
class QDateTimeEdit;
class QLabel;
class QLineEdit;
class QPushButton;

namespace vesk {

inline constexpr int kScheduleEventWidth = 400;
inline constexpr int kScheduleEventHeight = 560;
inline constexpr char kEventTimeFormat[] = "MMM d',' yyyy   HH':'mm':'ss";
inline constexpr char kDurationFormat[] = "HH':'mm':'ss";

class ScheduleEventWindow final : public QWidget, public ScheduleEventView {
  Q_OBJECT

 public:
  // label_font for the static texts, edit_font for the edits and the global prefix,
  // button_font for Save and Cancel.
  ScheduleEventWindow(ScheduleEventModel& model, const QFont& label_font, const QFont& edit_font,
                      const QFont& button_font, QWidget* parent = nullptr);

  QDateTimeEdit* event_time_picker() const { return event_time_; }
  QDateTimeEdit* duration_picker() const { return duration_; }
  QLineEdit* field(EventTextField which) const;
  QCheckBox* check_box(EventCheckBox which) const;
  QLabel* global_prefix_label() const { return global_prefix_; }
  QPushButton* save_button() const { return save_; }
  QPushButton* cancel_button() const { return cancel_; }

  // ScheduleEventView
  void SetTitle(std::string_view title) override;
  void ShowForm(const ScheduleEventForm& form) override;
  ScheduleEventForm ReadForm() override;
  void SetFieldText(EventTextField field, std::string_view text) override;
  void SetChecked(EventCheckBox box, bool checked) override;
  void SetGlobalPrefix(std::string_view prefix) override;
  void ShowWindow() override;
  void HideWindow() override;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  ScheduleEventModel& model_;
  QDateTimeEdit* event_time_ = nullptr;
  QDateTimeEdit* duration_ = nullptr;
  QLineEdit* asteroid_ = nullptr;
  QLineEdit* star_ = nullptr;
  QLineEdit* comment_ = nullptr;
  QLabel* global_prefix_ = nullptr;
  QCheckBox* hibernate_ = nullptr;
  QCheckBox* shutdown_ = nullptr;
  QPushButton* save_ = nullptr;
  QPushButton* cancel_ = nullptr;
};

}  // namespace vesk
