#include "recording/file_naming.h"

#include "capture/device_hotplug.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/fake_clock.h"
#include "support/recording_view.h"
#include "support/temp_dir.h"

namespace vesk {
namespace {

using testing::MakeFileTime;

class FileNamingTest : public ::testing::Test {
 protected:
  FileNamingTest() { log_.AttachView(&view_); }
  testing::ScopedTempDir dir_;
  testing::FakeClock clock_{MakeFileTime(2026, 7, 14, 3, 5, 9, 900), -120};
  testing::RecordingView view_;
  MessageLog log_{clock_};
};

TEST_F(FileNamingTest, ManualNameUsesDefaultFolderWholeSecondsAndUtc) {
  // Local time 05:05:09.900 at bias -120 is 03:05:09 UTC; the milliseconds are dropped.
  const GeneratedFileName name = MakeVideoFileName(nullptr, {}, clock_, -120, log_);
  EXPECT_EQ(name.name, "VideoFiles/07_14_2026_03_05_09.avi");
  EXPECT_TRUE(name.is_relative);
  EXPECT_TRUE(std::filesystem::is_directory(dir_.Path("VideoFiles")));
  EXPECT_TRUE(view_.entries.empty());
  // The last millisecond of a day keeps its second.
  clock_.SetUtc(MakeFileTime(2026, 12, 31, 23, 59, 59, 999));
  clock_.SetBias(0);
  EXPECT_EQ(MakeVideoFileName(nullptr, {}, clock_, 0, log_).name,
            "VideoFiles/12_31_2026_23_59_59.avi");
  // A manual name ignores the Event prefix but keeps the video prefix.
  const GeneratedFileName named =
      MakeVideoFileName(nullptr, {"/data/obs/", "north", "station1"}, clock_, 0, log_);
  EXPECT_EQ(named.name, "/data/obs/north_12_31_2026_23_59_59.avi");
  EXPECT_FALSE(named.is_relative);
}

TEST_F(FileNamingTest, EventNameUsesRecordingStartAndAllParts) {
  // Named after the recording start, not the clock; parts that are empty are left out.
  EventNameParts event{"Kalliope", "HIP12345", MakeFileTime(2026, 7, 14, 3, 4, 39)};
  EXPECT_EQ(MakeVideoFileName(&event, {"/data/obs/", "", "station1"}, clock_, -120, log_).name,
            "/data/obs/Kalliope_HIP12345_station1_07_14_2026_03_04_39.avi");
  event.asteroid_name.clear();
  EXPECT_EQ(MakeVideoFileName(&event, {"", "north", ""}, clock_, -120, log_).name,
            "VideoFiles/HIP12345_north_07_14_2026_03_04_39.avi");
  // A SER recording takes its own extension; its continuation keeps it.
  const VideoNameOptions ser_options{"", "north", "", RecordingFileFormat::Ser};
  const std::string ser = MakeVideoFileName(&event, ser_options, clock_, -120, log_).name;
  EXPECT_EQ(ser, "VideoFiles/HIP12345_north_07_14_2026_03_04_39.ser");
  EXPECT_EQ(ContinuationFileName(ser, 1), "VideoFiles/HIP12345_north_07_14_2026_03_04_39_1.ser");
  EXPECT_EQ(ContinuationFileName("VideoFiles/a.mp4", 1), "");
}

TEST_F(FileNamingTest, PrefixesAndEventNamesNeverLeaveTheFolder) {
  const std::string date = "_07_14_2026_03_04_39.avi";
  EventNameParts event{"../../up", "a/b", MakeFileTime(2026, 7, 14, 3, 4, 39)};
  EXPECT_EQ(MakeVideoFileName(&event, {"", "../../escaped", "C:\\x"}, clock_, 0, log_).name,
            "VideoFiles/up_ab_Cx_escaped" + date);
  event = {"..", "/", event.recording_start};
  EXPECT_EQ(MakeVideoFileName(&event, {"", "..", ""}, clock_, 0, log_).name,
            "VideoFiles" + std::string("/") + date.substr(1));
  EXPECT_EQ(MakeMessageLogFileName({"", "../x/y"}, clock_, -120, log_).name,
            "LogFiles/xy_07_14_2026_03_05_09.log");
}

TEST_F(FileNamingTest, AFolderThatCannotBeMadeOrANameTooLongGivesNoNameAndTheMessage) {
  testing::WriteFileBytes(dir_.Path("VideoFiles"), "a file in the folder's place");
  EXPECT_EQ(MakeVideoFileName(nullptr, {}, clock_, -120, log_).name, "");
  EXPECT_EQ(view_.entries,
            std::vector<std::string>{
                "\r\n03:05:09 (UTC)\r\n\r\nUnable to create \"VideoFiles\" directory under the "
                "process directory.  Check security settings.\r\n"});
  // Names that do not fit fail whole instead of being cut.
  const std::string suffix = "07_14_2026_03_05_09.avi";  // 23 characters
  VideoNameOptions options{.video_directory = std::string(1023 - suffix.size(), 'd')};
  EXPECT_EQ(MakeVideoFileName(nullptr, options, clock_, -120, log_).name.size(), 1023u);
  options.video_directory += 'd';
  EXPECT_EQ(MakeVideoFileName(nullptr, options, clock_, -120, log_).name, "");
  EXPECT_EQ(view_.entries.size(), 2u);
}

TEST(RecordingLogNameTest, ReplacesTheFileExtensionOnly) {
  EXPECT_EQ(RecordingLogName("/data/my.obs/run.avi"), "/data/my.obs/run.log");
  // A "." in a folder is not the file's extension: no log rather than one outside the folder.
  EXPECT_EQ(RecordingLogName("/data/my.obs/run"), "");
}

}  // namespace
}  // namespace vesk
