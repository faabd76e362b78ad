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
#include <functional>
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

class PlaybackWindow final : public QWidget, public PlaybackView {
  Q_OBJECT

 public:
  // open_file opens a file for reading (null when it cannot be opened); choose_file asks the
  // observer for a file ("" when cancelled).
  PlaybackWindow(PlaybackMedia& media, MessageLog& log,
                 std::function<std::unique_ptr<AviFileAccess>(const std::string&)> open_file,
                 std::function<std::string()> choose_file);
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
  void set_on_exit(std::function<void()> on_exit) { on_exit_ = std::move(on_exit); }
  // A file opened without its index: choose_copy asks whether to write a repaired copy and
  // where ("" when declined); repair writes it, never touching the file itself.
  void set_repair_offer(std::function<std::string(const std::string& path)> choose_copy,
                        std::function<void(const std::string& path, const std::string& copy)> repair) {
    choose_repair_copy_ = std::move(choose_copy);
    repair_ = std::move(repair);
  }

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
  std::function<std::unique_ptr<AviFileAccess>(const std::string&)> open_file_;
  std::function<std::string()> choose_file_;
  std::function<void()> on_exit_;
  std::function<std::string(const std::string&)> choose_repair_copy_;
  std::function<void(const std::string&, const std::string&)> repair_;
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
