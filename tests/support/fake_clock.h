#pragma once

#include "base/clock.h"

namespace vesk::testing {

// A clock that stands still until the test moves it.
class FakeClock final : public Clock {
 public:
  explicit FakeClock(FileTime utc = 0, int bias_minutes = 0) : utc_(utc), bias_(bias_minutes) {}
  FileTime UtcNow() const override { return utc_; }
  FileTime LocalNow() const override { return utc_ - bias_ * kTicksPerMinute; }

  void SetUtc(FileTime utc) { utc_ = utc; }
  void SetUtc(const SystemTime& utc) { SystemTimeToFileTime(utc, &utc_); }
  void Advance(FileTime ticks) { utc_ += ticks; }
  void SetBias(int bias_minutes) { bias_ = bias_minutes; }

 private:
  FileTime utc_;
  int bias_;
};

// Builds a time from its calendar fields.
inline FileTime MakeFileTime(std::uint16_t year, std::uint16_t month, std::uint16_t day,
                             std::uint16_t hour = 0, std::uint16_t minute = 0,
                             std::uint16_t second = 0, std::uint16_t milliseconds = 0) {
  FileTime result = 0;
  SystemTimeToFileTime({year, month, 0, day, hour, minute, second, milliseconds}, &result);
  return result;
}

}  // namespace vesk::testing
