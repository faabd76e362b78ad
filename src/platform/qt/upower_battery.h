#pragma once

#include "base/battery.h"

namespace vesk::qt {

// The batteries as UPower sums them up on the system bus (its display device). No bus, no
// UPower or no answer within a short time: nothing to say.
class UPowerBattery final : public BatteryMonitor {
 public:
  std::optional<BatteryState> Read() override;
};

}  // namespace vesk::qt
