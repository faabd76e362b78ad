#pragma once

#include "base/clock_discipline.h"

namespace vesk::testing {

// The kernel's clock state as the test sets it.
class FakeClockDiscipline final : public ClockDiscipline {
 public:
  ClockState Read() const override { return state; }
  static ClockState Synchronised(std::int64_t estimated_us, std::int64_t maximum_us) {
    return ClockState{true, {}, true, estimated_us, maximum_us};
  }
  static ClockState Unsynchronised() { return ClockState{true, {}, false, 0, 16'000'000}; }

  ClockState state = Synchronised(800, 12'300);
};

}  // namespace vesk::testing
