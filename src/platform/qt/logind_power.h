#pragma once

#include "base/power.h"

namespace vesk::qt {

// Power capabilities as systemd-logind answers them on the system bus. No bus, no logind or
// no answer within a short wait counts as "cannot".
class LogindPower final : public PowerCapabilities {
 public:
  bool CanHibernate() override;
  bool MayShutDownOrHibernate() override;
};

}  // namespace vesk::qt
