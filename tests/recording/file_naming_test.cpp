#include "recording/file_naming.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/fake_clock.h"
#include "support/recording_view.h"
#include "support/temp_dir.h"

namespace vesk {
namespace {

using testing::FakeClock;
using testing::MakeFileTime;

class FileNamingTest : public ::testing::Test {
 protected:
  FileNamingTest() : clock_(MakeFileTime(2026, 7, 14, 3, 5, 9, 900), -120), log_(clock_) {
    log_.AttachView(&view_);
  }

  testing::ScopedTempDir dir_;
  FakeClock clock_;
  testing::RecordingView view_;
  MessageLog log_;
};

TEST(BuildPrefixedNameTest, EachNonEmptyPartIsFollowedByOneUnderscore) {
  EXPECT_EQ(BuildPrefixedName("Events/", "Kalliope", "HIP12345", "station1"),
            "Events/Kalliope_HIP12345_station1_");
  EXPECT_EQ(BuildPrefixedName("Events/", "", "HIP12345", ""), "Events/HIP12345_");
  EXPECT_EQ(BuildPrefixedName("Events/", "", "", ""), "Events/");
}

TEST(FormatDatePartTest, MonthDayYearHourMinuteSecondZeroPadded) {
  SystemTime t{.year = 2026, .month = 7, .day = 14, .hour = 3, .minute = 5, .second = 9};
  EXPECT_EQ(FormatDatePart(t, ".avi"), "07_14_2026_03_05_09.avi");
  t.year = 987;
  EXPECT_EQ(FormatDatePart(t, ".log"), "07_14_0987_03_05_09.log");
}

TEST_F(FileNamingTest, ManualNameUsesDefaultFolderWholeSecondsAndUtc) {
  // Local time 05:05:09.900 at bias -120 is 03:05:09 UTC; the milliseconds are dropped.
  const GeneratedFileName name = MakeVideoFileName(nullptr, {}, clock_, -120, log_);
  EXPECT_EQ(name.name, "VideoFiles/07_14_2026_03_05_09.avi");
  EXPECT_TRUE(name.is_relative);
  EXPECT_TRUE(std::filesystem::is_directory(dir_.Path("VideoFiles")));
  EXPECT_TRUE(view_.entries.empty());
}

TEST_F(FileNamingTest, ManualNameAtLastMillisecondOfDayKeepsTheSecond) {
  clock_.SetUtc(MakeFileTime(2026, 12, 31, 23, 59, 59, 999));
  clock_.SetBias(0);
  EXPECT_EQ(MakeVideoFileName(nullptr, {}, clock_, 0, log_).name,
            "VideoFiles/12_31_2026_23_59_59.avi");
}

TEST_F(FileNamingTest, ManualNameIgnoresEventPartsButKeepsVideoPrefix) {
  VideoNameOptions options{.video_directory = "/data/obs/",
                           .video_name_prefix = "north",
                           .event_file_global_prefix = "station1"};
  const GeneratedFileName name = MakeVideoFileName(nullptr, options, clock_, -120, log_);
  EXPECT_EQ(name.name, "/data/obs/north_07_14_2026_03_05_09.avi");
  EXPECT_FALSE(name.is_relative);
  EXPECT_FALSE(std::filesystem::exists(dir_.Path("VideoFiles")));
}

TEST_F(FileNamingTest, EventNameUsesRecordingStartAndAllParts) {
  const EventNameParts event{.asteroid_name = "Kalliope",
                             .star_name = "HIP12345",
                             .recording_start = MakeFileTime(2026, 7, 14, 3, 4, 39)};
  VideoNameOptions options{.video_directory = "/data/obs/", .event_file_global_prefix = "station1"};
  EXPECT_EQ(MakeVideoFileName(&event, options, clock_, -120, log_).name,
            "/data/obs/Kalliope_HIP12345_station1_07_14_2026_03_04_39.avi");

  const EventNameParts star_only{.star_name = "HIP12345",
                                 .recording_start = MakeFileTime(2026, 7, 14, 3, 4, 39)};
  options = {.video_name_prefix = "north"};
  EXPECT_EQ(MakeVideoFileName(&star_only, options, clock_, -120, log_).name,
            "VideoFiles/HIP12345_north_07_14_2026_03_04_39.avi");
}

TEST_F(FileNamingTest, DefaultFolderThatCannotBeCreatedGivesNoNameAndTheMessage) {
  testing::WriteFileBytes(dir_.Path("VideoFiles"), "a file in the folder's place");
  testing::WriteFileBytes(dir_.Path("LogFiles"), "a file in the folder's place");
  const GeneratedFileName video = MakeVideoFileName(nullptr, {}, clock_, -120, log_);
  const GeneratedFileName messages = MakeMessageLogFileName({}, clock_, -120, log_);
  EXPECT_EQ(video.name, "");
  EXPECT_EQ(messages.name, "");
  ASSERT_EQ(view_.entries.size(), 2u);
  EXPECT_EQ(view_.entries[0],
            "\r\n03:05:09 (UTC)\r\n\r\nUnable to create \"VideoFiles\" directory under the "
            "process directory.  Check security settings.\r\n");
  EXPECT_EQ(view_.entries[1],
            "\r\n03:05:09 (UTC)\r\n\r\nUnable to create \"LogFiles\" directory under the "
            "process directory.  Check security settings.\r\n");
}

TEST_F(FileNamingTest, NamesThatDoNotFitFailWholeInsteadOfBeingCut) {
  const std::string suffix = "07_14_2026_03_05_09.avi";  // 23 characters
  VideoNameOptions options{.video_directory = std::string(1023 - suffix.size(), 'd')};
  EXPECT_EQ(MakeVideoFileName(nullptr, options, clock_, -120, log_).name.size(), 1023u);
  options.video_directory += 'd';
  EXPECT_EQ(MakeVideoFileName(nullptr, options, clock_, -120, log_).name, "");
  ASSERT_EQ(view_.entries.size(), 1u);
  EXPECT_NE(view_.entries[0].find(kVideoFileNameTooLongText), std::string::npos);

  MessageLogNameOptions log_options{.logfile_directory = std::string(511 - suffix.size(), 'd')};
  EXPECT_EQ(MakeMessageLogFileName(log_options, clock_, -120, log_).name.size(), 511u);
  log_options.logfile_name_prefix = "x";
  EXPECT_EQ(MakeMessageLogFileName(log_options, clock_, -120, log_).name, "");
  EXPECT_EQ(view_.entries.size(), 2u);
}

TEST_F(FileNamingTest, EventStartBeforeTheCalendarIsALogicError) {
  const EventNameParts event{.star_name = "HIP1", .recording_start = -1};
  EXPECT_EQ(MakeVideoFileName(&event, {}, clock_, -120, log_).name, "");
  ASSERT_EQ(view_.entries.size(), 1u);
  EXPECT_NE(view_.entries[0].find(kBadRecordingStartText), std::string::npos);
}

TEST_F(FileNamingTest, MessageLogNameUsesItsOwnFolderAndPrefix) {
  GeneratedFileName name = MakeMessageLogFileName({}, clock_, -120, log_);
  EXPECT_EQ(name.name, "LogFiles/07_14_2026_03_05_09.log");
  EXPECT_TRUE(name.is_relative);
  EXPECT_TRUE(std::filesystem::is_directory(dir_.Path("LogFiles")));

  name = MakeMessageLogFileName({.logfile_directory = "/logs/", .logfile_name_prefix = "night"},
                                clock_, -120, log_);
  EXPECT_EQ(name.name, "/logs/night_07_14_2026_03_05_09.log");
  EXPECT_FALSE(name.is_relative);
}

TEST(RecordingLogNameTest, ReplacesTheFileExtensionOnly) {
  EXPECT_EQ(RecordingLogName("VideoFiles/07_14_2026_03_05_09.avi"),
            "VideoFiles/07_14_2026_03_05_09.log");
  EXPECT_EQ(RecordingLogName("a.b.avi"), "a.b.log");
  EXPECT_EQ(RecordingLogName("/data/my.obs/run.avi"), "/data/my.obs/run.log");
  // A "." in a folder is not the file's extension: no log rather than one outside the folder.
  EXPECT_EQ(RecordingLogName("/data/my.obs/run"), "");
  EXPECT_EQ(RecordingLogName("run"), "");
  EXPECT_EQ(RecordingLogName(""), "");
}

TEST(ContinuationNameTest, NumbersPiecesOfTheFirstFile) {
  std::string name, error;
  EXPECT_TRUE(MakeContinuationName("VideoFiles/obs.avi", 1, &name, &error));
  EXPECT_EQ(name, "VideoFiles/obs_1.avi");
  EXPECT_TRUE(MakeContinuationName("VideoFiles/obs.avi", 12, &name, &error));
  EXPECT_EQ(name, "VideoFiles/obs_12.avi");
  EXPECT_EQ(error, "");
}

TEST(ContinuationNameTest, RefusesOtherExtensionsAndOverlongNames) {
  std::string name = "old", error;
  EXPECT_FALSE(MakeContinuationName("obs.AVI", 1, &name, &error));
  EXPECT_EQ(name, "");
  EXPECT_EQ(error,
            "Device connect / disconnect logic error - manual file pathname does not end with "
            ".avi\r\n");
  EXPECT_FALSE(MakeContinuationName("", 1, &name, &error));
  EXPECT_EQ(error, kContinuationNotAviText);

  const std::string fits = std::string(255 - 6, 'n') + ".avi";  // + "_1" is 255 characters
  EXPECT_TRUE(MakeContinuationName(fits, 1, &name, &error));
  EXPECT_EQ(name.size(), 255u);
  EXPECT_FALSE(MakeContinuationName(fits, 10, &name, &error));
  EXPECT_EQ(name, "");
  EXPECT_EQ(error, kContinuationTooLongText);
}

}  // namespace
}  // namespace vesk
