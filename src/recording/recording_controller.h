#pragma once

// Switches the device in use between live video and recording: the Start and Stop buttons,
// the start and end of Event recordings, and every restart of live video. Each switch is a
// full stop of the capture graph and a new start in the wanted mode; around it the
// controller names the video file, takes the GPS fix for the log, turns analysis overlays
// off, changes titles, buttons and menus, and has the recording log written at the stop.
//
// Everything here runs on the user-interface thread; timer callbacks post their work there.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/clock.h"
#include "base/clock_discipline.h"
#include "base/hresult.h"
#include "base/message_log.h"
#include "capture/capture_graph.h"
#include "capture/video_sources.h"
#include "config/options.h"
#include "recording/event_recording.h"
#include "recording/frame_time_record.h"
#include "recording/gps_fix_source.h"
#include "recording/gps_position.h"
#include "recording/recording_menus.h"
#include "recording/recording_station.h"
#include "recording/recording_view.h"

namespace vesk {

constexpr std::string_view kStopCameraFailedText = "WARNING: command to stop camera failed\r\n";
constexpr std::string_view kNullFilePathnameText =
    "Logic error: attempting to record to a NULL file pathname\r\n";
constexpr std::string_view kNoValidSourceText = "No valid source device is attached\r\n";
constexpr std::string_view kEventManuallyStoppedText = "Event recording is manually stopped";
constexpr std::string_view kEventSourceOutOfRangeText =
    "Logic error: attempting to record an event with current source index out of range\r\n";
// The device keeps the name of the file a recording started with, to continue it after a
// reconnect; a name too long for that is not kept, and the observer is told.
constexpr std::string_view kRecordingPathTooLongText =
    "WARNING: video file name is too long to continue the recording after a device "
    "reconnect\r\n";

// A recording whose file could not be written was stopped at once; the file keeps the
// frames written until then.
constexpr std::string_view kRecordingCutShortText =
    "ERROR: the recording stopped: its video file could not be written: ";
constexpr std::string_view kFramesKeptText = "The video file holds ";
constexpr std::string_view kReadableToTheLastText = " frames and is readable up to the last of them";
constexpr std::string_view kNoRoomForIndexText = ", but has no index: there was no room for one";

// An Event recording whose first frame came this much after its planned start is reported.
constexpr FileTime kLateStartTicks = 1'000'000;

struct RecordingControllerContext {
  // Also holds the devices and the recording session (file name, Event description and
  // start text of the recording in progress).
  CaptureGraph& graph;
  // PixelSaturationValue is forgotten when a format cannot be analysed.
  Options& options;
  MessageLog& log;
  const Clock& clock;
  // Minutes added to local time to get UTC, read once at start-up.
  int bias_minutes = 0;
  // The station's home folder, for the recording log of a relative video file name.
  std::string current_directory;
  RecordingWindowsView& view;
  // The station's menu state, which a recording grays and changes.
  RecordingMenus& menus;
  // Null while the station has no GPS receiver interface.
  GpsFixSource* gps = nullptr;
  RecordingStation& station;
  // The kernel's view of the computer clock, for the log's lines on it. Null: no such lines.
  const ClockDiscipline* clock_discipline = nullptr;
};

class RecordingController {
 public:
  explicit RecordingController(RecordingControllerContext context);

  RecordingController(const RecordingController&) = delete;
  RecordingController& operator=(const RecordingController&) = delete;

  // Starts the graph of the device in use: recording when its manual or Event recording
  // flag is set, else live video. A format that cannot be analysed with the overlays on
  // (E_NOTIMPL) switches them off and is tried once more.
  HResult StartVideo();
  // Stops the graph; a stopped recording gets its log. Reconnects the GPS after a
  // recording when AutostartGPS is set and the station is not closing.
  HResult StopVideo();
  // StopVideo, then StartVideo when the stop worked: how a changed setting takes effect.
  HResult RestartVideo();

  // The Start button.
  void StartManualRecording();
  // The Stop button. During an Event recording it asks first; No changes nothing.
  void StopRecording();

  // Windows, menus and the device's flags to the recording state. store_name: a new
  // recording (not the continuation after a reconnect) — the device keeps the file name.
  void SetRecordingUi(bool store_name);
  void ClearRecordingUi();

  // Sizes the video record window to the current format. 1 when sized, else 0.
  int SizeVideoWindow();

  // File > Exit and the main window's close box: a running recording is stopped and its
  // log written; no timer acts afterwards. Returns the stop's result. Only the first call
  // stops anything.
  HResult CloseForExit();

  // The scheduler's side.
  //
  // The countdown reached the Event's recording start (the countdown timer is already
  // deleted): close playback, StopVideo, name the file after the Event, SetRecordingUi,
  // StartVideo. Returns the start's result; E_FAIL without a device in use (reported,
  // nothing recorded). The scheduler arms its stop deadline once the recording runs.
  HResult BeginEventRecording(const EventRecordingRequest& event);
  // The stop timer fired: StopVideo (the log is written), ClearRecordingUi, live video
  // again, playback windows back. Returns false, doing nothing, unless an Event recording
  // was running; the scheduler then runs the power action and LoadEvents.
  bool EndEventRecording();
  // Stops the countdown of the pending Event: Start button, Schedule Event window, Event
  // list window.
  void CancelPendingEvent();

  // On the UI thread, a graph error of the run numbered `run` (the error itself is already
  // reported). A recording of that run stops at once, its file ended and its log written,
  // and live video comes back; other errors are left as reported.
  void OnGraphRunError(std::uint64_t run);
  // The last recording failed to start or was cut short; cleared when one starts.
  bool last_recording_failed() const { return last_recording_failed_; }

  // The recording device came back: the recording goes on in the continuation file path
  // (the windows show the recording, the device keeps its first file's name). A start that
  // fails ends the recording as a failed start does.
  void ResumeRecording(const std::string& path);
  // The recording lost its device on the way; cleared when a recording starts.
  void MarkRecordingInterrupted() { recording_interrupted_ = true; }
  bool recording_interrupted() const { return recording_interrupted_; }

  // Process-wide flags.
  bool event_recording_running() const { return event_recording_running_; }
  bool event_pending() const { return event_pending_; }
  // Set by the scheduler when it arms the countdown.
  void set_event_pending(bool value) { event_pending_ = value; }
  // While a graph start runs; device-change notifications wait meanwhile.
  bool graph_switching() const { return graph_switching_; }
  // During start-up a missing device is not reported by SizeVideoWindow.
  void set_initialising(bool value) { initialising_ = value; }

  // Event recordings that ended (stopped by hand, failed, or recorded to their stop); the
  // event loader skips them, so none is recorded twice.
  const std::vector<StoppedEvent>& manually_stopped_events() const { return manually_stopped_; }
  // What the recording in progress records into (its file name empty when none).
  const RecordingTarget& recording_target() const { return target_; }
  // The loader forgets the last recording's name; a recording in progress keeps its own.
  // Where recordings of an interlaced device take each field's inserter time from; null:
  // nowhere. The source outlives the controller.
  void set_inserter_fields(inserter::FieldTimesSource* fields) { inserter_fields_ = fields; }
  void ForgetIdleVideoFileName() {
    if (!CurrentSourceRecording()) target_.video_file_name.clear();
  }

 private:
  VideoSources& sources() { return context_.graph.sources(); }
  const VideoSources& sources() const { return context_.graph.sources(); }
  // name, or its first free continuation when an earlier recording holds it; empty (and
  // reported) when none is free.
  std::string UnusedVideoFileName(std::string name);
  void TakeGpsFixAndCloseReceiver();
  // The frame-time record of the recording that starts, handed to the graph; a record that
  // cannot be made is reported and the recording goes on without it.
  void OpenFrameTimeRecord();
  // After the stop: the record closed and its lines for the log (none when there is no
  // record); a record of a recording that never ran is removed.
  std::vector<std::string> CloseFrameTimeRecord(const StoppedRecording* stopped);
  // Adds the frames a stall lost at the end of a stopped recording to its dropped count;
  // a recording holding far fewer frames than its span called for is reported, and a
  // line for its log is added to log_notes.
  void AccountForLostFrames(StoppedRecording& stopped, FileTime stop_asked,
                            std::vector<std::string>* log_notes);
  void SwitchOverlaysOffForRecording();
  bool CurrentSourceRecording() const;
  // After the observer's stop or a failure: the graph stops (the log is written), the
  // windows show live video, and what the recording put aside comes back.
  void EndRecording();
  // A recording that failed to start or could not go on ends as if stopped.
  void EndFailedRecording();
  // After a stop: nothing is recorded into, and no Event is described.
  void ForgetRecordingTarget();
  // Playback windows a recording hid are shown again.
  void ShowHiddenPlayback();

  RecordingControllerContext context_;

  bool event_recording_running_ = false;
  bool event_pending_ = false;
  bool event_was_pending_ = false;
  bool graph_switching_ = false;
  bool closing_ = false;
  bool initialising_ = false;
  // Milliseconds of the current Event's recording; 0 when none.
  std::uint32_t recording_duration_ = 0;
  bool playback_was_open_ = false;
  bool last_recording_failed_ = false;
  bool recording_interrupted_ = false;
  // The Event being recorded, for the manually stopped list.
  EventRecordingRequest current_event_{};
  std::vector<StoppedEvent> manually_stopped_;
  LastGpsPosition gps_at_start_;
  // The recording in progress or about to start: what the graph records into, and what
  // its log says of it.
  RecordingTarget target_;
  std::string event_description_;
  std::string start_text_;
  std::shared_ptr<FrameTimeRecord> frame_record_;
  inserter::FieldTimesSource* inserter_fields_ = nullptr;
  // The computer clock's state when the recording in progress started, for its log.
  std::optional<ClockState> clock_at_start_;
};

}  // namespace vesk
