#include "events/power_action.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "app/headless_windows.h"
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

TEST_F(PowerActionTest, TheHeadlessCountdownPrintsEachSecondAndAnExitCancelsIt) {
  std::ostringstream out;
  HeadlessWindows windows(out);
  std::vector<std::function<void()>> ticks;
  windows.set_delayed_work([&](int, std::function<void()> work) { ticks.push_back(work); });
  PowerAction action = Action(windows);
  // Each tick arms the next, so it runs from a copy.
  const auto tick = [&](std::size_t i) { std::function<void()>(ticks.at(i))(); };
  action.Perform(true, false, Then());
  for (std::size_t i = 0; i < 29; ++i) tick(i);
  EXPECT_NE(out.str().find("Hibernate in 01 seconds unless you select Cancel Hibernate\n"),
            std::string::npos);
  tick(29);
  action.Perform(false, true, Then());
  action.Cancel();
  tick(30);  // armed before the exit: does nothing
  EXPECT_EQ(steps, (Steps{"hibernate", "then", "then"}));
  EXPECT_NE(out.str().find("Shut down in 30 seconds unless you select Cancel Shutdown (Ctrl+C "
                           "cancels)\nCancel Shutdown (the station is exiting)\n"),
            std::string::npos);
}

}  // namespace
}  // namespace vesk
