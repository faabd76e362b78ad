// What goes wrong around a running graph: a camera unplugged while recording, a missing
// folder, a name already taken. None may hang, crash or leave a file that cannot be read.
// The full disk is run end to end by the headless station's file-size limit test.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include "media_support/capture_session.h"
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

}  // namespace
}  // namespace vesk
