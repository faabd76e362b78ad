#pragma once

// Holds one reference to a GStreamer object or caps and drops it when it goes out of
// scope, so an early return cannot leak an element, pad or caps.

#include <gst/gst.h>

#include <type_traits>
#include <utility>

namespace vesk::gst {

template <typename T>
class GstRef {
 public:
  GstRef() = default;
  GstRef(std::nullptr_t) {}  // NOLINT: an empty holder reads as nullptr
  ~GstRef() { reset(); }
  GstRef(GstRef&& other) noexcept : pointer_(other.release()) {}
  GstRef& operator=(GstRef&& other) noexcept {
    if (this != &other) {
      reset();
      pointer_ = other.release();
    }
    return *this;
  }
  GstRef(const GstRef&) = delete;
  GstRef& operator=(const GstRef&) = delete;

  // Takes over the caller's reference (a new object's floating one is sunk, so the holder
  // owns it either way).
  static GstRef Adopt(T* pointer) {
    if constexpr (!std::is_same_v<T, GstCaps>) {
      if (pointer != nullptr && g_object_is_floating(pointer)) gst_object_ref_sink(pointer);
    }
    GstRef held;
    held.pointer_ = pointer;
    return held;
  }
  // Adds a reference to a borrowed pointer (a floating one stays for its owner to sink).
  static GstRef Ref(T* pointer) {
    if (pointer != nullptr) {
      if constexpr (std::is_same_v<T, GstCaps>) {
        gst_caps_ref(pointer);
      } else {
        gst_object_ref(pointer);
      }
    }
    GstRef held;
    held.pointer_ = pointer;
    return held;
  }

  T* get() const { return pointer_; }
  explicit operator bool() const { return pointer_ != nullptr; }
  // Hands the reference to the caller.
  T* release() { return std::exchange(pointer_, nullptr); }
  void reset() {
    T* old = std::exchange(pointer_, nullptr);
    if (old == nullptr) return;
    if constexpr (std::is_same_v<T, GstCaps>) {
      gst_caps_unref(old);
    } else {
      gst_object_unref(old);
    }
  }

 private:
  T* pointer_ = nullptr;
};

template <typename T>
GstRef<T> Adopt(T* pointer) {
  return GstRef<T>::Adopt(pointer);
}

}  // namespace vesk::gst
