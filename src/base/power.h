#pragma once

#include <functional>
#include <memory>
#include <string>

namespace vesk {

// Keeps the computer from sleeping while it exists; destroying it lets the computer sleep
// again.
class SleepInhibitor {
 public:
  virtual ~SleepInhibitor() = default;
};

// What the station asks of the computer's power management.
class PowerCapabilities {
 public:
  virtual ~PowerCapabilities() = default;
  virtual bool CanHibernate() = 0;
  // Whether this user may have the computer shut down or hibernate after an Event.
  virtual bool MayShutDownOrHibernate() = 0;

  // Holds off sleep and idle actions until the result is destroyed; why names the Event for
  // whoever lists the holds. Null when the computer will not grant it; *error then says why.
  virtual std::unique_ptr<SleepInhibitor> InhibitSleep(const std::string& why,
                                                       std::string* error) {
    (void)why;
    if (error != nullptr) *error = "not supported";
    return nullptr;
  }
  // Start hibernation or power-off; false with the system's reason when refused.
  virtual bool Hibernate(std::string* error) {
    if (error != nullptr) *error = "not supported";
    return false;
  }
  virtual bool PowerOff(std::string* error) {
    if (error != nullptr) *error = "not supported";
    return false;
  }
};

// What an Event asked for after its recording.
enum class PowerActionKind { Hibernate, ShutDown };

// How the 30-second power countdown ended.
enum class PowerCountdownResult { Cancelled = 1, TimedOut = 2, Closed = 3 };

// The 30-second countdown before a power action: a modal dialog with windows, lines on
// standard output (with SIGINT as Cancel) without. done runs once, on the UI thread.
class PowerCountdownView {
 public:
  virtual ~PowerCountdownView() = default;
  virtual void StartPowerCountdown(PowerActionKind kind,
                                   std::function<void(PowerCountdownResult)> done) = 0;
  // Ends a running countdown as its Cancel button does (the station is exiting): done runs
  // with Cancelled. Nothing when no countdown runs.
  virtual void CancelPowerCountdown() {}
};

}  // namespace vesk
