#pragma once

// Watches a file descriptor that announces device changes (udev's monitor socket) on the UI
// thread, and reports once the announcements have settled: a grabber announces several
// nodes, a hub that resets announces all of its ports, and each change is to be handled once.

#include <QObject>
#include <functional>

class QSocketNotifier;
class QTimer;

namespace vesk::qt {

class DeviceChangeNotifier : public QObject {
 public:
  // drain reads what waits on fd and says whether anything changed; settled runs after
  // quiet_milliseconds without a further change.
  DeviceChangeNotifier(int fd, std::function<bool()> drain, std::function<void()> settled,
                       int quiet_milliseconds, QObject* parent = nullptr);

 private:
  std::function<bool()> drain_;
  std::function<void()> settled_;
  QSocketNotifier* notifier_;
  QTimer* quiet_;
};

}  // namespace vesk::qt
