// What goes wrong around a running graph: a camera unplugged while recording, a missing
// folder, a full disk. None may hang, crash or leave a file that cannot be read.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include "media_support/capture_session.h"
#include "media_support/ffprobe.h"
#include "media_support/recorded_avi.h"
#include "support/temp_dir.h"

namespace vesk {
namespace {

using Clock = std::chrono::steady_clock;
using testing::CaptureSession;

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// The graph's error reports, made on the bus thread.
struct ErrorLog {
  explicit ErrorLog(MediaGraph& graph) : graph(graph) {
    graph.SetErrorHandler([this](const std::string& message) {
      std::lock_guard<std::mutex> hold(lock);
      messages.push_back(message);
    });
  }
  ~ErrorLog() { graph.SetErrorHandler(nullptr); }
  // The reports so far, after waiting up to `seconds` for the first.
  std::vector<std::string> Within(double seconds) {
    for (const auto start = Clock::now();; testing::WaitSeconds(0.01)) {
      std::lock_guard<std::mutex> hold(lock);
      if (!messages.empty() || SecondsSince(start) > seconds) return messages;
    }
  }
  MediaGraph& graph;
  std::mutex lock;
  std::vector<std::string> messages;
};

bool IsListed(gst::GstMediaSystem& system) {
  return testing::BindDevice(system, DeviceCategory::VideoInput, gst::kSimulatedAnalogCameraName) !=
         nullptr;
}

HResult BuildRecording(gst::GstMediaSystem& system, const std::string& path,
                       CaptureSession* session) {
  testing::CaptureRequest request;
  request.video_path = path;
  return testing::BuildCaptureGraph(system, request, session);
}

TEST(GstUnpluggedCamera, TheErrorIsReportedTheFileKeepsEveryFrameAndThePlugBackStreams) {
  testing::ScopedTempDir folder;
  gst::GstMediaSystem system = testing::SimulatedSystem();
  CaptureSession session;
  ASSERT_EQ(BuildRecording(system, folder.Path("unplugged.avi"), &session), S_OK);
  ErrorLog errors(*session.graph);
  ASSERT_EQ(session.graph->Run(), S_OK);
  testing::WaitSeconds(1.0);
  ASSERT_TRUE(system.DetachSimulatedCamera(gst::kSimulatedAnalogCameraName));
  EXPECT_FALSE(IsListed(system));
  EXPECT_EQ(errors.Within(2.0), std::vector<std::string>{"Video device was unplugged"});
  const auto start = Clock::now();
  EXPECT_EQ(session.graph->Stop(), S_OK);
  EXPECT_LT(SecondsSince(start), 3.0);
  std::int32_t recorded = 0;
  session.dropped_frames->GetNumNotDropped(&recorded);
  AviFileInfo file;
  std::string error;
  ASSERT_TRUE(testing::ReadRecording(folder.Path("unplugged.avi"), &file, &error)) << error;
  EXPECT_FALSE(file.index_rebuilt);
  EXPECT_GE(file.frames.size(), 20u);
  EXPECT_EQ(file.header_length, file.frames.size());
  EXPECT_EQ(static_cast<std::size_t>(recorded), file.frames.size());
  // Plugged in again, it is listed and the same graph streams again, once its first file is
  // out of the way (a run never writes over a file).
  ASSERT_TRUE(system.AttachSimulatedCamera(gst::kSimulatedAnalogCameraName));
  EXPECT_TRUE(IsListed(system));
  EXPECT_TRUE(Failed(session.graph->Run()));
  std::filesystem::rename(folder.Path("unplugged.avi"), folder.Path("first.avi"));
  EXPECT_EQ(session.graph->Run(), S_OK);
  EXPECT_EQ(session.graph->Stop(), S_OK);
}

TEST(GstRecordingFolder, MissingOrUnusablePlacesFailBeforeTheRecordingStarts) {
  testing::ScopedTempDir folder;
  gst::GstMediaSystem system = testing::SimulatedSystem();
  std::filesystem::create_directory(folder.Path("taken.avi"));  // a folder is no file
  for (const char* name : {"missing/clip.avi", "taken.avi"}) {
    CaptureSession session;
    EXPECT_TRUE(Failed(BuildRecording(system, folder.Path(name), &session)));
    EXPECT_EQ(session.failed_step, "SetOutputFileName") << name;
  }
  // The folder vanishes between building and running: the start fails, nothing hangs.
  std::filesystem::create_directory(folder.Path("later"));
  CaptureSession session;
  ASSERT_EQ(BuildRecording(system, folder.Path("later/clip.avi"), &session), S_OK);
  std::filesystem::remove(folder.Path("later"));
  const auto start = Clock::now();
  EXPECT_TRUE(Failed(session.graph->Run()));
  EXPECT_LT(SecondsSince(start), 2.0);
  EXPECT_EQ(session.graph->Stop(), S_OK);
}

TEST(GstRecordingFile, AnEarlierFileIsNeverWrittenOverAndARunThatFailsLeavesNoFile) {
  testing::ScopedTempDir folder;
  gst::GstMediaSystem system = testing::SimulatedSystem();
  // A file (or a dangling link) already at the name keeps what it holds.
  testing::WriteFileBytes(folder.Path("kept.avi"), "an earlier recording");
  std::filesystem::create_symlink(folder.Path("gone.avi"), folder.Path("link.avi"));
  for (const char* name : {"kept.avi", "link.avi"}) {
    CaptureSession session;
    ASSERT_EQ(BuildRecording(system, folder.Path(name), &session), S_OK) << name;
    EXPECT_TRUE(Failed(session.graph->Run())) << name;
    EXPECT_EQ(session.graph->Stop(), S_OK);
  }
  EXPECT_EQ(testing::ReadFileBytes(folder.Path("kept.avi")), "an earlier recording");
  EXPECT_FALSE(std::filesystem::exists(folder.Path("gone.avi")));
  // A renderer that cannot open its display fails the run, which leaves no empty file.
  unsetenv("DISPLAY");
  unsetenv("WAYLAND_DISPLAY");
  testing::CaptureRequest request;
  request.video_path = folder.Path("display.avi");
  request.renderer = RendererKind::VMR7;
  CaptureSession session;
  ASSERT_EQ(testing::BuildCaptureGraph(system, request, &session), S_OK);
  EXPECT_TRUE(Failed(session.graph->Run()));
  EXPECT_FALSE(std::filesystem::exists(folder.Path("display.avi")));
}

// Runs in a child process whose file size limit stands in for a full disk.
TEST(GstDiskFullChild, RecordsUntilTheLimit) {
  const char* path = std::getenv("VESK_DISK_FULL_CHILD");
  if (path == nullptr) GTEST_SKIP() << "runs inside GstFullDisk";
  signal(SIGXFSZ, SIG_IGN);  // a write past the limit fails with EFBIG instead
  gst::GstMediaSystem system = testing::SimulatedSystem();
  CaptureSession session;
  ASSERT_EQ(BuildRecording(system, path, &session), S_OK);
  ErrorLog errors(*session.graph);
  const HResult run = session.graph->Run();
  errors.Within(3.0);
  const HResult stop = session.graph->Stop();
  std::int32_t recorded = -1;
  session.dropped_frames->GetNumNotDropped(&recorded);
  const RecordedFileEnd end = session.graph->LastRecordedFile();
  std::printf("RUN=%d STOP=%d ERRORS=%zu FAILED=%d INDEX=%d FRAMES=%lld RECORDED=%d\n", run,
              stop, errors.Within(0).size(), end.write_failed, end.index_written,
              static_cast<long long>(end.frames), recorded);
}

TEST(GstFullDisk, TheErrorIsReportedAndTheFileIsEndedAfterItsLastWholeFrame) {
  testing::ScopedTempDir folder;
  const std::string path = folder.Path("full.avi"), output = folder.Path("child.txt");
  const int status =
      std::system(("VESK_DISK_FULL_CHILD='" + path + "' timeout 60 prlimit --fsize=4194304 " +
                   std::filesystem::read_symlink("/proc/self/exe").string() +
                   " --gtest_filter=GstDiskFullChild.* > '" + output + "' 2>&1")
                      .c_str());
  const std::string report = testing::ReadFileBytes(output);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << report;  // 124: it hung
  AviFileInfo file;
  std::string error;
  ASSERT_TRUE(testing::ReadRecording(path, &file, &error)) << error;
  EXPECT_LE(std::filesystem::file_size(path), 4194304u);
  const std::size_t frames = file.frames.size();
  EXPECT_EQ(frames, 5u);  // 829,440-byte frames in 4 MiB, with room for the index
  EXPECT_FALSE(file.index_rebuilt || file.open_dml);
  EXPECT_EQ(file.header_length, frames);
  // What the graph says the file holds is what it holds, and another reader agrees.
  const std::string counts = "FRAMES=" + std::to_string(frames) + " RECORDED=" + std::to_string(frames);
  EXPECT_NE(report.find("RUN=0 STOP=0 ERRORS=1 FAILED=1 INDEX=1 " + counts), std::string::npos)
      << report;
  EXPECT_EQ(testing::Probe(path), "720,576,25/1," + std::to_string(frames) + "\n");
}

}  // namespace
}  // namespace vesk
