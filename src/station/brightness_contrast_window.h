#pragma once

#include <QFont>
#include <QWidget>

#include "station/record_controls_layout.h"

class QSlider;
class QLabel;

namespace vesk {

// What the window reports: each slider position and the close box.
class BrightnessContrastActions {
 public:
  virtual void OnPictureSliderMoved(PictureSlider which, int position) = 0;
  virtual void OnBrightnessContrastClosed() = 0;

 protected:
  ~BrightnessContrastActions() = default;
};

// "Brightness and Contrast": two sliders and their labels. The colour control they drive
// comes with the device properties; until then moving a slider reports its value to whoever
// listens. Closing the window ends the adjustment (the station restarts live video).
class BrightnessContrastWindow final : public QWidget {
  Q_OBJECT

 public:
  BrightnessContrastWindow(const QFont& label_font, QWidget* parent = nullptr);

  void set_actions(BrightnessContrastActions* actions) { actions_ = actions; }

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
  BrightnessContrastActions* actions_ = nullptr;
};

}  // namespace vesk
