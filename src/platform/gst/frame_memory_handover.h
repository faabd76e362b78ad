#pragma once

// A pooled frame's memory goes back to its pool through GStreamer's atomic reference counts,
// which ThreadSanitizer cannot see, and is written again by the next frame: the station's
// own readers and writers of frame memory say when they are done with it and when they take
// it, so the reuse is not taken for a race. Nothing happens outside ThreadSanitizer builds.

#if defined(__SANITIZE_THREAD__)
#define VESK_FRAME_MEMORY_ANNOUNCED 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define VESK_FRAME_MEMORY_ANNOUNCED 1
#endif
#endif

#ifdef VESK_FRAME_MEMORY_ANNOUNCED
#include <sanitizer/tsan_interface.h>
#endif

namespace vesk::gst {

// The frame memory at data is no longer read or written here.
inline void FrameMemoryDone(const void* data) {
#ifdef VESK_FRAME_MEMORY_ANNOUNCED
  __tsan_release(const_cast<void*>(data));
#else
  (void)data;
#endif
}

// The frame memory at data is taken to be written (or read) here.
inline void FrameMemoryTaken(const void* data) {
#ifdef VESK_FRAME_MEMORY_ANNOUNCED
  __tsan_acquire(const_cast<void*>(data));
#else
  (void)data;
#endif
}

}  // namespace vesk::gst
