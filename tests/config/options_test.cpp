#include "config/options.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "base/code_page.h"
#include "support/fake_clock.h"
#include "support/recording_view.h"
#include "support/temp_dir.h"

namespace vesk {
namespace {

using testing::ReadFileBytes;
using testing::ScopedTempDir;
using testing::WriteFileBytes;

const std::vector<std::string> kCodecs = {"NONE", "My Codec", "Other Codec"};

constexpr const char* kDefaultsFile =
    "<?xml version=\"1.0\"?>\r\n"
    "<!--VESK Video Capture Version 2-->\r\n"
    "<Root>\r\n"
    "\t<VideoNamePrefix Value=\"\"/>\r\n"
    "\t<VideoDirectory Value=\"\"/>\r\n"
    "\t<LogfileNamePrefix Value=\"\"/>\r\n"
    "\t<LogfileDirectory Value=\"\"/>\r\n"
    "\t<EventFileGlobalPrefix Value=\"\"/>\r\n"
    "\t<DefaultDuration Value=\"\"/>\r\n"
    "\t<EventPendingDisplay Value=\"\"/>\r\n"
    "\t<PixelSaturationValue Value=\"-1\"/>\r\n"
    "\t<MainWindowPosition Value=\"100, 100\"/>\r\n"
    "\t<PlaybackWindowPosition Value=\"180, 220\"/>\r\n"
    "\t<MessageWindowPosition Value=\"50, 50, 700, 460\"/>\r\n"
    "\t<RecordControlsWindowPosition Value=\"150, 150\"/>\r\n"
    "\t<PlaybackControlsWindowPosition Value=\"100, 550\"/>\r\n"
    "\t<DevicesWindowPosition Value=\"100, 500\"/>\r\n"
    "\t<CameraFormatWindowPosition Value=\"150, 350\"/>\r\n"
    "\t<MiscellaneousOptionsWindowPosition Value=\"20, 300\"/>\r\n"
    "\t<GpsWindowPosition Value=\"125, 550\"/>\r\n"
    "\t<PixelSaturationWindowPosition Value=\"50, 400\"/>\r\n"
    "\t<FrameIntegrationWindowPosition Value=\"200, 600\"/>\r\n"
    "\t<CountdownWindowPosition Value=\"100, 600\"/>\r\n"
    "\t<ScheduleEventWindowPosition Value=\"150, 300\"/>\r\n"
    "\t<ViewEventsWindowPosition Value=\"50, 300\"/>\r\n"
    "\t<BrightnessContrastWindowPosition Value=\"100, 700\"/>\r\n"
    "\t<DefaultVideoSource Value=\"\"/>\r\n"
    "\t<RecordButtonsSpace Value=\"FALSE\"/>\r\n"
    "\t<DisplayOffWhileRecording Value=\"FALSE\"/>\r\n"
    "\t<RemoveFiltersWhileRecording Value=\"FALSE\"/>\r\n"
    "\t<AutostartGPS Value=\"FALSE\"/>\r\n"
    "\t<DefaultRenderer Value=\"EVR\"/>\r\n"
    "</Root>\r\n";

// Every key away from its default, every list with entries.
constexpr const char* kFullFile =
    "<?xml version=\"1.0\"?>\r\n"
    "<!--VESK Video Capture Version 2-->\r\n"
    "<Root>\r\n"
    "\t<VideoNamePrefix Value=\"occ\"/>\r\n"
    "\t<VideoDirectory Value=\"/data/video\"/>\r\n"
    "\t<LogfileNamePrefix Value=\"log\"/>\r\n"
    "\t<LogfileDirectory Value=\"/data/logs\"/>\r\n"
    "\t<EventFileGlobalPrefix Value=\"Station 4\"/>\r\n"
    "\t<DefaultDuration Value=\"00:04:30\"/>\r\n"
    "\t<EventPendingDisplay Value=\"UTC\"/>\r\n"
    "\t<PixelSaturationValue Value=\"240\"/>\r\n"
    "\t<MainWindowPosition Value=\"1, 2\"/>\r\n"
    "\t<PlaybackWindowPosition Value=\"3, 4\"/>\r\n"
    "\t<MessageWindowPosition Value=\"5, 6, 800, 600\"/>\r\n"
    "\t<RecordControlsWindowPosition Value=\"7, 8\"/>\r\n"
    "\t<PlaybackControlsWindowPosition Value=\"9, 10\"/>\r\n"
    "\t<DevicesWindowPosition Value=\"11, 12\"/>\r\n"
    "\t<CameraFormatWindowPosition Value=\"13, 14\"/>\r\n"
    "\t<MiscellaneousOptionsWindowPosition Value=\"15, 16\"/>\r\n"
    "\t<GpsWindowPosition Value=\"17, 18\"/>\r\n"
    "\t<PixelSaturationWindowPosition Value=\"19, 20\"/>\r\n"
    "\t<FrameIntegrationWindowPosition Value=\"21, 22\"/>\r\n"
    "\t<CountdownWindowPosition Value=\"23, 24\"/>\r\n"
    "\t<ScheduleEventWindowPosition Value=\"25, 26\"/>\r\n"
    "\t<ViewEventsWindowPosition Value=\"27, 28\"/>\r\n"
    "\t<BrightnessContrastWindowPosition Value=\"-1920, -30\"/>\r\n"
    "\t<DefaultVideoSource Value=\"USB Grabber\"/>\r\n"
    "\t<ExcludedVideoSource Value=\"Laptop Webcam\"/>\r\n"
    "\t<ExcludedVideoSource Value=\"Virtual Cam &amp; Co\"/>\r\n"
    "\t<RecordButtonsSpace Value=\"TRUE\"/>\r\n"
    "\t<DisplayOffWhileRecording Value=\"TRUE\"/>\r\n"
    "\t<RemoveFiltersWhileRecording Value=\"TRUE\"/>\r\n"
    "\t<AutostartGPS Value=\"TRUE\"/>\r\n"
    "\t<DefaultRenderer Value=\"VMR7\"/>\r\n"
    "\t<DriftGPS Value=\"5 7C\"/>\r\n"
    "\t<DriftGPS Value=\"-9000000000 -3F\"/>\r\n"
    "\t<DriftVTI Value=\"0 0F\"/>\r\n"
    "\t<DriftCamera Value=\"133 2147483647C\"/>\r\n"
    "\t<VideoDelay Value=\"Grabber A|4294967295|-120000\"/>\r\n"
    "\t<VideoDelay Value=\"|0|0\"/>\r\n"
    "\t<VConfig Value=\"USB Grabber|25|720x576|YUY2|-2147483648|128|0|64|3|-2147483648|PAL\"/>\r\n"
    "\t<VConfig Value=\"Webcam|30|640x480|MJPG|1|2|3|4|5|6|AUTO\"/>\r\n"
    "\t<SubtypeCodecPair Value=\"YUY2|My Codec\"/>\r\n"
    "\t<SubtypeCodecPair Value=\" |Other Codec\"/>\r\n"
    "</Root>\r\n";

class OptionsTest : public ::testing::Test {
 protected:
  // Writes the options file and loads it the way start-up does.
  bool StartUpWith(const std::string& bytes) {
    WriteFileBytes(OptionsFilePath(), bytes);
    return StartUp();
  }
  bool StartUp() {
    return LoadOptionsAtStartUp(kCodecs, log_, &options_, &derived_, &configurations_);
  }
  std::string SavedFile() {
    EXPECT_TRUE(SaveOptions(options_, configurations_));
    return ReadFileBytes(OptionsFilePath());
  }
  // The log as it stands once the window shows the queued reports.
  std::string LogText() {
    log_.AttachView(&view_);
    log_.FlushPending();
    return log_.Text();
  }

  ScopedTempDir dir_;
  testing::FakeClock clock_{testing::MakeFileTime(2026, 3, 1, 12, 0, 0)};
  MessageLog log_{clock_};
  testing::RecordingView view_;
  Options options_;
  DerivedOptions derived_;
  std::vector<VideoConfiguration> configurations_;
};

TEST_F(OptionsTest, DefaultsGiveTheExactFile) { EXPECT_EQ(SavedFile(), kDefaultsFile); }

TEST_F(OptionsTest, FullFileReadsEveryKeyAndWritesBackByteIdentical) {
  ASSERT_TRUE(StartUpWith(kFullFile));
  EXPECT_EQ(options_.event_file_global_prefix, "Station 4");
  EXPECT_EQ(options_.pixel_saturation_value, 240);
  EXPECT_EQ(options_.message_window_position, (WindowPlacement{5, 6, 800, 600}));
  EXPECT_EQ(options_.brightness_contrast_window_position, (WindowPosition{-1920, -30}));
  EXPECT_EQ(options_.excluded_video_sources,
            (std::vector<std::string>{"Laptop Webcam", "Virtual Cam & Co"}));
  EXPECT_TRUE(options_.record_buttons_space);
  EXPECT_TRUE(options_.autostart_gps);
  EXPECT_EQ(options_.default_renderer, kRendererVmr7);
  EXPECT_EQ(options_.drift_gps, (std::vector<DriftEntry>{{5, 7, false}, {-9000000000, -3, true}}));
  EXPECT_EQ(options_.drift_camera, (std::vector<DriftEntry>{{133, 2147483647, false}}));
  EXPECT_EQ(options_.video_delays,
            (std::vector<VideoDelayEntry>{{4294967295u, "Grabber A", -120000}, {0, "", 0}}));
  ASSERT_EQ(configurations_.size(), 2u);
  EXPECT_EQ(configurations_[1].device_name, "Webcam");
  EXPECT_EQ(options_.saved_codec_pairs,
            (std::vector<SubtypeCodecPair>{{SubtypeCode::YUY2, 1, "My Codec"},
                                           {SubtypeCode::Other, 2, "Other Codec"}}));
  // Event options applied at start-up.
  EXPECT_EQ(derived_.default_recording_duration.minute, 4);
  EXPECT_EQ(derived_.default_recording_duration.second, 30);
  EXPECT_EQ(derived_.countdown_time_base, CountdownTimeBase::Utc);
  EXPECT_EQ(derived_.subtype_codec_pairs, options_.saved_codec_pairs);

  EXPECT_EQ(SavedFile(), kFullFile);
  EXPECT_EQ(LogText(), "");
}

TEST_F(OptionsTest, NoFileLeavesDefaultsAndQueuesTheNote) {
  EXPECT_FALSE(StartUp());
  EXPECT_EQ(options_, Options{});
  EXPECT_EQ(options_.default_duration, "");
  EXPECT_EQ(derived_.default_recording_duration, InitialRecordingDuration());
  EXPECT_EQ(log_.PendingCount(), 1u);
  EXPECT_EQ(LogText(), "\r\n12:00:00 (UTC)\r\nNo Options File or unreadable Options File\r\n");
  // The empty duration is saved as it is; the next start-up makes it 00:10:00.
  EXPECT_EQ(SavedFile(), kDefaultsFile);
  Options next;
  DerivedOptions next_derived;
  ASSERT_TRUE(LoadOptionsAtStartUp(kCodecs, log_, &next, &next_derived, &configurations_));
  EXPECT_EQ(next.default_duration, "00:10:00");
}

TEST_F(OptionsTest, RootAloneGivesDefaultsAndTenMinutes) {
  ASSERT_TRUE(StartUpWith("<?xml version=\"1.0\"?>\r\n<Root>\r\n</Root>\r\n"));
  Options expected;
  expected.default_duration = "00:10:00";
  EXPECT_EQ(options_, expected);
  EXPECT_TRUE(derived_.subtype_codec_pairs.empty());
  EXPECT_EQ(derived_.countdown_time_base, CountdownTimeBase::Countdown);
  EXPECT_EQ(LogText(), "");
}

TEST_F(OptionsTest, KeywordsAreExactAndCaseSensitive) {
  ASSERT_TRUE(
      StartUpWith("<Root><DefaultRenderer Value=\"vmr9\"/><RecordButtonsSpace Value=\"True\"/>"
                  "<AutostartGPS Value=\"TRUE \"/><DisplayOffWhileRecording Value=\"TRUE\"/>"
                  "<EventPendingDisplay Value=\"utc\"/><videonameprefix Value=\"x\"/></Root>"));
  EXPECT_EQ(options_.default_renderer, kRendererEvr);
  EXPECT_FALSE(options_.record_buttons_space);
  EXPECT_FALSE(options_.autostart_gps);
  EXPECT_TRUE(options_.display_off_while_recording);
  EXPECT_EQ(derived_.countdown_time_base, CountdownTimeBase::Countdown);
  EXPECT_EQ(options_.video_name_prefix, "");

  options_ = Options{};
  ASSERT_TRUE(StartUpWith("<Root><DefaultRenderer Value=\"VMR9\"/></Root>"));
  EXPECT_EQ(options_.default_renderer, kRendererVmr9);
  // A renderer number that has no name is written as a blank.
  options_.default_renderer = 7;
  EXPECT_NE(SavedFile().find("\t<DefaultRenderer Value=\" \"/>\r\n"), std::string::npos);
}

TEST_F(OptionsTest, PositionsKeepWhatDoesNotScan) {
  ASSERT_TRUE(
      StartUpWith("<Root><MessageWindowPosition Value=\"10, 20\"/>"
                  "<MainWindowPosition Value=\"  7 ,8\"/>"
                  "<PlaybackWindowPosition Value=\"3,\n\t4 trailing\"/>"
                  "<GpsWindowPosition Value=\"x, 5\"/>"
                  "<DevicesWindowPosition Value=\"2147483648, 5\"/>"
                  "<CountdownWindowPosition Value=\"-2147483648, 2147483647\"/>"
                  "<FrameIntegrationWindowPosition Value=\"1, 2\"/>"
                  "<FrameIntegrationWindowPosition Value=\"3\"/></Root>"));
  EXPECT_EQ(options_.message_window_position, (WindowPlacement{10, 20, 700, 460}));
  EXPECT_EQ(options_.main_window_position, (WindowPosition{7, 100}));  // " ," is no ", "
  EXPECT_EQ(options_.playback_window_position, (WindowPosition{3, 4}));
  EXPECT_EQ(options_.gps_window_position, (WindowPosition{125, 550}));
  EXPECT_EQ(options_.devices_window_position, (WindowPosition{100, 500}));
  EXPECT_EQ(options_.countdown_window_position, (WindowPosition{INT32_MIN, INT32_MAX}));
  // A repeated key applies again over what the first one set.
  EXPECT_EQ(options_.frame_integration_window_position, (WindowPosition{3, 2}));
}

TEST_F(OptionsTest, NumbersThatDoNotScanOrOverflowKeepTheDefault) {
  for (const char* value :
       {"abc", "", "-", "+", "2147483648", "-2147483649", "99999999999999999999999999"}) {
    options_ = Options{};
    ASSERT_TRUE(
        StartUpWith(std::string("<Root><PixelSaturationValue Value=\"") + value + "\"/></Root>"));
    EXPECT_EQ(options_.pixel_saturation_value, -1) << value;
  }
  ASSERT_TRUE(StartUpWith("<Root><PixelSaturationValue Value=\" +12abc\"/></Root>"));
  EXPECT_EQ(options_.pixel_saturation_value, 12);
}

TEST_F(OptionsTest, TextsAreCutToTheirCapacityWhenRead) {
  // Counted in characters: 25 Windows-1252 e-acute bytes become 20 two-byte characters.
  const std::string accented(25, '\xE9');
  ASSERT_TRUE(StartUpWith("<Root><VideoNamePrefix Value=\"" + accented + "\"/>" +
                          "<EventFileGlobalPrefix Value=\"ABCDEFGHIJKLMNOP\"/>" +
                          "<LogfileDirectory Value=\"" + std::string(600, 'd') + "\"/>" +
                          "<ExcludedVideoSource Value=\"" + std::string(300, 'n') + "\"/>" +
                          "<DefaultDuration Value=\"00:05:00 and a long tail\"/></Root>"));
  EXPECT_EQ(CharacterCount(options_.video_name_prefix), 20u);
  EXPECT_EQ(options_.video_name_prefix.substr(0, 2), "\xC3\xA9");
  EXPECT_EQ(options_.event_file_global_prefix, "ABCDEFGHIJKL");
  EXPECT_EQ(options_.logfile_directory, std::string(511, 'd'));
  EXPECT_EQ(options_.excluded_video_sources, std::vector<std::string>{std::string(255, 'n')});
  EXPECT_EQ(options_.default_duration, "00:05:00 and a long");
  EXPECT_EQ(derived_.default_recording_duration.minute, 5);
}

TEST_F(OptionsTest, SkipsElementsWithoutExactlyOneAttributeAndUnknownKeys) {
  ASSERT_TRUE(
      StartUpWith("<Root><VideoNamePrefix/><VideoDirectory Value=\"a\" Other=\"b\"/>"
                  "<LogfileNamePrefix Anything=\"kept\"/><NoSuchKey Value=\"x\"/>"
                  "<!-- a comment --><DriftGPS/>text<ExcludedVideoSource Value=\"one\"/>"
                  "<ExcludedVideoSource Value=\"one\"/></Root>"));
  EXPECT_EQ(options_.video_name_prefix, "");
  EXPECT_EQ(options_.video_directory, "");
  EXPECT_EQ(options_.logfile_name_prefix, "kept");
  EXPECT_TRUE(options_.drift_gps.empty());
  EXPECT_EQ(options_.excluded_video_sources, (std::vector<std::string>{"one", "one"}));
  const std::string saved = SavedFile();
  EXPECT_NE(saved.find("\t<ExcludedVideoSource Value=\"one\"/>\r\n"
                       "\t<ExcludedVideoSource Value=\"one\"/>\r\n"),
            std::string::npos);
  EXPECT_EQ(saved.find("NoSuchKey"), std::string::npos);
}

TEST_F(OptionsTest, DriftAndVideoDelayEntries) {
  ASSERT_TRUE(
      StartUpWith("<Root><DriftVTI Value=\"Fx\"/><DriftVTI Value=\"12\"/>"
                  "<DriftVTI Value=\"99999999999999999999 3F\"/>"
                  "<VideoDelay Value=\"" +
                  std::string(35, 'N') +
                  "|42|-7\"/>"
                  "<VideoDelay Value=\"NoBars\"/><VideoDelay Value=\"One|5\"/>"
                  "<VideoDelay Value=\"Bad|x|y\"/><VideoDelay Value=\"Wrap|-1|12|34\"/></Root>"));
  EXPECT_EQ(options_.drift_vti,
            (std::vector<DriftEntry>{{0, 0, true}, {12, 0, false}, {0, 0, true}}));
  EXPECT_EQ(options_.video_delays,
            (std::vector<VideoDelayEntry>{
                {42, std::string(30, 'N'), -7}, {0, "Bad", 0}, {4294967295u, "Wrap", 12}}));
  const std::string saved = SavedFile();
  EXPECT_NE(saved.find("\t<DriftVTI Value=\"0 0F\"/>\r\n\t<DriftVTI Value=\"12 0C\"/>\r\n"),
            std::string::npos);
  EXPECT_NE(saved.find("\t<VideoDelay Value=\"" + std::string(30, 'N') + "|42|-7\"/>\r\n"),
            std::string::npos);
  EXPECT_NE(saved.find("\t<VideoDelay Value=\"Wrap|4294967295|12\"/>\r\n"), std::string::npos);
}

TEST_F(OptionsTest, CodecPairsResolveAgainstTheInstalledCodecs) {
  ASSERT_TRUE(
      StartUpWith("<Root><SubtypeCodecPair Value=\"MJPG|Missing Codec\"/>"
                  "<SubtypeCodecPair Value=\"NoBar\"/>"
                  "<SubtypeCodecPair Value=\"RGB24|my codec\"/>"
                  "<SubtypeCodecPair Value=\"ARGB32|My Codec\"/>"
                  "<SubtypeCodecPair Value=\"mjpg|NONE\"/></Root>"));
  EXPECT_EQ(options_.saved_codec_pairs,
            (std::vector<SubtypeCodecPair>{{SubtypeCode::ARGB32, 1, "My Codec"},
                                           {SubtypeCode::Other, 0, "NONE"}}));
  const std::string warning =
      "WARNING: named codec in a Subtype / Codec pair is not installed on this computer\r\n";
  // Queued before the window exists: the first report gets the timestamp.
  EXPECT_EQ(LogText(), "\r\n12:00:00 (UTC)\r\n" + warning + "\r\n" + warning);
  const std::string saved = SavedFile();
  EXPECT_NE(saved.find("\t<SubtypeCodecPair Value=\"ARGB32|My Codec\"/>\r\n"
                       "\t<SubtypeCodecPair Value=\" |NONE\"/>\r\n</Root>"),
            std::string::npos);
}

TEST_F(OptionsTest, ApplyEventOptionsScansEachPartOnItsOwn) {
  struct Case {
    const char* text;
    std::uint16_t hour, minute, second;
  };
  for (const Case& c :
       {Case{"01:30:15", 1, 30, 15}, Case{" 2: 5: 9", 2, 5, 9}, Case{"3:xx:05", 3, 10, 0},
        Case{"123:45:67", 12, 10, 0}, Case{"-1:20:00", 0, 10, 0}, Case{"99:99:99", 99, 99, 99},
        Case{"garbage", 0, 10, 0}}) {
    Options options;
    DerivedOptions derived;
    options.default_duration = c.text;
    ApplyEventOptions(&options, &derived);
    const SystemTime& d = derived.default_recording_duration;
    EXPECT_EQ(d.hour, c.hour) << c.text;
    EXPECT_EQ(d.minute, c.minute) << c.text;
    EXPECT_EQ(d.second, c.second) << c.text;
    EXPECT_EQ(options.default_duration, c.text);  // a set duration is never rewritten
  }

  Options options;
  DerivedOptions derived;
  derived.default_recording_duration.hour = 1;
  derived.countdown_time_base = CountdownTimeBase::Utc;
  derived.subtype_codec_pairs = {{SubtypeCode::MJPG, 0, "NONE"}};
  options.saved_codec_pairs = {{SubtypeCode::YUY2, 1, "My Codec"}};
  ApplyEventOptions(&options, &derived);
  EXPECT_EQ(options.default_duration, "01:10:00");
  EXPECT_EQ(derived.countdown_time_base, CountdownTimeBase::Utc);  // empty display: unchanged
  EXPECT_EQ(derived.subtype_codec_pairs,
            (std::vector<SubtypeCodecPair>{{SubtypeCode::MJPG, 0, "NONE"},
                                           {SubtypeCode::YUY2, 1, "My Codec"}}));
}

TEST_F(OptionsTest, SetDefaultOptionsKeepsTheLists) {
  ASSERT_TRUE(StartUpWith(kFullFile));
  SetDefaultOptions(&options_);
  EXPECT_EQ(options_.video_directory, "");
  EXPECT_EQ(options_.main_window_position, (WindowPosition{100, 100}));
  EXPECT_EQ(options_.excluded_video_sources.size(), 2u);
  EXPECT_EQ(options_.saved_codec_pairs.size(), 2u);
  EXPECT_EQ(options_.drift_gps.size(), 2u);
  EXPECT_EQ(options_.video_delays.size(), 2u);
}

TEST_F(OptionsTest, ReadsAFileWrittenOnWindows) {
  ASSERT_TRUE(
      StartUpWith("<?xml version='1.0'?>\r\n<!--VESK Video Capture Version 2-->\r\n<Root>\r\n"
                  "\t<VideoDirectory Value=\"C:\\Vid\xE9os\"/>\r\n"
                  "\t<DefaultVideoSource Value=\"Grabber\"/>\r\n</Root>\r\n"));
  EXPECT_EQ(options_.video_directory, "C:\\Vid\xC3\xA9os");
  EXPECT_EQ(options_.default_video_source, "Grabber");
  EXPECT_NE(SavedFile().find("\t<VideoDirectory Value=\"C:\\Vid\xE9os\"/>\r\n"), std::string::npos);
}

TEST_F(OptionsTest, BadFilesNeitherCrashNorPoisonTheNextSave) {
  std::string garbage;
  for (int i = 0; i < 4096; ++i) garbage.push_back(static_cast<char>((i * 7919 + 13) % 256));
  const std::string big_value =
      "<Root><VideoDirectory Value=\"" + std::string(10 * 1024 * 1024, 'v') + "\"/></Root>";
  struct Case {
    std::string name;
    std::string bytes;
    bool loads;
  };
  const std::vector<Case> cases = {
      {"empty", "", false},
      {"not well-formed", "<Root><VideoDirectory Value=\"x\"></Root>", false},
      {"no root", "<?xml version=\"1.0\"?>\r\n<!--only a comment-->\r\n", false},
      {"binary garbage", garbage, false},
      {"nul in value", std::string("<Root><VideoDirectory Value=\"a") + '\0' + "b\"/></Root>",
       false},
      {"control reference", "<Root><VideoDirectory Value=\"a&#1;b\"/></Root>", true},
      {"undefined code page bytes", "<Root><VideoDirectory Value=\"\x81\x8D\x8F\x90\x9D\"/></Root>",
       true},
      {"utf-8 declared, invalid bytes",
       "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Root><VideoDirectory Value=\"a\xFF\xC3\"/>"
       "</Root>",
       true},
      {"ten megabytes", big_value, true},
  };
  for (const Case& c : cases) {
    options_ = Options{};
    configurations_.clear();
    WriteFileBytes(OptionsFilePath(), c.bytes);
    EXPECT_EQ(StartUp(), c.loads) << c.name;
    EXPECT_EQ(ReadFileBytes(OptionsFilePath()), c.bytes) << c.name;  // loading never writes
    EXPECT_LE(CharacterCount(options_.video_directory), 511u) << c.name;
    EXPECT_TRUE(SaveOptions(options_, configurations_)) << c.name;
    Options again;
    EXPECT_TRUE(LoadOptions(kCodecs, log_, &again, &configurations_)) << c.name;
  }
  // The control character is dropped, the rest kept.
  ASSERT_TRUE(StartUpWith("<Root><VideoDirectory Value=\"a&#1;b\"/></Root>"));
  EXPECT_EQ(options_.video_directory, "ab");
}

TEST_F(OptionsTest, FailedSaveLeavesTheOldFileAndRaisesError17) {
  ASSERT_TRUE(StartUpWith(kFullFile));
  const std::string before = ReadFileBytes(OptionsFilePath());
  options_.video_directory = "/data/\xC5\x91";  // o with double acute: not in Windows-1252
  EXPECT_FALSE(SaveOptions(options_, configurations_));
  EXPECT_EQ(ReadFileBytes(OptionsFilePath()), before);

  testing::RecordingMessageBox box;
  ErrorReporter errors(log_, box);
  log_.AttachView(&view_);
  EXPECT_FALSE(SaveOptionsOrWarn(options_, configurations_, errors));
  EXPECT_EQ(log_.Text(),
            "\r\n12:00:00 (UTC)\r\nWARNING: Cannot save VESK_options.xml file in process "
            "directory - write protected?,  warning 17\r\n");
  EXPECT_EQ(ReadFileBytes(OptionsFilePath()), before);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_.path()),
                          std::filesystem::directory_iterator()),
            1);

  // A value longer than the scratch buffer fails the save instead of being cut.
  Options big;
  big.video_directory = std::string(1024, 'x');
  EXPECT_FALSE(SaveOptions(big, {}));
  EXPECT_EQ(ReadFileBytes(OptionsFilePath()), before);
  big.video_directory = std::string(1023, 'x');
  EXPECT_TRUE(SaveOptions(big, {}));

  EXPECT_FALSE(SaveOptionsFile(dir_.Path("missing/VESK_options.xml"), Options{}, {}));
  EXPECT_FALSE(std::filesystem::exists(dir_.Path("missing")));
}

TEST(ScanValuesTest, FollowsTheRulesOfScanf) {
  std::int32_t a = 0, b = 0;
  EXPECT_EQ(ScanValues("10,20", "%ld, %ld", {&a, &b}), 2);
  EXPECT_EQ(b, 20);
  EXPECT_EQ(ScanValues("\t-3 ,4", "%ld, %ld", {&a, &b}), 1);
  EXPECT_EQ(a, -3);
  EXPECT_EQ(ScanValues("", "%d", {&a}), 0);
  // Only the characters of the view are read.
  EXPECT_EQ(ScanValues(std::string_view("7123", 2), "%d", {&a}), 1);
  EXPECT_EQ(a, 71);

  std::uint32_t u[3] = {};
  EXPECT_EQ(ScanValues("+5:123", "%2lu:%2lu:%2lu", {&u[0], &u[1], &u[2]}), 2);
  EXPECT_EQ(u[0], 5u);
  EXPECT_EQ(u[1], 12u);
  EXPECT_EQ(ScanValues("-1", "%u", {&u[0]}), 1);
  EXPECT_EQ(u[0], 4294967295u);
  EXPECT_EQ(ScanValues("4294967296", "%u", {&u[0]}), 0);

  std::int64_t big = 0;
  EXPECT_EQ(ScanValues("-9223372036854775808 2147483647", "%lld %d", {&big, &a}), 2);
  EXPECT_EQ(big, INT64_MIN);
  EXPECT_EQ(a, INT32_MAX);
  EXPECT_EQ(ScanValues("9223372036854775808", "%lld", {&big}), 0);
}

}  // namespace
}  // namespace vesk
