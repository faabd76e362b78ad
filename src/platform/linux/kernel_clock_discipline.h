#pragma once

#include "base/clock_discipline.h"

namespace vesk {

// The kernel's time discipline, read with ntp_adjtime and no modes (nothing is changed).
class KernelClockDiscipline final : public ClockDiscipline {
 public:
  ClockState Read() const override;
};

}  // namespace vesk
