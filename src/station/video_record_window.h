#pragma once

#include <QImage>
#include <QWidget>
#include <atomic>
#include <cstdint>
#include <mutex>

#include "media/video_frame_target.h"

namespace vesk {

// The live video: the station's own renderer hands it every frame on a streaming thread; it
// keeps a copy of the newest and paints it, scaled into the destination rectangle the
// renderer was given, on a gray ground. Works on any Qt platform, offscreen too.
class VideoRecordWindow final : public QWidget, public VideoFrameTarget {
  Q_OBJECT

 public:
  explicit VideoRecordWindow(QWidget* parent = nullptr);

  void PresentFrame(const VideoFrame& frame, const VideoRect& destination,
                    bool preserve_aspect) override;
  std::uintptr_t NativeWindowId() const override { return native_window_id_.load(); }

  // Frames received and frames painted, for the observer's peace of mind and for tests.
  std::int64_t frames_received() const { return frames_received_.load(); }
  std::int64_t frames_painted() const { return frames_painted_; }
  // The display is turned off: the last frame is dropped, frames handed over meanwhile are
  // ignored, and the area says that the display is off.
  void SetDisplayOff(bool off);
  bool display_off() const;

  // Where the newest frame is painted, in widget coordinates (empty before the first).
  QRect PictureRect() const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  mutable std::mutex mutex_;
  QImage image_;
  VideoRect destination_;
  bool preserve_aspect_ = true;
  bool display_off_ = false;
  std::atomic<bool> repaint_queued_{false};
  std::atomic<std::int64_t> frames_received_{0};
  // The X window the platform renderers draw into; noted on the UI thread.
  std::atomic<std::uintptr_t> native_window_id_{0};
  void NoteNativeWindow();
  std::int64_t frames_painted_ = 0;
};

}  // namespace vesk
