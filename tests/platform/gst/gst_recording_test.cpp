// Recordings of the simulated cameras through real pipelines, read back by the station's own
// AVI reader and by ffprobe: headers, index, every frame present and in order, and the
// counters. The long one (a file past 2 GB) runs only when VESK_LONG_TESTS is set.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>

#include "media_support/capture_session.h"
#include "media_support/ffprobe.h"
#include "media_support/recorded_avi.h"
#include "media_support/stamp_reader.h"
#include "platform/gst/gst_media_graph.h"
#include "recording/frame_time_record.h"
#include "support/temp_dir.h"

namespace vesk {
namespace {

struct FormatCase {
  const char* label;
  testing::CaptureRequest request;
  const char* compression;  // all but MJPG raw pixels, the time inserter's text readable
};

class RecordingFormatTest : public ::testing::TestWithParam<FormatCase> {};

// Three seconds recorded while the live video goes to the station's own renderer, with the
// brightness and the video position changed half way.
TEST_P(RecordingFormatTest, ThreeSecondsAreRecordedWholeAndReadBackWhileTheWindowShowsThem) {
  const FormatCase& format = GetParam();
  testing::ScopedTempDir folder;
  gst::GstMediaSystem system = testing::SimulatedSystem();
  testing::CaptureRequest request = format.request;
  request.video_path = folder.Path("clip.avi");
  const int width = request.width, height = request.height, rate = request.rate_numerator;
  testing::CaptureSession session;
  ASSERT_EQ(testing::BuildCaptureGraph(system, request, &session), S_OK) << session.failed_step;
  RendererControl* control = nullptr;
  VideoProcAmp* proc_amp = nullptr;
  testing::FrameKeeper window;
  ASSERT_EQ(session.renderer->QueryRendererControl(&control), S_OK);
  ASSERT_EQ(session.source->QueryVideoProcAmp(&proc_amp), S_OK);
  ASSERT_EQ(control->SetVideoWindow(DisplayWindowOf(&window)), S_OK);
  ASSERT_EQ(control->SetAspectRatioMode(kAspectRatioPreservePicture), S_OK);
  ASSERT_EQ(control->SetVideoPosition({2, 1, 2 + 2 * width, 1 + 2 * height}), S_OK);  // x2
  EXPECT_TRUE(Failed(control->SetVideoPosition({10, 10, 5, 5})));
  // Stopping before the start and starting or stopping twice change nothing.
  EXPECT_EQ(session.graph->Stop(), S_OK);
  // The baseline is read as the capture code reads it, before the graph runs.
  std::int32_t at_start = -1;
  ASSERT_EQ(session.dropped_frames->GetNumNotDropped(&at_start), S_OK);
  ASSERT_EQ(session.graph->Run(), S_OK)
      << static_cast<gst::GstMediaGraph*>(session.graph.get())->last_error();
  const testing::Stopwatch started;
  EXPECT_EQ(session.graph->Run(), S_OK);
  testing::WaitSeconds(1.5);
  const testing::KeptFrame before = window.Last();
  ASSERT_EQ(proc_amp->Set(ProcAmpProperty::Brightness, 200, kProcAmpFlagsManual), S_OK);
  ASSERT_EQ(control->SetVideoPosition({2, 1, 2 + width, 1 + height}), S_OK);
  testing::WaitSeconds(1.5);
  std::int32_t recorded = 0, dropped = -1, after_stop = 0, drawn = 0;
  EXPECT_EQ(session.dropped_frames->GetNumNotDropped(&recorded), S_OK);
  EXPECT_EQ(session.dropped_frames->GetNumDropped(&dropped), S_OK);
  // A busy machine stretches the three seconds; the rate is checked against the time it ran.
  const double seconds = started.Seconds();
  ASSERT_EQ(session.graph->Stop(), S_OK);
  EXPECT_EQ(session.graph->Stop(), S_OK);
  session.dropped_frames->GetNumNotDropped(&after_stop);
  EXPECT_EQ(control->GetFramesDrawn(&drawn), S_OK);

  // The window: every frame drawn at its size where it was asked to be; the brightness
  // shows (72 steps, less what a conversion to video range takes off).
  const testing::KeptFrame after = window.Last();
  EXPECT_GE(before.frames, rate);
  EXPECT_EQ(std::tuple(before.width, before.height, before.preserve_aspect, drawn),
            std::tuple(width, height, true, after.frames));
  EXPECT_EQ(before.destination, (VideoRect{2, 1, 2 + 2 * width, 1 + 2 * height}));
  EXPECT_EQ(after.destination, (VideoRect{2, 1, 2 + width, 1 + height}));
  EXPECT_GT(after.Mean() - before.Mean(), 50.0);

  // The file: every frame the headers promise, with its index, and ffprobe agrees.
  AviFileInfo file;
  ASSERT_TRUE(testing::ReadRecording(request.video_path, &file));
  const auto frames = static_cast<int>(file.frames.size());
  // None missing at the start; a loaded machine may take a little longer to stop.
  EXPECT_GE(frames, seconds * rate - (rate == 25 ? 2 : 3));
  EXPECT_LE(frames, seconds * rate + rate / 2);
  EXPECT_EQ(std::tuple(file.index_rebuilt, file.header_length, testing::CompressionOf(file)),
            std::tuple(false, static_cast<std::uint32_t>(frames), format.compression));
  EXPECT_EQ(testing::Probe(request.video_path),
            std::to_string(width) + "," + std::to_string(height) + "," + std::to_string(rate) +
                "/1," + std::to_string(frames) + "\n");
  // The recording log's count (final count less the baseline) is exactly the frames in the
  // file: none lost at the start or the stop.
  EXPECT_EQ(after_stop - at_start, frames);
  EXPECT_LE(recorded, after_stop);
  EXPECT_LE(dropped, 3);  // what a starved camera thread may lose, not the station
  if (format.compression != std::string("MJPG")) {
    const int bytes = format.compression == std::string("YUY2") ? 2 : 3;
    EXPECT_EQ(file.frames[0].size, static_cast<std::uint32_t>(width * height * bytes));
    // The first and last frames' counters and times: nothing missing or repeated between.
    const auto [first_ms, first_count] = testing::FrameStampOf(request.video_path, file, 0);
    const auto [last_ms, last_count] = testing::FrameStampOf(request.video_path, file, frames - 1);
    const long per_frame = request.device == gst::kSimulatedAnalogCameraName ? 2 : 1;
    EXPECT_EQ(last_count - first_count, per_frame * (frames - 1));  // fields or frames
    EXPECT_NEAR((last_ms - first_ms + 86400000) % 86400000, (frames - 1) * 1000.0 / rate, 60.0);
  }
}

const char* const kAnalog = gst::kSimulatedAnalogCameraName;
const char* const kWebcam = gst::kSimulatedWebcamName;
constexpr RendererKind kOwn = RendererKind::EVR;
INSTANTIATE_TEST_SUITE_P(
    SimulatedCameras, RecordingFormatTest,
    ::testing::Values(FormatCase{"AnalogYuy2", {kAnalog, "YUY2", 720, 576, 25, kOwn}, "YUY2"},
                      FormatCase{"AnalogYuy2ThroughJpegEncoder",
                                 {kAnalog, "YUY2", 720, 576, 25, kOwn, "", "JPEG image encoder"},
                                 "MJPG"},
                      FormatCase{"WebcamRgb24", {kWebcam, "RGB24", 640, 480, 30, kOwn}, "RGB"},
                      FormatCase{"WebcamMjpg", {kWebcam, "MJPG", 640, 480, 30, kOwn}, "MJPG"}),
    [](const ::testing::TestParamInfo<FormatCase>& info) { return info.param.label; });

TEST(GstLongRecording, PastTwoGigabytesTheFileIsOpenDmlAndReadsBackWhole) {
  if (std::getenv("VESK_LONG_TESTS") == nullptr) GTEST_SKIP() << "set VESK_LONG_TESTS to run";
  testing::ScopedTempDir folder;
  gst::GstMediaSystem system = testing::SimulatedSystem(/*paced=*/false);  // as fast as it writes
  const testing::CaptureRequest request{.video_path = folder.Path("big.avi")};
  testing::CaptureSession session;
  ASSERT_EQ(testing::BuildCaptureGraph(system, request, &session), S_OK) << session.failed_step;
  const auto start = std::chrono::steady_clock::now();
  ASSERT_EQ(session.graph->Run(), S_OK);
  std::error_code ec;
  while (std::filesystem::file_size(request.video_path, ec) < 2200ull * 1024 * 1024 || ec) {
    ASSERT_LT(std::chrono::steady_clock::now() - start, std::chrono::minutes(10));
    testing::WaitSeconds(0.2);
  }
  ASSERT_EQ(session.graph->Stop(), S_OK);
  std::int32_t recorded = 0, dropped = -1;
  session.dropped_frames->GetNumNotDropped(&recorded);
  session.dropped_frames->GetNumDropped(&dropped);

  AviFileInfo file;
  ASSERT_TRUE(testing::ReadRecording(request.video_path, &file));
  const auto frames = static_cast<std::uint32_t>(file.frames.size());
  EXPECT_GT(std::filesystem::file_size(request.video_path), 2ull * 1024 * 1024 * 1024);
  // The station's own reader finds every frame by the OpenDML indexes.
  EXPECT_EQ(std::tuple(file.open_dml, file.index_rebuilt, file.header_length, recorded, dropped),
            std::tuple(true, false, frames, static_cast<std::int32_t>(frames), 0));
  for (const AviFrame& frame : file.frames) ASSERT_EQ(frame.size, 720u * 576 * 2);
  // The last frame is the one the counters say: nothing lost across the RIFF boundaries.
  const long counted = testing::FrameStampOf(request.video_path, file, frames - 1).second -
                       testing::FrameStampOf(request.video_path, file, 0).second;
  EXPECT_EQ((counted + 10000000) % 10000000, 2 * static_cast<long>(frames - 1) % 10000000);
  EXPECT_EQ(testing::Probe(request.video_path), "720,576,25/1," + std::to_string(frames) + "\n");
}

// Every frame of the file has its row, whose time is the instant the camera burnt into it
// (to its millisecond), a frame time apart (VESK_STAMP_SECONDS records longer); frames the
// camera lost show as a gap in the numbers, a row's note and the log's place.
TEST(GstFrameTimes, EveryFrameInTheFileHasItsCaptureTimeInTheRecord) {
  const char* seconds_text = std::getenv("VESK_STAMP_SECONDS");
  const double seconds = seconds_text != nullptr ? std::atof(seconds_text) : 3.0;
  testing::ScopedTempDir folder;
  gst::GstMediaSystem system = testing::SimulatedSystem();
  testing::CaptureSession session;
  const testing::CaptureRequest request{.video_path = folder.Path("clip.avi")};
  ASSERT_EQ(testing::BuildCaptureGraph(system, request, &session), S_OK) << session.failed_step;
  auto record = std::make_shared<FrameTimeRecord>();
  std::string reason;
  ASSERT_TRUE(record->Create(folder.Path("clip.frames.csv"), &reason)) << reason;
  session.graph->SetFrameStampSink(record);
  ASSERT_EQ(session.graph->Run(), S_OK);
  testing::WaitSeconds(seconds / 2);
  system.SimulatedCamera(gst::kSimulatedAnalogCameraName)->frames_to_lose = 3;
  testing::WaitSeconds(seconds / 2);
  ASSERT_EQ(session.graph->Stop(), S_OK);
  record->Close();
  EXPECT_EQ(session.graph->LastRecordedFile().frame_time_origin,
            FrameTimeOrigin::kSimulatedCapture);

  AviFileInfo file;
  ASSERT_TRUE(testing::ReadRecording(request.video_path, &file));
  std::vector<std::vector<std::string>> rows;
  std::istringstream lines(testing::ReadFileBytes(folder.Path("clip.frames.csv")));
  std::string line;
  std::getline(lines, line);
  EXPECT_EQ(line, "frame,sequence,utc,interval_ms,note\r");
  while (std::getline(lines, line)) {  // each cell ended by a comma, in place of the '\r'
    std::istringstream cells(line.substr(0, line.size() - 1) + ",");
    std::vector<std::string>& fields = rows.emplace_back();
    for (std::string cell; std::getline(cells, cell, ',');) fields.push_back(cell);
  }
  ASSERT_EQ(rows.size(), file.frames.size());
  std::string losses;  // as the log lists them: the first ten places
  int loss_places = 0;
  bool told_loss_seen = false;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    ASSERT_EQ(rows[i].size(), 5u);
    EXPECT_EQ(rows[i][0], std::to_string(i));
    // The burnt-in time is cut to the millisecond: the row's time lies within it.
    int hour = 0, minute = 0;
    double second = 0;  // of "...THH:MM:SS.uuuuuuZ"
    EXPECT_EQ(std::sscanf(rows[i][2].c_str() + 11, "%2d:%2d:%lfZ", &hour, &minute, &second), 3);
    const double ms = (hour * 60.0 + minute) * 60000.0 + second * 1000.0;
    EXPECT_NEAR(ms - testing::FrameStampOf(request.video_path, file, i).first, 0.5, 0.55) << i;
    if (i == 0) continue;
    // A frame time after the one before, or more where the camera lost frames (as told, or
    // when late).
    const long long gap = std::stoll(rows[i][1]) - std::stoll(rows[i - 1][1]);
    EXPECT_NEAR(std::atof(rows[i][3].c_str()), gap * 40.0, 2.0) << i;
    if (gap == 1) {
      EXPECT_EQ(rows[i][4], "") << i;
      continue;
    }
    EXPECT_EQ(rows[i][4],
              (gap == 2 ? std::string("1 frame") : std::to_string(gap - 1) + " frames") +
                  " lost before this one");
    if (++loss_places <= 10) {
      losses += (losses.empty() ? "" : ", ") + std::to_string(gap - 1) + " before frame " +
                std::to_string(i);
    }
    told_loss_seen = told_loss_seen || gap >= 4;
  }
  EXPECT_TRUE(told_loss_seen);
  const std::vector<std::string> log = FrameTimeLogLines(
      record->summary(), FrameTimeOrigin::kSimulatedCapture, 0, "clip.frames.csv");
  const std::string listed = "Frames lost: " + losses;
  EXPECT_TRUE(std::any_of(log.begin(), log.end(), [&](const std::string& line) {
    return loss_places <= 10 ? line == listed : line.starts_with(listed + ", and ");
  })) << losses;
}

// A file plays as a live device: every recorded frame is one of the file's, in order and
// from the start again after its last, at the file's rate; a file that cannot be played
// is said and not listed.
TEST(GstFileCamera, AVideoFilePlaysAsALiveDeviceLoopedAtItsRate) {
  testing::ScopedTempDir folder;
  const std::string clip = folder.Path("clip.avi");
  ASSERT_EQ(std::system(("ffmpeg -v error -f lavfi -i testsrc=size=320x240:rate=25 -frames:v 20 "
                         "-c:v rawvideo -pix_fmt yuyv422 '" +
                         clip + "'")
                            .c_str()),
            0);
  gst::GstMediaSystemOptions options{.v4l2_devices = false, .camera_file = clip};
  gst::GstMediaSystem system(options);
  ASSERT_EQ(system.camera_file_error(), "");
  testing::CaptureSession session;
  const testing::CaptureRequest request{
      gst::kFileCameraName,     "YUY2", 320, 240, 25, RendererKind::NullRenderer,
      folder.Path("played.avi")};
  ASSERT_EQ(testing::BuildCaptureGraph(system, request, &session), S_OK) << session.failed_step;
  ASSERT_EQ(session.graph->Run(), S_OK);
  testing::WaitSeconds(2.0);
  ASSERT_EQ(session.graph->Stop(), S_OK);
  EXPECT_EQ(session.graph->LastRecordedFile().frame_time_origin, FrameTimeOrigin::kFilePlayback);

  AviFileInfo source, played;
  ASSERT_TRUE(testing::ReadRecording(clip, &source));
  ASSERT_TRUE(testing::ReadRecording(request.video_path, &played));
  ASSERT_EQ(source.frames.size(), 20u);
  EXPECT_NEAR(static_cast<double>(played.frames.size()), 50.0, 3.0);
  auto luma = [](const std::string& path, const AviFrame& chunk) {
    std::vector<std::uint8_t> bytes = testing::ReadFrameBytes(path, chunk), y;
    for (std::size_t i = 0; i < bytes.size(); i += 2) y.push_back(bytes[i]);
    return y;
  };
  std::size_t first = 20;
  for (std::size_t i = 0; i < 20; ++i) {
    if (luma(clip, source.frames[i]) == luma(request.video_path, played.frames[0])) first = i;
  }
  ASSERT_LT(first, 20u) << "the first frame played is none of the file's";
  for (std::size_t i = 0; i < played.frames.size(); ++i) {
    ASSERT_EQ(luma(clip, source.frames[(first + i) % 20]),
              luma(request.video_path, played.frames[i]))
        << i;
  }

  options.camera_file = folder.Path("missing.avi");
  gst::GstMediaSystem without(options);
  EXPECT_NE(without.camera_file_error(), "");
  EXPECT_EQ(testing::BindDevice(without, DeviceCategory::VideoInput, gst::kFileCameraName),
            nullptr);
}

}  // namespace
}  // namespace vesk
