#pragma once

// What an Event asks of the computer after its recording: a 30-second countdown the observer
// can cancel, then hibernation or power-off, with the reports of each refusal.

#include <functional>
#include <memory>
#include <string>

#include "base/message_log.h"
#include "base/power.h"

namespace vesk {

constexpr int kPowerCountdownSeconds = 30;

constexpr const char* kHibernateFailedText =
    "\r\nUnable to create hibernate the computer.  Check user privileges.\r\n";
constexpr const char* kShutDownPrivilegeText =
    "Insufficient user privilege to programmatically shut down computer";
// Any other refusal of a power-off, which would otherwise pass unseen.
constexpr const char* kShutDownFailedText = "ERROR: Unable to shut down computer";
// Heads the system's own words on the line after a refusal.
constexpr const char* kSystemReasonPrefix = "Reason given by the system: ";

// The countdown's texts for one kind of action.
struct PowerCountdownTexts {
  const char* title;
  const char* before_time;  // "Hibernate in"
  const char* after_time;   // "seconds"
  const char* unless;       // "unless you select Cancel Hibernate"
  const char* button;       // "Cancel Hibernate"
};
PowerCountdownTexts PowerCountdownTextsFor(PowerActionKind kind);
// The remaining seconds as the countdown shows them: two digits at least.
std::string FormatCountdownSeconds(int seconds);
// One line of the countdown where there is no dialog: "Hibernate in 30 seconds unless you
// select Cancel Hibernate".
std::string PowerCountdownLine(PowerActionKind kind, int seconds);

// Whether the system's reason for a refusal says the user lacks the right (not a fault of
// the call): logind answers so when polkit denies or would need a password.
bool IsPrivilegeRefusal(const std::string& reason);

struct PowerActionContext {
  PowerCapabilities& power;
  PowerCountdownView& view;
  MessageLog& log;
  // A power-off was accepted: the station ends (it must not hold files open as the
  // computer goes down).
  std::function<void()> request_exit;
};

class PowerAction {
 public:
  explicit PowerAction(PowerActionContext context);
  ~PowerAction();
  PowerAction(const PowerAction&) = delete;
  PowerAction& operator=(const PowerAction&) = delete;

  // Counts down, then hibernates (which wins when both are asked for) or powers off; then
  // runs afterwards in every case, once. Neither flag: then runs at once. A request while a
  // countdown runs adds no second action; its then runs at once.
  void Perform(bool hibernate, bool shutdown, std::function<void()> then);
  // The station is exiting: a running countdown ends as Cancel does.
  void Cancel();
  bool counting_down() const { return counting_down_; }

 private:
  void Finish(PowerActionKind kind, PowerCountdownResult result);
  // True when a power-off was accepted.
  bool Act(PowerActionKind kind);
  void ReportRefusal(const char* text, const std::string& reason);

  PowerActionContext context_;
  bool counting_down_ = false;
  std::function<void()> then_;
  // A countdown's answer that arrives after this object is gone is dropped.
  std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

}  // namespace vesk
