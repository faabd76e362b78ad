#pragma once

#include <QImage>
#include <QWidget>
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "station/inserter_learning_model.h"

class QCheckBox;
class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTimer;
class QVBoxLayout;

namespace vesk {

inline constexpr char kInserterWindowTitle[] = "Learn the Time Inserter";
// The read-out and the picture follow the station this often.
inline constexpr int kInserterPollMilliseconds = 250;

// Where a drag on the picture goes, in the picture's points.
class StampMarkTarget {
 public:
  virtual void OnStampMarked(ViewPoint from, ViewPoint to) = 0;

 protected:
  ~StampMarkTarget() = default;
};

// The live picture, on which a drag marks the stamp.
class StampPicture final : public QWidget {
 public:
  StampPicture(StampMarkTarget& target, QWidget* parent = nullptr);
  // The frame shown at scale, with the mark (frame pixels; empty: none).
  void Show(const QImage& frame, double scale, const QRect& mark);
  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  QImage frame_;
  double scale_ = 1;
  QRect mark_;
  bool dragging_ = false;
  QPoint from_, to_;
  StampMarkTarget& target_;
};

// Where the window reports a save that failed, for the User Messages log.
class InserterWindowActions {
 public:
  virtual void OnInserterSaveFailed(const std::string& error) = 0;

 protected:
  ~InserterWindowActions() = default;
};

// "Learn the Time Inserter": the live picture to mark the stamp on, learning with its
// progress and report, the learnt digits of both fields with the doubtful ones to confirm,
// saving, and the live read-out of the inserter's time against the computer clock. It only
// shows and forwards: InserterLearningModel decides.
class InserterWindow final : public QWidget, private StampMarkTarget {
  Q_OBJECT

 public:
  // port may be null: the window says the inserter cannot be learnt, its buttons disabled.
  explicit InserterWindow(InserterPort* port, QWidget* parent = nullptr);

  InserterPort* port() const { return port_; }
  void set_actions(InserterWindowActions* actions) { actions_ = actions; }
  // Follows the station once (the timer does it while the window is shown).
  void Refresh();

  const InserterLearningModel& model() const { return model_; }
  StampPicture* picture() const { return picture_; }
  QSpinBox* seconds_field() const { return seconds_; }
  QPushButton* learn_button() const { return learn_; }
  QPushButton* stop_button() const { return stop_; }
  QPushButton* save_button() const { return save_; }
  QLabel* notice() const { return notice_; }
  QLabel* inserter_time() const { return time_; }
  QLabel* clock_offset() const { return offset_; }
  QLabel* save_result() const { return save_text_; }
  QPlainTextEdit* report() const { return report_; }
  // The confirmation box under a doubtful digit; null for a certain one.
  QCheckBox* confirm_box(int field, int digit) const;

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  void ShowDigits();
  void ShowFrame();
  void Save();
  void OnStampMarked(ViewPoint from, ViewPoint to) override;

  InserterPort* port_;
  InserterLearningModel model_;
  InserterWindowActions* actions_ = nullptr;
  std::vector<std::uint8_t> luma_;
  QImage frame_;
  double scale_ = 1;
  QTimer* timer_ = nullptr;
  QLabel* notice_ = nullptr;
  StampPicture* picture_ = nullptr;
  QLabel* mark_text_ = nullptr;
  QPushButton* clear_mark_ = nullptr;
  QSpinBox* seconds_ = nullptr;
  QPushButton* learn_ = nullptr;
  QPushButton* stop_ = nullptr;
  QProgressBar* progress_ = nullptr;
  QLabel* progress_text_ = nullptr;
  QPlainTextEdit* report_ = nullptr;
  QVBoxLayout* digits_layout_ = nullptr;
  QWidget* digits_ = nullptr;
  std::array<std::array<QCheckBox*, 10>, 2> confirm_{};
  QLabel* confirm_text_ = nullptr;
  QPushButton* save_ = nullptr;
  QLabel* save_text_ = nullptr;
  QLabel* time_ = nullptr;
  QLabel* offset_ = nullptr;
  std::size_t report_lines_ = 0;
};

}  // namespace vesk
