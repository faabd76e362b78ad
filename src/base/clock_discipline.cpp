#include "base/clock_discipline.h"

#include <cstdio>

namespace vesk {
namespace {

std::string Milliseconds(std::int64_t microseconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f ms", static_cast<double>(microseconds) / 1000.0);
  return text;
}

}  // namespace

std::string DescribeClockState(const ClockState& state) {
  if (!state.readable) return "state unknown (" + state.error + ")";
  // Unsynchronised, the kernel's error figures only grow from the last correction; they
  // would suggest a precision the clock does not have.
  if (!state.synchronised) return "NOT synchronised: frame times may be wrong by seconds";
  return "synchronised, estimated error " + Milliseconds(state.estimated_error_us) +
         ", maximum error " + Milliseconds(state.maximum_error_us);
}

std::string ClockLogLine(const char* when, const ClockState& state) {
  return std::string("Computer clock at the ") + when + ": " + DescribeClockState(state);
}

}  // namespace vesk
