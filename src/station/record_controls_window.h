#pragma once

#include <QIcon>
#include <QWidget>
#include <functional>

class QPushButton;

namespace vesk {

// "Record": the Start and Stop buttons. The close box does nothing.
class RecordControlsWindow final : public QWidget {
  Q_OBJECT

 public:
  RecordControlsWindow(bool record_buttons_space, const QIcon& record_icon, const QIcon& stop_icon,
                       QWidget* parent = nullptr);

  void set_on_start(std::function<void()> on_start) { on_start_ = std::move(on_start); }
  void set_on_stop(std::function<void()> on_stop) { on_stop_ = std::move(on_stop); }

  QPushButton* start_button() const { return start_; }
  QPushButton* stop_button() const { return stop_; }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  QPushButton* start_ = nullptr;
  QPushButton* stop_ = nullptr;
  std::function<void()> on_start_;
  std::function<void()> on_stop_;
};

}  // namespace vesk
