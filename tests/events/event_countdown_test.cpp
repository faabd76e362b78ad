// The scheduler against the fake clock and timers: announcement, countdown, the recording's
// start and stop deadlines and the next Event, with the station around it.

#include "events/event_countdown.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "app/headless_windows.h"
#include "events/event_file.h"
#include "events/event_loader.h"
#include "recording/recording_controller.h"
#include "station/station.h"
#include "station/station_test_bed.h"
#include "support/fake_clock_discipline.h"

namespace vesk {
namespace {

using testing::MakeFileTime;

TEST(EventTiming, TheWindowTheHeaderAndTheCountdownTexts) {
  const EventTiming timing =
      PrepareEventTiming(SystemTime{2026, 7, 0, 5, 3, 6, 9, 0}, SystemTime{1943, 5, 1, 3, 0, 2, 30, 0});
  EXPECT_EQ(timing.event_header,
            "Start time:  JUL 5, 2026  03:04:54\r\nEvent time:  JUL 5, 2026  03:06:09\r\n"
            "Recording duration:  2 minutes  30 seconds\r\n");
  EXPECT_EQ(timing.end_text, "End time:    JUL 5, 2026  03:07:24\r\n");
  EXPECT_EQ(timing.planned_start_utc, MakeFileTime(2026, 7, 5, 3, 4, 53, 500));
  EXPECT_EQ(timing.planned_stop_utc, MakeFileTime(2026, 7, 5, 3, 7, 23, 950));
  EXPECT_EQ(timing.duration_milliseconds, 150000u);
  EXPECT_TRUE(PrepareEventTiming(SystemTime{2026, 1, 0, 1, 0, 0, 0, 0},
                                 SystemTime{1943, 5, 1, 3, 1, 1, 1, 0})
                  .event_header.ends_with("\r\nRecording duration:  1 hour  1 minute  1 second\r\n"));

  const FileTime start = MakeFileTime(2026, 7, 5, 3, 4, 53, 500);
  const auto left = [&](FileTime ticks) {
    return CountdownText(start - ticks, start, CountdownTimeBase::Countdown);
  };
  EXPECT_EQ(left(3 * kTicksPerDay + 5), "> 3 days");
  EXPECT_EQ(left(kTicksPerDay), "> 1 day ");
  EXPECT_EQ(left(150 * kTicksPerDay), "> 100 days");
  EXPECT_EQ(left(5 * 3600 * kTicksPerSecond), "05:00:00");
  EXPECT_EQ(left(kTicksPerSecond - 1), "00:00:00");
  EXPECT_EQ(CountdownText(start, start + kTicksPerDay, CountdownTimeBase::Utc), "03:04:53");
}

class EventCountdownTest : public ::testing::Test, public testing::StationTestBed {
 protected:
  // An Event at the given UTC time of the test's day, written before the station starts.
  static void WriteEvent(int hour, int minute, int second, int duration_seconds,
                         const char* asteroid, bool hibernate = false) {
    std::filesystem::create_directory("Events");
    const SystemTime time{2026, 7, 0, 14, static_cast<std::uint16_t>(hour),
                          static_cast<std::uint16_t>(minute), static_cast<std::uint16_t>(second), 0};
    const SystemTime duration{1943, 5, 1, 3, 0, static_cast<std::uint16_t>(duration_seconds / 60),
                              static_cast<std::uint16_t>(duration_seconds % 60), 0};
    ASSERT_TRUE(WriteEventFile(std::string("Events/") + asteroid + ".ief",
                               FormatEventFileText(time, duration, hibernate, false, "graze",
                                                   asteroid, "TYC 1")));
  }
  AppState& Start(const ClockDiscipline* discipline = nullptr) {
    AddDevice();
    StationServices services = Services(windows, false);
    if (discipline != nullptr) services.clock_discipline = discipline;
    station = std::make_unique<AppState>(services);
    EXPECT_EQ(station->Initialise(), S_OK);
    return *station;
  }
  bool Recording() const { return station->controller().event_recording_running(); }
  // Where the station printed text (line ends as they reach a terminal) from a place on.
  std::size_t Where(std::string text, std::size_t from = 0) const {
    std::erase(text, '\r');
    return out.str().find(text, from);
  }
  bool Logged(const std::string& text) const { return Where(text) != std::string::npos; }

  // Counts when playback is closed for the Event.
  struct Windows final : HeadlessWindows {
    using HeadlessWindows::HeadlessWindows;
    void ClosePlaybackForEvent() override { ++playback_closes; }
    int playback_closes = 0;
  };
  std::ostringstream out;
  Windows windows{out};
  std::unique_ptr<AppState> station;
};

TEST_F(EventCountdownTest, AnEventIsRecordedBetweenItsDeadlinesThenTheNextIsCountedDown) {
  WriteEvent(3, 6, 9, 30, "Pallas");
  WriteEvent(3, 10, 0, 10, "Vesta");
  AppState& s = Start();
  const CountdownScheduler& scheduler = s.scheduler();
  EXPECT_TRUE(Logged("Start time:  JUL 14, 2026  03:05:54\r\nEvent time:  JUL 14, 2026  03:06:09"));
  EXPECT_EQ(scheduler.texts().countdown, "00:00:44");
  EXPECT_TRUE(s.controller().event_pending());
  EXPECT_EQ(power.holds, 1);
  EXPECT_EQ(power.last_hold_reason, "Event recording at 03:06:09 UTC (Pallas TYC 1)");

  // The graph starts ahead of the planned start 03:05:53.5; the file is bounded to the window.
  const FileTime planned_start = MakeFileTime(2026, 7, 14, 3, 5, 53, 500);
  const FileTime planned_stop = planned_start + 30 * kTicksPerSecond + kStopExtraTicks;
  // Playback is closed in the last three seconds before the graph starts, not earlier.
  timers.RunUntil(planned_start - kRecordingLeadTicks - kClosePlaybackBeforeTicks);
  EXPECT_EQ(windows.playback_closes, 0);
  timers.RunUntil(planned_start - kRecordingLeadTicks - 1);
  EXPECT_GE(windows.playback_closes, 1);
  EXPECT_FALSE(Recording());
  EXPECT_EQ(scheduler.texts().countdown, "00:00:02");
  timers.RunUntil(planned_start - kRecordingLeadTicks);
  ASSERT_TRUE(Recording());
  EXPECT_EQ(media.graphs.back()->recording_window,
            std::make_pair(static_cast<std::uint64_t>(planned_start),
                           static_cast<std::uint64_t>(planned_stop)));
  EXPECT_TRUE(Logged("Start recording at 03:05:53 (UTC)"));

  timers.RunUntil(planned_stop - 1);
  EXPECT_TRUE(Recording());
  timers.RunUntil(planned_stop);
  EXPECT_FALSE(Recording());
  EXPECT_TRUE(std::filesystem::exists("VideoFiles/Pallas_TYC 1_07_14_2026_03_05_54.log"));
  // Its window is still open for 50 ms, yet the reload takes the next Event, not this again.
  ASSERT_TRUE(scheduler.current_event().has_value());
  EXPECT_EQ(scheduler.current_event()->FileText.AsteroidName, "Vesta");
  EXPECT_EQ(power.holds, 1);
  EXPECT_TRUE(s.controller().event_pending());
}

// The Event asked for hibernation: after its recording the station lets go of its own sleep
// hold, hibernates once the countdown has run out, and then schedules again. A recording
// whose device left and never returned still stops on time, and the hibernation is announced
// as coming after a broken recording.
TEST_F(EventCountdownTest, HibernationFollowsTheRecordingWithoutTheStationsOwnHold) {
  WriteEvent(3, 6, 9, 30, "Pallas", true);
  for (const bool device_leaves : {false, true}) {
    SCOPED_TRACE(device_leaves ? "the device left" : "the device stayed");
    station.reset();
    clock.SetUtc(MakeFileTime(2026, 7, 14, 3, 5, 9));
    power.hibernations.clear();
    out.str("");
    Start();
    EXPECT_TRUE(Logged(kHibernateNoteText));
    timers.RunUntil(MakeFileTime(2026, 7, 14, 3, 6, 0));
    ASSERT_TRUE(Recording());
    if (device_leaves) {
      media.devices.clear();
      station->DeviceSetChanged();
      EXPECT_TRUE(Recording());
    }
    timers.RunUntil(MakeFileTime(2026, 7, 14, 3, 6, 24));
    EXPECT_FALSE(Recording());
    EXPECT_EQ(power.hibernations, std::vector<int>{0});
    const std::size_t hibernate = Where("Hibernate in 30 seconds");
    EXPECT_NE(Where("There are no scheduled Events", hibernate), std::string::npos) << out.str();
    EXPECT_EQ(Where(kInterruptedBeforePowerText) < hibernate, device_leaves) << out.str();
  }
}

TEST_F(EventCountdownTest, AnEventAlreadyUnderWayIsRecordedAtOnceUntilItsPlannedStop) {
  WriteEvent(3, 5, 10, 30, "Pallas");  // window 03:04:55 to 03:05:25, now 03:05:09
  Start();
  EXPECT_TRUE(Logged(kWindowAlreadyBegunText));
  timers.RunFor(0);
  ASSERT_TRUE(Recording());
  timers.RunUntil(MakeFileTime(2026, 7, 14, 3, 5, 24, 949));
  EXPECT_TRUE(Recording());
  timers.RunFor(kTicksPerMillisecond);
  EXPECT_FALSE(Recording());
  EXPECT_EQ(power.holds, 0);
  EXPECT_EQ(timers.active(), 0u);
}

TEST_F(EventCountdownTest, AManualRecordingYieldsToTheEventWithItsLogAndANote) {
  WriteEvent(3, 6, 9, 30, "Pallas");
  AppState& s = Start();
  s.StartButton();  // cancels the countdown until the manual recording stops
  EXPECT_FALSE(s.controller().event_pending());
  EXPECT_EQ(power.holds, 0);
  s.event_loader().LoadEvents();  // an Event saved while the manual recording runs
  timers.RunUntil(MakeFileTime(2026, 7, 14, 3, 5, 51, 500));
  EXPECT_TRUE(Logged(kManualRecordingYieldsText));
  EXPECT_TRUE(std::filesystem::exists(testing::kRecordingLogFile)) << out.str();
  EXPECT_TRUE(Recording());
}

TEST_F(EventCountdownTest, ExitDuringTheCountdownOrTheRecordingLeavesNoTimerAndNoHold) {
  WriteEvent(3, 6, 9, 30, "Pallas");
  for (const bool recording : {false, true}) {
    station.reset();
    media.graphs.clear();
    AppState& s = Start();
    if (recording) timers.RunUntil(MakeFileTime(2026, 7, 14, 3, 5, 52));
    ASSERT_EQ(Recording(), recording);
    s.Exit();
    EXPECT_EQ(timers.active(), 0u);
    EXPECT_EQ(power.holds, 0);
    clock.SetUtc(MakeFileTime(2026, 7, 14, 3, 5, 9));
  }
  EXPECT_TRUE(std::filesystem::exists("VideoFiles/Pallas_TYC 1_07_14_2026_03_05_54.log"));
}

// The Event's checks run at its announcement and once more two minutes before its start,
// in time to act; not at every tick between.
TEST_F(EventCountdownTest, ReadinessIsCheckedAtTheAnnouncementAndTwoMinutesBeforeTheStart) {
  WriteEvent(3, 10, 0, 10, "Vesta");
  testing::FakeClockDiscipline discipline;
  discipline.state = testing::FakeClockDiscipline::Unsynchronised();
  Start(&discipline);
  const auto warnings = [this] {
    int count = 0;
    for (auto at = out.str().find("clock is not synchronised"); at != std::string::npos;
         at = out.str().find("clock is not synchronised", at + 1), ++count) {
    }
    return count;
  };
  EXPECT_EQ(warnings(), 1);
  const FileTime planned_start = MakeFileTime(2026, 7, 14, 3, 9, 54, 500);
  timers.RunUntil(planned_start - kReadinessRecheckTicks - 1);
  EXPECT_EQ(warnings(), 1);
  timers.RunUntil(planned_start - kReadinessRecheckTicks + kTicksPerSecond);
  EXPECT_EQ(warnings(), 2);
  timers.RunUntil(planned_start - kRecordingLeadTicks - 1);
  EXPECT_EQ(warnings(), 2);
}

}  // namespace
}  // namespace vesk
