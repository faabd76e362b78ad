#include "platform/qt/device_change_notifier.h"

#include <QSocketNotifier>
#include <QTimer>

namespace vesk::qt {

DeviceChangeNotifier::DeviceChangeNotifier(int fd, std::function<bool()> drain,
                                           std::function<void()> settled, int quiet_milliseconds,
                                           QObject* parent)
    : QObject(parent),
      drain_(std::move(drain)),
      settled_(std::move(settled)),
      notifier_(new QSocketNotifier(fd, QSocketNotifier::Read, this)),
      quiet_(new QTimer(this)) {
  quiet_->setSingleShot(true);
  quiet_->setInterval(quiet_milliseconds);
  connect(quiet_, &QTimer::timeout, this, [this] { settled_(); });
  // Every change restarts the quiet period.
  connect(notifier_, &QSocketNotifier::activated, this, [this] {
    if (drain_()) quiet_->start();
  });
}

}  // namespace vesk::qt
