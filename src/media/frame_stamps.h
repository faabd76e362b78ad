#pragma once

// The capture time of every recorded frame, handed from the streaming thread, which may
// neither wait nor allocate, to the thread that writes the frame-time record.

#include <algorithm>
#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>

namespace vesk {

// One frame that reached the recording's file.
struct FrameStamp {
  // The source's frame number; -1 when the source numbers none.
  std::int64_t sequence = -1;
  // When the frame was captured: Unix time in nanoseconds, UTC.
  std::int64_t utc_ns = 0;
  // The computer clock was stepped by this much since the frame before (0: it was not).
  std::int64_t clock_step_ns = 0;
};

// What a source's frame times stand for.
enum class FrameTimeOrigin {
  kUnknown,
  kSimulatedCapture,       // the simulated camera's own capture instants
  kDriverEndOfFrame,       // the capture driver's time stamp, taken as the frame ended
  kDriverStartOfExposure,  // the capture driver's time stamp, taken as exposure began
  kArrival,                // no time stamp from the source: when the frame arrived
  kFilePlayback,           // the file camera's instants of playing each frame out
};

// Takes the stamps in the order their frames reached the file, one batch at a time: never
// on the streaming thread and never in two calls at once.
class FrameStampSink {
 public:
  virtual ~FrameStampSink() = default;
  virtual void TakeFrames(const FrameStamp* stamps, std::size_t count) = 0;
};

// One writer (the streaming thread) and one reader; neither waits and nothing allocates.
class FrameStampQueue {
 public:
  // Five minutes at 25 frames a second between two drains.
  static constexpr std::size_t kCapacity = 8192;

  // False when the queue is full: the stamp is lost and counted.
  bool Push(const FrameStamp& stamp) {
    const std::uint64_t tail = tail_.load(std::memory_order_relaxed);
    if (tail - head_.load(std::memory_order_acquire) >= kCapacity) {
      lost_.fetch_add(1, std::memory_order_relaxed);
      return false;
    }
    slots_[tail % kCapacity] = stamp;
    tail_.store(tail + 1, std::memory_order_release);
    return true;
  }

  // Hands everything queued to the sink; the number of stamps handed over.
  std::size_t Drain(FrameStampSink& sink) {
    const std::uint64_t head = head_.load(std::memory_order_relaxed);
    const std::uint64_t tail = tail_.load(std::memory_order_acquire);
    std::uint64_t at = head;
    while (at < tail) {
      const std::size_t index = at % kCapacity;
      const std::size_t run = static_cast<std::size_t>(
          std::min<std::uint64_t>(tail - at, kCapacity - index));
      sink.TakeFrames(&slots_[index], run);
      at += run;
    }
    head_.store(tail, std::memory_order_release);
    return static_cast<std::size_t>(tail - head);
  }

  // Stamps lost to a full queue.
  std::uint64_t lost() const { return lost_.load(std::memory_order_relaxed); }

 private:
  std::array<FrameStamp, kCapacity> slots_{};
  std::atomic<std::uint64_t> head_{0};
  std::atomic<std::uint64_t> tail_{0};
  std::atomic<std::uint64_t> lost_{0};
};

}  // namespace vesk
