#pragma once

// When a frame was captured, on the wall clock, and the conversions between the station's
// FileTime and Unix nanoseconds that the graph's probes and file ends use.

#include <gst/gst.h>

#include <cstdint>

namespace vesk::gst {

struct CaptureTime {
  std::int64_t unix_ns = 0;
  std::int64_t wall_minus_clock_ns = 0;  // the offset used; a jump in it is a clock step
  bool stamped = false;
};

// The buffer's time stamp on the pipeline's clock, moved by how far that clock stands from the
// wall clock; without a stamp, now.
CaptureTime CaptureTimeOf(GstElement* pipeline, GstBuffer* buffer);
std::int64_t CaptureUnixNs(GstElement* pipeline, GstBuffer* buffer);
std::int64_t WallClockUnixNs();

// FileTime (100 ns from 1601) and Unix nanoseconds; 0 stays 0 (unknown or unbounded).
std::int64_t UnixNsOf(std::uint64_t utc);
std::uint64_t FileTimeOf(std::int64_t unix_ns);

}  // namespace vesk::gst
