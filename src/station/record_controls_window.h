#pragma once

#include <QIcon>
#include <QWidget>

class QPushButton;

namespace vesk {

// What the Start and Stop buttons do.
class RecordControlsActions {
 public:
  virtual void OnStartButton() = 0;
  virtual void OnStopButton() = 0;

 protected:
  ~RecordControlsActions() = default;
};

// "Record": the Start and Stop buttons. The close box does nothing.
class RecordControlsWindow final : public QWidget {
  Q_OBJECT

 public:
  RecordControlsWindow(bool record_buttons_space, const QIcon& record_icon, const QIcon& stop_icon,
                       QWidget* parent = nullptr);

  void set_actions(RecordControlsActions* actions) { actions_ = actions; }

  QPushButton* start_button() const { return start_; }
  QPushButton* stop_button() const { return stop_; }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  QPushButton* start_ = nullptr;
  QPushButton* stop_ = nullptr;
  RecordControlsActions* actions_ = nullptr;
};

}  // namespace vesk
