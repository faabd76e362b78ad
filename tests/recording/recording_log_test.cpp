#include "recording/recording_log.h"

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

RecordingLogInput ManualInputWithGps() {
  RecordingLogInput input;
  input.kind = RecordingKind::kManual;
  input.start_text = "Start recording at 03:05:09 (UTC)";
  input.stop_text = "Stop recording at 03:06:10 (UTC)";
  input.video_file_name = "VideoFiles/07_14_2026_03_05_09.avi";
  input.video_file_name_is_relative = true;
  input.current_directory = "/home/obs/station/";
  input.has_dropped_frames_interface = true;
  input.recorded_frames = 1525;
  input.dropped_frames = 3;
  input.gps_valid = true;
  input.latitude = "48.070380 N";
  input.longitude = "11.312500 E";
  input.altitude = "545.4 M";
  input.satellites = "8";
  input.device_name = "USB2.0 Grabber";
  input.analog_format = 1;
  input.frame_rate_text = "25.00 fps";
  input.frame_size_text = "720 x 576";
  input.subtype_name = "YUY2";
  input.renderer = 0;
  return input;
}

TEST(FormatRecordingLogTest, ManualRecordingWithGpsExactText) {
  EXPECT_EQ(FormatRecordingLog(ManualInputWithGps()),
            "Manual recording\r\n"
            "Start recording at 03:05:09 (UTC)\r\n"
            "Stop recording at 03:06:10 (UTC)\r\n"
            "Video file:  /home/obs/station/VideoFiles/07_14_2026_03_05_09.avi\r\n"
            "Number of recorded frames:  1525\r\n"
            "Number of dropped frames:  3\r\n"
            "Latitude: 48.070380 N\r\n"
            "Longitude: 11.312500 E\r\n"
            "Altitude: 545.4 M\r\n"
            "Number of satellites: 8\r\n"
            "Video source device: USB2.0 Grabber\r\n"
            "Source device format: PAL\r\n"
            "Frame rate: 25.00 fps\r\n"
            "Frame size: 720 x 576\r\n"
            "Format subtype: YUY2\r\n"
            "Codec: NONE\r\n"
            "Video renderer: EVR\r\n");
}

TEST(FormatRecordingLogTest, EventRecordingWithoutGpsOrCountsExactText) {
  RecordingLogInput input = ManualInputWithGps();
  input.kind = RecordingKind::kEvent;
  input.event_description = MakeEventDescription("Kalliope", "HIP12345", "");
  input.video_file_name = "/data/obs/Kalliope_HIP12345_07_14_2026_03_04_39.avi";
  input.video_file_name_is_relative = false;
  input.has_dropped_frames_interface = false;
  input.gps_valid = false;
  input.analog_format = 2;
  input.subtype_name = "MJPG";
  input.codec_name = "x264 H.264 encoder";
  input.renderer = 7;
  EXPECT_EQ(FormatRecordingLog(input),
            "Event recording: Kalliope HIP12345\r\n"
            "Start recording at 03:05:09 (UTC)\r\n"
            "Stop recording at 03:06:10 (UTC)\r\n"
            "Video file:  /data/obs/Kalliope_HIP12345_07_14_2026_03_04_39.avi\r\n"
            "Total frame count and dropped frame count are not avaiable\r\n"
            "Video source device: USB2.0 Grabber\r\n"
            "Source device format: Digital\r\n"
            "Frame rate: 25.00 fps\r\n"
            "Frame size: 720 x 576\r\n"
            "Format subtype: MJPG\r\n"
            "Codec: x264 H.264 encoder\r\n"
            "Video renderer: None - video display off during recording\r\n");
}

TEST(FormatRecordingLogTest, OddFormatCodesReadAsPalAndMissingGpsTextsAreSaid) {
  RecordingLogInput input = ManualInputWithGps();
  input.analog_format = -1;
  input.latitude.clear();  // a fix without its texts
  input.satellites.clear();
  EXPECT_NE(FormatRecordingLog(input).find("Number of dropped frames:  3\r\n"
                                           "Latitude value not available\r\n"
                                           "Longitude: 11.312500 E\r\n"
                                           "Altitude: 545.4 M\r\n"
                                           "Number of satellites not available\r\n"
                                           "Video source device: USB2.0 Grabber\r\n"
                                           "Source device format: PAL\r\n"),
            std::string::npos);
}

TEST(MakeEventDescriptionTest, JoinsPresentPartsWithOneBlankAndCutsAt42) {
  EXPECT_EQ(MakeEventDescription("Kalliope", "HIP12345", "near graze"),
            "Kalliope HIP12345 near graze");
  // Cut by characters, never inside one.
  EXPECT_EQ(MakeEventDescription(std::string(41, 'a'), "\xC3\xA9t\xC3\xA9", ""),
            std::string(41, 'a') + " ");
}

class RecordingLogFileTest : public ::testing::Test {
 protected:
  RecordingLogFileTest() : clock_(MakeFileTime(2026, 7, 14, 3, 6, 10)), log_(clock_) {
    log_.AttachView(&view_);
    std::filesystem::create_directory(dir_.Path("VideoFiles"));
  }

  testing::ScopedTempDir dir_;
  FakeClock clock_;
  testing::RecordingView view_;
  MessageLog log_;
};

TEST_F(RecordingLogFileTest, CharactersOutsideTheCodePageBecomeQuestionMarksWithNote) {
  RecordingLogInput input = ManualInputWithGps();
  input.device_name = "Cam\xC3\xA9ra \xD0\x9A\xD0\xB0\xD0\xBC";  // é is in the page, Cyrillic not
  ASSERT_TRUE(WriteRecordingLog(input, log_));
  const std::string bytes = testing::ReadFileBytes(dir_.Path("VideoFiles/07_14_2026_03_05_09.log"));
  EXPECT_NE(bytes.find("\r\nVideo source device: Cam\xE9ra ???\r\nSource"), std::string::npos);
  EXPECT_EQ(bytes.find("\r\r"), std::string::npos);
  // Nothing else is left in the folder (no temporary file).
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_.Path("VideoFiles")), {}), 1);
  ASSERT_EQ(view_.entries.size(), 1u);
  EXPECT_EQ(view_.entries[0],
            "\r\n03:06:10 (UTC)\r\n\r\n\r\nNOTE -- wide character buffer has unexpected bad "
            "character.\r\n");
}

TEST_F(RecordingLogFileTest, TextOverTheLimitIsNotWrittenAndIsReported) {
  RecordingLogInput input = ManualInputWithGps();
  const std::size_t base = FormatRecordingLog(input).size();
  input.device_name += std::string(1023 - base, 'x');  // exactly 1023 bytes: fits
  ASSERT_TRUE(WriteRecordingLog(input, log_));
  EXPECT_EQ(testing::ReadFileBytes(dir_.Path("VideoFiles/07_14_2026_03_05_09.log")).size(), 1023u);

  input.device_name += 'x';
  std::filesystem::remove(dir_.Path("VideoFiles/07_14_2026_03_05_09.log"));
  EXPECT_FALSE(WriteRecordingLog(input, log_));
  EXPECT_FALSE(std::filesystem::exists(dir_.Path("VideoFiles/07_14_2026_03_05_09.log")));
  EXPECT_EQ(view_.entries.at(0),
            "\r\n03:06:10 (UTC)\r\nWARNING: recording log not written - its text is longer than "
            "1023 characters: VideoFiles/07_14_2026_03_05_09.log\r\n");
}

TEST_F(RecordingLogFileTest, FailedWriteSaysWhyAndAnEarlierLogIsNeverReplaced) {
  RecordingLogInput input = ManualInputWithGps();
  input.video_file_name = "MissingFolder/run.avi";
  EXPECT_FALSE(WriteRecordingLog(input, log_));
  testing::WriteFileBytes("run.log", "an earlier recording's log");
  input.video_file_name = "run.avi";
  EXPECT_FALSE(WriteRecordingLog(input, log_));
  EXPECT_EQ(testing::ReadFileBytes("run.log"), "an earlier recording's log");
  EXPECT_EQ(view_.entries,
            (std::vector<std::string>{
                "\r\n03:06:10 (UTC)\r\nWARNING: recording log could not be written: "
                "MissingFolder/run.log (MissingFolder: No such file or directory)\r\n",
                "\r\n03:06:10 (UTC)\r\nWARNING: recording log could not be written: run.log "
                "(File exists)\r\n"}));
  // Lines that say what went wrong follow the documented ones.
  input.video_file_name = "next.avi";
  input.notes = {"Recording cut short: its video file could not be written"};
  ASSERT_TRUE(WriteRecordingLog(input, log_));
  const std::string text = testing::ReadFileBytes("next.log");
  EXPECT_TRUE(text.ends_with(
      "Video renderer: EVR\r\nRecording cut short: its video file could not be written\r\n"))
      << text;
}

}  // namespace
}  // namespace vesk
