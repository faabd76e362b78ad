#pragma once

#include "base/power.h"

namespace vesk::qt {

// Power management as systemd-logind offers it on the system bus. Every call waits a short
// time at most: no bus, no logind or no answer counts as "cannot", with the reason. Refusals
// come back as "<D-Bus error name>: <logind's message>".
class LogindPower final : public PowerCapabilities {
 public:
  bool CanHibernate() override;
  bool MayShutDownOrHibernate() override;
  // A "sleep:idle" block lock; logind holds it until the descriptor it hands over closes.
  std::unique_ptr<SleepInhibitor> InhibitSleep(const std::string& why, std::string* error) override;
  bool Hibernate(std::string* error) override;
  bool PowerOff(std::string* error) override;
};

}  // namespace vesk::qt
