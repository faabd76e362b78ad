#include "config/option_dialogs.h"

#include <gtest/gtest.h>

#include <optional>

namespace vesk {
namespace {

TEST(OptionDialogs, EventPendingChangesTheDisplayAtOnceAndTheOptionOnlyAsDefault) {
  Options options;
  DerivedOptions derived;
  struct Station final : OptionDialogStation {
    bool SaveOptions() override { return true; }
    void RefreshCountdownTimeBase() override { ++redraws; }
    int redraws = 0;
  } station;
  EventPendingModel pending(options, derived, station);
  struct Case {
    const char* stored;
    bool utc, as_default;
    int result;
    const char* after;
  };
  for (const Case& c : {Case{"", true, false, kDialogNoChange, ""},
                        Case{"", false, true, kDialogSave, "COUNTDOWN"},
                        Case{"UTC", true, true, kDialogNoChange, "UTC"},
                        Case{"odd", false, true, kDialogNoChange, "odd"},
                        Case{"odd", true, true, kDialogSave, "UTC"}}) {
    options.event_pending_display = c.stored;
    EXPECT_EQ(pending.Save(c.utc, c.as_default), c.result) << c.stored << c.utc;
    EXPECT_EQ(options.event_pending_display, c.after);
    EXPECT_EQ(pending.Open(), c.utc);
  }
  EXPECT_EQ(station.redraws, 5);
}

TEST(OptionDialogs, DurationAndPerformancePutBackWhatTheyKeptOnCancel) {
  Options options;
  DerivedOptions derived;
  options.default_duration = "00:10:00";
  DefaultDurationModel duration(options, derived);
  duration.Open();
  EXPECT_EQ(duration.Save(std::nullopt), kDialogSave);  // no valid time: no duration
  EXPECT_EQ(std::tuple(options.default_duration, derived.default_recording_duration.minute),
            std::tuple("00:00:00", 0));
  EXPECT_EQ(duration.Cancel(true), kDialogOtherCommand);
  EXPECT_EQ(options.default_duration, "00:10:00");
  options.default_renderer = 7;  // unknown: shown as the first
  PerformanceModel performance(options);
  EXPECT_EQ(performance.Open().renderer, kRendererEvr);
  EXPECT_EQ(performance.Accept({true, true, kRendererVmr7}, false), kDialogApplied);
  EXPECT_EQ(performance.Cancel(), kDialogNoChange);
  EXPECT_EQ(std::tuple(options.display_off_while_recording, options.default_renderer),
            std::tuple(false, 7));
}

}  // namespace
}  // namespace vesk
