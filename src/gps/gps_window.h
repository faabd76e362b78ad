#pragma once

#include <QWidget>
#include <array>

#include "gps/gps_control.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace vesk {

// The Close button and the close box: the connection ends.
class GpsWindowActions {
 public:
  virtual void OnGpsWindowClosed() = 0;

 protected:
  ~GpsWindowActions() = default;
};

// "USB GPS Receiver": the position the refresh reads, and Close, which ends the connection.
class GpsWindow final : public QWidget, public GpsWindowView {
  Q_OBJECT

 public:
  explicit GpsWindow(QWidget* parent = nullptr);

  void set_actions(GpsWindowActions* actions) { actions_ = actions; }

  // GpsWindowView
  void SetGpsField(GpsField field, std::string_view text) override;
  void SetGpsClockOffset(std::string_view text) override;
  void ShowGpsWindow() override;
  void HideGpsWindow() override;

  QString FieldText(GpsField field) const;
  QString ClockOffsetText() const;
  QPushButton* close_button() const { return close_; }
  QPushButton* capture_position_button() const { return capture_position_; }
  QPushButton* set_time_difference_button() const { return set_time_difference_; }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  QLineEdit* latitude_ = nullptr;
  QLineEdit* longitude_ = nullptr;
  QLabel* altitude_ = nullptr;
  QLabel* satellites_ = nullptr;
  QLabel* clock_offset_ = nullptr;
  QPushButton* capture_position_ = nullptr;
  QPushButton* set_time_difference_ = nullptr;
  QPushButton* close_ = nullptr;
  GpsWindowActions* actions_ = nullptr;
};

}  // namespace vesk
