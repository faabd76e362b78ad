// Long recordings, run only when VESK_LONG_TESTS is set: a file past 2 GB written as
// OpenDML and read back whole, and a minute at 25 frames per second with its cost in CPU
// time against gst-launch-1.0 recording the same format from videotestsrc.

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "media_support/capture_session.h"
#include "media_support/riff_avi_reader.h"
#include "media_support/stamp_reader.h"
#include "platform/gst/gst_media_system.h"
#include "platform/gst/star_field_painter.h"
#include "support/temp_dir.h"

namespace vesk {
namespace {

using gst::GstMediaSystem;

bool LongTestsWanted() { return std::getenv("VESK_LONG_TESTS") != nullptr; }

std::uint64_t FileSize(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 ? static_cast<std::uint64_t>(info.st_size) : 0;
}

double CpuSeconds(const rusage& usage) {
  return usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 + usage.ru_stime.tv_sec +
         usage.ru_stime.tv_usec / 1e6;
}

long CounterOf(const std::string& path, const testing::AviChunk& chunk) {
  std::vector<std::uint8_t> data;
  if (!testing::ReadAviChunk(path, chunk, &data)) return -1;
  simcam::StarFieldPainter geometry;
  geometry.Configure(720, 576, 1);
  long milliseconds = 0;
  long counter = -1;
  testing::ParseStamp(testing::ReadStamp(data.data(), 720, 576, 1440, 2, geometry.text_x(),
                                         geometry.text_y(), geometry.text_scale(), 20),
                      &milliseconds, &counter);
  return counter;
}

TEST(GstLongRecording, PastTwoGigabytesTheFileIsOpenDmlAndReadsBackWhole) {
  if (!LongTestsWanted()) GTEST_SKIP() << "set VESK_LONG_TESTS to run";
  testing::ScopedTempDir folder;
  gst::GstMediaSystemOptions options;
  options.simulated_cameras = true;
  options.v4l2_devices = false;
  options.paced_simulation = false;  // as fast as the disk takes it
  GstMediaSystem system(options);
  testing::CaptureRequest request;
  request.device = gst::kSimulatedAnalogCameraName;
  request.video_path = folder.Path("big.avi");
  testing::CaptureSession session;
  std::string step;
  ASSERT_EQ(testing::BuildCaptureGraph(system, request, &session, &step), S_OK) << step;
  const auto start = std::chrono::steady_clock::now();
  ASSERT_EQ(session.graph->Run(), S_OK);
  constexpr std::uint64_t kTarget = 2200ull * 1024 * 1024;
  while (FileSize(request.video_path) < kTarget) {
    ASSERT_LT(std::chrono::steady_clock::now() - start, std::chrono::minutes(10));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
  }
  ASSERT_EQ(session.graph->Stop(), S_OK);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::int32_t recorded = 0;
  std::int32_t dropped = 0;
  session.dropped_frames->GetNumNotDropped(&recorded);
  session.dropped_frames->GetNumDropped(&dropped);

  testing::AviFile file;
  std::string error;
  ASSERT_TRUE(testing::ReadAviFile(request.video_path, &file, &error)) << error;
  std::printf("OpenDML: %llu bytes, %zu frames, %d RIFF lists, avih %u, dmlh %u, %.1f s\n",
              static_cast<unsigned long long>(file.file_size), file.video_chunks.size(),
              file.riff_lists, file.total_frames, file.odml_total_frames, seconds);
  EXPECT_GT(file.file_size, 2ull * 1024 * 1024 * 1024);
  EXPECT_FALSE(file.truncated);
  EXPECT_GE(file.riff_lists, 2);
  EXPECT_TRUE(file.has_odml);
  EXPECT_TRUE(file.has_indx);
  EXPECT_EQ(file.odml_total_frames, file.video_chunks.size());
  EXPECT_EQ(file.video.length, file.video_chunks.size());
  EXPECT_EQ(static_cast<std::size_t>(recorded), file.video_chunks.size());
  EXPECT_EQ(dropped, 0);
  for (const testing::AviChunk& chunk : file.video_chunks) ASSERT_EQ(chunk.size, 720u * 576 * 2);
  // The last frame is the one the counters say: nothing lost across the RIFF boundaries.
  const long first = CounterOf(request.video_path, file.video_chunks.front());
  const long last = CounterOf(request.video_path, file.video_chunks.back());
  EXPECT_EQ((last - first) % 10000000,
            2 * static_cast<long>(file.video_chunks.size() - 1) % 10000000);
}

TEST(GstLongRecording, AMinuteAtTwentyFiveFramesHasEveryFrameAndItsCpuCostIsMeasured) {
  if (!LongTestsWanted()) GTEST_SKIP() << "set VESK_LONG_TESTS to run";
  testing::ScopedTempDir folder;
  gst::GstMediaSystemOptions options;
  options.simulated_cameras = true;
  options.v4l2_devices = false;
  GstMediaSystem system(options);
  auto camera = system.SimulatedCamera(gst::kSimulatedAnalogCameraName);

  // The same format from videotestsrc, recorded by gst-launch-1.0 at the same time.
  const std::string reference = folder.Path("reference.avi");
  const std::string sink = "location=" + reference;
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    execlp("gst-launch-1.0", "gst-launch-1.0", "-q", "videotestsrc", "is-live=true",
           "num-buffers=1500", "!", "video/x-raw,format=YUY2,width=720,height=576,framerate=25/1",
           "!", "avimux", "!", "filesink", sink.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }

  // Recording only, as the reference pipeline does: source, caps, multiplexer, file.
  std::unique_ptr<MediaGraph> graph;
  system.CreateGraph(&graph);
  auto source =
      testing::BindDevice(system, DeviceCategory::VideoInput, gst::kSimulatedAnalogCameraName);
  graph->AddFilter(source, gst::kSimulatedAnalogCameraName);
  std::shared_ptr<MediaFilter> mux;
  const std::string path = folder.Path("minute.avi");
  ASSERT_EQ(graph->SetOutputFileName(path, &mux), S_OK);
  ASSERT_EQ(graph->RenderStream(PinCategory::Capture, source, nullptr, mux), S_OK);
  DroppedFrames* counters = nullptr;
  graph->FindDroppedFrames(source, PinCategory::Capture, &counters);

  rusage before{};
  getrusage(RUSAGE_SELF, &before);
  const std::int64_t paint_before = camera->paint_cpu_ns.load();
  const std::int64_t painted_before = camera->frames_painted.load();
  ASSERT_EQ(graph->Run(), S_OK);
  testing::WaitSeconds(60.0);
  ASSERT_EQ(graph->Stop(), S_OK);
  rusage after{};
  getrusage(RUSAGE_SELF, &after);
  std::int32_t dropped = -1;
  counters->GetNumDropped(&dropped);

  int status = 0;
  rusage reference_usage{};
  ASSERT_EQ(wait4(child, &status, 0, &reference_usage), child);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

  testing::AviFile file;
  std::string error;
  ASSERT_TRUE(testing::ReadAviFile(path, &file, &error)) << error;
  EXPECT_NEAR(static_cast<double>(file.video_chunks.size()), 1500.0, 1.0);
  // Past 1 GB the main header counts the first RIFF list only; the OpenDML header all.
  EXPECT_EQ(file.has_odml ? file.odml_total_frames : file.total_frames, file.video_chunks.size());
  EXPECT_EQ(dropped, 0);

  const double ours = CpuSeconds(after) - CpuSeconds(before);
  const double theirs = CpuSeconds(reference_usage);
  const double painting = (camera->paint_cpu_ns.load() - paint_before) / 1e9;
  const auto painted = camera->frames_painted.load() - painted_before;
  std::printf(
      "60 s YUY2 720x576: %zu frames, %d dropped; CPU %.2f s (ours) vs %.2f s (gst-launch "
      "videotestsrc), ratio %.2f; drawing %.2f s (%.2f ms a frame over %lld frames), the rest "
      "%.2f s\n",
      file.video_chunks.size(), dropped, ours, theirs, theirs > 0 ? ours / theirs : 0.0, painting,
      painted > 0 ? painting * 1000 / painted : 0.0, static_cast<long long>(painted),
      ours - painting);
  EXPECT_GT(ours, 0.0);
}

}  // namespace
}  // namespace vesk
