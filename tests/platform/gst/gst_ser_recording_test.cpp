// SER recordings through the real graph: read back by ffmpeg's SER demuxer and by the
// station's reader, with the trailer holding the frame-time record's times; a station killed
// while recording and a full disk leave files that read whole up to their last frame.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <sstream>

#include "app/avi_tool_files.h"
#include "media/ser_file.h"
#include "media_support/capture_session.h"
#include "media_support/ffprobe.h"
#include "platform/linux/posix_avi_file.h"
#include "playback/avi_tools.h"
#include "recording/frame_time_record.h"
#include "support/temp_dir.h"

namespace vesk {
namespace {

// "width,height,pix_fmt,frames" as ffmpeg's SER demuxer reads the file, decoding every frame.
std::string ProbeSer(const std::string& path) {
  return testing::Ffprobe(
      "-f ser -count_frames -show_entries "
      "stream=width,height,pix_fmt,nb_read_frames",
      path);
}

SerFileInfo ReadSer(const std::string& path) {
  PosixAviFile file(path, false);
  SerFileInfo info;
  EXPECT_EQ(ReadSerFile(file, &info), SerReadStatus::Ok) << path;
  return info;
}

std::vector<std::int64_t> RecordTimes(const std::string& path) {
  std::string text;
  FrameTimeSummary summary;
  std::vector<std::int64_t> times;
  EXPECT_TRUE(files::ReadWholeFile(path, &text, 64 << 20) &&
              ReadFrameTimeRecord(text, &summary, &times));
  return times;
}

TEST(GstSerRecording, EveryFrameReadsBackWithItsSizeColourAndTheRecordsTime) {
  testing::ScopedTempDir folder;
  gst::GstMediaSystem system = testing::SimulatedSystem();
  const char* webcam = gst::kSimulatedWebcamName;
  const RendererKind none = RendererKind::NullRenderer;
  const std::pair<testing::CaptureRequest, std::string> cases[] = {
      {{}, "gray"},  // the analog camera's YUY2 720x576 at 25
      {{webcam, "RGB24", 640, 480, 30, none, "", "", true, true}, "bgr24"},
      {{webcam, "MJPG", 1280, 720, 30, none, "", "", true, true}, "bgr24"},
  };
  for (auto [request, pix_fmt] : cases) {
    SCOPED_TRACE(request.subtype);
    testing::CaptureSession session;
    request.ser = true;
    request.video_path = folder.Path(request.subtype + ".ser");
    ASSERT_EQ(testing::BuildCaptureGraph(system, request, &session), S_OK) << session.failed_step;
    auto record = std::make_shared<FrameTimeRecord>();
    std::string reason;
    ASSERT_TRUE(record->Create(FrameTimeRecordName(request.video_path), &reason)) << reason;
    session.graph->SetFrameStampSink(record);
    ASSERT_EQ(session.graph->Run(), S_OK);
    testing::WaitSeconds(2.0);
    ASSERT_EQ(session.graph->Stop(), S_OK);
    record->Close();
    const RecordedFileEnd end = session.graph->LastRecordedFile();
    EXPECT_TRUE(end.ser && end.ser_trailer_written && !end.write_failed);

    const SerFileInfo info = ReadSer(request.video_path);
    EXPECT_GE(info.frames, 2 * request.rate_numerator - 10);
    EXPECT_EQ(info.frames, end.frames);
    EXPECT_EQ(info.header.instrument, request.device);
    EXPECT_EQ(ProbeSer(request.video_path), std::to_string(request.width) + "," +
                                                std::to_string(request.height) + "," + pix_fmt +
                                                "," + std::to_string(info.frames) + "\n");
    ASSERT_EQ(info.trailer, SerTrailer::Whole);
    const std::vector<std::int64_t> times = RecordTimes(FrameTimeRecordName(request.video_path));
    ASSERT_EQ(times.size(), info.times.size());
    // The record keeps microseconds; the trailer the 100 ns ticks they were cut from.
    for (std::size_t i = 0; i < times.size(); ++i) {
      ASSERT_EQ(UnixNsFromSerTicks(info.times[i]) / 1000, times[i] / 1000) << i;
    }
    EXPECT_EQ(info.header.date_time_utc, info.times.front());
  }
}

// Runs in a child process that records until it is killed or its size limit is reached.
TEST(GstSerChild, RecordsUntilStopped) {
  const char* path = std::getenv("VESK_SER_CHILD");
  if (path == nullptr) GTEST_SKIP() << "runs inside GstSerCutShort";
  signal(SIGXFSZ, SIG_IGN);  // a write past the limit fails with EFBIG instead
  gst::GstMediaSystem system = testing::SimulatedSystem();
  testing::CaptureSession session;
  ASSERT_EQ(testing::BuildCaptureGraph(system, {.video_path = path, .ser = true}, &session), S_OK);
  auto record = std::make_shared<FrameTimeRecord>();
  std::string reason;
  ASSERT_TRUE(record->Create(FrameTimeRecordName(path), &reason));
  session.graph->SetFrameStampSink(record);
  ASSERT_EQ(session.graph->Run(), S_OK);
  std::printf("RUNNING\n");
  std::fflush(stdout);
  testing::WaitSeconds(3.0);
  session.graph->Stop();
  const RecordedFileEnd end = session.graph->LastRecordedFile();
  std::printf("FAILED=%d TRAILER=%d FRAMES=%lld\n", end.write_failed, end.ser_trailer_written,
              static_cast<long long>(end.frames));
}

std::string Child(const std::string& path, const std::string& limit, const std::string& output,
                  const std::string& size_limit = "") {
  return "VESK_SER_CHILD='" + path + "' timeout " + limit + " " + size_limit +
         std::filesystem::read_symlink("/proc/self/exe").string() +
         " --gtest_filter=GstSerChild.* > '" + output + "' 2>&1";
}

TEST(GstSerCutShort, AKilledStationAndAFullDiskLeaveFilesWholeUpToTheirLastFrame) {
  testing::ScopedTempDir folder;
  // Killed 2.5 s into its recording: FrameCount at most a second behind the frames written.
  const std::string killed = folder.Path("killed.ser");
  std::system(Child(killed, "-s KILL 2.5", folder.Path("killed.txt")).c_str());
  SerFileInfo info = ReadSer(killed);
  EXPECT_GT(info.frames, 10);
  EXPECT_GE(info.frames, info.whole_frames - 25);
  EXPECT_EQ(info.trailer, SerTrailer::None);
  EXPECT_EQ(ProbeSer(killed), "720,576,gray," + std::to_string(info.frames) + "\n");
  // Repaired with the frame-time record beside it: every frame of the copy has its time.
  std::ostringstream out, err;
  auto said = [&](const std::string& text) {  // what the tool printed, when it is not there
    if (out.str().find(text) != std::string::npos) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << out.str();
  };
  const std::string copy = folder.Path("copy.ser");
  EXPECT_EQ(RunRepairAvi(killed, copy, PosixAviFileSystem(), out, err), 0) << err.str();
  EXPECT_TRUE(
      said("; FrameCount set and the frame times rebuilt from " + FrameTimeRecordName(killed)));
  const SerFileInfo repaired = ReadSer(copy);
  const std::vector<std::int64_t> times = RecordTimes(FrameTimeRecordName(killed));
  ASSERT_EQ(repaired.trailer, SerTrailer::Whole);
  ASSERT_EQ(repaired.times.size(), std::min<std::size_t>(times.size(), info.whole_frames));
  EXPECT_EQ(UnixNsFromSerTicks(repaired.times.back()) / 1000,
            times[repaired.times.size() - 1] / 1000);
  EXPECT_EQ(ProbeSer(copy), "720,576,gray," + std::to_string(repaired.frames) + "\n");
  out.str("");
  EXPECT_EQ(RunAviInfo({copy}, PosixAviFileSystem(), out, err), 0);
  EXPECT_TRUE(said("\tFrame rate\t25 fps\n\tDepth\t\t8 bits\n\tColour\t\tMONO\n\tFrame times\t"));
  // Without a record the copy has its whole frames and says it has no times.
  std::filesystem::copy_file(killed, folder.Path("alone.ser"));
  out.str("");
  EXPECT_EQ(RunRepairAvi(folder.Path("alone.ser"), folder.Path("alone-copy.ser"),
                         PosixAviFileSystem(), out, err),
            kAviToolNoIndex);
  EXPECT_TRUE(said(std::to_string(info.whole_frames) +
                   " frames; FrameCount set, but the copy has no frame times"));

  // A 4 MiB file-size limit: ten frames of 414,720 bytes, and the trailer fits after them.
  const std::string full = folder.Path("full.ser");
  const int status =
      std::system(Child(full, "60", folder.Path("full.txt"), "prlimit --fsize=4194304 ").c_str());
  const std::string report = testing::ReadFileBytes(folder.Path("full.txt"));
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << report;
  EXPECT_NE(report.find("FAILED=1 TRAILER=1 FRAMES=10"), std::string::npos) << report;
  info = ReadSer(full);
  EXPECT_EQ(info.frames, 10);
  EXPECT_EQ(info.trailer, SerTrailer::Whole);
  EXPECT_EQ(ProbeSer(full), "720,576,gray,10\n");
}

// The CPU of 720x576 MONO SER against raw AVI at 25 frames a second, one after the other in
// one run, and the simulated webcam's 1280x720 colour for a minute without a frame lost.
TEST(GstSerRecording, LongCostsNoMoreThanAviAndTheWebcamLosesNoFrame) {
  if (std::getenv("VESK_LONG_TESTS") == nullptr) GTEST_SKIP() << "set VESK_LONG_TESTS to run";
  testing::ScopedTempDir folder;
  gst::GstMediaSystem system = testing::SimulatedSystem();
  std::int32_t dropped = -1;
  auto record = [&](testing::CaptureRequest request, const char* name, double seconds) {
    request.video_path = folder.Path(name);
    testing::CaptureSession session;
    EXPECT_EQ(testing::BuildCaptureGraph(system, request, &session), S_OK) << session.failed_step;
    const double before = testing::CpuSeconds();
    EXPECT_EQ(session.graph->Run(), S_OK);
    testing::WaitSeconds(seconds);
    EXPECT_EQ(session.graph->Stop(), S_OK);
    session.dropped_frames->GetNumDropped(&dropped);
    return testing::CpuSeconds() - before;
  };
  const double avi_cpu = record({}, "raw.avi", 30.0);
  const double ser_cpu = record({.ser = true}, "mono.ser", 30.0);
  std::printf("30 s 720x576 at 25 fps: CPU %.2f s raw AVI, %.2f s MONO SER: SER/AVI %.2f\n",
              avi_cpu, ser_cpu, ser_cpu / avi_cpu);
  EXPECT_LE(ser_cpu, avi_cpu * 1.05);

  const double webcam_cpu = record({.device = gst::kSimulatedWebcamName,
                                    .subtype = "MJPG",
                                    .width = 1280,
                                    .height = 720,
                                    .rate_numerator = 30,
                                    .ser = true,
                                    .colour = true},
                                   "webcam.ser", 60.0);
  const SerFileInfo info = ReadSer(folder.Path("webcam.ser"));
  std::printf("60 s webcam 1280x720 colour at 30 fps: %lld frames, %d lost, CPU %.2f s\n",
              static_cast<long long>(info.frames), dropped, webcam_cpu);
  EXPECT_EQ(std::pair(dropped, info.trailer), std::pair(0, SerTrailer::Whole));
  EXPECT_NEAR(static_cast<double>(info.frames), 1800.0, 2.0);
}

}  // namespace
}  // namespace vesk
