#pragma once

// The playback windows: "VESK Video Capture AVI Playback" with its video pane and File menu,
// and the "Playback" controls with six buttons and the position slider. They hold no rule:
// the player decides, they show.

#include <QAction>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QToolButton>
#include <QSlider>
#include <QTimer>
#include <QWidget>
#include <array>
#include <atomic>
#include <memory>
#include <mutex>

#include "playback/playback_player.h"

namespace vesk {

// The video pane: keeps a copy of the newest frame from the streaming thread and paints it.
class PlaybackVideoPane final : public QWidget, public VideoFrameTarget {
  Q_OBJECT

 public:
  explicit PlaybackVideoPane(QWidget* parent);
  void PresentFrame(const VideoFrame& frame, const VideoRect& destination,
                    bool preserve_aspect) override;
  std::int64_t frames_received() const { return frames_received_.load(); }
  // The file closed: its last frame goes.
  void Clear();
  bool HasPicture();

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  std::mutex mutex_;
  QImage image_;
  std::atomic<bool> repaint_queued_{false};
  std::atomic<std::int64_t> frames_received_{0};
};

class PlaybackControlsWindow;

// What the playback window needs of its observer: files opened for reading, the file picker,
// the offer of a repaired copy of a file opened without its index, and word of "Exit".
class PlaybackWindowActions {
 public:
  // Null when the file cannot be opened.
  virtual std::unique_ptr<AviFileAccess> OpenPlaybackFile(const std::string& path) = 0;
  // "" when the picker was cancelled.
  virtual std::string ChoosePlaybackFile() = 0;
  // Where to write the repaired copy; "" when declined.
  virtual std::string ChooseRepairCopy(const std::string& path) = 0;
  // Writes the copy, never touching the file itself.
  virtual void WriteRepairCopy(const std::string& path, const std::string& copy) = 0;
  virtual void PlaybackExited() = 0;

 protected:
  ~PlaybackWindowActions() = default;
};

class PlaybackWindow final : public QWidget, public PlaybackView {
  Q_OBJECT

 public:
  PlaybackWindow(PlaybackMedia& media, MessageLog& log, PlaybackWindowActions& observer);
  ~PlaybackWindow() override;

  // "Open" of either File menu: true when a file was opened; both windows are shown.
  bool OpenFromMenu();
  // Opens the given file (what OpenFromMenu does after the picker).
  bool OpenFile(const std::string& path);
  // Before a recording: a playing file pauses; true when a file is open (both windows hide).
  bool HideForRecording();
  void ShowAfterRecording();
  // "Exit": the file closes, both windows hide, and the main window's "Open" comes back.
  void Exit();

  PlaybackPlayer& player() { return player_; }
  PlaybackControlsWindow& controls() { return *controls_; }
  PlaybackVideoPane& pane() { return *pane_; }
  QScrollArea& scroll_area() { return *scroll_; }
  // The open file's frame size; empty without a file.
  QSize video_size() const { return video_size_; }
  QAction* action(int index) { return actions_[static_cast<std::size_t>(index)]; }

  void ShowSlider(std::int64_t last_position, std::int64_t position) override;
  void ShowEnabling(const PlaybackEnabling& enabling) override;
  void ShowVideoSize(std::uint32_t width, std::uint32_t height) override;
  void ShowPosition(const std::string& text) override;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  PlaybackMedia& media_;
  PlaybackPlayer player_;
  PlaybackWindowActions& observer_;
  PlaybackVideoPane* pane_ = nullptr;
  QScrollArea* scroll_ = nullptr;
  QSize video_size_;
  std::unique_ptr<PlaybackControlsWindow> controls_;
  std::array<QAction*, 4> actions_{};  // Open, Close, Information, Exit
  QTimer position_timer_;
};

class PlaybackControlsWindow final : public QWidget {
  Q_OBJECT

 public:
  explicit PlaybackControlsWindow(PlaybackPlayer& player);
  // Start, Pause, Beginning, Back, Forward, End.
  QToolButton* button(int index) { return buttons_[static_cast<std::size_t>(index)]; }
  QSlider* slider() { return slider_; }
  // The frame shown, or the frame under the thumb while it is dragged.
  QLabel* position_label() { return position_; }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  std::array<QToolButton*, 6> buttons_{};
  QSlider* slider_ = nullptr;
  QLabel* position_ = nullptr;
};

}  // namespace vesk
