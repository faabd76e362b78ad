#include "platform/qt/ui_thread.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>
#include <utility>

namespace vesk::qt {

bool OnUiThread() {
  const QCoreApplication* app = QCoreApplication::instance();
  return app != nullptr && QThread::currentThread() == app->thread();
}

void RunOnUiThread(std::function<void()> work) {
  if (OnUiThread()) {
    work();
    return;
  }
  QCoreApplication* app = QCoreApplication::instance();
  if (app == nullptr) return;  // the station is gone; nothing is left to show it
  QMetaObject::invokeMethod(app, std::move(work), Qt::QueuedConnection);
}

void PostToUiThread(std::function<void()> work) {
  QCoreApplication* app = QCoreApplication::instance();
  if (app == nullptr) return;
  QMetaObject::invokeMethod(app, std::move(work), Qt::QueuedConnection);
}

}  // namespace vesk::qt
