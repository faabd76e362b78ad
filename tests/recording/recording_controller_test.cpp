#include "recording/recording_controller.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <utility>

#include "events/event_file.h"
#include "events/event_loader.h"
#include "recording/file_naming.h"
#include "recording/frame_time_record.h"
#include "support/capture_bed.h"
#include "support/fake_clock_discipline.h"
#include "support/temp_dir.h"

namespace vesk {
namespace {

using Names = std::vector<std::string>;

constexpr const char* kDevice = testing::kBedDevice;
constexpr const char* kManualFile = "VideoFiles/07_14_2026_03_05_09.avi";
constexpr const char* kManualLog = "VideoFiles/07_14_2026_03_05_09.log";

using testing::Timed;

// Keeps every call of the controller to the windows, in order.
class FakeWindows final : public RecordingWindowsView, public RecordingMenus {
 public:
  void SetMainWindowTitle(std::string_view title) override {
    calls.push_back("title " + std::string(title));
  }
  void SetCountdownWindowTitle(std::string_view title) override {
    calls.push_back("countdown title " + std::string(title));
  }
  void HideCountdownWindow() override { calls.push_back("hide countdown"); }
  void EnableStartButton(bool on) override { calls.push_back(on ? "Start on" : "Start off"); }
  void EnableStopButton(bool on) override { calls.push_back(on ? "Stop on" : "Stop off"); }
  void EnableMenusOutsideRecording(bool on) override {
    calls.push_back(on ? "menus on" : "menus off");
  }
  void HideFrameIntegrationWindow() override { calls.push_back("hide integration"); }
  void HidePixelSaturationWindow() override {}
  void HideGpsWindow() override {}
  void ResetBrightnessContrast() override {}
  void SizeVideoRecordWindow(int, int, int, int) override {}
  bool HidePlaybackWindows() override {
    calls.push_back("hide playback");
    return std::exchange(playback_shown, false);
  }
  void ShowPlaybackWindows() override {
    playback_shown = true;
    calls.push_back("show playback");
  }
  bool AskYesNo(std::string_view caption, std::string_view text) override {
    questions.push_back(std::string(caption) + ": " + std::string(text));
    return answer_yes;
  }

  std::vector<std::string> calls;
  std::vector<std::string> questions;
  bool playback_shown = false;
  bool answer_yes = false;
};

// Keeps every call of the controller to the rest of the station, in order.
class FakeStation final : public RecordingStation {
 public:
  void CancelEventCountdown() override { calls.push_back("delete countdown timer"); }
  void CancelEventStop() override { calls.push_back("delete stop timer"); }
  void ReloadEvents() override { calls.push_back("load events"); }
  void ReconnectGpsReceiver() override { calls.push_back("connect GPS"); }
  void SaturationHighlightingDropped() override {}
  bool RecordingDeviceLeft() override { return false; }
  std::vector<std::string> calls;
};

class RecordingControllerTest : public ::testing::Test, protected testing::CaptureBed {
 protected:
  // Builds graph and controller and starts live video, as start-up does.
  RecordingController& Make() {
    CaptureGraphContext context = GraphContext();
    context.on_run_error = [this](std::uint64_t run) { failed_runs.push_back(run); };
    graph = std::make_unique<CaptureGraph>(context, nullptr, nullptr);
    graph->renderers().set_display_window(0x77);
    controller = std::make_unique<RecordingController>(
        RecordingControllerContext{*graph, options, log, clock, 0, home_directory, windows, windows,
                                   gps_source, station, &discipline});
    EXPECT_EQ(controller->StartVideo(), S_OK);
    view.entries.clear();
    windows.calls.clear();
    return *controller;
  }

  GpsFixSource* gps_source = nullptr;
  testing::FakeClockDiscipline discipline;

  // The graph now holds the recording branch.
  bool Recording() const {
    const Names names = media.graphs.back()->FilterNames();
    return std::find(names.begin(), names.end(), "AVI Mux") != names.end();
  }

  // An Event at 03:05:39 lasting 30 s: its recording window begins at 03:05:24.
  EventRecord MakeEventRecord() {
    EventRecord event;
    event.FileText = FormatEventFileText(SystemTime{2026, 7, 0, 14, 3, 5, 39, 0},
                                         SystemTime{1943, 5, 1, 3, 0, 0, 30, 0}, false, false,
                                         "graze", "Pallas", "TYC 1234");
    EXPECT_TRUE(CompleteEventRecord(&event, clock));
    return event;
  }
  EventRecordingRequest MakeEvent() { return RecordingRequestOf(MakeEventRecord()); }

  testing::ScopedTempDir dir;
  std::string home_directory = dir.path().string() + "/";
  FakeWindows windows;
  FakeStation station;
  std::vector<std::uint64_t> failed_runs;
  std::unique_ptr<CaptureGraph> graph;
  std::unique_ptr<RecordingController> controller;
};

TEST_F(RecordingControllerTest, ManualRecordingsSwitchTheWindowsAndWriteTheirLogs) {
  auto filter = AddPal();
  RecordingController& c = Make();
  filter->dropped_frames->not_dropped = 120;
  filter->dropped_frames->dropped = 7;
  c.StartManualRecording();
  EXPECT_EQ(windows.calls,
            (Names{"hide playback", "title VESK Video Capture -- Recording in progress",
                   "countdown title Recording Event", "Start off", "Stop on", "menus off",
                   "hide integration"}));
  EXPECT_EQ(fake().output_path, kManualFile);
  EXPECT_EQ(view.entries, (Names{Timed("Start recording at 03:05:09 (UTC)")}));
  EXPECT_TRUE(device().is_active_manual_recording);

  filter->dropped_frames->not_dropped = 1620;
  filter->dropped_frames->dropped = 9;
  clock.Advance(61 * kTicksPerSecond);
  // The time service lost the clock during the recording.
  discipline.state = testing::FakeClockDiscipline::Unsynchronised();
  windows.calls.clear();
  c.StopRecording();
  EXPECT_TRUE(windows.questions.empty());
  EXPECT_EQ(windows.calls.back(), "menus on");
  const std::string full_path = home_directory + kManualFile;
  EXPECT_EQ(testing::ReadFileBytes(kManualLog),
            "Manual recording\r\n"
            "Start recording at 03:05:09 (UTC)\r\n"
            "Stop recording at 03:06:10 (UTC)\r\n"
            "Video file:  " +
                full_path +
                "\r\n"
                "Number of recorded frames:  1500\r\n"
                "Number of dropped frames:  2\r\n"
                "Video source device: USB2.0 Grabber\r\n"
                "Source device format: PAL\r\n"
                "Frame rate: 25\r\n"
                "Frame size: 720x576\r\n"
                "Format subtype: YUY2\r\n"
                "Codec: NONE\r\n"
                "Video renderer: EVR\r\n"
                "Computer clock at the start: synchronised, estimated error 0.8 ms, maximum "
                "error 12.3 ms\r\n"
                "Computer clock at the stop: NOT synchronised: frame times may be wrong by "
                "seconds\r\n");
  // Back to live video: no file, the device previews again and keeps no path.
  EXPECT_EQ(fake().FilterNames(), (Names{kDevice, "EVR", "Smart Tee"}));
  EXPECT_TRUE(device().is_active_preview);
  EXPECT_TRUE(device().recording_path.empty());

  // A SER recording is named, written and logged as one.
  options.record_format = RecordingFileFormat::Ser;
  options.event_file_global_prefix = "station1";
  c.StartManualRecording();
  EXPECT_EQ(fake().output_path, "VideoFiles/07_14_2026_03_06_10.ser");
  EXPECT_EQ(fake().ser_setup.observer, "station1");
  c.StopRecording();
  EXPECT_NE(testing::ReadFileBytes("VideoFiles/07_14_2026_03_06_10.log")
                .find("Codec: NONE\r\nVideo renderer: EVR\r\n"
                      "File format: SER, with the UTC time of every frame\r\n"),
            std::string::npos);
}

// A receiver with a fix: the recording's log has its position and the GPS time against the
// clock, the port is closed while the recording runs and, with AutostartGPS, connected again
// after it. An Event takes the fix read during its countdown and never reads at its start.
TEST_F(RecordingControllerTest, TheGpsFixOfTheStartGoesIntoTheLogAndAnEventNeverWaitsForIt) {
  struct Receiver final : GpsFixSource {
    bool IsOpen() const override { return open; }
    void StopRefreshTimer() override { calls.push_back("stop refresh"); }
    bool ReadGpsFixWithRetry(GpsFix* fix) override {
      calls.push_back("read");
      *fix = with_fix;
      return true;
    }
    void Close() override { calls.push_back("close"), open = false; }
    bool PrepareFix() override { return true; }
    bool TakePreparedFixAndClose(GpsFix* fix) override {
      calls.push_back("take prepared and close");
      open = false;
      if (prepared) *fix = with_fix;
      return prepared;
    }
    std::optional<GpsClockOffset> LatestClockOffset() const override { return {}; }
    bool open = true;
    bool prepared = false;
    GpsFix with_fix{" 37.470873 S", " 144.572500 E", " 545.4 M", " 8"};
    Names calls;
  } receiver;
  const FileTime now = clock.UtcNow();
  receiver.with_fix.clock_offset = GpsClockOffset{now, -23'000'000, 5'000'000};
  gps_source = &receiver;
  options.autostart_gps = true;
  AddPal();
  RecordingController& c = Make();
  c.StartManualRecording();
  EXPECT_EQ(receiver.calls, (Names{"stop refresh", "read", "close"}));
  EXPECT_EQ(view.entries.at(0), Timed("WARNING: the computer clock is 2.3 s behind GPS time\r\n"));
  c.StopRecording();
  EXPECT_EQ(station.calls, (Names{"connect GPS"}));
  const std::string log = testing::ReadFileBytes(kManualLog);
  EXPECT_NE(log.find("Latitude: 37.470873 S\r\nLongitude: 144.572500 E\r\nAltitude: 545.4 M\r\n"
                     "Number of satellites: 8\r\n"),
            std::string::npos)
      << log;
  // After the documented lines and the computer clock's.
  EXPECT_NE(log.find("synchronised, estimated error 0.8 ms, maximum error 12.3 ms\r\n"
                     "Latitude in decimal degrees: 37.784788 S\r\n"
                     "Longitude in decimal degrees: 144.954167 E\r\n"
                     "Latitude in degrees, minutes and seconds: 37\xb0 47' 05.24\" S\r\n"
                     "Longitude in degrees, minutes and seconds: 144\xb0 57' 15.00\" E\r\n"
                     "GPS time against the computer clock: the computer clock is 2.3 s behind "
                     "GPS time (\xb1"
                     "0.5 s; serial NMEA time is good to a few hundred "
                     "milliseconds), measured at 03:05:09 (UTC)\r\n"),
            std::string::npos)
      << log;

  // Events: the fix read ahead, or, when none came in time, the lines saying so.
  for (const bool prepared : {true, false}) {
    receiver.open = true;
    receiver.prepared = prepared;
    receiver.calls.clear();
    clock.Advance(60 * kTicksPerSecond);
    EventRecordingRequest event = MakeEvent();
    ASSERT_EQ(c.BeginEventRecording(event), S_OK);
    EXPECT_EQ(receiver.calls, (Names{"take prepared and close"}));
    ASSERT_TRUE(c.EndEventRecording());
    const std::string event_log =
        testing::ReadFileBytes("VideoFiles/Pallas_TYC 1234_07_14_2026_03_05_24" +
                               std::string(prepared ? "" : "_1") + ".log");
    EXPECT_NE(
        event_log.find(prepared ? "Latitude: 37.470873 S\r\n" : "Latitude value not available\r\n"),
        std::string::npos)
        << event_log;
  }
}

// An Event's recording is named after the Event and ends on its stop timer, on Stop or on
// Exit. Stop asks first: No leaves it running; Yes lists the Event, so that the Events loaded
// again schedule the next one and skip this one. A second end finds nothing to stop.
TEST_F(RecordingControllerTest, AnEventRecordingEndsOnItsTimerOnAnAnsweredStopOrOnExitOnce) {
  AddPal();
  for (const std::string end : {"timer", "stop", "exit"}) {
    SCOPED_TRACE(end);
    std::filesystem::remove_all("VideoFiles");
    clock.SetUtc(testing::MakeFileTime(2026, 7, 14, 3, 5, 9));
    controller.reset();  // before the graph it works on
    RecordingController& c = Make();
    windows.playback_shown = true;
    c.set_event_pending(true);
    const EventRecord event = MakeEventRecord();
    ASSERT_EQ(c.BeginEventRecording(RecordingRequestOf(event)), S_OK);
    EXPECT_TRUE(station.calls.empty());
    EXPECT_EQ(fake().output_path, "VideoFiles/Pallas_TYC 1234_07_14_2026_03_05_24.avi");
    clock.Advance(30 * kTicksPerSecond);
    view.entries.clear();
    const std::size_t graph_calls = fake().calls.size();
    if (end == "timer") {
      ASSERT_TRUE(c.EndEventRecording());
      EXPECT_FALSE(c.EndEventRecording());
    } else if (end == "stop") {
      c.StopRecording();
      EXPECT_EQ(windows.questions, (Names{"Attention: Event recording in progress.  Stop now?"}));
      EXPECT_TRUE(c.event_recording_running() && c.manually_stopped_events().empty());
      EXPECT_EQ(fake().calls.size(), graph_calls);
      windows.answer_yes = true;
      c.StopRecording();
      ASSERT_EQ(c.manually_stopped_events().size(), 1u);
      EXPECT_TRUE(MatchesStoppedEvent(event, c.manually_stopped_events()[0]));
      EXPECT_EQ(view.entries.front(), "\r\n03:05:39 (UTC)\r\nEvent recording is manually stopped");
    } else {
      EXPECT_EQ(c.CloseForExit(), S_OK);
      EXPECT_FALSE(fake().running);
      const std::size_t closed = fake().calls.size();
      EXPECT_EQ(c.CloseForExit(), S_OK);  // Exit, then the close box
      EXPECT_EQ(fake().calls.size(), closed);
    }
    const Names stops = {"delete stop timer", "load events"};
    EXPECT_EQ(station.calls, Names(stops.begin(), stops.begin() + (end == "stop" ? 2 : 1)));
    EXPECT_FALSE(c.event_recording_running());
    if (end != "exit") {  // live video and the playback windows come back
      EXPECT_FALSE(Recording());
      EXPECT_TRUE(windows.playback_shown);
    }
    EXPECT_TRUE(testing::ReadFileBytes("VideoFiles/Pallas_TYC 1234_07_14_2026_03_05_24.log")
                    .starts_with("Event recording: Pallas TYC 1234 graze\r\n"
                                 "Start recording at 03:05:09 (UTC)\r\n"
                                 "Stop recording at 03:05:39 (UTC)\r\n"));
    station.calls.clear();
    windows.questions.clear();
    windows.answer_yes = false;
  }
}

// A station started again during an Event's window records what remains beside the first
// part, whatever an earlier run left at the names (a video file, a log alone, a link).
TEST_F(RecordingControllerTest, ARecordingNeverWritesOverAnEarlierOneAndGoesIntoAContinuation) {
  AddPal();
  RecordingController& c = Make();
  const std::string first = "VideoFiles/Pallas_TYC 1234_07_14_2026_03_05_24";
  std::filesystem::create_directory("VideoFiles");
  testing::WriteFileBytes(first + ".avi", "first part");
  testing::WriteFileBytes(first + ".log", "first log");
  testing::WriteFileBytes(first + "_1.log", "a log alone");
  std::filesystem::create_symlink("nowhere", first + "_2.avi");
  ASSERT_EQ(c.BeginEventRecording(MakeEvent()), S_OK);
  EXPECT_EQ(fake().output_path, first + "_3.avi");
  EXPECT_EQ(view.entries.front(),
            Timed("NOTE: " + home_directory + first +
                  ".avi holds an earlier recording, which is kept; this recording goes into " +
                  home_directory + first + "_3.avi\r\n"));
  clock.Advance(30 * kTicksPerSecond);
  ASSERT_TRUE(c.EndEventRecording());
  EXPECT_EQ(testing::ReadFileBytes(first + ".log"), "first log");
  EXPECT_EQ(testing::ReadFileBytes(first + "_1.log"), "a log alone");
  EXPECT_EQ(testing::ReadFileBytes(first + "_3.log").substr(0, 16), "Event recording:");
}

// The station stood still (suspended, a stuck device) across the Event's planned end: the
// frames due until then are counted as dropped, and the shortfall is said.
TEST_F(RecordingControllerTest, AStallRunningIntoTheStopIsCountedAndTheShortfallSaid) {
  auto filter = AddPal();
  RecordingController& c = Make();
  EventRecordingRequest event = MakeEvent();
  event.record_from_utc = event.start_time;  // the countdown plans the window
  event.record_until_utc = event.start_time + 30 * kTicksPerSecond;
  ASSERT_EQ(c.BeginEventRecording(event), S_OK);
  // 100 frames from the planned start, then nothing for the last 26 s.
  filter->dropped_frames->not_dropped = 100;
  const FileTime last = event.record_from_utc + 99 * 400000;
  fake().recorded_file.frames = 100;
  fake().recorded_file.first_frame_utc = static_cast<std::uint64_t>(event.record_from_utc);
  fake().recorded_file.last_frame_utc = static_cast<std::uint64_t>(last);
  clock.Advance(50 * kTicksPerSecond);  // the stop came 5 s after the planned end
  view.entries.clear();
  ASSERT_TRUE(c.EndEventRecording());
  const std::string log =
      testing::ReadFileBytes("VideoFiles/Pallas_TYC 1234_07_14_2026_03_05_24.log");
  EXPECT_NE(log.find("Number of recorded frames:  100\r\nNumber of dropped frames:  650\r\n"),
            std::string::npos)
      << log;
  EXPECT_TRUE(log.ends_with("The recording holds 100 frames of the 750 due in its 30.0 s\r\n"))
      << log;
  EXPECT_EQ(std::count(view.entries.begin(), view.entries.end(),
                       "\r\n03:05:59 (UTC)\r\nWARNING: the recording holds 100 frames of the 750 "
                       "due in its 30.0 s\r\n"),
            1);
}

// A recording whose graph never ran says so, and its stop writes no stop line, no file line
// and no log for a file that does not exist; the windows show live video again at once. A
// stop that fails gives both warnings and no log.
TEST_F(RecordingControllerTest, ARecordingThatNeverStartedOrStoppedIsNotReportedAsRecorded) {
  AddPal();
  RecordingController& c = Make();
  media.plan.Fail("SetOutputFileName");
  c.StartManualRecording();
  EXPECT_EQ(view.entries.back(),
            Timed("WARNING: the recording did not start; nothing was recorded into " +
                  home_directory + kManualFile + "\r\n"));
  EXPECT_TRUE(c.last_recording_failed());
  EXPECT_EQ(windows.calls.back(), "menus on");
  EXPECT_FALSE(device().is_active_manual_recording);
  EXPECT_TRUE(fake().running);
  EXPECT_FALSE(Recording());
  EXPECT_EQ(view.Text().find("Stop recording at"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(kManualLog));

  media.plan.Clear("SetOutputFileName");
  c.StartManualRecording();
  view.entries.clear();
  media.plan.Fail("Stop");
  EXPECT_EQ(c.StopVideo(), E_ABORT);
  EXPECT_EQ(view.entries, (Names{Timed("WARNING: Cannot stop recording camera\r\n"),
                                 Timed("WARNING: command to stop camera failed\r\n")}));
  EXPECT_FALSE(std::filesystem::exists(kManualLog));
  EXPECT_EQ(c.RestartVideo(), E_ABORT);
}

// The disk fills: the recording stops at once, says which file and what it keeps, writes its
// log and goes back to live video. A late report of an earlier run changes nothing.
TEST_F(RecordingControllerTest, AFileThatCannotBeWrittenStopsTheRecordingAndSaysWhatItKeeps) {
  auto filter = AddPal();
  RecordingController& c = Make();
  c.StartManualRecording();
  const std::uint64_t run = graph->run_number();
  filter->dropped_frames->not_dropped = 42;
  fake().recorded_file = RecordedFileEnd{true, false, 42};
  view.entries.clear();
  windows.calls.clear();
  fake().error_handler("No space left on the resource.");
  ASSERT_EQ(failed_runs, std::vector<std::uint64_t>{run});
  c.OnGraphRunError(run);
  ASSERT_GE(view.entries.size(), 3u);
  EXPECT_EQ(view.entries[0], Timed("No space left on the resource."));
  EXPECT_EQ(view.entries[1],
            Timed("ERROR: the recording stopped: its video file could not be written: " +
                  home_directory + kManualFile +
                  "\r\nThe video file holds 42 frames and is readable up to the last of them, "
                  "but has no index: there was no room for one\r\n"));
  EXPECT_NE(view.entries[2].find("Stop recording at 03:05:09 (UTC)"), std::string::npos);
  EXPECT_NE(testing::ReadFileBytes(kManualLog).find("Number of recorded frames:  42\r\n"),
            std::string::npos);
  EXPECT_TRUE(c.last_recording_failed());
  EXPECT_EQ(windows.calls.back(), "menus on");
  EXPECT_FALSE(Recording());
  const std::size_t entries = view.entries.size();
  c.OnGraphRunError(run);
  c.OnGraphRunError(graph->run_number());  // live video's own errors stop nothing
  EXPECT_EQ(view.entries.size(), entries);
  EXPECT_TRUE(fake().running);
}

// Field times as a learnt inserter reads them: 01:51:00.000 on frame 0, 20 ms a field.
class FakeFieldTimes final : public inserter::FieldTimesSource {
 public:
  bool reads() const override { return learnt; }
  bool FieldsOf(std::int64_t sequence, inserter::FrameFieldTimes* fields) override {
    const std::int64_t first = 66'600'000 + 400 * sequence;
    *fields = {{{{true, first, 0.97}, {true, first + 200, 0.91}}}, 20.0, 3};
    return true;
  }
  bool learnt = false;
};

// A recording's inserter columns and log lines come with an interlaced device read with a
// learnt inserter only: a grabber's record before learning, or a webcam's, stays as it was.
TEST_F(RecordingControllerTest, OnlyAnInterlacedDeviceReadWithALearntInserterGainsItsColumns) {
  const std::string base = "frame,sequence,utc,interval_ms,note";
  const struct {
    AnalogFormat format;
    bool learnt;
    std::string header;
  } rows[] = {{AnalogFormat::PAL, false, base},
              {AnalogFormat::Digital, true, base},
              {AnalogFormat::PAL, true,
               base + ",first_field_inserter,first_field_confidence,"
                      "second_field_inserter,second_field_confidence"}};
  FakeFieldTimes fields;
  for (const auto& row : rows) {
    controller.reset();  // before the graph it works on
    AddSource(kDevice, {testing::MakeVideoType(SubtypeCode::YUY2, 720, 576, 400000)}, row.format);
    fields.learnt = row.learnt;
    RecordingController& c = Make();
    c.set_inserter_fields(&fields);
    c.StartManualRecording();
    const std::string video = c.recording_target().video_file_name;
    // Frames 0 and 1, then 4: the source lost two frames, four fields.
    for (const std::int64_t sequence : {0, 1, 4}) {
      const FrameStamp stamp{sequence, 1796608260000000000 + sequence * 40000000, 0};
      c.recording_target().frame_stamps->TakeFrames(&stamp, 1);
    }
    clock.Advance(kTicksPerSecond);
    c.StopRecording();
    const std::string record = testing::ReadFileBytes(FrameTimeRecordName(video));
    EXPECT_EQ(record.substr(0, record.find('\r')), row.header);
    EXPECT_EQ(ReadFrameTimes(record).size(), 3u);  // playback reads the times of either
    const std::string log = testing::ReadFileBytes(RecordingLogName(video));
    if (row.header == base) {
      EXPECT_EQ(log.find("Inserter"), std::string::npos);
      continue;
    }
    EXPECT_NE(record.find("\r\n2,4,2026-12-07T01:51:00.160000Z,120.000,2 frames lost before "
                          "this one,01:51:00.1600,0.97,01:51:00.1800,0.91\r\n"),
              std::string::npos)
        << record;
    EXPECT_TRUE(
        log.ends_with("Inserter fields read: 6 of 6\r\n"
                      "Computer clock minus inserter: mean +0.0 ms, spread 0.0 ms\r\n"
                      "Inserter fields missing: 4 before field 4 (4 in all)\r\n"
                      "Inserter fields repeated: none\r\n"))
        << log;
  }
}

}  // namespace
}  // namespace vesk
