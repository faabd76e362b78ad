#include "events/event_countdown.h"

#include <chrono>
#include <utility>

#include "recording/gps_time.h"

namespace vesk {

CountdownScheduler::CountdownScheduler(CountdownSchedulerContext context)
    : context_(std::move(context)) {}

CountdownScheduler::~CountdownScheduler() {
  for (TimerId id : {countdown_timer_, start_timer_, stop_timer_}) context_.timers.Cancel(id);
}

void CountdownScheduler::ClearCurrentEvent() { current_.reset(); }

void CountdownScheduler::ScheduleNextEvent(EventList& events) {
  // An Event being recorded is not scheduled again over its own file; the reload at the end
  // of its recording takes the next one.
  if (context_.controller.event_recording_running()) return;
  // Nothing left.
  if (events.empty()) {
    current_.reset();
    context_.log.ReportMessage("There are no scheduled Events\r\n", true);
    return;
  }
  // The earliest Event.
  current_ = events.back();
  if (context_.controller.recording_target().video_file_name.empty() && context_.sources.CurrentSource() == nullptr) {
    context_.log.ReportMessage(kSourceOutOfRangeForEventText, true);
  }
  timing_ = PrepareEventTiming(current_->EventTime, current_->RecordingDuration);
  texts_.event_header = timing_.event_header;
  texts_.end = timing_.end_text;
  context_.log.ReportMessage(timing_.event_header, true);
  // A clock that is seconds off would misdate the whole recording: said with the Event.
  if (context_.gps != nullptr) {
    if (const auto offset = context_.gps->LatestClockOffset()) {
      const std::string warning = ClockOffsetWarning(*offset);
      if (!warning.empty()) context_.log.ReportMessage(warning, true);
    }
  }
  // The power action it asks for.
  hibernate_ = current_->Hibernate;
  if (hibernate_ && !context_.station.HibernationPossible()) {
    hibernate_ = false;
    context_.log.ReportMessage(kHibernationNotSupportedText, true);
  }
  shutdown_ = current_->Shutdown;
  events.pop_back();
  ArmCountdown();
}

void CountdownScheduler::ArmCountdown() {
  // Never two countdowns.
  DeleteCountdownTimer();
  if (hibernate_) {
    context_.log.ReportMessage(kHibernateNoteText, false);
  } else if (shutdown_) {
    context_.log.ReportMessage(kShutDownNoteText, false);
  }
  const FileTime now = context_.clock.UtcNow();
  if (timing_.planned_start_utc <= now) context_.log.ReportMessage(kWindowAlreadyBegunText, true);

  // The computer stays awake until the recording has ended.
  if (!sleep_hold_) {
    const EventFileText& text = current_->FileText;
    std::string why = "Event recording at " + FormatTimeOfDay(current_->EventTime) + " UTC";
    if (!text.AsteroidName.empty() || !text.StarName.empty()) {
      why += " (" + std::string(text.AsteroidName) + " " + std::string(text.StarName) + ")";
    }
    sleep_hold_ = context_.station.HoldSleep(why);
  }

  // The display ticks once a second; the start is a deadline of its own.
  countdown_timer_ =
      context_.timers.StartEvery(std::chrono::milliseconds(1000), [this] { CountdownTick(); });
  start_timer_ = context_.timers.StartAt(timing_.planned_start_utc - kRecordingLeadTicks,
                                         [this] { StartEventRecording(); });
  context_.controller.set_event_pending(true);
  gps_fix_prepared_ = false;
  PrepareGpsFixNear(now);

  texts_.time_base = context_.derived.countdown_time_base;
  texts_.countdown = CountdownText(now, timing_.planned_start_utc, texts_.time_base);
  context_.windows.SetMainWindowTitle(kEventPendingTitle);
  context_.windows.SetCountdownWindowTitle(kCountdownPendingTitle);
  context_.countdown.ShowCountdown(texts_);

  readiness_rechecked_ = timing_.planned_start_utc - now <= kReadinessRecheckTicks;
  context_.station.CheckReadiness(timing_.planned_start_utc, timing_.planned_stop_utc);
}

void CountdownScheduler::RefreshTimeBase() {
  texts_.time_base = context_.derived.countdown_time_base;
  CountdownTick();
}

void CountdownScheduler::CountdownTick() {
  if (context_.controller.event_recording_running() || !context_.controller.event_pending()) {
    return;
  }
  const FileTime now = context_.clock.UtcNow();
  const FileTime graph_start = timing_.planned_start_utc - kRecordingLeadTicks;
  if (now + kClosePlaybackBeforeTicks > graph_start) context_.station.ClosePlaybackForEvent();
  PrepareGpsFixNear(now);
  texts_.countdown = CountdownText(now, timing_.planned_start_utc, texts_.time_base);
  context_.countdown.UpdateCountdown(texts_);
  if (!readiness_rechecked_ && now + kReadinessRecheckTicks >= timing_.planned_start_utc) {
    readiness_rechecked_ = true;
    context_.station.CheckReadiness(timing_.planned_start_utc, timing_.planned_stop_utc);
  }
}

void CountdownScheduler::PrepareGpsFixNear(FileTime now) {
  const FileTime graph_start = timing_.planned_start_utc - kRecordingLeadTicks;
  if (gps_fix_prepared_ || context_.gps == nullptr || now + kGpsFixBeforeTicks < graph_start) {
    return;
  }
  // A receiver still being connected is asked again at the next tick.
  gps_fix_prepared_ = context_.gps->PrepareFix();
}

void CountdownScheduler::StartEventRecording() {
  start_timer_ = kNoTimer;
  context_.timers.Cancel(countdown_timer_);
  countdown_timer_ = kNoTimer;
  if (!current_) return;
  // A manual recording in progress ends here, with its log; the observer is told why.
  const VideoSourceInfo* info = context_.sources.CurrentSource();
  if (info != nullptr && info->is_active_manual_recording) {
    context_.log.ReportMessage(kManualRecordingYieldsText, true);
  }
  EventRecordingRequest request = RecordingRequestOf(*current_);
  request.record_from_utc = timing_.planned_start_utc;
  request.record_until_utc = timing_.planned_stop_utc;
  context_.controller.BeginEventRecording(request);
  // Without a recording nothing will end it: the computer may sleep again.
  if (context_.controller.event_recording_running()) {
    ArmStopTimer();
  } else {
    sleep_hold_.reset();
  }
}

void CountdownScheduler::DeleteCountdownTimer() {
  context_.timers.Cancel(countdown_timer_);
  context_.timers.Cancel(start_timer_);
  countdown_timer_ = start_timer_ = kNoTimer;
  if (!context_.controller.event_recording_running()) sleep_hold_.reset();
}

void CountdownScheduler::ArmStopTimer() {
  context_.timers.Cancel(stop_timer_);
  stop_timer_ = context_.timers.StartAt(timing_.planned_stop_utc, [this] { EndEventRecording(); });
}

void CountdownScheduler::DeleteStopTimer() {
  context_.timers.Cancel(stop_timer_);
  stop_timer_ = kNoTimer;
  sleep_hold_.reset();
}

void CountdownScheduler::EndEventRecording() {
  stop_timer_ = kNoTimer;
  if (!context_.controller.EndEventRecording()) return;
  // The hold would keep the power action from happening.
  sleep_hold_.reset();
  if (hibernate_ || shutdown_) {
    context_.station.PerformPowerAction(hibernate_, shutdown_,
                                        [this] { context_.station.LoadEventsAfterRecording(); });
  } else {
    context_.station.LoadEventsAfterRecording();
  }
}

}  // namespace vesk
