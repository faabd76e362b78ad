#include "events/power_action.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/message_log.h"
#include "support/fake_clock.h"
#include "support/recording_view.h"

namespace vesk {
namespace {

using Steps = std::vector<std::string>;

// Every step in one list, so the order of countdown, action, exit and what follows shows.
struct PowerActionTest : ::testing::Test, PowerCapabilities, PowerCountdownView {
  bool CanHibernate() override { return true; }
  bool MayShutDownOrHibernate() override { return true; }
  bool Hibernate(std::string* error) override { return Answer("hibernate", error); }
  bool PowerOff(std::string* error) override { return Answer("power off", error); }
  bool Answer(const char* step, std::string* error) {
    steps.push_back(step);
    *error = refusal;
    return refusal.empty();
  }
  void StartPowerCountdown(PowerActionKind kind,
                           std::function<void(PowerCountdownResult)> answer) override {
    steps.push_back(PowerCountdownTextsFor(kind).title);
    done = std::move(answer);
  }
  PowerAction Action(PowerCountdownView& view) {
    return PowerAction(PowerActionContext{*this, view, log, [this] { steps.push_back("exit"); }});
  }
  std::function<void()> Then() {
    return [this] { steps.push_back("then"); };
  }

  Steps steps;
  std::string refusal;  // empty: accepted
  std::function<void(PowerCountdownResult)> done;
  testing::FakeClock clock{testing::MakeFileTime(2026, 7, 14, 3, 5, 9)};
  MessageLog log{clock};
  testing::RecordingView view;
};

TEST_F(PowerActionTest, TheCountdownDecidesAndHibernationWinsOverShutDown) {
  using R = PowerCountdownResult;
  PowerAction action = Action(*this);
  for (const auto& [hibernate, result, expected] : std::vector<std::tuple<bool, R, Steps>>{
           {true, R::TimedOut, {"Hibernate", "hibernate", "then"}},
           {false, R::Closed, {"Shut down", "power off", "exit", "then"}},
           {true, R::Cancelled, {"Hibernate", "then"}},
           {false, R::Cancelled, {"Shut down", "then"}}}) {
    steps.clear();
    action.Perform(hibernate, true, Then());
    done(result);
    done(R::TimedOut);  // a second answer changes nothing
    EXPECT_EQ(steps, expected);
  }
  steps.clear();
  action.Perform(false, false, Then());
  EXPECT_EQ(steps, Steps{"then"});
}

TEST_F(PowerActionTest, RefusalsAreReportedWithTheSystemsReasonOnALineOfItsOwn) {
  PowerAction action = Action(*this);
  log.AttachView(&view);
  const std::string denied = "org.freedesktop.DBus.Error.AccessDenied: Access denied";
  for (const auto& [hibernate, reason, report] :
       std::vector<std::tuple<bool, std::string, std::string>>{
           {true, denied,
            "\r\nUnable to create hibernate the computer.  Check user privileges.\r\n"},
           {false, denied, "Insufficient user privilege to programmatically shut down computer"},
           {false, "org.freedesktop.DBus.Error.InteractiveAuthorizationRequired: Interactive",
            "Insufficient user privilege to programmatically shut down computer"},
           {false, "org.freedesktop.DBus.Error.ServiceUnknown: no logind",
            "ERROR: Unable to shut down computer"}}) {
    view.entries.clear();
    steps.clear();
    refusal = reason;
    action.Perform(hibernate, !hibernate, Then());
    done(PowerCountdownResult::TimedOut);
    EXPECT_EQ(view.entries, (Steps{"\r\n03:05:09 (UTC)\r\n" + report,
                                   "\r\nReason given by the system: " + reason + "\r\n"}));
    EXPECT_EQ(steps.back(), "then");  // no exit: the station keeps running
  }
}

}  // namespace
}  // namespace vesk
