#include "platform/qt/ui_thread.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>
#include <utility>

#if defined(__SANITIZE_THREAD__)
#define VESK_TSAN_BUILD 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define VESK_TSAN_BUILD 1
#endif
#endif

#ifdef VESK_TSAN_BUILD
#include <sanitizer/tsan_interface.h>
#endif

namespace vesk::qt {
namespace {

#ifdef VESK_TSAN_BUILD
// Qt's event queue is guarded by a lock inside QtCore that ThreadSanitizer cannot see; the
// queue's ordering is declared to it, so what the work captured is not taken for a race.
// The release is made by the last member moved into Qt's copy of the work, so everything
// the poster wrote, that copy included, comes before it. Qt's copy may be destroyed on the
// posting thread after the work ran (its reference count decides, unseen): the work's end is
// released and that destruction acquires it first, as the member destroyed before the work.
char queue_order;

struct QueueRelease {
  QueueRelease() { __tsan_release(&queue_order); }
  QueueRelease(QueueRelease&&) noexcept { __tsan_release(&queue_order); }
  QueueRelease(const QueueRelease&) { __tsan_release(&queue_order); }
  ~QueueRelease() { __tsan_acquire(&queue_order); }
};
#endif

void Queue(std::function<void()> work) {
  QCoreApplication* app = QCoreApplication::instance();
  if (app == nullptr) return;  // the station is gone; nothing is left to show it
#ifdef VESK_TSAN_BUILD
  QMetaObject::invokeMethod(
      app,
      [work = std::move(work), release = QueueRelease()] {
        __tsan_acquire(&queue_order);
        work();
        __tsan_release(&queue_order);
      },
      Qt::QueuedConnection);
#else
  QMetaObject::invokeMethod(app, std::move(work), Qt::QueuedConnection);
#endif
}

}  // namespace

bool OnUiThread() {
  const QCoreApplication* app = QCoreApplication::instance();
  return app != nullptr && QThread::currentThread() == app->thread();
}

void RunOnUiThread(std::function<void()> work) {
  if (OnUiThread()) {
    work();
    return;
  }
  Queue(std::move(work));
}

void PostToUiThread(std::function<void()> work) { Queue(std::move(work)); }

}  // namespace vesk::qt
