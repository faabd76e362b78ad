#pragma once

#include "base/clock.h"

namespace vesk::testing {

// A clock that stands still until the test moves it.
class FakeClock final : public Clock {
 public:
  explicit FakeClock(FileTime utc = 0, int bias_minutes = 0) : utc_(utc), bias_(bias_minutes) {}
  FileTime UtcNow() const override { return utc_; }
  FileTime LocalNow() const override {
    return utc_ - static_cast<FileTime>(bias_) * kTicksPerMinute;
  }

  void SetUtc(FileTime utc) { utc_ = utc; }
  void SetUtc(const SystemTime& utc) { SystemTimeToFileTime(utc, &utc_); }
  void Advance(FileTime ticks) { utc_ += ticks; }
  void SetBias(int bias_minutes) { bias_ = bias_minutes; }

 private:
  FileTime utc_;
  int bias_;
};

// Builds a time from its calendar fields (milliseconds 0).
inline FileTime MakeFileTime(int year, int month, int day, int hour = 0, int minute = 0,
                             int second = 0, int milliseconds = 0) {
  SystemTime t;
  t.year = static_cast<std::uint16_t>(year);
  t.month = static_cast<std::uint16_t>(month);
  t.day = static_cast<std::uint16_t>(day);
  t.hour = static_cast<std::uint16_t>(hour);
  t.minute = static_cast<std::uint16_t>(minute);
  t.second = static_cast<std::uint16_t>(second);
  t.milliseconds = static_cast<std::uint16_t>(milliseconds);
  FileTime result = 0;
  SystemTimeToFileTime(t, &result);
  return result;
}

}  // namespace vesk::testing
