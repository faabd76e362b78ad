#pragma once

#include <QFont>
#include <QWidget>
#include <functional>

#include "station/record_controls_layout.h"

class QSlider;
class QLabel;

namespace vesk {

// "Brightness and Contrast": two sliders and their labels. The colour control they drive
// comes with the device properties; until then moving a slider reports its value to whoever
// listens. Closing the window ends the adjustment (the station restarts live video).
class BrightnessContrastWindow final : public QWidget {
  Q_OBJECT

 public:
  BrightnessContrastWindow(const QFont& label_font, QWidget* parent = nullptr);

  void set_on_close(std::function<void()> on_close) { on_close_ = std::move(on_close); }
  void set_on_value(std::function<void(PictureSlider, int)> on_value) {
    on_value_ = std::move(on_value);
  }

  // Both sliders back to their middle.
  void ResetSliders();
  QSlider* slider(PictureSlider which) const;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  QSlider* MakeSlider(const SliderLayout& layout, PictureSlider which);
  QLabel* MakeLabel(const SliderLabelLayout& layout, const QFont& font);

  QSlider* brightness_ = nullptr;
  QSlider* contrast_ = nullptr;
  std::function<void()> on_close_;
  std::function<void(PictureSlider, int)> on_value_;
};

}  // namespace vesk
