#pragma once

// "Pixel Saturation": the slider that sets the highlighting threshold of the running video
// at once, the three choices of what to keep, OK/Save and Cancel. Created hidden at
// start-up and only shown and hidden afterwards; closing it is Cancel.

#include <QWidget>

#include "analysis/analysis_settings.h"

class QLabel;
class QPushButton;
class QRadioButton;
class QSlider;

namespace vesk {

inline constexpr char kPixelSaturationWindowClass[] = "PixelSaturation";
inline constexpr char kPixelSaturationTitle[] = "Pixel Saturation";
inline constexpr char kPixelSaturationPrompt[] = "Set pixel saturation value, range 50 to 255";
inline constexpr char kSaturationSliderText[] = "Trackbar Window";
inline constexpr char kUseCurrentValueText[] = "Use current value and close window";
inline constexpr char kSaveAsDefaultText[] =
    "Use current value as options default and close window";
inline constexpr char kRemoveDefaultText[] =
    "Remove saturation default from options and close window";
inline constexpr char kSaturationCancelText[] = "Cancel";
inline constexpr int kUseCurrentValueId = 32858;
inline constexpr int kSaveAsDefaultId = 32859;
inline constexpr int kRemoveDefaultId = 32860;
inline constexpr int kSaturationOkId = 32861;
inline constexpr int kSaturationCancelId = 32862;
inline constexpr int kPixelSaturationWidth = 650;
inline constexpr int kPixelSaturationHeight = 370;

class PixelSaturationWindow final : public QWidget {
  Q_OBJECT

 public:
  explicit PixelSaturationWindow(AnalysisControls& controls, QWidget* parent = nullptr);

  // The main window's "Pixel Saturation...": the slider goes to the value in use when it is
  // 50 to 255, the window shows on top, and highlighting is switched on (restarting the
  // video) unless it already is.
  void OpenFromMenu();

  SaturationChoice checked_choice() const;
  QSlider* slider() const { return slider_; }
  QRadioButton* choice_button(SaturationChoice choice) const;
  QPushButton* ok_button() const { return ok_; }
  QPushButton* cancel_button() const { return cancel_; }

 signals:
  // The observer moved the slider; the running threshold already has the value.
  void thresholdChanged(int threshold);
  // Cancel or the close box: highlighting is off and the video restarted.
  void cancelled();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void OnSliderValue(int value);
  void OnChoiceClicked();
  void OnOk();
  void OnCancel();

  AnalysisControls& controls_;
  QSlider* slider_ = nullptr;
  QRadioButton* use_current_ = nullptr;
  QRadioButton* save_default_ = nullptr;
  QRadioButton* remove_default_ = nullptr;
  QPushButton* ok_ = nullptr;
  QPushButton* cancel_ = nullptr;
};

}  // namespace vesk
