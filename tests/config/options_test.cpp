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

TEST_F(OptionsTest, FullFileReadsEveryKeyAndWritesBackByteIdentical) {
  ASSERT_TRUE(StartUpWith(kFullFile));
  // Writing back byte for byte shows every key was read; these check the conversions.
  EXPECT_EQ(options_.excluded_video_sources,
            (std::vector<std::string>{"Laptop Webcam", "Virtual Cam & Co"}));
  EXPECT_EQ(options_.drift_gps, (std::vector<DriftEntry>{{5, 7, false}, {-9000000000, -3, true}}));
  EXPECT_EQ(options_.video_delays,
            (std::vector<VideoDelayEntry>{{4294967295u, "Grabber A", -120000}, {0, "", 0}}));
  EXPECT_EQ(options_.saved_codec_pairs,
            (std::vector<SubtypeCodecPair>{{SubtypeCode::YUY2, 1, "My Codec"},
                                           {SubtypeCode::Other, 2, "Other Codec"}}));
  // Event options applied at start-up.
  EXPECT_EQ(derived_.default_recording_duration.second, 30);
  EXPECT_EQ(derived_.countdown_time_base, CountdownTimeBase::Utc);

  EXPECT_EQ(SavedFile(), kFullFile);
  EXPECT_EQ(LogText(), "");

  // The record format comes after the documented keys, and only for SER.
  EXPECT_EQ(options_.record_format, RecordingFileFormat::Avi);
  options_.record_format = RecordingFileFormat::Ser;
  const std::string saved = SavedFile();
  EXPECT_TRUE(saved.ends_with("\t<SubtypeCodecPair Value=\" |Other Codec\"/>\r\n"
                              "\t<RecordFormat Value=\"SER\"/>\r\n</Root>\r\n"))
      << saved;
  ASSERT_TRUE(StartUp());
  EXPECT_EQ(options_.record_format, RecordingFileFormat::Ser);
}

TEST_F(OptionsTest, NoFileLeavesDefaultsAndQueuesTheNote) {
  EXPECT_FALSE(StartUp());
  EXPECT_EQ(options_, Options{});
  EXPECT_EQ(derived_.default_recording_duration, InitialRecordingDuration());
  EXPECT_EQ(LogText(), "\r\n12:00:00 (UTC)\r\nNo Options File or unreadable Options File\r\n");
  // The empty duration is saved as it is (the next start-up makes it 00:10:00).
  const std::string saved = SavedFile();
  EXPECT_NE(saved.find("\t<DefaultDuration Value=\"\"/>\r\n\t<EventPendingDisplay"),
            std::string::npos);
  EXPECT_NE(saved.find("\t<DefaultRenderer Value=\"EVR\"/>\r\n</Root>\r\n"), std::string::npos);
  ASSERT_TRUE(StartUp());
  EXPECT_EQ(options_.default_duration, "00:10:00");
}

// Folders of another system and codecs not installed here are reported and left out.
TEST_F(OptionsTest, FoldersOfAnotherSystemAndCodecsNotInstalledAreReportedAndLeftOut) {
  ASSERT_TRUE(
      StartUpWith("<Root><VideoDirectory Value=\"C:\\VESK\\Video\\\"/>"
                  "<LogfileDirectory Value=\"logs\\x/\"/>"
                  "<SubtypeCodecPair Value=\"MJPG|Missing Codec\"/><SubtypeCodecPair "
                  "Value=\"RGB24|my codec\"/><SubtypeCodecPair Value=\"ARGB32|My Codec\"/>"
                  "<SubtypeCodecPair Value=\"mjpg|NONE\"/></Root>"));
  EXPECT_EQ(options_.video_directory, "");
  EXPECT_EQ(options_.logfile_directory, "");
  EXPECT_EQ(options_.saved_codec_pairs,
            (std::vector<SubtypeCodecPair>{{SubtypeCode::ARGB32, 1, "My Codec"},
                                           {SubtypeCode::Other, 0, "NONE"}}));
  const std::string codec =
      "WARNING: named codec in a Subtype / Codec pair is not installed on this computer\r\n";
  // Queued before the window exists: the first report gets the timestamp.
  EXPECT_EQ(LogText(),
            "\r\n12:00:00 (UTC)\r\n" + codec + "\r\n" + codec +
                "\r\nWARNING: VideoDirectory \"C:\\VESK\\Video\\\" cannot be a folder on "
                "this computer; the default folder is used\r\n"
                "\r\nWARNING: LogfileDirectory \"logs\\x/\" cannot be a folder on this "
                "computer; the default folder is used\r\n");
  // Forward slashes are a path here.
  ASSERT_TRUE(StartUpWith("<Root><VideoDirectory Value=\"D/video/\"/></Root>"));
  EXPECT_EQ(options_.video_directory, "D/video/");
}

TEST_F(OptionsTest, OddValuesKeepTheDefaultOrAreCutToCapacity) {
  // Keywords are exact and case-sensitive; numbers and positions that do not scan keep the
  // default; texts are cut by characters (25 code-page bytes become 20 two-byte characters).
  const std::string prefix(25, '\xE9'), folder(600, 'd');
  ASSERT_TRUE(StartUpWith(
      "<Root><DefaultRenderer Value=\"vmr9\"/><AutostartGPS Value=\"TRUE \"/>"
      "<PixelSaturationValue Value=\"2147483648\"/><MainWindowPosition Value=\"  7 ,8\"/>"
      "<FrameIntegrationWindowPosition Value=\"1, 2\"/><FrameIntegrationWindowPosition "
      "Value=\"3\"/><VideoNamePrefix Value=\"" +
      prefix + "\"/><LogfileDirectory Value=\"" + folder +
      "\"/><DefaultDuration Value=\"00:05:00 and a long tail\"/></Root>"));
  EXPECT_EQ(options_.default_renderer, kRendererEvr);
  EXPECT_FALSE(options_.autostart_gps);
  EXPECT_EQ(options_.pixel_saturation_value, -1);
  EXPECT_EQ(options_.main_window_position, (WindowPosition{7, 100}));  // " ," is no ", "
  // A repeated key applies again over what the first one set.
  EXPECT_EQ(options_.frame_integration_window_position, (WindowPosition{3, 2}));
  EXPECT_EQ(CharacterCount(options_.video_name_prefix), 20u);
  EXPECT_EQ(options_.logfile_directory, std::string(511, 'd'));
  EXPECT_EQ(options_.default_duration, "00:05:00 and a long");
  EXPECT_EQ(derived_.default_recording_duration.minute, 5);  // each part scanned on its own
}

// A file that cannot be used says where and why; the defaults stand.
TEST_F(OptionsTest, BadFilesNeitherCrashNorPoisonTheNextSave) {
  std::string garbage;
  for (int i = 0; i < 4096; ++i) garbage.push_back(static_cast<char>((i * 7919 + 13) % 256));
  const std::string big_value =
      "<Root><VideoDirectory Value=\"" + std::string(10 * 1024 * 1024, 'v') + "\"/></Root>";
  struct Case {
    std::string bytes;
    std::string failure;  // empty when the file loads
  };
  const std::vector<Case> cases = {
      {"", "line 1: No document element found"},
      {"<Root>\r\n\t<VideoDirectory Value=\"x\">\r\n</Root>", "line 3: Start-end tags mismatch"},
      {"<?xml version=\"1.0\"?>\r\n<!--only a comment-->\r\n", "line 3: No document element found"},
      {garbage, "line 17: No document element found"},
      {std::string("<Root><VideoDirectory Value=\"a") + '\0' + "b\"/></Root>",
       "line 1: Error parsing element attribute"},
      {"<Root><VideoDirectory Value=\"a&#1;b\"/></Root>", ""},  // a control reference
      {"<Root><VideoDirectory Value=\"\x81\x8D\x8F\x90\x9D\"/></Root>", ""},  // undefined bytes
      {"<?xml version=\"1.0\" encoding=\"UTF-8\"?><Root><VideoDirectory Value=\"a\xFF\xC3\"/>"
       "</Root>",
       ""},  // invalid UTF-8
      {big_value, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.failure);
    options_ = Options{};
    configurations_.clear();
    log_.Clear();
    WriteFileBytes(OptionsFilePath(), c.bytes);
    EXPECT_EQ(StartUp(), c.failure.empty());
    EXPECT_EQ(LogText(), c.failure.empty() ? ""
                                           : "\r\n12:00:00 (UTC)\r\nNo Options File or unreadable "
                                             "Options File - VESK_options.xml: " +
                                                 c.failure +
                                                 "; the defaults are used, and saving any "
                                                 "option replaces the file\r\n");
    EXPECT_EQ(ReadFileBytes(OptionsFilePath()), c.bytes);  // loading never writes
    EXPECT_LE(CharacterCount(options_.video_directory), 511u);
    EXPECT_TRUE(SaveOptions(options_, configurations_));
    Options again;
    EXPECT_TRUE(LoadOptions(kCodecs, log_, &again, &configurations_));
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
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_.path()), {}), 1);

  EXPECT_FALSE(SaveOptionsFile(dir_.Path("missing/VESK_options.xml"), Options{}, {}));
  EXPECT_FALSE(std::filesystem::exists(dir_.Path("missing")));
}

}  // namespace
}  // namespace vesk
