#include "recording/recording_log.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "recording/gps_log_lines.h"
#include "recording/gps_time.h"
#include "support/fake_clock.h"
#include "support/recording_view.h"
#include "support/temp_dir.h"

namespace vesk {
namespace {

using testing::FakeClock;
using testing::MakeFileTime;

RecordingLogInput ManualInputWithGps() {
  return {.kind = RecordingKind::kManual,
          .start_text = "Start recording at 03:05:09 (UTC)",
          .stop_text = "Stop recording at 03:06:10 (UTC)",
          .video_file_name = "VideoFiles/07_14_2026_03_05_09.avi",
          .video_file_name_is_relative = true,
          .current_directory = "/home/obs/station/",
          .has_dropped_frames_interface = true,
          .recorded_frames = 1525,
          .dropped_frames = 3,
          .gps_valid = true,
          .latitude = "48.070380 N",
          .longitude = "11.312500 E",
          .altitude = "545.4 M",
          .satellites = "8",
          .device_name = "USB2.0 Grabber",
          .analog_format = 1,
          .frame_rate_text = "25",
          .frame_size_text = "720x576",
          .subtype_name = "YUY2",
          .renderer = 0};
}

// Without counts; the GPS lines sit between the counts and the device, and texts missing
// from a fix are said.
TEST(FormatRecordingLogTest, EventRecordingWithoutCountsAndAFixMissingTextsExactText) {
  RecordingLogInput input = ManualInputWithGps();
  input.kind = RecordingKind::kEvent;
  input.event_description = MakeEventDescription("Kalliope", "HIP12345", "");
  input.video_file_name = "/data/obs/Kalliope_HIP12345_07_14_2026_03_04_39.avi";
  input.video_file_name_is_relative = false;
  input.has_dropped_frames_interface = false;
  input.latitude.clear();
  input.satellites.clear();
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
            "Latitude value not available\r\n"
            "Longitude: 11.312500 E\r\n"
            "Altitude: 545.4 M\r\n"
            "Number of satellites not available\r\n"
            "Video source device: USB2.0 Grabber\r\n"
            "Source device format: Digital\r\n"
            "Frame rate: 25\r\n"
            "Frame size: 720x576\r\n"
            "Format subtype: MJPG\r\n"
            "Codec: x264 H.264 encoder\r\n"
            "Video renderer: None - video display off during recording\r\n");
  // A format code outside the table reads as PAL.
  input.analog_format = -1;
  EXPECT_NE(FormatRecordingLog(input).find("\r\nSource device format: PAL\r\n"), std::string::npos);
}

// The stored DD.MMmmmm texts in decimal degrees and in degrees, minutes and seconds; texts
// not in that form give no line.
TEST(GpsLogLinesTest, PackedPositionsConvertAndOthersGiveNoLine) {
  const struct {
    const char* packed;
    const char* decimal;
    const char* dms;
  } cases[] = {
      {"89.595999 N", "89.993332 N", "89\u00b0 59' 35.99\" N"},
      {"0.000001 S", "0.000002 S", "0\u00b0 00' 00.01\" S"},
  };
  for (const auto& c : cases) {
    const auto coordinate = ParsePackedCoordinate(c.packed);
    ASSERT_TRUE(coordinate) << c.packed;
    EXPECT_EQ(DecimalDegreesText(*coordinate), c.decimal);
    EXPECT_EQ(DegreesMinutesSecondsText(*coordinate), c.dms);
  }
  for (const char* odd : {"48.07038 N", "48.070380 X", "48.700000 N", "1234.000000 N", ""}) {
    EXPECT_FALSE(ParsePackedCoordinate(odd)) << odd;
  }
  LastGpsPosition gps{"48.070380 N", "11.312500 E", "", "", true};
  EXPECT_EQ(GpsLogLines(gps).size(), 4u);
  gps.valid = false;
  EXPECT_TRUE(GpsLogLines(gps).empty());
}

// A GGA time of day is taken on the nearest day to its arrival; the offset's texts and the
// warning beyond a second.
TEST(GpsTimeTest, TheNearestDayAcrossMidnightAndTheOffsetTexts) {
  const struct {
    FileTime arrival;
    std::uint16_t hour, minute, second, millisecond;
    const char* text;
    const char* short_text;
    bool warned;
  } cases[] = {
      {MakeFileTime(2026, 7, 15, 0, 0, 1), 23, 59, 59, 0,
       "the computer clock is 2.0 s ahead of GPS time", "2.0 s ahead \u00b10.5 s", true},
      {MakeFileTime(2026, 7, 14, 23, 59, 59, 500), 0, 0, 0, 500,
       "the computer clock is 1.0 s behind GPS time", "1.0 s behind \u00b10.5 s", false},
      {MakeFileTime(2026, 7, 14, 12, 0, 0, 40), 12, 0, 0, 0,
       "the computer clock agrees with GPS time", "agrees \u00b10.5 s", false},
  };
  for (const auto& c : cases) {
    const GpsFix fix{.gps_time = "set",
                     .gps_hour = c.hour,
                     .gps_minute = c.minute,
                     .gps_second = c.second,
                     .gps_millisecond = c.millisecond};
    const auto offset = MeasureClockOffset(fix, c.arrival, c.arrival);
    ASSERT_TRUE(offset);
    EXPECT_EQ(ClockOffsetText(*offset), c.text);
    EXPECT_EQ(ClockOffsetShortText(*offset), c.short_text);
    EXPECT_EQ(ClockOffsetWarning(*offset),
              c.warned ? "WARNING: " + std::string(c.text) + "\r\n" : "");
  }
  EXPECT_FALSE(MeasureClockOffset(GpsFix{}, 0, 0));
}

TEST(MakeEventDescriptionTest, CutsAt42CharactersNeverInsideOne) {
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
  RecordingLogInput input_ = ManualInputWithGps();
};

TEST_F(RecordingLogFileTest, CharactersOutsideTheCodePageBecomeQuestionMarksWithNote) {
  input_.device_name = "Cam\xC3\xA9ra \xD0\x9A\xD0\xB0\xD0\xBC";  // é is in the page, Cyrillic not
  ASSERT_TRUE(WriteRecordingLog(input_, log_));
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
  const std::size_t base = FormatRecordingLog(input_).size();
  input_.device_name += std::string(1023 - base, 'x');  // exactly 1023 bytes: fits
  ASSERT_TRUE(WriteRecordingLog(input_, log_));
  EXPECT_EQ(testing::ReadFileBytes(dir_.Path("VideoFiles/07_14_2026_03_05_09.log")).size(), 1023u);

  input_.device_name += 'x';
  std::filesystem::remove(dir_.Path("VideoFiles/07_14_2026_03_05_09.log"));
  EXPECT_FALSE(WriteRecordingLog(input_, log_));
  EXPECT_FALSE(std::filesystem::exists(dir_.Path("VideoFiles/07_14_2026_03_05_09.log")));
  EXPECT_EQ(view_.entries.at(0),
            "\r\n03:06:10 (UTC)\r\nWARNING: recording log not written - its text is longer than "
            "1023 characters: VideoFiles/07_14_2026_03_05_09.log\r\n");
}

TEST_F(RecordingLogFileTest, FailedWriteSaysWhyAndAnEarlierLogIsNeverReplaced) {
  input_.video_file_name = "MissingFolder/run.avi";
  EXPECT_FALSE(WriteRecordingLog(input_, log_));
  testing::WriteFileBytes("run.log", "an earlier recording's log");
  input_.video_file_name = "run.avi";
  EXPECT_FALSE(WriteRecordingLog(input_, log_));
  EXPECT_EQ(testing::ReadFileBytes("run.log"), "an earlier recording's log");
  EXPECT_EQ(view_.entries,
            (std::vector<std::string>{
                "\r\n03:06:10 (UTC)\r\nWARNING: recording log could not be written: "
                "MissingFolder/run.log (MissingFolder: No such file or directory)\r\n",
                "\r\n03:06:10 (UTC)\r\nWARNING: recording log could not be written: run.log "
                "(File exists)\r\n"}));
  // Lines that say what went wrong follow the documented ones.
  input_.video_file_name = "next.avi";
  input_.notes = {"Recording cut short: its video file could not be written"};
  ASSERT_TRUE(WriteRecordingLog(input_, log_));
  const std::string text = testing::ReadFileBytes("next.log");
  EXPECT_TRUE(text.ends_with(
      "Video renderer: EVR\r\nRecording cut short: its video file could not be written\r\n"))
      << text;
}

}  // namespace
}  // namespace vesk
