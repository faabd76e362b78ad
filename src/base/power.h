#pragma once

namespace vesk {

// What the station asks of the computer's power management.
class PowerCapabilities {
 public:
  virtual ~PowerCapabilities() = default;
  virtual bool CanHibernate() = 0;
  // Whether this user may have the computer shut down or hibernate after an Event.
  virtual bool MayShutDownOrHibernate() = 0;
};

}  // namespace vesk
