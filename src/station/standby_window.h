#pragma once

#include <QFont>
#include <QWidget>

class QLabel;

namespace vesk {

// "Stand by...": shown while a long blocking operation runs (the GPS port scan).
class StandByWindow final : public QWidget {
  Q_OBJECT

 public:
  explicit StandByWindow(const QFont& text_font, QWidget* parent = nullptr);
  QLabel* label() const { return label_; }

 private:
  QLabel* label_ = nullptr;
};

}  // namespace vesk
