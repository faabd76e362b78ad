#pragma once

// What the kernel's time discipline says of the computer clock: whether a time service has
// it synchronised, and how far off it may be. Every time service (NTP, chrony,
// systemd-timesyncd) keeps these; the station reads them and never sets the clock.

#include <cstdint>
#include <string>

namespace vesk {

struct ClockState {
  // False when the kernel could not be asked; error then says why.
  bool readable = true;
  std::string error{};
  bool synchronised = false;
  std::int64_t estimated_error_us = 0;
  std::int64_t maximum_error_us = 0;
};

class ClockDiscipline {
 public:
  virtual ~ClockDiscipline() = default;
  virtual ClockState Read() const = 0;
};

// A clock whose estimated error is above this is not good enough for an Event.
constexpr std::int64_t kLargestFitClockErrorUs = 100'000;

// "synchronised, estimated error 0.8 ms, maximum error 12.3 ms",
// "NOT synchronised: frame times may be wrong by seconds", or "state unknown (why)".
std::string DescribeClockState(const ClockState& state);

// The recording log's line: "Computer clock at the " + when + ": " + the description.
std::string ClockLogLine(const char* when, const ClockState& state);

}  // namespace vesk
