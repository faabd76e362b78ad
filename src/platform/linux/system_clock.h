#pragma once

#include "base/clock.h"

namespace vesk {

// The real clock. Local time uses the bias read once at start-up, so a daylight-saving
// change while the station runs does not shift local times under a running countdown.
class SystemClock final : public Clock {
 public:
  explicit SystemClock(int bias_minutes) : bias_minutes_(bias_minutes) {}
  FileTime UtcNow() const override;
  FileTime LocalNow() const override;

 private:
  int bias_minutes_;
};

}  // namespace vesk
