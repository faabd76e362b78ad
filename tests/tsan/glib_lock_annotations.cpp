// Preloaded into the ThreadSanitizer runs. GLib's GMutex and GCond wait on futexes, which
// ThreadSanitizer cannot see, so every hand-over GStreamer makes under its object locks
// would look like a race in our code. These wrappers take the place of GLib's lock calls
// and tell ThreadSanitizer what each one orders; the lock itself is still GLib's.

#include <dlfcn.h>
#include <glib.h>
#include <sanitizer/tsan_interface.h>

namespace {

template <typename Function>
Function Real(const char* name) {
  return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

}  // namespace

extern "C" {

void g_mutex_lock(GMutex* mutex) {
  static const auto real = Real<void (*)(GMutex*)>("g_mutex_lock");
  real(mutex);
  __tsan_acquire(mutex);
}

gboolean g_mutex_trylock(GMutex* mutex) {
  static const auto real = Real<gboolean (*)(GMutex*)>("g_mutex_trylock");
  const gboolean locked = real(mutex);
  if (locked) __tsan_acquire(mutex);
  return locked;
}

void g_mutex_unlock(GMutex* mutex) {
  static const auto real = Real<void (*)(GMutex*)>("g_mutex_unlock");
  __tsan_release(mutex);
  real(mutex);
}

void g_cond_wait(GCond* cond, GMutex* mutex) {
  static const auto real = Real<void (*)(GCond*, GMutex*)>("g_cond_wait");
  __tsan_release(mutex);
  real(cond, mutex);
  __tsan_acquire(mutex);
}

gboolean g_cond_wait_until(GCond* cond, GMutex* mutex, gint64 end_time) {
  static const auto real = Real<gboolean (*)(GCond*, GMutex*, gint64)>("g_cond_wait_until");
  __tsan_release(mutex);
  const gboolean signalled = real(cond, mutex, end_time);
  __tsan_acquire(mutex);
  return signalled;
}

void g_rec_mutex_lock(GRecMutex* mutex) {
  static const auto real = Real<void (*)(GRecMutex*)>("g_rec_mutex_lock");
  real(mutex);
  __tsan_acquire(mutex);
}

gboolean g_rec_mutex_trylock(GRecMutex* mutex) {
  static const auto real = Real<gboolean (*)(GRecMutex*)>("g_rec_mutex_trylock");
  const gboolean locked = real(mutex);
  if (locked) __tsan_acquire(mutex);
  return locked;
}

void g_rec_mutex_unlock(GRecMutex* mutex) {
  static const auto real = Real<void (*)(GRecMutex*)>("g_rec_mutex_unlock");
  __tsan_release(mutex);
  real(mutex);
}

}  // extern "C"
