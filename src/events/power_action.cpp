#include "events/power_action.h"

#include <cstdio>
#include <utility>

namespace vesk {

PowerCountdownTexts PowerCountdownTextsFor(PowerActionKind kind) {
  if (kind == PowerActionKind::ShutDown) {
    return {"Shut down", "Shut down in", "seconds", "unless you select Cancel Shutdown",
            "Cancel Shutdown"};
  }
  return {"Hibernate", "Hibernate in", "seconds", "unless you select Cancel Hibernate",
          "Cancel Hibernate"};
}

std::string FormatCountdownSeconds(int seconds) {
  char text[16];
  std::snprintf(text, sizeof text, "%2.2d", seconds);
  return text;
}

std::string PowerCountdownLine(PowerActionKind kind, int seconds) {
  const PowerCountdownTexts texts = PowerCountdownTextsFor(kind);
  return std::string(texts.before_time) + " " + FormatCountdownSeconds(seconds) + " " +
         texts.after_time + " " + texts.unless;
}

bool IsPrivilegeRefusal(const std::string& reason) {
  // The reason starts with the D-Bus error name.
  for (const char* name : {"org.freedesktop.DBus.Error.AccessDenied",
                           "org.freedesktop.DBus.Error.InteractiveAuthorizationRequired"}) {
    if (reason.rfind(name, 0) == 0) return true;
  }
  return false;
}

PowerAction::PowerAction(PowerActionContext context) : context_(std::move(context)) {}

PowerAction::~PowerAction() {
  // Nothing may run for a station that is gone; the countdown is only closed.
  then_ = nullptr;
  if (counting_down_) {
    counting_down_ = false;
    context_.view.CancelPowerCountdown();
  }
}

void PowerAction::Perform(bool hibernate, bool shutdown, std::function<void()> then) {
  if ((!hibernate && !shutdown) || counting_down_) {
    if (then) then();
    return;
  }
  const PowerActionKind kind = hibernate ? PowerActionKind::Hibernate : PowerActionKind::ShutDown;
  counting_down_ = true;
  then_ = std::move(then);
  std::weak_ptr<int> alive = alive_;
  context_.view.StartPowerCountdown(kind, [this, alive, kind](PowerCountdownResult result) {
    if (alive.lock()) Finish(kind, result);
  });
}

void PowerAction::Cancel() {
  if (!counting_down_) return;
  context_.view.CancelPowerCountdown();
  // A view that cannot end its countdown still must not let the action happen.
  if (counting_down_) Finish(PowerActionKind::Hibernate, PowerCountdownResult::Cancelled);
}

void PowerAction::Finish(PowerActionKind kind, PowerCountdownResult result) {
  // The countdown answers once; anything later is ignored.
  if (!counting_down_) return;
  counting_down_ = false;
  std::function<void()> then = std::move(then_);
  then_ = nullptr;
  // Cancel does nothing more; the counter running out and the close box act at once.
  const bool exit_station = result != PowerCountdownResult::Cancelled && Act(kind);
  if (exit_station && context_.request_exit) context_.request_exit();
  if (then) then();
}

bool PowerAction::Act(PowerActionKind kind) {
  std::string reason;
  if (kind == PowerActionKind::Hibernate) {
    // The request returns at once: the computer hibernates a moment later, and the station
    // follows the clock when it resumes.
    if (!context_.power.Hibernate(&reason)) ReportRefusal(kHibernateFailedText, reason);
    return false;
  }
  if (context_.power.PowerOff(&reason)) return true;
  ReportRefusal(IsPrivilegeRefusal(reason) ? kShutDownPrivilegeText : kShutDownFailedText, reason);
  return false;
}

void PowerAction::ReportRefusal(const char* text, const std::string& reason) {
  context_.log.ReportMessage(text, true);
  if (!reason.empty()) {
    context_.log.ReportMessage(std::string(kSystemReasonPrefix) + reason + "\r\n", false);
  }
}

}  // namespace vesk
