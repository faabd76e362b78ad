#include "platform/gst/capture_time.h"

#include <time.h>

namespace vesk::gst {
namespace {

// FileTime counts 100 ns from 1601; the Unix epoch is 11,644,473,600 s later.
constexpr std::int64_t kUnixEpochTicks = 116444736000000000LL;

std::int64_t NanosecondsOf(const timespec& time) {
  return static_cast<std::int64_t>(time.tv_sec) * 1000000000 + time.tv_nsec;
}

}  // namespace

std::int64_t UnixNsOf(std::uint64_t utc) {
  return utc == 0 ? 0 : (static_cast<std::int64_t>(utc) - kUnixEpochTicks) * 100;
}

std::uint64_t FileTimeOf(std::int64_t unix_ns) {
  return unix_ns == 0 ? 0 : static_cast<std::uint64_t>(unix_ns / 100 + kUnixEpochTicks);
}

std::int64_t WallClockUnixNs() {
  timespec wall{};
  clock_gettime(CLOCK_REALTIME, &wall);
  return NanosecondsOf(wall);
}

CaptureTime CaptureTimeOf(GstElement* pipeline, GstBuffer* buffer) {
  timespec wall{};
  clock_gettime(CLOCK_REALTIME, &wall);
  CaptureTime time;
  time.unix_ns = NanosecondsOf(wall);
  if (pipeline == nullptr || buffer == nullptr || !GST_BUFFER_PTS_IS_VALID(buffer)) return time;
  GstClock* clock = gst_element_get_clock(pipeline);
  if (clock == nullptr) return time;
  // The wall clock read between two readings of the pipeline's clock that lie close
  // together, so a preemption between the readings does not look like a clock step.
  std::int64_t offset = 0;
  for (int attempt = 0; attempt < 3; ++attempt) {
    const auto before = static_cast<std::int64_t>(gst_clock_get_time(clock));
    clock_gettime(CLOCK_REALTIME, &wall);
    const auto after = static_cast<std::int64_t>(gst_clock_get_time(clock));
    offset = NanosecondsOf(wall) - (before + (after - before) / 2);
    if (after - before < 200000) break;
  }
  const GstClockTime at = gst_element_get_base_time(pipeline) + GST_BUFFER_PTS(buffer);
  gst_object_unref(clock);
  time.unix_ns = static_cast<std::int64_t>(at) + offset;
  time.wall_minus_clock_ns = offset;
  time.stamped = true;
  return time;
}

std::int64_t CaptureUnixNs(GstElement* pipeline, GstBuffer* buffer) {
  return CaptureTimeOf(pipeline, buffer).unix_ns;
}

}  // namespace vesk::gst
