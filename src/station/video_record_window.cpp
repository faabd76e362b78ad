#include "station/video_record_window.h"

#include <QEvent>
#include <QGuiApplication>
#include <QMetaObject>
#include <QPainter>

#include "platform/qt/frame_image.h"
#include "station/record_controls_layout.h"

namespace vesk {
namespace {

const QColor kGray(128, 128, 128);
constexpr const char* kDisplayOffText = "Video display is off";

QRect FittedRect(const QRect& box, QSize picture, bool preserve_aspect) {
  if (!preserve_aspect || picture.isEmpty() || box.isEmpty()) return box;
  const QSize fitted = picture.scaled(box.size(), Qt::KeepAspectRatio);
  return QRect(box.x() + (box.width() - fitted.width()) / 2,
               box.y() + (box.height() - fitted.height()) / 2, fitted.width(), fitted.height());
}

}  // namespace

VideoRecordWindow::VideoRecordWindow(QWidget* parent) : QWidget(parent) {
  setObjectName(QString::fromLatin1(kVideoRecordWindowClass));
  setGeometry(kVideoWindowInitialRect.x, kVideoWindowInitialRect.y, kVideoWindowInitialRect.width,
              kVideoWindowInitialRect.height);
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void VideoRecordWindow::NoteNativeWindow() {
  // Only an X display has windows the X and GL renderers can draw into.
  if (QGuiApplication::platformName() != QLatin1String("xcb")) return;
  native_window_id_ = static_cast<std::uintptr_t>(winId());
}

void VideoRecordWindow::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  NoteNativeWindow();
}

void VideoRecordWindow::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  // Moving into or out of the scroll container may give the widget another native window.
  if (event->type() == QEvent::ParentChange && isVisible()) NoteNativeWindow();
}

void VideoRecordWindow::PresentFrame(const VideoFrame& frame, const VideoRect& destination,
                                     bool preserve_aspect) {
  if (!qt::IsCopyableFrame(frame)) return;
  {
    std::lock_guard<std::mutex> hold(mutex_);
    if (display_off_) return;
    qt::CopyFrameToImage(frame, &image_);
    destination_ = destination;
    preserve_aspect_ = preserve_aspect;
  }
  ++frames_received_;
  // One repaint request at a time: a slow screen skips frames instead of queueing them.
  if (!repaint_queued_.exchange(true)) {
    QMetaObject::invokeMethod(this, qOverload<>(&QWidget::update), Qt::QueuedConnection);
  }
}

void VideoRecordWindow::SetDisplayOff(bool off) {
  {
    std::lock_guard<std::mutex> hold(mutex_);
    display_off_ = off;
    if (off) image_ = QImage();
  }
  update();
}

bool VideoRecordWindow::display_off() const {
  std::lock_guard<std::mutex> hold(mutex_);
  return display_off_;
}

QRect VideoRecordWindow::PictureRect() const {
  std::lock_guard<std::mutex> hold(mutex_);
  if (image_.isNull()) return QRect();
  QRect box(destination_.left, destination_.top, destination_.right - destination_.left,
            destination_.bottom - destination_.top);
  if (box.isEmpty()) box = rect();
  return FittedRect(box, image_.size(), preserve_aspect_);
}

void VideoRecordWindow::paintEvent(QPaintEvent*) {
  repaint_queued_ = false;
  const QRect target = PictureRect();
  QPainter painter(this);
  painter.fillRect(rect(), kGray);
  if (display_off()) {
    // Where the observer looks: the part of the window its parent shows.
    const QRect shown = visibleRegion().boundingRect();
    painter.setPen(Qt::white);
    painter.drawText(shown.isEmpty() ? rect() : shown, Qt::AlignCenter,
                     QString::fromLatin1(kDisplayOffText));
    return;
  }
  if (target.isEmpty()) return;
  std::lock_guard<std::mutex> hold(mutex_);
  painter.drawImage(target, image_);
  ++frames_painted_;
}

}  // namespace vesk
