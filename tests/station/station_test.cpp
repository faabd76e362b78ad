#include "station/station.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/headless_windows.h"
#include "base/stream_message_view.h"
#include "config/options.h"
#include "events/event_file.h"
#include "support/fake_clock.h"
#include "support/fake_media.h"
#include "support/recording_view.h"
#include "support/temp_dir.h"

namespace vesk {
namespace {

using testing::FakeMediaSystem;
using testing::MakeVideoType;
using Texts = std::vector<std::string>;

constexpr const char* kDevice = "USB2.0 Grabber";
constexpr std::uint32_t k25 = 400000;

std::string Timed(const std::string& text) { return "\r\n03:05:09 (UTC)\r\n" + text; }

// Windows that exist only as a record of what the station did with them.
class FakeStationWindows final : public StationWindows {
 public:
  std::optional<ScreenRect> CurrentWindowRect(WindowId window) override {
    const auto found = rects.find(window);
    if (found == rects.end()) return std::nullopt;
    return found->second;
  }
  void ApplyWindowPosition(WindowId window, const PositionResult& result) override {
    rects[window] = result.window;
    placed.push_back(window);
  }

  bool CreateMainWindow() override {
    calls.push_back("main");
    if (main_fails) return false;
    rects[WindowId::Main] = {100, 100, 660, 540};
    return true;
  }
  bool CreateVideoRecordWindow() override {
    calls.push_back("video");
    return !video_fails;
  }
  DisplayWindow VideoDisplayWindow() override { return DisplayWindowOf(&frames); }
  void LoadIcons() override { calls.push_back("icons"); }
  MessageView* CreateUserMessagesWindow(const WindowPlacement& placement) override {
    calls.push_back("user messages");
    if (messages_fail) return nullptr;
    rects[WindowId::UserMessages] = {placement.x, placement.y, placement.width, placement.height};
    return &view;
  }
  bool CreateFont(const FontRequest& font) override {
    fonts.push_back(font.height);
    return !fonts_fail;
  }
  void CreateStandByWindow() override { calls.push_back("stand-by"); }
  bool CreateRecordControls(bool space) override {
    calls.push_back(space ? "record controls spaced" : "record controls");
    if (record_controls_fail) return false;
    rects[WindowId::RecordControls] = {150, 150, 224, 144};
    return true;
  }
  bool CreateScrollWindow() override {
    calls.push_back("scroll");
    return true;
  }
  bool CreateToolWindows(AnalysisControls&) override {
    calls.push_back("tool windows");
    rects[WindowId::Countdown] = {100, 600, 318, 266};
    rects[WindowId::BrightnessContrast] = {100, 700, 310, 270};
    return true;
  }
  WorkArea ReadWorkArea() override { return {0, 0, 1920, 1050}; }
  void MeasureMainWindow(PixelSize* outer, PixelSize* client) override {
    *outer = {660, 540};
    *client = {644, 481};
  }
  void ApplyMenus(const MenuBars& bars) override {
    menus = bars;
    ++menu_builds;
  }
  void ShowVideoRecordWindow(bool shown) override { video_shown = shown; }
  void HideScrollWindow() override {}
  void ShowRecordControls(bool shown) override { record_controls_shown = shown; }
  void ShowUserMessagesWindow() override { calls.push_back("show user messages"); }
  void ShowMainWindow() override { calls.push_back("show main"); }
  void HideWindow(WindowId) override {}
  void ShowBrightnessContrast(bool shown) override { brightness_shown = shown; }
  void OpenPixelSaturationWindow() override { opened.push_back("pixel saturation"); }
  void OpenFrameIntegrationWindow() override { opened.push_back("frame integration"); }
  void DestroyMainWindow() override { ++destroyed; }
  void SetMainWindowTitle(std::string_view title) override { title_ = title; }
  void SetCountdownWindowTitle(std::string_view) override {}
  void HideCountdownWindow() override {}
  void EnableStartButton(bool enabled) override { start_enabled = enabled; }
  void EnableStopButton(bool enabled) override { stop_enabled = enabled; }
  void HideFrameIntegrationWindow() override { ++frame_integration_hidden; }
  void HidePixelSaturationWindow() override { ++pixel_saturation_hidden; }
  void HideGpsWindow() override {}
  void SizeVideoRecordWindow(int video_width, int video_height, int, int) override {
    video_sizes.push_back(std::to_string(video_width) + "x" + std::to_string(video_height));
  }
  bool HidePlaybackWindows() override { return false; }
  void ShowPlaybackWindows() override {}
  bool AskYesNo(std::string_view, std::string_view) override { return false; }

  std::map<WindowId, ScreenRect> rects;
  std::vector<WindowId> placed;
  Texts calls;
  std::vector<int> fonts;
  Texts video_sizes;
  Texts opened;
  int frame_integration_hidden = 0;
  int pixel_saturation_hidden = 0;
  testing::RecordingView view;
  CountingFrameTarget frames;
  MenuBars menus;
  int menu_builds = 0;
  int destroyed = 0;
  bool main_fails = false;
  bool video_fails = false;
  bool messages_fail = false;
  bool record_controls_fail = false;
  bool fonts_fail = false;
  bool video_shown = false;
  bool record_controls_shown = false;
  bool brightness_shown = false;
  bool start_enabled = false;
  bool stop_enabled = false;
  std::string title_;
};

class FakePower final : public PowerCapabilities {
 public:
  bool CanHibernate() override { return hibernate; }
  bool MayShutDownOrHibernate() override { return privilege; }
  bool hibernate = true;
  bool privilege = true;
};

class StationTest : public ::testing::Test {
 protected:
  StationTest() { media.AddCompressor("VESK Test Codec"); }

  void AddDevice() { media.AddDevice(kDevice, {MakeVideoType(SubtypeCode::YUY2, 720, 576, k25)}); }

  // with_live_filter: the station gets a stand-in for the analysis filter whose output
  // lists the device's format, as a connected filter does.
  AppState& Make(bool with_live_filter = false) {
    TimeZoneInfo zone;
    zone.kind = TimeZoneInfo::Kind::Standard;
    zone.bias_minutes = -60;
    zone.name = "Europe/Berlin";
    std::function<std::shared_ptr<MediaFilter>(LiveAnalysis&)> make_live_filter;
    if (with_live_filter) {
      make_live_filter = [this](LiveAnalysis&) -> std::shared_ptr<MediaFilter> {
        live_filter = std::make_shared<testing::FakeFilter>("transform", "transform");
        live_filter->AddPin("Input", PinDirection::Input);
        live_filter->AddPin("Output", PinDirection::Output,
                            {MakeVideoType(SubtypeCode::YUY2, 720, 576, k25)});
        return live_filter;
      };
    }
    station = std::make_unique<AppState>(StationServices{media, clock, box, windows, power, zone,
                                                         dir.path().string() + "/",
                                                         make_live_filter, true});
    return *station;
  }

  static void StoreOptions(std::int32_t saturation_value, bool remove_filters = false) {
    Options options;
    options.pixel_saturation_value = saturation_value;
    options.remove_filters_while_recording = remove_filters;
    ASSERT_TRUE(SaveOptions(options, {}));
  }

  bool TransformInGraph() const {
    const Texts names = media.graphs.back()->FilterNames();
    return std::find(names.begin(), names.end(), kTransformFilterName) != names.end();
  }

  const MenuEntry& Item(MenuCommand command) {
    const MenuEntry* item = FindItem(windows.menus, command);
    EXPECT_NE(item, nullptr);
    static const MenuEntry kMissing;
    return item != nullptr ? *item : kMissing;
  }

  bool Logged(const std::string& text) const {
    return windows.view.Text().find(text) != std::string::npos;
  }

  void WriteEventFileForTest() {
    std::filesystem::create_directory("Events");
    SystemTime time{2026, 7, 0, 20, 3, 5, 39, 0};
    SystemTime duration{1943, 5, 1, 3, 0, 0, 30, 0};
    ASSERT_TRUE(WriteEventFile(
        "Events/Pallas.ief",
        FormatEventFileText(time, duration, false, false, "graze", "Pallas", "TYC 1")));
  }

  testing::ScopedTempDir dir;
  FakeMediaSystem media;
  testing::FakeClock clock{testing::MakeFileTime(2026, 7, 14, 3, 5, 9), -60};
  testing::RecordingMessageBox box;
  FakeStationWindows windows;
  FakePower power;
  std::shared_ptr<testing::FakeFilter> live_filter;
  std::unique_ptr<AppState> station;
};

TEST_F(StationTest, QueuedReportsFollowTheDirectOnesAndOnlyTheFirstIsTimestamped) {
  AddDevice();
  power.hibernate = false;
  ASSERT_EQ(Make().Initialise(), S_OK);

  const Texts& entries = windows.view.entries;
  ASSERT_GE(entries.size(), 4u);
  // The time zone line is the first entry: reports before the window existed wait.
  EXPECT_EQ(entries.front(), Timed("Computer local time is Europe/Berlin\r\n"));
  // The missing character sets were the first report queued, so theirs is the timestamp.
  const auto sets_missing =
      std::find(entries.begin(), entries.end(),
                Timed("WARNING: Character recognition sets are missing from install directory,  "
                      "warning 1029\r\n"));
  const auto no_options =
      std::find(entries.begin(), entries.end(), "\r\n" + std::string(kNoOptionsFileNote));
  const auto hibernation = std::find(entries.begin(), entries.end(), Timed(kCannotHibernateText));
  const auto no_events = std::find(entries.begin(), entries.end(), Timed(kNoScheduledEventsText));
  ASSERT_NE(sets_missing, entries.end());
  ASSERT_NE(no_options, entries.end());
  ASSERT_NE(hibernation, entries.end());
  ASSERT_NE(no_events, entries.end());
  // Direct reports first, in the order made; the flushed queue comes last.
  EXPECT_LT(hibernation, no_events);
  EXPECT_LT(no_events, sets_missing);
  EXPECT_LT(sets_missing, no_options);
  EXPECT_EQ(station->log().PendingCount(), 0u);
  // Everything after the first queued report came from the queue: none has a timestamp.
  for (auto it = sets_missing + 1; it != entries.end(); ++it) {
    EXPECT_EQ(it->find(" (UTC)\r\n"), std::string::npos) << *it;
  }
  EXPECT_FALSE(station->hibernation_possible());
  EXPECT_FALSE(station->initialising());
  EXPECT_FALSE(station->options_loaded());
}

TEST_F(StationTest, WindowsAreMadeInStartUpOrderWithEveryFont) {
  AddDevice();
  ASSERT_EQ(Make().Initialise(), S_OK);
  EXPECT_EQ(windows.calls,
            (Texts{"icons", "main", "video", "user messages", "stand-by", "record controls",
                   "scroll", "tool windows", "show user messages", "show main"}));
  EXPECT_EQ(windows.fonts, (std::vector<int>{18, 20, 72, 16, 28, 20, 18, 16}));
  EXPECT_EQ(station->command_ids().first, kFirstCommandIdentifier);
  EXPECT_EQ(station->command_counter(), kFirstCommandIdentifier + kMenuCommandCount);
  // The frame is measured from the main window: 16 wider and 59 taller than its video.
  EXPECT_EQ(station->layout().frame_extra, (PixelSize{16, 59}));
}

TEST_F(StationTest, WithADeviceLiveVideoRunsAndTheEventsAreLoaded) {
  AddDevice();
  WriteEventFileForTest();
  ASSERT_EQ(Make().Initialise(), S_OK);

  ASSERT_FALSE(media.graphs.empty());
  EXPECT_TRUE(media.graphs.back()->running);
  EXPECT_TRUE(media.graphs.back()->output_path.empty());
  EXPECT_TRUE(windows.video_shown);
  EXPECT_TRUE(windows.record_controls_shown);
  EXPECT_TRUE(windows.start_enabled);
  EXPECT_FALSE(windows.stop_enabled);
  EXPECT_TRUE(station->sources().CurrentSource()->is_active_preview);
  EXPECT_EQ(windows.video_sizes, (Texts{"720x576"}));
  // The Event was loaded and handed on; the observer learns that nothing counts down yet.
  ASSERT_TRUE(station->scheduler().next_event().has_value());
  EXPECT_TRUE(Logged(kCountdownUnavailableText));
  EXPECT_TRUE(Item(MenuCommand::Codec).enabled);
  EXPECT_TRUE(Item(MenuCommand::X2Magnification).enabled);
  // The main window is sized to the video and its frame: 720 + 16 by 576 + 59.
  EXPECT_EQ(windows.rects[WindowId::Main], (ScreenRect{100, 100, 736, 635}));
}

TEST_F(StationTest, WithoutADeviceTheMenusAreGrayedAndNoEventIsLoaded) {
  WriteEventFileForTest();
  ASSERT_EQ(Make().Initialise(), S_OK);

  EXPECT_TRUE(Logged(Timed(kNoCaptureDevice)));
  EXPECT_FALSE(Logged(kNoScheduledEventsText));
  EXPECT_FALSE(station->scheduler().next_event().has_value());
  EXPECT_TRUE(station->event_loader().Events().empty());
  EXPECT_FALSE(windows.video_shown);
  EXPECT_FALSE(windows.record_controls_shown);
  for (MenuCommand command : {MenuCommand::SelectVideoInputDevice, MenuCommand::Codec,
                              MenuCommand::BrightnessContrast, MenuCommand::X2Magnification,
                              MenuCommand::FrameIntegration, MenuCommand::PixelSaturation}) {
    EXPECT_FALSE(Item(command).enabled) << CommandText(command);
  }
  EXPECT_TRUE(Item(MenuCommand::Exit).enabled);
  EXPECT_TRUE(Item(MenuCommand::RecordingFileOptions).enabled);
  // Nothing to record: no graph was started.
  for (const auto* graph : media.graphs) EXPECT_FALSE(graph->running);
}

TEST_F(StationTest, AFatalWindowFailureShowsOneBoxAndNothingInTheLog) {
  struct Case {
    bool FakeStationWindows::*fails;
    const char* line;
  };
  AddDevice();
  for (const Case& c : {Case{&FakeStationWindows::main_fails,
                             "FATAL ERROR: Cannot create main window,  error 1\r\n"},
                        Case{&FakeStationWindows::video_fails,
                             "FATAL ERROR: Cannot create video display window,  error 7\r\n"},
                        Case{&FakeStationWindows::messages_fail,
                             "FATAL ERROR: Cannot create User Messages window,  error 9\r\n"},
                        Case{&FakeStationWindows::record_controls_fail,
                             "FATAL ERROR: Cannot create Controls window,  error 8\r\n"}}) {
    windows.main_fails = windows.video_fails = windows.messages_fail = false;
    windows.record_controls_fail = false;
    windows.view.entries.clear();
    box.shown.clear();
    windows.*(c.fails) = true;
    // Graphs of the stations made before are gone with them.
    const std::size_t first_graph = media.graphs.size();
    EXPECT_EQ(Make().Initialise(), E_ABORT) << c.line;
    ASSERT_EQ(box.shown.size(), 1u) << c.line;
    EXPECT_EQ(box.shown[0].first, kApplicationCaption);
    EXPECT_EQ(box.shown[0].second, c.line);
    EXPECT_EQ(station->log().Text().find("FATAL"), std::string::npos);
    // No live video was started for a station that never came up.
    for (std::size_t i = first_graph; i < media.graphs.size(); ++i) {
      EXPECT_FALSE(media.graphs[i]->running);
    }
  }
}

TEST_F(StationTest, FontFailuresAreWarningsAndStartUpGoesOn) {
  windows.fonts_fail = true;
  ASSERT_EQ(Make().Initialise(), S_OK);
  const std::string text = windows.view.Text();
  EXPECT_NE(text.find("WARNING: Cannot create font for codec or camera lists,  warning 4"),
            std::string::npos);
  EXPECT_NE(text.find("WARNING: Cannot create font for countdown window,  warning 2"),
            std::string::npos);
  EXPECT_NE(text.find("warning 5"), std::string::npos);
  EXPECT_NE(text.find("warning 6"), std::string::npos);
  EXPECT_TRUE(box.shown.empty());
}

TEST_F(StationTest, ExitStopsARunningRecordingAndWritesItsLogFirst) {
  AddDevice();
  ASSERT_EQ(Make().Initialise(), S_OK);
  station->StartButton();
  ASSERT_FALSE(media.graphs.back()->output_path.empty());
  EXPECT_FALSE(windows.start_enabled);
  EXPECT_TRUE(windows.stop_enabled);
  // During the recording most menus are grayed.
  EXPECT_FALSE(FindPopup(windows.menus.main, "Options")->enabled);

  station->RunCommandId(station->command_ids().IdOf(MenuCommand::Exit));
  EXPECT_EQ(windows.destroyed, 1);
  EXPECT_FALSE(media.graphs.back()->running);
  EXPECT_TRUE(std::filesystem::exists("VideoFiles/07_14_2026_03_05_09.log"));
  EXPECT_TRUE(Logged("Stop recording at 03:05:09 (UTC)"));
  // A second request (the close box after Exit) does nothing more.
  station->Exit();
  EXPECT_EQ(windows.destroyed, 1);
}

TEST_F(StationTest, X2MagnificationTwiceRestartsTwiceAndReturnsToNormalSize) {
  AddDevice();
  ASSERT_EQ(Make().Initialise(), S_OK);
  const int runs = media.plan.Calls("Run");
  const int x2 = station->command_ids().IdOf(MenuCommand::X2Magnification);

  station->RunCommandId(x2);
  EXPECT_TRUE(Item(MenuCommand::X2Magnification).checked);
  EXPECT_TRUE(station->graph().switches().magnify_x2);
  // Twice the video is taller than the work area: the window takes its height at the top
  // and 24 more pixels of width for the scroll bar.
  EXPECT_EQ(windows.rects[WindowId::Main], (ScreenRect{100, 0, 1440 + 16 + 24, 1050}));
  station->RunCommandId(x2);
  EXPECT_FALSE(Item(MenuCommand::X2Magnification).checked);
  EXPECT_FALSE(station->graph().switches().magnify_x2);

  EXPECT_EQ(media.plan.Calls("Run"), runs + 2);
  EXPECT_EQ(windows.video_sizes, (Texts{"720x576", "1440x1152", "720x576"}));
  EXPECT_EQ(windows.rects[WindowId::Main], (ScreenRect{100, 0, 736, 635}));
}

TEST_F(StationTest, SaveMessagesWritesTheLogIntoLogFiles) {
  ASSERT_EQ(Make().Initialise(), S_OK);
  ASSERT_TRUE(station->SaveMessages(true));
  const std::string name = "LogFiles/07_14_2026_03_05_09.log";
  ASSERT_TRUE(std::filesystem::exists(name));
  EXPECT_NE(testing::ReadFileBytes(name).find("There is no video capture device"),
            std::string::npos);
  // After the clear the confirmation is the one entry left.
  EXPECT_EQ(station->log().Text(),
            Timed("User messages saved in log file \"" + name + "\" and all messages cleared\r\n"));
}

TEST_F(StationTest, AboutReportsTheVersionAndCommandsOfLaterWindowsDoNothing) {
  ASSERT_EQ(Make().Initialise(), S_OK);
  const std::string before = station->log().Text();
  station->RunCommand(MenuCommand::Schedule);
  station->RunCommand(MenuCommand::Open);
  station->RunCommandId(12345);
  EXPECT_EQ(station->log().Text(), before);
  station->RunCommand(MenuCommand::About);
  EXPECT_NE(station->log().Text().find(Timed("VESK Video Capture Version 2")), std::string::npos);
}

TEST_F(StationTest, AStoredSaturationValueSwitchesHighlightingOnOnlyWithALiveFilter) {
  AddDevice();
  StoreOptions(200);

  // Without the filter nothing can highlight: the stored value stays unused.
  ASSERT_EQ(Make().Initialise(), S_OK);
  ASSERT_TRUE(station->options_loaded());
  EXPECT_FALSE(station->graph().switches().saturation_highlight);
  EXPECT_EQ(station->analysis_controls().saturation_value(), -1);
  EXPECT_FALSE(TransformInGraph());
  EXPECT_TRUE(media.graphs.back()->running);
  station.reset();

  windows.view.entries.clear();
  ASSERT_EQ(Make(true).Initialise(), S_OK);
  EXPECT_TRUE(station->graph().switches().saturation_highlight);
  EXPECT_EQ(station->analysis_controls().saturation_value(), 200);
  // Live video runs through the filter, which took the stored threshold at the start.
  EXPECT_TRUE(TransformInGraph());
  EXPECT_TRUE(media.graphs.back()->running);
  EXPECT_EQ(station->live_analysis().saturation_threshold(), 200);
  EXPECT_EQ(station->live_analysis().stream_format().width, 720);
  // Without the character sets every analysis start repeats that OCR is unavailable.
  EXPECT_TRUE(Logged(kOcrUnavailableText));
}

TEST_F(StationTest, AFormatThatCannotBeAnalysedForgetsTheStoredValueAndLiveVideoRuns) {
  media.AddDevice(kDevice, {MakeVideoType(SubtypeCode::MJPG, 640, 480, k25)});
  StoreOptions(200);
  ASSERT_EQ(Make(true).Initialise(), S_OK);

  EXPECT_TRUE(Logged("Pixel analysis not supported for selected device and format"));
  EXPECT_FALSE(station->graph().switches().saturation_highlight);
  EXPECT_EQ(station->options().pixel_saturation_value, -1);
  EXPECT_EQ(station->analysis_controls().saturation_value(), -1);
  EXPECT_EQ(station->live_analysis().saturation_threshold(), -1);
  EXPECT_FALSE(TransformInGraph());
  EXPECT_TRUE(media.graphs.back()->running);
}

TEST_F(StationTest, TheAnalysisCommandsOpenTheirWindowsOnlyWithALiveFilter) {
  AddDevice();
  ASSERT_EQ(Make().Initialise(), S_OK);
  station->RunCommand(MenuCommand::PixelSaturation);
  station->RunCommand(MenuCommand::FrameIntegration);
  EXPECT_TRUE(windows.opened.empty());
  station.reset();

  ASSERT_EQ(Make(true).Initialise(), S_OK);
  station->RunCommandId(station->command_ids().IdOf(MenuCommand::PixelSaturation));
  station->RunCommandId(station->command_ids().IdOf(MenuCommand::FrameIntegration));
  EXPECT_EQ(windows.opened, (Texts{"pixel saturation", "frame integration"}));
}

TEST_F(StationTest, ARecordingSwitchesIntegrationOffAndHidesTheAnalysisWindows) {
  AddDevice();
  StoreOptions(-1, true);
  ASSERT_EQ(Make(true).Initialise(), S_OK);
  AnalysisControls& analysis = station->analysis_controls();
  const int runs = media.plan.Calls("Run");
  ASSERT_TRUE(analysis.StartIntegration("5"));
  EXPECT_EQ(media.plan.Calls("Run"), runs + 1);
  EXPECT_TRUE(TransformInGraph());
  EXPECT_EQ(station->live_analysis().integration().frame_count, 5u);

  station->StartButton();
  ASSERT_FALSE(media.graphs.back()->output_path.empty());
  EXPECT_EQ(analysis.integration_count(), 1);
  EXPECT_EQ(windows.frame_integration_hidden, 1);
  // Display filters are removed while recording: the saturation window goes as well.
  EXPECT_EQ(windows.pixel_saturation_hidden, 1);
  EXPECT_FALSE(TransformInGraph());
}

TEST_F(StationTest, CancellingAnAnalysisWindowDuringARecordingKeepsTheRecordingRunning) {
  AddDevice();
  StoreOptions(200);
  ASSERT_EQ(Make(true).Initialise(), S_OK);
  station->RunCommand(MenuCommand::BrightnessContrast);
  station->StartButton();
  const std::string recording = media.graphs.back()->output_path;
  ASSERT_FALSE(recording.empty());
  const int runs = media.plan.Calls("Run");

  station->analysis_controls().CancelSaturation();
  station->CloseBrightnessContrast();
  // No restart: stopping now would end the recording and record over its file.
  EXPECT_EQ(media.plan.Calls("Run"), runs);
  EXPECT_TRUE(media.graphs.back()->running);
  EXPECT_FALSE(Logged("Stop recording at"));
  // The picture is unhighlighted at once; the filter goes at the next start.
  EXPECT_EQ(station->live_analysis().saturation_threshold(), -1);
  EXPECT_FALSE(station->graph().switches().saturation_highlight);
  EXPECT_FALSE(station->graph().switches().brightness_contrast);

  station->StopButton();
  EXPECT_TRUE(std::filesystem::exists("VideoFiles/07_14_2026_03_05_09.log"));
  EXPECT_TRUE(media.graphs.back()->running);
  EXPECT_FALSE(TransformInGraph());
}

TEST(CommandLineTest, ParsesTheHeadlessOptions) {
  const CommandLineResult parsed =
      ParseCommandLine({"--headless", "--simulated-camera", "--record", "3", "--quit-after", "60"});
  ASSERT_TRUE(parsed.error.empty());
  EXPECT_TRUE(parsed.options.headless);
  EXPECT_TRUE(parsed.options.simulated_camera);
  EXPECT_EQ(parsed.options.record_seconds, 3);
  EXPECT_EQ(parsed.options.quit_after_seconds, 60);
  EXPECT_TRUE(ParseCommandLine({"--help"}).options.help);

  for (const Texts& bad :
       {Texts{"--record"}, Texts{"--record", "0"}, Texts{"--record", "3s"},
        Texts{"--quit-after", "-5"}, Texts{"--quit-after", "86401"}, Texts{"--fullscreen"}}) {
    EXPECT_FALSE(ParseCommandLine(bad).error.empty()) << bad[0];
  }
}

TEST(CommandLineTest, ExitStatusIsTheLowByteAndNeverZeroForAFailure) {
  EXPECT_EQ(ExitStatusOf(S_OK), 0);
  EXPECT_EQ(ExitStatusOf(E_ABORT), 4);
  EXPECT_EQ(ExitStatusOf(E_OUTOFMEMORY), 14);
  EXPECT_EQ(ExitStatusOf(static_cast<HResult>(0x80040200u)), 1);
}

TEST(StreamMessageViewTest, PrintsEachEntryWithPlainLineFeeds) {
  std::ostringstream out;
  StreamMessageView view(out);
  testing::FakeClock clock{testing::MakeFileTime(2026, 7, 14, 3, 5, 9)};
  MessageLog log(clock);
  log.ReportMessage("queued\r\n");
  log.AttachView(&view);
  log.ReportMessage("Start recording at 03:05:09 (UTC)", true);
  log.FlushPending();
  EXPECT_EQ(out.str(),
            "\n03:05:09 (UTC)\nStart recording at 03:05:09 (UTC)\n03:05:09 (UTC)\nqueued\n");
  EXPECT_EQ(TerminalText("a\rb\r\n\r\nc"), "a\nb\n\nc");
}

}  // namespace
}  // namespace vesk
