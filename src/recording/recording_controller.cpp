#include "recording/recording_controller.h"

#include <cstdio>
#include <string>
#include <utility>

#include "base/files.h"
#include "base/system_time.h"
#include "capture/device_hotplug.h"
#include "recording/file_naming.h"
#include "recording/frame_accounting.h"
#include "recording/gps_time.h"
#include "recording/recording_log.h"
#include "recording/stopped_recording_log.h"

namespace vesk {
namespace {

VideoNameOptions NameOptionsOf(const Options& options) {
  return VideoNameOptions{options.video_directory, options.video_name_prefix,
                          options.event_file_global_prefix, options.record_format};
}

}  // namespace

RecordingController::RecordingController(RecordingControllerContext context)
    : context_(std::move(context)) {}

bool RecordingController::CurrentSourceRecording() const {
  const VideoSourceInfo* info = sources().CurrentSource();
  return info != nullptr && (info->is_active_manual_recording || info->is_active_event_recording);
}

void RecordingController::TakeGpsFixAndCloseReceiver() {
  LastGpsPosition& last = gps_at_start_;
  last.valid = false;
  last.clock_offset.reset();
  GpsFixSource* gps = context_.gps;
  if (gps == nullptr || !gps->IsOpen()) return;
  GpsFix fix;
  const VideoSourceInfo* info = sources().CurrentSource();
  if (info != nullptr && info->is_active_event_recording) {
    // An Event never waits on the receiver: its fix was read during the countdown, and a
    // receiver that gave none in time leaves the log's "not available" lines.
    gps->TakePreparedFixAndClose(&fix);
    CopyFixToLastPosition(fix, &last);
    last.valid = true;
  } else {
    gps->StopRefreshTimer();
    if (gps->ReadGpsFixWithRetry(&fix)) {
      CopyFixToLastPosition(fix, &last);
      last.valid = true;
    }
    // The port stays closed while recording; the reconnect after the stop reopens it.
    gps->Close();
  }
  context_.view.HideGpsWindow();
  // A fix without a time leaves the last offset measured to be judged.
  const std::optional<GpsClockOffset> offset =
      last.clock_offset ? last.clock_offset : gps->LatestClockOffset();
  if (offset) {
    const std::string warning = ClockOffsetWarning(*offset);
    if (!warning.empty()) context_.log.ReportMessage(warning, true);
  }
}

std::string RecordingController::UnusedVideoFileName(std::string name) {
  // A name an earlier recording holds (a station started again during its Event's window,
  // two manual recordings in one second) is never written over: the recording goes into
  // the first free continuation beside it.
  if (name.empty() || RecordingNameFree(name)) return name;
  const bool relative = context_.options.video_directory.empty();
  const std::string taken = FullVideoPath(name, relative, context_.current_directory);
  std::uint32_t count = 1;
  std::string continuation = FreeContinuationFileName(name, &count);
  if (continuation.empty()) {
    context_.log.ReportMessage("ERROR: nothing is recorded: " + taken +
                                   " holds an earlier recording and no continuation name is "
                                   "free\r\n",
                               true);
    return {};
  }
  context_.log.ReportMessage(
      "NOTE: " + taken + " holds an earlier recording, which is kept; this recording goes into " +
          FullVideoPath(continuation, relative, context_.current_directory) + "\r\n",
      true);
  return continuation;
}

void RecordingController::SwitchOverlaysOffForRecording() {
  context_.graph.switches().integration_count = 1;
  context_.view.HideFrameIntegrationWindow();
  if (context_.options.remove_filters_while_recording) {
    context_.view.HidePixelSaturationWindow();
  }
}

HResult RecordingController::StartVideo() {
  // A new start has no start text yet.
  start_text_.clear();
  const bool relative_name = context_.options.video_directory.empty();
  target_.video_file_name_is_relative = relative_name;
  // The name says the format, so a continuation goes on as its recording began.
  target_.format = target_.video_file_name.ends_with(VideoFileExtension(RecordingFileFormat::Ser))
                       ? RecordingFileFormat::Ser
                       : RecordingFileFormat::Avi;
  target_.observer = context_.options.event_file_global_prefix;

  // A device that has left cannot start; it is started again when it returns.
  const VideoSourceInfo* in_use = sources().CurrentSource();
  if (in_use != nullptr && in_use->is_detached) {
    if (CurrentSourceRecording()) {
      context_.log.ReportMessage(
          "WARNING: the recording did not start; nothing was recorded into " +
              FullVideoPath(target_.video_file_name, relative_name, context_.current_directory) +
              " (the video capture device is disconnected)\r\n",
          true);
    }
    return E_FAIL;
  }

  // A recording takes the GPS fix before its graph starts.
  const bool recording = CurrentSourceRecording();
  if (recording) {
    TakeGpsFixAndCloseReceiver();
    SwitchOverlaysOffForRecording();
    OpenFrameTimeRecord();
  }

  // Start the graph; device-change notifications wait until it has started.
  graph_switching_ = true;
  HResult result = context_.graph.StartCamera(recording ? target_ : RecordingTarget{});

  // The format cannot carry the overlays: drop them and try once more.
  if (result == E_NOTIMPL) {
    context_.options.pixel_saturation_value = -1;
    LiveSwitches& switches = context_.graph.switches();
    switches.saturation_highlight = false;
    context_.station.SaturationHighlightingDropped();
    switches.integration_count = 1;
    // Nothing ran yet: stopping as a recording would write a log for a recording that
    // never started and reconnect the GPS in the middle of the start.
    result = context_.graph.StopCamera().result;
    if (Failed(result)) {
      context_.log.ReportMessage(kStopCameraFailedText, true);
      graph_switching_ = false;
      return result;
    }
    result = context_.graph.StartCamera(recording ? target_ : RecordingTarget{});
  }
  graph_switching_ = false;
  if (Failed(result)) {
    // The errors above say why; this says what it means for the observer.
    if (recording) {
      CloseFrameTimeRecord(nullptr);
      // What stands in the way of the file, when something does.
      const std::string path =
          FullVideoPath(target_.video_file_name, relative_name, context_.current_directory);
      std::string reason = files::FileCreateError(path);
      // The graph never writes over a file; one that appeared under the name says so.
      if (reason.empty() && files::NameTaken(path)) reason = "a file of that name exists";
      context_.log.ReportMessage("WARNING: the recording did not start; nothing was recorded into " +
                                     path + (reason.empty() ? "" : " (" + reason + ")") + "\r\n",
                                 true);
    }
    return result;
  }

  // Without a renderer to draw it the picture would freeze on its last frame.
  context_.view.ShowDisplayOff(context_.graph.renderers().current_renderer_kind() ==
                               RendererKind::NullRenderer);

  // A recording that started says so.
  if (recording) {
    // An Event's file begins at its planned start, which the graph may run ahead of.
    SystemTime started = context_.clock.UtcSystemTime();
    if (target_.record_from_utc > context_.clock.UtcNow()) {
      FileTimeToSystemTime(target_.record_from_utc, &started);
    }
    start_text_ = "Start recording at " + FormatTimeOfDay(started) + " (UTC)";
    if (context_.clock_discipline != nullptr) clock_at_start_ = context_.clock_discipline->Read();
    context_.log.ReportMessage(start_text_, true);
  }
  return result;
}

HResult RecordingController::StopVideo() {
  // Whether this stop ends a recording, and when it was asked to end.
  const bool was_recording = CurrentSourceRecording();
  const FileTime stop_asked = context_.clock.UtcNow();

  // Stop the graph; a stopped recording's log is written at once.
  CameraStop stop = context_.graph.StopCamera();
  const HResult result = stop.result;
  if (std::optional<StoppedRecording>& stopped = stop.recording) {
    LogExtraLines extra;
    std::vector<std::string>& log_notes = extra.notes;
    // A file that could not be written is said first: which, that the recording stopped,
    // and what it keeps.
    if (stopped->file_end.write_failed) {
      log_notes.push_back(
          "Recording cut short: its video file could not be written" +
          (stopped->file_end.frames >= 0
               ? "; the file holds " + std::to_string(stopped->file_end.frames) + " frames"
               : std::string()));
      last_recording_failed_ = true;
      std::string report =
          std::string(kRecordingCutShortText) +
          FullVideoPath(target_.video_file_name, target_.video_file_name_is_relative,
                        context_.current_directory) +
          "\r\n";
      if (stopped->file_end.frames >= 0) {
        report += std::string(kFramesKeptText) + std::to_string(stopped->file_end.frames) +
                  std::string(kReadableToTheLastText) +
                  (stopped->file_end.index_written ? "" : std::string(kNoRoomForIndexText)) +
                  "\r\n";
      }
      context_.log.ReportMessage(report, true);
    }
    // An Event's file that began well after its planned start says so.
    const FileTime first = stopped->file_end.first_frame_utc;
    const FileTime planned = target_.record_from_utc;
    if (planned != 0 && first > planned + kLateStartTicks) {
      char late[96];
      std::snprintf(late, sizeof late,
                    "WARNING: the Event recording began %.2f s after its planned start\r\n",
                    static_cast<double>(first - planned) / kTicksPerSecond);
      context_.log.ReportMessage(late, true);
    }
    AccountForLostFrames(*stopped, stop_asked, &log_notes);
    // Frame times are only as good as the computer clock was over the recording.
    if (context_.clock_discipline != nullptr) {
      if (clock_at_start_) extra.clock.push_back(ClockLogLine("start", *clock_at_start_));
      extra.clock.push_back(ClockLogLine("stop", context_.clock_discipline->Read()));
    }
    clock_at_start_.reset();
    if (frame_record_) extra.inserter = frame_record_->InserterLogLines();
    extra.frame_times = CloseFrameTimeRecord(&*stopped);
    WriteLogOfStoppedRecording(*stopped, {target_, event_description_, start_text_},
                               context_.graph, gps_at_start_, context_.clock,
                               context_.current_directory, extra);
  } else if (frame_record_) {
    CloseFrameTimeRecord(nullptr);
  }

  // A failed stop is reported.
  if (Failed(result)) {
    context_.log.ReportMessage(kStopCameraFailedText, true);
    return result;
  }

  // The receiver a recording start closed is connected again.
  if (was_recording && !closing_ && context_.options.autostart_gps) {
    context_.station.ReconnectGpsReceiver();
  }
  return result;
}

void RecordingController::AccountForLostFrames(StoppedRecording& stopped, FileTime stop_asked,
                                               std::vector<std::string>* log_notes) {
  const VideoFormat* format = sources().CurrentVideoFormat();
  const FileTime interval = format != nullptr ? format->media_type.avg_time_per_frame : 0;
  // The recording ends at its stop, or at the Event's planned end when that came first.
  FileTime end = stop_asked;
  if (target_.record_until_utc != 0 && target_.record_until_utc < end) {
    end = target_.record_until_utc;
  }
  // A stall that ran into the stop lost frames no later frame's number showed missing.
  const auto last = static_cast<FileTime>(stopped.file_end.last_frame_utc);
  if (stopped.has_dropped_frames_interface) {
    stopped.dropped_frames += FramesLostAtEnd(last, end, interval);
  }
  // From the first frame on: a late start has a warning of its own, and what remains of an
  // Event begun late was all there was to record.
  const auto first = static_cast<FileTime>(stopped.file_end.first_frame_utc);
  const FileTime begin = first != 0 ? first : target_.record_from_utc;
  const std::int64_t recorded = stopped.file_end.frames >= 0 ? stopped.file_end.frames
                                                             : stopped.recorded_frames;
  const std::int64_t due = FramesDue(begin, end, interval);
  if (!FarFewerFramesThanDue(recorded, due)) return;
  char text[160];
  std::snprintf(text, sizeof text, "the recording holds %lld frames of the %lld due in its %.1f s",
                static_cast<long long>(recorded), static_cast<long long>(due),
                static_cast<double>(end - begin) / kTicksPerSecond);
  context_.log.ReportMessage(std::string("WARNING: ") + text + "\r\n", true);
  std::string note = text;
  note[0] = 'T';
  log_notes->push_back(note);
}

void RecordingController::OpenFrameTimeRecord() {
  frame_record_.reset();
  const std::string name = FrameTimeRecordName(target_.video_file_name);
  if (!name.empty()) {
    auto record = std::make_shared<FrameTimeRecord>();
    std::string reason;
    // An interlaced device's fields are read when the inserter's characters were learnt.
    inserter::FieldTimesSource* inserter =
        inserter_fields_ != nullptr && inserter_fields_->reads() &&
                DeviceSendsFields(sources().CurrentSource())
            ? inserter_fields_
            : nullptr;
    if (record->Create(name, &reason, inserter)) {
      frame_record_ = std::move(record);
    } else {
      context_.log.ReportMessage(
          "WARNING: the frame-time record " +
              FullVideoPath(name, context_.options.video_directory.empty(),
                            context_.current_directory) +
              " cannot be made (" + reason + "); the recording goes on without it\r\n",
          true);
    }
  }
  target_.frame_stamps = frame_record_;
}

std::vector<std::string> RecordingController::CloseFrameTimeRecord(
    const StoppedRecording* stopped) {
  target_.frame_stamps = nullptr;
  std::vector<std::string> lines;
  const std::shared_ptr<FrameTimeRecord> record = std::exchange(frame_record_, nullptr);
  if (!record) return lines;
  record->Close();
  const FrameTimeSummary& summary = record->summary();
  if (stopped == nullptr) {
    // A recording that never ran leaves no record of no frames.
    if (summary.frames == 0) files::DeleteFile(record->path());
    return lines;
  }
  const std::string full_name = FullVideoPath(record->path(), target_.video_file_name_is_relative,
                                              context_.current_directory);
  // A video file cut back to its last whole frame keeps a record of the frames it holds.
  std::string reason;
  if (stopped->file_end.write_failed && stopped->file_end.frames >= 0 &&
      !record->CutToFrames(stopped->file_end.frames, &reason)) {
    context_.log.ReportMessage("WARNING: the frame-time record " + full_name +
                                   " lists frames the video file lost at its end and cannot "
                                   "be cut (" + reason + ")\r\n",
                               true);
  }
  if (!summary.write_error.empty()) {
    context_.log.ReportMessage("WARNING: the frame-time record " + full_name + " stopped after " +
                                   std::to_string(summary.frames) + " frames (" +
                                   summary.write_error + "); the recording went on\r\n",
                               true);
  }
  for (const FrameTimeSummary::Place& step : summary.clock_steps) {
    char text[128];
    std::snprintf(text, sizeof text,
                  "WARNING: the computer clock was stepped by %+.3f s during the recording, "
                  "before frame %lld\r\n",
                  static_cast<double>(step.amount) / 1e9, static_cast<long long>(step.frame));
    context_.log.ReportMessage(text, true);
  }
  return FrameTimeLogLines(summary, stopped->file_end.frame_time_origin,
                           stopped->file_end.stamps_lost, full_name);
}

HResult RecordingController::RestartVideo() {
  const HResult result = StopVideo();
  if (Failed(result)) return result;
  return StartVideo();
}

void RecordingController::StartManualRecording() {
  // A pending Event is cancelled while the manual recording runs.
  event_was_pending_ = false;
  if (event_pending_) {
    event_was_pending_ = true;
    CancelPendingEvent();
  }

  // A shown playback is paused and hidden, to come back afterwards.
  playback_was_open_ = context_.view.HidePlaybackWindows();

  // Live video stops.
  StopVideo();

  // The recording's file name.
  event_description_.clear();
  target_.video_file_name = UnusedVideoFileName(
      MakeVideoFileName(nullptr, NameOptionsOf(context_.options), context_.clock,
                        context_.bias_minutes, context_.log)
          .name);

  // The windows show a recording, then the graph starts recording.
  last_recording_failed_ = false;
  SetRecordingUi(true);
  if (Failed(StartVideo()) && CurrentSourceRecording()) EndFailedRecording();
}

void RecordingController::SetRecordingUi(bool store_name) {
  // Without a file the following start shows live video only.
  const std::string& file_name = target_.video_file_name;
  if (file_name.empty()) {
    context_.log.ReportMessage(kNullFilePathnameText, true);
    return;
  }

  // The device records into the file; its name is kept for continuations.
  if (VideoSourceInfo* info = sources().CurrentSource()) {
    info->is_active_preview = false;
    info->is_active_event_recording = event_recording_running_;
    info->is_active_manual_recording = !event_recording_running_;
    if (store_name) {
      recording_interrupted_ = false;
      info->reconnect_count = 0;
      if (!SetRecordingPath(info, file_name)) {
        // A name from an earlier recording must never be continued into.
        info->recording_path.clear();
        context_.log.ReportMessage(kRecordingPathTooLongText, true);
      }
    }
  }

  // The windows show a recording.
  RecordingWindowsView& view = context_.view;
  view.SetMainWindowTitle(kRecordingTitle);
  view.SetCountdownWindowTitle(kCountdownRecordingTitle);
  view.EnableStartButton(false);
  view.EnableStopButton(true);
  context_.menus.EnableMenusOutsideRecording(false);

  // Colour control is taken off a recording that sheds load.
  LiveSwitches& switches = context_.graph.switches();
  if (switches.brightness_contrast && context_.options.remove_filters_while_recording) {
    context_.menus.ResetBrightnessContrast();
    switches.brightness_contrast = false;
  }
}

void RecordingController::ClearRecordingUi() {
  // The device's recording flags are cleared.
  if (VideoSourceInfo* info = sources().CurrentSource()) {
    info->is_active_manual_recording = false;
    info->is_active_event_recording = false;
    info->is_active_preview = !info->is_detached;
    info->reconnect_count = 0;
    info->recording_path.clear();
  }

  // The windows show live video.
  RecordingWindowsView& view = context_.view;
  view.SetMainWindowTitle(kIdleTitle);
  view.HideCountdownWindow();
  view.EnableStartButton(true);
  view.EnableStopButton(false);
  context_.menus.EnableMenusOutsideRecording(true);
}

void RecordingController::StopRecording() {
  // An Event recording is stopped only when the observer confirms.
  if (event_recording_running_) {
    if (!context_.view.AskYesNo(kStopEventCaption, kStopEventQuestion)) return;
    event_recording_running_ = false;
    context_.station.CancelEventStop();
    manually_stopped_.push_back(StoppedEvent{current_event_.event_time, current_event_.duration});
    context_.log.ReportMessage(kEventManuallyStoppedText, true);
    context_.view.HideCountdownWindow();
    context_.view.EnableStopButton(false);
    context_.view.SetMainWindowTitle(kIdleTitle);
    // The next Event is scheduled after this stop, or none would be until a reload.
    event_was_pending_ = true;
  }

  EndRecording();
}

void RecordingController::EndRecording() {
  // Live video stops and the windows show it.
  StopVideo();
  ClearRecordingUi();

  // No recording file any more, and playback comes back.
  ForgetRecordingTarget();
  ShowHiddenPlayback();

  // The Event the Start button cancelled is counted down again if still ahead.
  if (event_was_pending_) {
    event_was_pending_ = false;
    context_.station.ReloadEvents();
  }

  // Live video again.
  StartVideo();
}

int RecordingController::SizeVideoWindow() {
  VideoSources& sources = this->sources();
  if (sources.Count() == 0) {
    if (!initialising_) context_.log.ReportMessage(kNoValidSourceText, true);
    return 0;
  }
  const VideoFormat* format = sources.CurrentVideoFormat();
  if (sources.CurrentSource() == nullptr || format == nullptr) return 0;
  int width = format->width;
  int height = format->height;
  if (context_.graph.switches().magnify_x2) {
    width *= 2;
    height *= 2;
  }
  context_.view.SizeVideoRecordWindow(width, height, width + 10, height + 7);
  return 1;
}

HResult RecordingController::CloseForExit() {
  if (closing_) return S_OK;
  closing_ = true;
  // No timer may start or stop a recording on a station that is going away.
  if (event_pending_) {
    event_pending_ = false;
    context_.station.CancelEventCountdown();
  }
  if (event_recording_running_) {
    event_recording_running_ = false;
    context_.station.CancelEventStop();
  }
  return StopVideo();
}

HResult RecordingController::BeginEventRecording(const EventRecordingRequest& event) {
  event_pending_ = false;
  current_event_ = event;

  playback_was_open_ = context_.view.HidePlaybackWindows();
  StopVideo();

  if (sources().CurrentSource() == nullptr) {
    context_.log.ReportMessage(kEventSourceOutOfRangeText, true);
    return E_FAIL;
  }

  // The scheduler times the stop, at the Event's planned stop, once this recording runs.
  event_recording_running_ = true;
  recording_duration_ = static_cast<std::uint32_t>(event.duration_ticks / 10000);

  target_.record_from_utc = event.record_from_utc;
  target_.record_until_utc = event.record_until_utc;
  const EventNameParts parts{event.asteroid_name, event.star_name, event.start_time};
  target_.video_file_name = UnusedVideoFileName(
      MakeVideoFileName(&parts, NameOptionsOf(context_.options), context_.clock,
                        context_.bias_minutes, context_.log)
          .name);
  event_description_ =
      MakeEventDescription(event.asteroid_name, event.star_name, event.comment);
  last_recording_failed_ = false;
  SetRecordingUi(true);
  const HResult result = StartVideo();
  if (Failed(result) && CurrentSourceRecording()) EndFailedRecording();
  return result;
}

bool RecordingController::EndEventRecording() {
  if (!event_recording_running_) return false;
  event_recording_running_ = false;
  context_.station.CancelEventStop();
  // Its window may not have closed yet: the reload that follows must not record it again.
  manually_stopped_.push_back(StoppedEvent{current_event_.event_time, current_event_.duration});

  StopVideo();
  ClearRecordingUi();
  ForgetRecordingTarget();
  context_.log.ReportMessage("", false);

  StartVideo();
  ShowHiddenPlayback();
  return true;
}

void RecordingController::ForgetRecordingTarget() {
  target_.video_file_name.clear();
  target_.record_from_utc = target_.record_until_utc = 0;
  recording_duration_ = 0;
  event_description_.clear();
}

void RecordingController::ShowHiddenPlayback() {
  if (!playback_was_open_) return;
  playback_was_open_ = false;
  context_.view.ShowPlaybackWindows();
}

void RecordingController::OnGraphRunError(std::uint64_t run) {
  // A report of an earlier run, or of a graph already stopped, needs nothing more.
  if (closing_ || run != context_.graph.run_number() ||
      context_.graph.state() != GraphState::Running || !CurrentSourceRecording()) {
    return;
  }
  // A vanished device stops the recording to resume it on its return.
  if (context_.station.RecordingDeviceLeft()) return;
  EndFailedRecording();
}

void RecordingController::ResumeRecording(const std::string& path) {
  target_.video_file_name = path;
  // The continuation starts now: its first frame is not late against the recording's start.
  target_.record_from_utc = 0;
  SetRecordingUi(false);
  if (Failed(StartVideo()) && CurrentSourceRecording()) EndFailedRecording();
}

void RecordingController::EndFailedRecording() {
  last_recording_failed_ = true;
  // A failed Event recording is not tried again over its own file.
  if (event_recording_running_) {
    event_recording_running_ = false;
    context_.station.CancelEventStop();
    manually_stopped_.push_back(StoppedEvent{current_event_.event_time, current_event_.duration});
    event_was_pending_ = true;  // the next Event is scheduled again
  }
  EndRecording();
}

void RecordingController::CancelPendingEvent() {
  context_.station.CancelEventCountdown();
  event_recording_running_ = false;
  target_.video_file_name.clear();
  event_pending_ = false;
  recording_duration_ = 0;
  context_.view.SetMainWindowTitle(kIdleTitle);
  context_.view.HideCountdownWindow();
}

}  // namespace vesk
