#pragma once

#include "base/system_time.h"

namespace vesk {

// The station's view of the computer clock; tests substitute a fake so nothing waits.
class Clock {
 public:
  virtual ~Clock() = default;
  virtual FileTime UtcNow() const = 0;
  // Local wall-clock time, in the same units as UtcNow.
  virtual FileTime LocalNow() const = 0;

  SystemTime UtcSystemTime() const;
  SystemTime LocalSystemTime() const;
};

inline SystemTime Clock::UtcSystemTime() const {
  SystemTime t;
  FileTimeToSystemTime(UtcNow(), &t);
  return t;
}

inline SystemTime Clock::LocalSystemTime() const {
  SystemTime t;
  FileTimeToSystemTime(LocalNow(), &t);
  return t;
}

}  // namespace vesk
