#include "recording/recording_controller.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "events/event_file.h"
#include "events/event_loader.h"
#include "recording/file_naming.h"
#include "support/fake_clock.h"
#include "support/fake_media.h"
#include "support/recording_view.h"
#include "support/temp_dir.h"

namespace vesk {
namespace {

using testing::FakeFilter;
using testing::FakeGraph;
using testing::FakeMediaSystem;
using testing::MakeVideoType;
using Names = std::vector<std::string>;

constexpr const char* kDevice = "USB2.0 Grabber";
constexpr const char* kManualFile = "VideoFiles/07_14_2026_03_05_09.avi";
constexpr const char* kManualLog = "VideoFiles/07_14_2026_03_05_09.log";

std::string Timed(const std::string& text) { return "\r\n03:05:09 (UTC)\r\n" + text; }
std::string Untimed(const std::string& text) { return "\r\n" + text; }

// Keeps every call of the controller to the windows, in order.
class FakeWindows final : public RecordingWindowsView {
 public:
  void SetMainWindowTitle(std::string_view title) override {
    main_title = title;
    calls.push_back("title " + std::string(title));
  }
  void SetCountdownWindowTitle(std::string_view title) override {
    countdown_title = title;
    calls.push_back("countdown title " + std::string(title));
  }
  void HideCountdownWindow() override { calls.push_back("hide countdown"); }
  void EnableStartButton(bool enabled) override {
    start_enabled = enabled;
    calls.push_back(enabled ? "Start on" : "Start off");
  }
  void EnableStopButton(bool enabled) override {
    stop_enabled = enabled;
    calls.push_back(enabled ? "Stop on" : "Stop off");
  }
  void EnableMenusOutsideRecording(bool enabled) override {
    menus_enabled = enabled;
    calls.push_back(enabled ? "menus on" : "menus off");
  }
  void HideFrameIntegrationWindow() override { calls.push_back("hide integration"); }
  void HidePixelSaturationWindow() override { calls.push_back("hide saturation"); }
  void HideGpsWindow() override { calls.push_back("hide GPS"); }
  void ResetBrightnessContrast() override { calls.push_back("reset brightness/contrast"); }
  void SizeVideoRecordWindow(int video_width, int video_height, int window_width,
                             int window_height) override {
    calls.push_back("video " + std::to_string(video_width) + "x" + std::to_string(video_height) +
                    " window " + std::to_string(window_width) + "x" +
                    std::to_string(window_height));
  }
  bool HidePlaybackWindows() override {
    calls.push_back("hide playback");
    const bool was = playback_shown;
    playback_shown = false;
    return was;
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
  std::string main_title;
  std::string countdown_title;
  bool start_enabled = true;
  bool stop_enabled = false;
  bool menus_enabled = true;
  bool playback_shown = false;
  bool answer_yes = false;
};

class FakeGps final : public GpsFixSource {
 public:
  bool IsOpen() const override { return open; }
  void StopRefreshTimer() override { ++refresh_stops; }
  bool ReadGpsFixWithRetry(GpsFix* fix) override {
    ++reads;
    if (!fix_available) return false;
    *fix = this->fix;
    return true;
  }
  void Close() override {
    open = false;
    ++closes;
  }
  bool open = true;
  bool fix_available = true;
  GpsFix fix{" 48.070380 N", " 11.312500 E", " 545.4 M", " 8"};
  int refresh_stops = 0;
  int reads = 0;
  int closes = 0;
};

class RecordingControllerTest : public ::testing::Test {
 protected:
  RecordingControllerTest() { log.AttachView(&messages); }

  // A device with one format group, made the device in use.
  std::shared_ptr<FakeFilter> AddSource(const std::string& name, MediaType type,
                                        AnalogFormat analog = AnalogFormat::PAL) {
    auto moniker = media.AddDevice(name, {type});
    VideoSourceInfo info;
    info.name = name;
    info.analog_format = analog;
    VideoFormatsByFrameRate group;
    group.formats.push_back(MakeVideoFormat(type));
    group.frame_rate = group.formats.front().frame_rate;
    group.rate_text = std::to_string(group.frame_rate);
    info.frame_rates.push_back(std::move(group));
    info.subtype = type.subtype;
    info.is_active_preview = true;
    sources.Append(std::move(info));
    sources.SetCurrentSourceIndex(static_cast<std::uint32_t>(sources.Count() - 1));
    return moniker->filter;
  }
  std::shared_ptr<FakeFilter> AddPal() {
    return AddSource(kDevice, MakeVideoType(SubtypeCode::YUY2, 720, 576, 400000));
  }

  // Builds graph and controller and starts live video, as start-up does.
  RecordingController& Make() {
    graph = std::make_unique<CaptureGraph>(
        CaptureGraphContext{media, options, pairs, sources, session, log, errors, clock,
                            home_directory, nullptr},
        nullptr, nullptr);
    graph->renderers().set_display_window(0x77);
    RecordingControllerHooks hooks;
    hooks.delete_countdown_timer = [this] { hook_calls.push_back("delete countdown timer"); };
    hooks.arm_stop_timer = [this](std::uint32_t due) {
      hook_calls.push_back("arm stop timer " + std::to_string(due));
    };
    hooks.delete_stop_timer = [this] { hook_calls.push_back("delete stop timer"); };
    hooks.load_events = [this] {
      hook_calls.push_back("load events");
      if (loader) loader->LoadEvents();
    };
    hooks.connect_gps_receiver = [this] { hook_calls.push_back("connect GPS"); };
    hooks.set_saturation_threshold = [this](std::int32_t threshold) {
      hook_calls.push_back("threshold " + std::to_string(threshold));
    };
    controller = std::make_unique<RecordingController>(
        RecordingControllerContext{*graph, sources, session, options, log, clock, 0, windows,
                                   gps_attached ? &gps : nullptr, hooks});
    EXPECT_EQ(controller->StartVideo(), S_OK);
    messages.entries.clear();
    windows.calls.clear();
    return *controller;
  }

  FakeGraph& fake() { return *media.graphs.back(); }
  VideoSourceInfo& device() { return *sources.CurrentSource(); }
  // The graph now holds the recording branch.
  bool Recording() const {
    const Names names = media.graphs.back()->FilterNames();
    return std::find(names.begin(), names.end(), "AVI Mux") != names.end();
  }

  // An Event at 03:05:39 lasting 30 s: its recording window begins at 03:05:24.
  EventRecordingRequest MakeEvent() {
    EventRecord event;
    SystemTime time{2026, 7, 0, 14, 3, 5, 39, 0};
    SystemTime duration{1943, 5, 1, 3, 0, 0, 30, 0};
    event.FileText =
        FormatEventFileText(time, duration, false, false, "graze", "Pallas", "TYC 1234");
    EXPECT_TRUE(CompleteEventRecord(&event, clock));
    return RecordingRequestOf(event);
  }

  testing::ScopedTempDir dir;
  std::string home_directory = dir.path().string() + "/";
  FakeMediaSystem media;
  Options options;
  std::vector<SubtypeCodecPair> pairs;
  testing::FakeClock clock{testing::MakeFileTime(2026, 7, 14, 3, 5, 9)};
  MessageLog log{clock};
  testing::RecordingView messages;
  testing::RecordingMessageBox box;
  ErrorReporter errors{log, box};
  VideoSources sources{media, log};
  RecordingSession session;
  FakeWindows windows;
  FakeGps gps;
  bool gps_attached = true;
  std::vector<std::string> hook_calls;
  std::unique_ptr<EventLoader> loader;
  std::unique_ptr<CaptureGraph> graph;
  std::unique_ptr<RecordingController> controller;
};

TEST_F(RecordingControllerTest, ManualRecordingCycleSwitchesWindowsAndWritesTheLog) {
  auto filter = AddPal();
  gps.open = false;
  RecordingController& c = Make();
  EXPECT_TRUE(fake().running);
  EXPECT_FALSE(Recording());

  filter->dropped_frames->not_dropped = 120;
  filter->dropped_frames->dropped = 7;
  c.StartManualRecording();
  EXPECT_EQ(windows.calls,
            (Names{"hide playback", "title VESK Video Capture -- Recording in progress",
                   "countdown title Recording Event", "Start off", "Stop on", "menus off",
                   "hide integration"}));
  EXPECT_EQ(fake().output_path, kManualFile);
  EXPECT_TRUE(fake().running);
  EXPECT_EQ(session.video_file_name, kManualFile);
  EXPECT_EQ(session.start_text, "Start recording at 03:05:09 (UTC)");
  EXPECT_EQ(messages.entries, (Names{Timed("Start recording at 03:05:09 (UTC)")}));
  EXPECT_TRUE(device().is_active_manual_recording);
  EXPECT_FALSE(device().is_active_event_recording);
  EXPECT_FALSE(device().is_active_preview);
  EXPECT_EQ(device().recording_path, kManualFile);
  EXPECT_FALSE(c.graph_switching());

  filter->dropped_frames->not_dropped = 1620;
  filter->dropped_frames->dropped = 9;
  clock.Advance(61 * kTicksPerSecond);
  windows.calls.clear();
  c.StopRecording();
  EXPECT_TRUE(windows.questions.empty());
  EXPECT_EQ(windows.calls, (Names{"title VESK Video Capture Version 2", "hide countdown",
                                  "Start on", "Stop off", "menus on"}));
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
                "Video renderer: EVR\r\n");
  // Back to live video: no file, the device previews again and keeps no path.
  EXPECT_TRUE(fake().running);
  EXPECT_EQ(fake().FilterNames(), (Names{kDevice, "EVR", "Smart Tee"}));
  EXPECT_TRUE(session.video_file_name.empty());
  EXPECT_TRUE(session.start_text.empty());
  EXPECT_TRUE(device().is_active_preview);
  EXPECT_FALSE(device().is_active_manual_recording);
  EXPECT_TRUE(device().recording_path.empty());
  EXPECT_TRUE(hook_calls.empty());
}

TEST_F(RecordingControllerTest, StartWhileAnEventIsPendingCancelsItAndStopReloadsTheEvents) {
  AddPal();
  RecordingController& c = Make();
  c.set_event_pending(true);
  c.set_recording_duration(30000);
  c.StartManualRecording();
  EXPECT_FALSE(c.event_pending());
  EXPECT_TRUE(c.event_was_pending());
  EXPECT_EQ(c.recording_duration(), 0u);
  EXPECT_EQ(hook_calls, (Names{"delete countdown timer"}));
  EXPECT_EQ(windows.calls[0], "title VESK Video Capture Version 2");
  EXPECT_EQ(windows.calls[1], "hide countdown");
  EXPECT_EQ(windows.main_title, "VESK Video Capture -- Recording in progress");
  EXPECT_TRUE(Recording());

  c.StopRecording();
  EXPECT_EQ(hook_calls, (Names{"delete countdown timer", "load events"}));
  EXPECT_FALSE(c.event_was_pending());

  // A manual recording without a pending Event does not reload.
  c.StartManualRecording();
  c.StopRecording();
  EXPECT_EQ(hook_calls.size(), 2u);
}

TEST_F(RecordingControllerTest, EventRecordingStartsNamedAfterTheEventAndEndsOnTheStopTimer) {
  AddPal();
  RecordingController& c = Make();
  windows.playback_shown = true;
  c.set_event_pending(true);
  ASSERT_EQ(c.BeginEventRecording(MakeEvent()), S_OK);
  EXPECT_FALSE(c.event_pending());
  EXPECT_TRUE(c.event_recording_running());
  EXPECT_EQ(c.recording_duration(), 30000u);
  EXPECT_EQ(hook_calls, (Names{"arm stop timer 30450"}));
  EXPECT_EQ(fake().output_path, "VideoFiles/Pallas_TYC 1234_07_14_2026_03_05_24.avi");
  EXPECT_TRUE(device().is_active_event_recording);
  EXPECT_FALSE(device().is_active_manual_recording);
  EXPECT_EQ(windows.countdown_title, "Recording Event");
  EXPECT_FALSE(windows.playback_shown);

  clock.Advance(30 * kTicksPerSecond);
  messages.entries.clear();
  ASSERT_TRUE(c.EndEventRecording());
  EXPECT_EQ(hook_calls, (Names{"arm stop timer 30450", "delete stop timer"}));
  EXPECT_FALSE(c.event_recording_running());
  EXPECT_EQ(
      testing::ReadFileBytes("VideoFiles/Pallas_TYC 1234_07_14_2026_03_05_24.log").substr(0, 109),
      "Event recording: Pallas TYC 1234 graze\r\n"
      "Start recording at 03:05:09 (UTC)\r\n"
      "Stop recording at 03:05:39 (UTC)\r\n");
  EXPECT_EQ(messages.entries.back(), Untimed(""));
  EXPECT_FALSE(Recording());
  EXPECT_TRUE(fake().running);
  EXPECT_TRUE(session.event_description.empty());
  EXPECT_EQ(windows.main_title, "VESK Video Capture Version 2");
  EXPECT_TRUE(windows.playback_shown);
  // A second expiry of the timer finds nothing to stop.
  EXPECT_FALSE(c.EndEventRecording());
}

TEST_F(RecordingControllerTest, StopDuringAnEventAsksAndNoLeavesTheRecordingRunning) {
  AddPal();
  RecordingController& c = Make();
  ASSERT_EQ(c.BeginEventRecording(MakeEvent()), S_OK);
  hook_calls.clear();
  windows.calls.clear();
  messages.entries.clear();
  const std::size_t graph_calls = fake().calls.size();

  windows.answer_yes = false;
  c.StopRecording();
  EXPECT_EQ(windows.questions, (Names{"Attention: Event recording in progress.  Stop now?"}));
  EXPECT_TRUE(c.event_recording_running());
  EXPECT_TRUE(device().is_active_event_recording);
  EXPECT_EQ(fake().calls.size(), graph_calls);
  EXPECT_TRUE(fake().running);
  EXPECT_TRUE(Recording());
  EXPECT_TRUE(windows.calls.empty());
  EXPECT_TRUE(hook_calls.empty());
  EXPECT_TRUE(messages.entries.empty());
  EXPECT_TRUE(c.manually_stopped_events().empty());
}

TEST_F(RecordingControllerTest, EventStoppedByHandIsListedAndNotScheduledAgainOnReload) {
  AddPal();
  // The Event's file stays in the Events folder.
  EventRecord event;
  event.FileText = FormatEventFileText(SystemTime{2026, 7, 0, 14, 3, 5, 39, 0},
                                       SystemTime{1943, 5, 1, 3, 0, 0, 30, 0}, false, false,
                                       "graze", "Pallas", "TYC 1234");
  ASSERT_TRUE(CompleteEventRecord(&event, clock));
  std::filesystem::create_directory(kEventsFolder);
  ASSERT_TRUE(
      WriteEventFile(MakeEventFileName("Pallas", "TYC 1234", "", event.EventTime), event.FileText));
  RecordingController& c = Make();
  struct Scheduler final : EventScheduler {
    void ClearCurrentEvent() override {}
    void ScheduleNextEvent(EventList& events) override { sizes.push_back(events.size()); }
    std::vector<std::size_t> sizes;
  } scheduler;
  loader = std::make_unique<EventLoader>(clock, log, scheduler, c.manually_stopped_events(),
                                         EventLoader::Hooks{});
  ASSERT_EQ(c.BeginEventRecording(RecordingRequestOf(event)), S_OK);
  hook_calls.clear();
  windows.calls.clear();
  messages.entries.clear();

  windows.answer_yes = true;
  c.StopRecording();
  EXPECT_FALSE(c.event_recording_running());
  ASSERT_EQ(c.manually_stopped_events().size(), 1u);
  EXPECT_TRUE(MatchesStoppedEvent(event, c.manually_stopped_events()[0]));
  // Stopping by hand does not reload the Events.
  EXPECT_EQ(hook_calls, (Names{"delete stop timer"}));
  EXPECT_EQ(messages.entries.front(), Timed("Event recording is manually stopped"));
  EXPECT_EQ(windows.calls[0], "hide countdown");
  EXPECT_EQ(windows.calls[1], "Stop off");
  EXPECT_EQ(windows.calls[2], "title VESK Video Capture Version 2");
  EXPECT_TRUE(testing::ReadFileBytes("VideoFiles/Pallas_TYC 1234_07_14_2026_03_05_24.log")
                  .starts_with("Event recording: Pallas TYC 1234 graze\r\n"));
  EXPECT_FALSE(Recording());
  EXPECT_TRUE(fake().running);

  // The next reload skips it although its file is still there.
  loader->LoadEvents();
  EXPECT_EQ(scheduler.sizes, (std::vector<std::size_t>{0}));
}

TEST_F(RecordingControllerTest, UnanalysableFormatForgetsTheSaturationValueAndStartsOnceMore) {
  AddSource("VESK Simulated Webcam", MakeVideoType(SubtypeCode::MJPG, 1280, 720, 333333),
            AnalogFormat::Digital);
  options.pixel_saturation_value = 200;
  RecordingController& c = Make();
  hook_calls.clear();
  graph->switches().saturation_highlight = true;
  graph->switches().integration_count = 4;
  c.StartManualRecording();
  const std::string refused = Timed(
      "Pixel analysis not supported for selected device and format with name \"VESK "
      "Simulated Webcam\"\r\nExpecting an analog video device with a supported format\r\n");
  // Integration is already off for the recording; highlighting alone is refused.
  EXPECT_EQ(messages.entries, (Names{refused, Timed("Start recording at 03:05:09 (UTC)")}));
  EXPECT_EQ(options.pixel_saturation_value, -1);
  EXPECT_FALSE(graph->switches().saturation_highlight);
  EXPECT_EQ(graph->switches().integration_count, 1);
  EXPECT_EQ(hook_calls, (Names{"threshold -1"}));
  EXPECT_TRUE(fake().running);
  EXPECT_TRUE(Recording());
  // The retry's stop is no recording stop: no log of a recording that never ran.
  EXPECT_FALSE(std::filesystem::exists(kManualLog));

  // x2 magnification stays on, so the second start is refused too and its result returned.
  c.StopRecording();
  messages.entries.clear();
  graph->switches().magnify_x2 = true;
  EXPECT_EQ(c.RestartVideo(), E_NOTIMPL);
  EXPECT_EQ(messages.entries, (Names{refused, refused}));
  EXPECT_TRUE(graph->switches().magnify_x2);
  EXPECT_FALSE(c.graph_switching());
}

TEST_F(RecordingControllerTest, EmptyFileNameReportsTheLogicErrorAndKeepsLiveVideo) {
  AddPal();
  RecordingController& c = Make();
  // A file where the default folder should be: no name can be made.
  testing::WriteFileBytes("VideoFiles", "x");
  c.StartManualRecording();
  EXPECT_EQ(messages.entries,
            (Names{Timed(std::string(kCannotCreateVideoFolderText)),
                   Timed("Logic error: attempting to record to a NULL file pathname\r\n")}));
  EXPECT_EQ(windows.calls, (Names{"hide playback"}));
  EXPECT_TRUE(device().is_active_preview);
  EXPECT_FALSE(device().is_active_manual_recording);
  EXPECT_TRUE(fake().running);
  EXPECT_FALSE(Recording());
  EXPECT_TRUE(session.start_text.empty());
}

TEST_F(RecordingControllerTest, FailingStopGivesBothWarningsAndNoLog) {
  AddPal();
  options.autostart_gps = true;
  RecordingController& c = Make();
  c.StartManualRecording();
  messages.entries.clear();
  hook_calls.clear();
  media.plan.Fail("Stop");
  EXPECT_EQ(c.StopVideo(), E_ABORT);
  EXPECT_EQ(messages.entries, (Names{Timed("WARNING: Cannot stop recording camera\r\n"),
                                     Timed("WARNING: command to stop camera failed\r\n")}));
  EXPECT_FALSE(std::filesystem::exists(kManualLog));
  EXPECT_TRUE(hook_calls.empty());
  EXPECT_EQ(c.RestartVideo(), E_ABORT);
}

TEST_F(RecordingControllerTest, GpsFixAtRecordingStartGoesIntoTheLogAndAutostartReconnects) {
  AddPal();
  options.autostart_gps = true;
  RecordingController& c = Make();
  c.StartManualRecording();
  EXPECT_EQ(gps.refresh_stops, 1);
  EXPECT_EQ(gps.reads, 1);
  EXPECT_EQ(gps.closes, 1);
  EXPECT_EQ(c.gps_at_start().latitude, "48.070380 N");
  EXPECT_EQ(c.gps_at_start().satellites, "8");
  EXPECT_TRUE(c.gps_at_start().valid);
  EXPECT_NE(std::find(windows.calls.begin(), windows.calls.end(), "hide GPS"), windows.calls.end());
  c.StopRecording();
  EXPECT_NE(testing::ReadFileBytes(kManualLog)
                .find("Latitude: 48.070380 N\r\n"
                      "Longitude: 11.312500 E\r\n"
                      "Altitude: 545.4 M\r\n"
                      "Number of satellites: 8\r\n"),
            std::string::npos);
  // Only the recording's stop reconnects, not the live stop in front of it.
  EXPECT_EQ(hook_calls, (Names{"connect GPS"}));
}

TEST_F(RecordingControllerTest, NoFixLeavesThePositionInvalidAndWithoutAutostartGpsStaysClosed) {
  AddPal();
  gps.fix_available = false;
  RecordingController& c = Make();
  c.set_gps_at_start(LastGpsPosition{"1", "2", "3", "4", true});
  c.StartManualRecording();
  EXPECT_EQ(gps.reads, 1);
  EXPECT_EQ(gps.closes, 1);
  EXPECT_FALSE(c.gps_at_start().valid);
  c.StopRecording();
  EXPECT_EQ(testing::ReadFileBytes(kManualLog).find("Latitude"), std::string::npos);
  EXPECT_TRUE(hook_calls.empty());

  // A closed receiver is neither read nor closed again; the flag is still cleared.
  c.set_gps_at_start(LastGpsPosition{"1", "2", "3", "4", true});
  clock.Advance(kTicksPerSecond);
  c.StartManualRecording();
  EXPECT_EQ(gps.reads, 1);
  EXPECT_EQ(gps.closes, 1);
  EXPECT_FALSE(c.gps_at_start().valid);
}

TEST_F(RecordingControllerTest, CloseForExitStopsTheRecordingWritesItsLogAndStopsTheTimers) {
  AddPal();
  options.autostart_gps = true;
  RecordingController& c = Make();
  ASSERT_EQ(c.BeginEventRecording(MakeEvent()), S_OK);
  hook_calls.clear();
  EXPECT_EQ(c.CloseForExit(), S_OK);
  EXPECT_TRUE(c.closing());
  EXPECT_FALSE(c.event_recording_running());
  EXPECT_FALSE(fake().running);
  EXPECT_TRUE(std::filesystem::exists("VideoFiles/Pallas_TYC 1234_07_14_2026_03_05_24.log"));
  // No reconnect of the GPS on the way out.
  EXPECT_EQ(hook_calls, (Names{"delete stop timer"}));
  // A second close (Exit, then the close box) stops nothing again.
  const std::size_t graph_calls = fake().calls.size();
  EXPECT_EQ(c.CloseForExit(), S_OK);
  EXPECT_EQ(fake().calls.size(), graph_calls);
  EXPECT_FALSE(c.EndEventRecording());
}

TEST_F(RecordingControllerTest, CloseForExitDuringAManualRecordingWritesItsLog) {
  AddPal();
  RecordingController& c = Make();
  c.set_event_pending(false);
  c.StartManualRecording();
  EXPECT_EQ(c.CloseForExit(), S_OK);
  EXPECT_TRUE(testing::ReadFileBytes(kManualLog).starts_with("Manual recording\r\n"));
}

TEST_F(RecordingControllerTest, RecordingEndsBrightnessContrastAndHidesSaturationWhenFiltersGo) {
  AddPal();
  options.remove_filters_while_recording = true;
  RecordingController& c = Make();
  graph->switches().brightness_contrast = true;
  c.StartManualRecording();
  EXPECT_FALSE(graph->switches().brightness_contrast);
  EXPECT_EQ(
      windows.calls,
      (Names{"hide playback", "title VESK Video Capture -- Recording in progress",
             "countdown title Recording Event", "Start off", "Stop on", "menus off",
             "reset brightness/contrast", "hide GPS", "hide integration", "hide saturation"}));
  c.StopRecording();

  // Without the option the adjustment survives the recording.
  options.remove_filters_while_recording = false;
  graph->switches().brightness_contrast = true;
  c.StartManualRecording();
  EXPECT_TRUE(graph->switches().brightness_contrast);
}

TEST_F(RecordingControllerTest, SizeVideoWindowFollowsTheFormatAndMagnification) {
  gps_attached = false;
  // Without devices nothing can start; the report waits for the end of start-up.
  graph = std::make_unique<CaptureGraph>(
      CaptureGraphContext{media, options, pairs, sources, session, log, errors, clock,
                          home_directory, nullptr},
      nullptr, nullptr);
  RecordingController empty(
      RecordingControllerContext{*graph, sources, session, options, log, clock, 0, windows});
  empty.set_initialising(true);
  messages.entries.clear();
  EXPECT_EQ(empty.SizeVideoWindow(), 0);
  EXPECT_TRUE(messages.entries.empty());
  empty.set_initialising(false);
  EXPECT_EQ(empty.SizeVideoWindow(), 0);
  EXPECT_EQ(messages.entries, (Names{Timed("No valid source device is attached\r\n")}));

  AddPal();
  RecordingController& c = Make();
  EXPECT_EQ(c.SizeVideoWindow(), 1);
  graph->switches().magnify_x2 = true;
  EXPECT_EQ(c.SizeVideoWindow(), 1);
  EXPECT_EQ(windows.calls,
            (Names{"video 720x576 window 730x583", "video 1440x1152 window 1450x1159"}));
  sources.SetCurrentSourceIndex(kNoCurrentSource);
  messages.entries.clear();
  EXPECT_EQ(c.SizeVideoWindow(), 0);
  EXPECT_TRUE(messages.entries.empty());
}

TEST_F(RecordingControllerTest, EventStartWithoutADeviceInUseRecordsNothing) {
  AddPal();
  RecordingController& c = Make();
  sources.SetCurrentSourceIndex(kNoCurrentSource);
  EXPECT_EQ(c.BeginEventRecording(MakeEvent()), E_FAIL);
  EXPECT_EQ(messages.entries, (Names{Timed("Logic error: attempting to record an event with "
                                           "current source index out of range\r\n")}));
  EXPECT_FALSE(c.event_recording_running());
  EXPECT_TRUE(hook_calls.empty());
}

}  // namespace
}  // namespace vesk
