#include "analysis/pixels/pixel_words.h"

#include <atomic>

namespace vesk::pixel_words {
namespace {

bool ProcessorHasAvx2() {
#if VESK_HAVE_AVX2_LOOPS
  return __builtin_cpu_supports("avx2");
#else
  return false;
#endif
}

std::atomic<bool>& WideLoops() {
  static std::atomic<bool> enabled{ProcessorHasAvx2()};
  return enabled;
}

}  // namespace

bool WideLoopsEnabled() { return WideLoops().load(std::memory_order_relaxed); }

void EnableWideLoops(bool enabled) {
  WideLoops().store(enabled && ProcessorHasAvx2(), std::memory_order_relaxed);
}

}  // namespace vesk::pixel_words
