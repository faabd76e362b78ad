#pragma once

// "Frame Integration": the number of frames overlaid into one displayed frame, started
// with Start (the window stays open) and ended with Cancel or the close box. Created
// hidden at start-up and only shown and hidden afterwards.

#include <QWidget>

#include "analysis/analysis_settings.h"

class QLineEdit;
class QPushButton;

namespace vesk {

inline constexpr char kFrameIntegrationWindowClass[] = "FrameIntegration";
inline constexpr char kFrameIntegrationTitle[] = "Frame Integration";
inline constexpr char kFrameIntegrationExplanation[] =
    "Integration frame count is the number of frames\r\noverlaid on top of one another and "
    "presented as a\r\nsingle frame.  Frame count can vary from 2 to 30.\r\nDisplay only "
    "impact.  Record file has no integration.";
inline constexpr char kFrameCountLabel[] = "Frame Count:";
inline constexpr char kIntegrationStartText[] = "Start";
inline constexpr char kIntegrationCancelText[] = "Cancel";
inline constexpr int kIntegrationStartId = 33028;
inline constexpr int kIntegrationCancelId = 33029;
inline constexpr int kFrameIntegrationWidth = 500;
inline constexpr int kFrameIntegrationHeight = 300;
// The count field takes digits only, at most two.
inline constexpr int kFrameCountMaxCharacters = 2;

class FrameIntegrationWindow final : public QWidget {
  Q_OBJECT

 public:
  explicit FrameIntegrationWindow(AnalysisControls& controls, QWidget* parent = nullptr);

  // The main window's "Frame Integration...": the count field reads "2" and the window shows
  // on top.
  void OpenFromMenu();

  QLineEdit* count_field() const { return count_; }
  QPushButton* start_button() const { return start_; }
  QPushButton* cancel_button() const { return cancel_; }

 signals:
  // Start with a count from 2 to 30: integration is on and the video restarted.
  void integrationStarted(int frame_count);
  // Cancel or the close box: integration is off and the video restarted.
  void cancelled();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void OnStart();
  void OnCancel();

  AnalysisControls& controls_;
  QLineEdit* count_ = nullptr;
  QPushButton* start_ = nullptr;
  QPushButton* cancel_ = nullptr;
};

}  // namespace vesk
