#pragma once

#include <cstdint>
#include <optional>

namespace vesk {

// The computer's batteries taken together, as its power service sums them up.
struct BatteryState {
  bool on_battery = false;
  double percentage = 0;
  // 0 while the service has no estimate yet.
  std::int64_t seconds_to_empty = 0;
};

class BatteryMonitor {
 public:
  virtual ~BatteryMonitor() = default;
  // Nothing when the computer has no power service to ask: then nothing can be said.
  virtual std::optional<BatteryState> Read() = 0;
};

}  // namespace vesk
