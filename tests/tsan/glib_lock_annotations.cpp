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

// GMutex and GRecMutex take the same three calls.
#define VESK_ANNOTATED_LOCK(Type, prefix)                                   \
  void prefix##_lock(Type* mutex) {                                         \
    static const auto real = Real<void (*)(Type*)>(#prefix "_lock");        \
    real(mutex);                                                            \
    __tsan_acquire(mutex);                                                  \
  }                                                                         \
  gboolean prefix##_trylock(Type* mutex) {                                  \
    static const auto real = Real<gboolean (*)(Type*)>(#prefix "_trylock"); \
    const gboolean locked = real(mutex);                                    \
    if (locked) __tsan_acquire(mutex);                                      \
    return locked;                                                          \
  }                                                                         \
  void prefix##_unlock(Type* mutex) {                                       \
    static const auto real = Real<void (*)(Type*)>(#prefix "_unlock");      \
    __tsan_release(mutex);                                                  \
    real(mutex);                                                            \
  }

VESK_ANNOTATED_LOCK(GMutex, g_mutex)
VESK_ANNOTATED_LOCK(GRecMutex, g_rec_mutex)

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

}  // extern "C"
