#pragma once

// The scheduler: after every load of the Events it takes the earliest one, announces it,
// counts down to it once a second in the countdown window while keeping the computer awake,
// records it through the recording controller, then performs the power action the Event
// asked for and loads the Events again. The recording begins and ends by deadlines on the
// clock, not by the display's ticks: the graph is started a little early and the media layer
// keeps frames captured before the planned start and after the planned stop out of the file.

#include <memory>
#include <optional>

#include "base/clock.h"
#include "base/message_log.h"
#include "base/power.h"
#include "base/timer_queue.h"
#include "capture/capture_graph.h"
#include "capture/video_sources.h"
#include "config/options.h"
#include "events/countdown_station.h"
#include "events/event_scheduler.h"
#include "events/event_timing.h"
#include "recording/gps_fix_source.h"
#include "recording/recording_controller.h"
#include "recording/recording_view.h"

namespace vesk {

constexpr const char* kSourceOutOfRangeForEventText =
    "Logic error: current source index out of range for starting future event\r\n";
constexpr const char* kHibernationNotSupportedText =
    "Hibernation is not supported even though Event requests it";
constexpr const char* kHibernateNoteText =
    "NOTE: computer will be placed in hibernate 30 seconds after recording ends\r\n";
constexpr const char* kShutDownNoteText =
    "NOTE: computer will shut down 30 seconds after recording ends\r\n";
constexpr const char* kWindowAlreadyBegunText =
    "NOTE: the Event's recording window has already begun; recording what remains of it\r\n";
constexpr const char* kManualRecordingYieldsText =
    "NOTE: the manual recording is stopped so that the Event can be recorded\r\n";

// The graph of an Event recording is started this long before the planned start, so that the
// file begins at the planned start however long the switch from live video takes.
constexpr FileTime kRecordingLeadTicks = 20'000'000;

// The countdown window.
class CountdownView {
 public:
  virtual ~CountdownView() = default;
  // Every pane drawn from texts, then the window shown and raised (an Event became pending).
  virtual void ShowCountdown(const CountdownTexts& texts) = 0;
  // The big display again, once a second.
  virtual void UpdateCountdown(const CountdownTexts& texts) = 0;
};

struct CountdownSchedulerContext {
  RecordingController& controller;
  const VideoSources& sources;
  RecordingWindowsView& windows;
  CountdownView& countdown;
  TimerQueue& timers;
  MessageLog& log;
  const Clock& clock;
  const DerivedOptions& derived;
  // Sleep, readiness, playback, the power action and the next Event.
  CountdownStation& station;
  // The GPS receiver: its clock offset is judged when an Event is announced, and the
  // Event's fix is read during the countdown. Null: none.
  GpsFixSource* gps = nullptr;
};

// The second readiness check comes this long before the recording's start, in time to act.
constexpr FileTime kReadinessRecheckTicks = 120 * kTicksPerSecond;

// How long before the recording's start an open playback file is closed.
constexpr FileTime kClosePlaybackBeforeTicks = 30'000'000;
// How long before the graph starts the Event's GPS fix is read: room for the fix time limit
// and for a refresh read that has to give way first.
constexpr FileTime kGpsFixBeforeTicks = 100'000'000;

class CountdownScheduler final : public EventScheduler {
 public:
  explicit CountdownScheduler(CountdownSchedulerContext context);
  ~CountdownScheduler() override;
  CountdownScheduler(const CountdownScheduler&) = delete;
  CountdownScheduler& operator=(const CountdownScheduler&) = delete;

  void ClearCurrentEvent() override;
  void ScheduleNextEvent(EventList& events) override;

  // The countdown and the start deadline go (a pending Event is cancelled, or the station
  // closes); the computer may sleep again unless a recording runs.
  void DeleteCountdownTimer();
  // The countdown's time base changed (Event Pending Options): a pending Event's display
  // shows the new one at once.
  void RefreshTimeBase();
  // The Event recording ended before its stop deadline: the deadline goes, and the
  // computer may sleep again.
  void DeleteStopTimer();

  const std::optional<EventRecord>& current_event() const { return current_; }
  const EventTiming& timing() const { return timing_; }
  const CountdownTexts& texts() const { return texts_; }
  bool holds_sleep() const { return sleep_hold_ != nullptr; }

 private:
  void ArmCountdown();
  void CountdownTick();
  // Has the Event's GPS fix read once the countdown is within kGpsFixBeforeTicks.
  void PrepareGpsFixNear(FileTime now);
  void StartEventRecording();
  // The stop deadline, at the Event's planned stop, armed once its recording runs.
  void ArmStopTimer();
  void EndEventRecording();

  CountdownSchedulerContext context_;
  std::optional<EventRecord> current_;
  EventTiming timing_;
  CountdownTexts texts_;
  bool hibernate_ = false;
  bool shutdown_ = false;
  bool gps_fix_prepared_ = false;
  TimerId countdown_timer_ = kNoTimer;
  TimerId start_timer_ = kNoTimer;
  TimerId stop_timer_ = kNoTimer;
  // The check shortly before the start has been made (or the announcement was that late).
  bool readiness_rechecked_ = false;
  std::unique_ptr<SleepInhibitor> sleep_hold_;
};

}  // namespace vesk
