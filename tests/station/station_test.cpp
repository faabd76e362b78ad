#include "station/station.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <iostream>
#include <map>
#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "app/command_line.h"
#include "app/headless_windows.h"
#include "events/event_file.h"
#include "recording/recording_controller.h"
#include "station/station_test_bed.h"
#include "support/capture_bed.h"

namespace vesk {
namespace {

using Texts = std::vector<std::string>;

using testing::Timed;

// The windows without a screen, recording what the station made and opened.
class FakeStationWindows final : public HeadlessWindows {
 public:
  FakeStationWindows() : HeadlessWindows(std::cout) {}
  void LoadIcons() override { calls.push_back("icons"); }
  bool CreateFont(const FontRequest& font) override {
    fonts.push_back(font.height);
    return !fails.count("font");
  }
  bool CreateMainWindow() override { return Create("main"); }
  void ShowMainWindow() override { calls.push_back("show main"); }
  bool CreateVideoRecordWindow() override { return Create("video"); }
  bool CreateScrollWindow() override { return Create("scroll"); }
  MessageView* CreateUserMessagesWindow(const WindowPlacement&) override {
    return Create("user messages") ? &view : nullptr;
  }
  void ShowUserMessagesWindow() override { calls.push_back("show user messages"); }
  bool CreateRecordControls(bool) override { return Create("record controls"); }
  void CreateStandByWindow() override { calls.push_back("stand-by"); }
  bool CreateToolWindows(AnalysisControls&) override { return Create("tool windows"); }
  void OpenPixelSaturationWindow() override { calls.push_back("open pixel saturation"); }
  void OpenFrameIntegrationWindow() override { calls.push_back("open frame integration"); }

  bool Create(const std::string& what) {
    calls.push_back(what);
    return fails.count(what) == 0;
  }

  std::set<std::string> fails;
  Texts calls;
  std::vector<int> fonts;
  testing::RecordingView view;
};

class StationTest : public ::testing::Test, public testing::StationTestBed {
 protected:
  // Any earlier station goes first, with its graphs.
  AppState& Start(bool with_live_filter = false, HResult expected = S_OK) {
    station.reset();
    station = std::make_unique<AppState>(Services(windows, with_live_filter));
    EXPECT_EQ(station->Initialise(), expected);
    return *station;
  }
  const MenuEntry& Item(MenuCommand command) const { return *FindItem(station->menus(), command); }
  bool Logged(const std::string& text) const {
    return windows.view.Text().find(text) != std::string::npos;
  }

  FakeStationWindows windows;
  std::unique_ptr<AppState> station;
};

TEST_F(StationTest, StartUpReportsAndWindowsComeInTheirOrder) {
  AddDevice();
  power.hibernate = false;
  power.privilege = false;
  Start();
  // Only the first report that waited for the User Messages window has a timestamp.
  EXPECT_EQ(windows.view.entries,
            (Texts{Timed("Computer local time is Europe/Berlin\r\n"),
                   Timed("Computer cannot be placed into hibernation\n"),
                   Timed("No privilege to automatically shut down or hibernate after event "
                         "recording\n"),
                   Timed("There are no scheduled Events\r\n"),
                   Timed("WARNING: Character recognition sets are missing from install "
                         "directory,  warning 1029\r\n"),
                   std::string("\r\n") + kMakeRecognitionSetsText,
                   "\r\nNo Options File or unreadable Options File\r\n"}));
  EXPECT_EQ(windows.calls,
            (Texts{"icons", "main", "video", "user messages", "stand-by", "record controls",
                   "scroll", "tool windows", "show user messages", "show main"}));
  EXPECT_EQ(windows.fonts, (std::vector<int>{18, 20, 72, 16, 28, 20, 18, 16}));
  EXPECT_FALSE(station->hibernation_possible() || station->initialising());
  EXPECT_EQ(station->command_counter(), kFirstCommandIdentifier + kMenuCommandCount);
  EXPECT_TRUE(station->sources().CurrentSource()->is_active_preview);
  EXPECT_TRUE(media.graphs.back()->running);
  EXPECT_FALSE(Recording());
}

TEST_F(StationTest, TheEventsAreLoadedOnlyWithADevice) {
  std::filesystem::create_directory("Events");
  ASSERT_TRUE(WriteEventFile(
      "Events/Pallas.ief", FormatEventFileText(SystemTime{2026, 7, 0, 20, 3, 5, 39, 0},
                                               SystemTime{1943, 5, 1, 3, 0, 0, 30, 0}, false, false,
                                               "graze", "Pallas", "TYC 1")));
  for (const bool device : {false, true}) {
    if (device) AddDevice();
    Start();
    EXPECT_EQ(station->scheduler().current_event().has_value(), device);
    EXPECT_EQ(Item(MenuCommand::X2Magnification).enabled, device);
    // Only the graph of the station now running is alive; the earlier station's went with it.
    EXPECT_EQ(!media.graphs.empty() && media.graphs.back()->running, device);
  }
  EXPECT_TRUE(Logged(Timed("There is no video capture device")));
  // The Event is announced and counted down to, six days ahead.
  EXPECT_TRUE(Logged("Start time:  JUL 20, 2026  03:05:24\r\nEvent time:  JUL 20, 2026  03:05:39"));
  EXPECT_EQ(station->scheduler().texts().countdown, "> 6 days");
}

TEST_F(StationTest, AFatalWindowFailureShowsOneBoxAndNothingInTheLog) {
  AddDevice();
  for (const auto& [window, line] : std::map<std::string, std::string>{
           {"main", "FATAL ERROR: Cannot create main window,  error 1\r\n"},
           {"video", "FATAL ERROR: Cannot create video display window,  error 7\r\n"},
           {"user messages", "FATAL ERROR: Cannot create User Messages window,  error 9\r\n"},
           {"record controls", "FATAL ERROR: Cannot create Controls window,  error 8\r\n"}}) {
    windows.fails = {window};
    box.shown.clear();
    const std::size_t first_graph = media.graphs.size();
    Start(false, E_ABORT);
    EXPECT_EQ(box.shown,
              (std::vector<std::pair<std::string, std::string>>{{"VESK Video Capture", line}}));
    EXPECT_EQ(station->log().Text().find("FATAL"), std::string::npos);
    // No live video was started for a station that never came up.
    for (std::size_t i = first_graph; i < media.graphs.size(); ++i) {
      EXPECT_FALSE(media.graphs[i]->running);
    }
  }
}

TEST_F(StationTest, FontFailuresAreWarningsAndStartUpGoesOn) {
  windows.fails = {"font"};
  Start();
  EXPECT_TRUE(Logged("WARNING: Cannot create font for codec or camera lists,  warning 4"));
  EXPECT_TRUE(Logged("WARNING: Cannot create font for countdown window,  warning 2"));
  EXPECT_TRUE(Logged("warning 5") && Logged("warning 6") && box.shown.empty());
}

TEST_F(StationTest, AboutReportsTheVersionAndCommandsOfLaterWindowsDoNothing) {
  Start();
  const std::string before = station->log().Text();
  station->RunCommand(MenuCommand::Schedule);
  station->RunCommandId(12345);
  EXPECT_EQ(station->log().Text(), before);
  // No playback file without a screen to pick and show it.
  station->RunCommand(MenuCommand::Open);
  EXPECT_TRUE(Logged(Timed("Unable to open AVI file for playback\r\n")));
  station->RunCommandId(station->command_ids().IdOf(MenuCommand::About));
  EXPECT_EQ(Texts(windows.view.entries.end() - 3, windows.view.entries.end()),
            (Texts{Timed("VESK Video Capture Version 2"),
                   "\r\nReport errors to \"the VESK Video Capture maintainers\".  Please describe",
                   "\r\nhow to duplicate the error and attach a saved user message log file.\n"}));
}

TEST_F(StationTest, StoredSaturationValueAndTheAnalysisWindowsNeedTheLiveFilter) {
  AddDevice();
  StoreOptions(200);
  for (const bool filter : {false, true}) {
    windows.calls.clear();
    Start(filter);
    ASSERT_TRUE(station->options_loaded());
    EXPECT_EQ(station->graph().switches().saturation_highlight, filter);
    EXPECT_EQ(station->analysis_controls().saturation_value(), filter ? 200 : -1);
    // Live video runs through the filter, which took the stored threshold at the start.
    EXPECT_EQ(TransformInGraph(), filter);
    EXPECT_EQ(station->live_analysis().saturation_threshold(), filter ? 200 : -1);
    EXPECT_TRUE(media.graphs.back()->running);
    station->RunCommand(MenuCommand::PixelSaturation);
    station->RunCommand(MenuCommand::FrameIntegration);
    EXPECT_EQ(windows.calls.back(), filter ? "open frame integration" : "show main");
    EXPECT_EQ(std::count(windows.calls.begin(), windows.calls.end(), "open pixel saturation"),
              filter ? 1 : 0);
  }
  // Without the character sets every analysis start repeats that OCR is unavailable.
  EXPECT_TRUE(Logged(kOcrUnavailableText));
}

// Ignoring the analysed device hands live video to one whose format cannot be analysed;
// restoring it brings highlighting back with its value, and the menu shows it each time.
TEST_F(StationTest, AFormatThatCannotBeAnalysedSetsHighlightingAsideUntilADeviceTakesIt) {
  AddDevice();
  media.AddDevice("Webcam", {testing::MakeVideoType(SubtypeCode::MJPG, 640, 480, 400000)});
  StoreOptions(113);
  Start(true);
  ASSERT_TRUE(TransformInGraph());
  EXPECT_TRUE(Item(MenuCommand::PixelSaturation).checked);
  DeviceSelectionModel& devices = station->device_selection();
  devices.OpenFromMenu();
  devices.Ignore(0);
  EXPECT_TRUE(Logged("Pixel analysis not supported for selected device and format"));
  EXPECT_EQ(station->options().pixel_saturation_value, -1);
  EXPECT_EQ(station->analysis_controls().saturation_value(), -1);
  EXPECT_FALSE(Item(MenuCommand::PixelSaturation).checked);
  EXPECT_TRUE(media.graphs.back()->running && !TransformInGraph());
  devices.RestoreDevice(0);
  EXPECT_TRUE(TransformInGraph());
  EXPECT_EQ(station->live_analysis().saturation_threshold(), 113);
  EXPECT_EQ(station->options().pixel_saturation_value, 113);
  EXPECT_TRUE(Item(MenuCommand::PixelSaturation).checked);
}

TEST_F(StationTest, ARecordingWithoutDisplayFiltersEndsTheAnalysisAndTheAdjustment) {
  AddDevice();
  StoreOptions(-1, true);
  Start(true);
  ASSERT_TRUE(station->analysis_controls().StartIntegration("5"));
  station->RunCommand(MenuCommand::BrightnessContrast);
  ASSERT_TRUE(Item(MenuCommand::BrightnessContrast).checked);

  station->StartButton();
  ASSERT_TRUE(Recording());
  EXPECT_EQ(station->analysis_controls().integration_count(), 1);
  EXPECT_FALSE(TransformInGraph());
  // The station's menus are grayed, with the adjustment unchecked.
  EXPECT_FALSE(FindPopup(station->menus().main, "Options")->enabled);
  EXPECT_FALSE(Item(MenuCommand::BrightnessContrast).checked);
  station->StopButton();
  EXPECT_TRUE(FindPopup(station->menus().main, "Options")->enabled);
}

TEST_F(StationTest, CancellingAnAnalysisWindowDuringARecordingKeepsTheRecordingRunning) {
  AddDevice();
  StoreOptions(200);
  Start(true);
  station->RunCommand(MenuCommand::BrightnessContrast);
  station->StartButton();
  ASSERT_TRUE(Recording());
  const int runs = Runs();

  station->analysis_controls().CancelSaturation();
  station->CloseBrightnessContrast();
  // No restart: stopping now would end the recording and record over its file.
  EXPECT_EQ(Runs(), runs);
  EXPECT_TRUE(media.graphs.back()->running);
  EXPECT_FALSE(Logged("Stop recording at"));
  // The picture is unhighlighted at once; the filter goes at the next start.
  EXPECT_EQ(station->live_analysis().saturation_threshold(), -1);
  EXPECT_FALSE(station->graph().switches().brightness_contrast);

  station->StopButton();
  EXPECT_TRUE(std::filesystem::exists(testing::kRecordingLogFile));
  EXPECT_TRUE(media.graphs.back()->running);
  EXPECT_FALSE(TransformInGraph());
}

// An error on the graph's thread reaches the recording on the UI thread, which ends it; the
// work is queued, never run inside the graph's report.
TEST_F(StationTest, AGraphErrorDuringARecordingEndsItOnTheUiThread) {
  AddDevice();
  Start();
  station->StartButton();
  ASSERT_TRUE(Recording());
  media.graphs.back()->error_handler("Could not write to resource.");
  ASSERT_EQ(posted.size(), 1u);
  EXPECT_TRUE(station->sources().CurrentSource()->is_active_manual_recording);
  posted.front()();
  EXPECT_FALSE(station->sources().CurrentSource()->is_active_manual_recording);
  EXPECT_TRUE(media.graphs.back()->running);
  EXPECT_TRUE(std::filesystem::exists(testing::kRecordingLogFile));
  EXPECT_TRUE(station->controller().last_recording_failed());
}

// The recording device vanishes: whether the broken stream or udev tells first, the file
// and its log are finished once, the recording waits for the device, and its return
// continues the recording in name_1.avi; a continuation that cannot start ends the recording.
TEST_F(StationTest, AVanishedRecordingDeviceStopsOnceAndContinuesOnItsReturn) {
  AddDevice();
  const auto grabber = media.devices.back();
  Start();
  const VideoSourceInfo& info = *station->sources().CurrentSource();
  const std::string gone =
      "Active video capture device \"USB2.0 Grabber\" disconnected while recording\r\n";
  for (const bool stream_first : {true, false}) {
    SCOPED_TRACE(stream_first ? "stream first" : "udev first");
    windows.view.entries.clear();
    std::filesystem::remove_all("VideoFiles");
    station->StartButton();
    ASSERT_TRUE(Recording());
    media.devices.clear();
    const auto stream_breaks = [&] {
      media.graphs.back()->error_handler("Video device was unplugged");
      for (auto& work : std::exchange(posted, {})) work();
    };
    if (stream_first) stream_breaks();
    station->DeviceSetChanged();
    if (!stream_first) stream_breaks();
    EXPECT_TRUE(info.is_detached && info.is_active_manual_recording);
    EXPECT_FALSE(media.graphs.back()->running);
    EXPECT_TRUE(std::filesystem::exists(testing::kRecordingLogFile));
    const std::string text = windows.view.Text();
    EXPECT_TRUE(text.find(gone) != std::string::npos && text.find(gone) == text.rfind(gone));
    // Back: the recording goes on in its continuation, or ends when that cannot start.
    if (!stream_first) media.plan.Fail("Run", E_FAIL, media.plan.Calls("Run"), 1);
    media.devices.push_back(grabber);
    station->DeviceSetChanged();
    EXPECT_TRUE(Logged("Active video capture device \"USB2.0 Grabber\" reconnected for recording"));
    if (stream_first) {
      EXPECT_TRUE(Recording() && media.graphs.back()->output_path.ends_with("03_05_09_1.avi"));
      station->StopButton();
      EXPECT_TRUE(std::filesystem::exists("VideoFiles/07_14_2026_03_05_09_1.log"));
    } else {
      EXPECT_FALSE(info.is_active_manual_recording);
      EXPECT_TRUE(station->controller().last_recording_failed());
    }
  }
}

TEST(CommandLineTest, ParsesTheHeadlessOptionsAndNeverGivesZeroForAFailure) {
  const CommandLineResult parsed =
      ParseCommandLine({"--headless", "--simulated-camera", "--record", "3", "--quit-after", "60",
                        "--record-format", "ser"});
  ASSERT_TRUE(parsed.error.empty());
  EXPECT_EQ(std::tuple(parsed.options.headless, parsed.options.simulated_camera,
                       parsed.options.record_seconds, parsed.options.quit_after_seconds,
                       parsed.options.record_format),
            std::tuple(true, true, 3, 60, RecordingFileFormat::Ser));
  EXPECT_EQ(ParseCommandLine({"--record-format", "mp4"}).error, "--record-format needs avi or ser");
  EXPECT_EQ(ParseCommandLine({"--repair-video", "a.ser", "b.ser"}).options.repair_avi.size(), 2u);
  for (const Texts& bad :
       {Texts{"--record"}, Texts{"--record", "0"}, Texts{"--record", "3s"},
        Texts{"--quit-after", "-5"}, Texts{"--quit-after", "86401"}, Texts{"--fullscreen"}}) {
    EXPECT_FALSE(ParseCommandLine(bad).error.empty()) << bad[0];
  }
  // The low byte, never zero for a failure.
  EXPECT_EQ(ExitStatusOf(static_cast<HResult>(0x80040200u)), 1);
  // --record succeeds only with the video file and its log; nothing recorded is 1.
  EXPECT_EQ(RecordingExitStatus(true, false, true, true), 0);
  EXPECT_EQ(RecordingExitStatus(false, false, false, false), 1);
  EXPECT_EQ(RecordingExitStatus(true, true, true, true), 3);
  EXPECT_EQ(RecordingExitStatus(true, false, true, false), 3);
  EXPECT_EQ(RecordingExitStatus(true, false, false, true), 3);
}

}  // namespace
}  // namespace vesk
