#pragma once

#include <QDialog>
#include <QFont>
#include <functional>

#include "base/power.h"

class QLabel;
class QPushButton;
class QTimer;

namespace vesk {

// The 30-second countdown before hibernation or power-off. Modal, without blocking the
// station's loop: the answer goes to done, once. Cancel and Escape cancel; the close box
// lets the action happen at once; the counter running out too.
class PowerCountdownWindow final : public QDialog {
  Q_OBJECT

 public:
  PowerCountdownWindow(PowerActionKind kind, const QFont& time_font,
                       std::function<void(PowerCountdownResult)> done, QWidget* parent = nullptr);

  // Shown and raised; the counter starts.
  void Start();
  // One second has passed.
  void Tick();
  // Ends the countdown as if its result came from the observer (the station's exit cancels).
  void End(PowerCountdownResult result);

  QLabel* time_label() const { return time_; }
  QPushButton* cancel_button() const { return cancel_; }
  bool finished() const { return !done_; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  void reject() override;

 private:
  QLabel* time_ = nullptr;
  QPushButton* cancel_ = nullptr;
  QTimer* timer_ = nullptr;
  int seconds_ = 0;
  std::function<void(PowerCountdownResult)> done_;
};

}  // namespace vesk
