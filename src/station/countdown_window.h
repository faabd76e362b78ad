#pragma once

#include <QFont>
#include <QWidget>
#include <array>

#include "station/record_controls_layout.h"

namespace vesk {

// "Event Pending": the countdown to the next Event's recording in five panes. The scheduler
// that fills the texts comes with the Events; the window shows whatever it is given. The
// close box does nothing.
class CountdownWindow final : public QWidget {
  Q_OBJECT

 public:
  CountdownWindow(const QFont& big_font, const QFont& line_font, QWidget* parent = nullptr);

  void SetTexts(const CountdownTexts& texts);
  const CountdownTexts& texts() const { return texts_; }
  // Repaints and shows the panes in their order, then the window (an Event became pending).
  void ShowCountdown();

  QWidget* pane(CountdownPane which) const { return panes_[static_cast<std::size_t>(which)]; }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  CountdownTexts texts_;
  std::array<QWidget*, 5> panes_{};
};

}  // namespace vesk
