// What goes wrong around a running graph: a camera unplugged while showing or recording,
// a missing folder, a full disk, formats and codecs that do not fit, repeated starts and
// stops, and renderers that cannot run here. None may hang, crash or leave a file that
// cannot be read.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "media_support/capture_session.h"
#include "media_support/riff_avi_reader.h"
#include "platform/gst/gst_media_graph.h"
#include "platform/gst/gst_media_system.h"
#include "support/temp_dir.h"

extern char** environ;

namespace vesk {
namespace {

using gst::GstMediaSystem;
using testing::CaptureRequest;
using testing::CaptureSession;
using Clock = std::chrono::steady_clock;

GstMediaSystem MakeSystem() {
  gst::GstMediaSystemOptions options;
  options.simulated_cameras = true;
  options.v4l2_devices = false;
  return GstMediaSystem(options);
}

// Collects the error handler's calls from the bus thread.
struct ErrorLog {
  std::mutex lock;
  std::vector<std::string> messages;
  GraphErrorHandler Handler() {
    return [this](const std::string& message) {
      std::lock_guard<std::mutex> hold(lock);
      messages.push_back(message);
    };
  }
  std::size_t count() {
    std::lock_guard<std::mutex> hold(lock);
    return messages.size();
  }
  bool WaitFor(double seconds) {
    const auto deadline = Clock::now() + std::chrono::duration<double>(seconds);
    while (count() == 0 && Clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return count() > 0;
  }
};

double SecondsOf(void (*)(), Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

bool IsListed(GstMediaSystem& system, const std::string& name) {
  MonikerList monikers;
  system.EnumerateDevices(DeviceCategory::VideoInput, &monikers);
  for (const auto& moniker : monikers) {
    std::string friendly;
    moniker->ReadFriendlyName(&friendly);
    if (friendly == name) return true;
  }
  return false;
}

CaptureRequest AnalogPal(const std::string& video_path = "") {
  CaptureRequest request;
  request.device = gst::kSimulatedAnalogCameraName;
  request.video_path = video_path;
  return request;
}

TEST(GstUnpluggedCamera, WhileStreamingTheErrorIsReportedAndStopReturns) {
  GstMediaSystem system = MakeSystem();
  CaptureSession session;
  std::string step;
  ASSERT_EQ(testing::BuildCaptureGraph(system, AnalogPal(), &session, &step), S_OK) << step;
  ErrorLog errors;
  session.graph->SetErrorHandler(errors.Handler());
  ASSERT_EQ(session.graph->Run(), S_OK);
  testing::WaitSeconds(0.3);

  ASSERT_TRUE(system.DetachSimulatedCamera(gst::kSimulatedAnalogCameraName));
  EXPECT_FALSE(IsListed(system, gst::kSimulatedAnalogCameraName));
  ASSERT_TRUE(errors.WaitFor(2.0));
  EXPECT_EQ(errors.messages.front(), "Video device was unplugged");
  const auto start = Clock::now();
  EXPECT_EQ(session.graph->Stop(), S_OK);
  EXPECT_LT(SecondsOf(nullptr, start), 1.0);

  // Plugged in again, it is listed and streams again.
  ASSERT_TRUE(system.AttachSimulatedCamera(gst::kSimulatedAnalogCameraName));
  EXPECT_TRUE(IsListed(system, gst::kSimulatedAnalogCameraName));
  EXPECT_EQ(session.graph->Run(), S_OK);
  EXPECT_EQ(session.graph->Stop(), S_OK);
}

TEST(GstUnpluggedCamera, WhileRecordingTheFileKeepsEveryFrameAndItsIndex) {
  testing::ScopedTempDir folder;
  GstMediaSystem system = MakeSystem();
  CaptureSession session;
  std::string step;
  const std::string path = folder.Path("unplugged.avi");
  ASSERT_EQ(testing::BuildCaptureGraph(system, AnalogPal(path), &session, &step), S_OK) << step;
  ErrorLog errors;
  session.graph->SetErrorHandler(errors.Handler());
  ASSERT_EQ(session.graph->Run(), S_OK);
  testing::WaitSeconds(1.0);
  system.DetachSimulatedCamera(gst::kSimulatedAnalogCameraName);
  ASSERT_TRUE(errors.WaitFor(2.0));
  const auto start = Clock::now();
  EXPECT_EQ(session.graph->Stop(), S_OK);
  EXPECT_LT(SecondsOf(nullptr, start), 6.0);
  std::int32_t recorded = 0;
  session.dropped_frames->GetNumNotDropped(&recorded);

  testing::AviFile file;
  std::string error;
  ASSERT_TRUE(testing::ReadAviFile(path, &file, &error)) << error;
  EXPECT_FALSE(file.truncated);
  EXPECT_GE(file.video_chunks.size(), 20u);
  EXPECT_EQ(file.total_frames, file.video_chunks.size());
  EXPECT_TRUE(file.has_idx1 || file.has_indx);
  EXPECT_EQ(static_cast<std::size_t>(recorded), file.video_chunks.size());
}

TEST(GstRecordingFolder, MissingOrUnusablePlacesFailBeforeTheRecordingStarts) {
  testing::ScopedTempDir folder;
  GstMediaSystem system = MakeSystem();
  std::string step;
  {
    CaptureSession session;
    EXPECT_TRUE(Failed(testing::BuildCaptureGraph(
        system, AnalogPal(folder.Path("missing/clip.avi")), &session, &step)));
    EXPECT_EQ(step, "SetOutputFileName");
  }
  {
    // A path that is a folder cannot become a file either.
    std::filesystem::create_directory(folder.Path("taken.avi"));
    CaptureSession session;
    EXPECT_TRUE(Failed(
        testing::BuildCaptureGraph(system, AnalogPal(folder.Path("taken.avi")), &session, &step)));
    EXPECT_EQ(step, "SetOutputFileName");
  }
  {
    // The folder vanishes between building and running: the start fails, nothing hangs.
    std::filesystem::create_directory(folder.Path("later"));
    CaptureSession session;
    ASSERT_EQ(testing::BuildCaptureGraph(system, AnalogPal(folder.Path("later/clip.avi")), &session,
                                         &step),
              S_OK);
    std::filesystem::remove(folder.Path("later"));
    const auto start = Clock::now();
    EXPECT_TRUE(Failed(session.graph->Run()));
    EXPECT_LT(SecondsOf(nullptr, start), 2.0);
    EXPECT_EQ(session.graph->Stop(), S_OK);
  }
}

// Runs inside a child process whose file size limit stands in for a full disk.
TEST(GstDiskFullChild, RecordsUntilTheLimit) {
  const char* path = std::getenv("VESK_DISK_FULL_CHILD");
  if (path == nullptr) GTEST_SKIP() << "runs inside GstFullDisk";
  GstMediaSystem system = MakeSystem();
  CaptureSession session;
  std::string step;
  ASSERT_EQ(testing::BuildCaptureGraph(system, AnalogPal(path), &session, &step), S_OK) << step;
  ErrorLog errors;
  session.graph->SetErrorHandler(errors.Handler());
  const HResult run = session.graph->Run();
  errors.WaitFor(3.0);
  const HResult stop = session.graph->Stop();
  std::printf("RUN=%d STOP=%d ERRORS=%zu\n", run, stop, errors.count());
  for (const std::string& message : errors.messages) std::printf("ERROR: %s\n", message.c_str());
}

TEST(GstFullDisk, TheErrorIsReportedAndTheFileUpToThenStaysReadable) {
  testing::ScopedTempDir folder;
  const std::string path = folder.Path("full.avi");
  const std::string output = folder.Path("child.txt");
  constexpr rlim_t kLimit = 4 * 1024 * 1024;
  std::string variable = "VESK_DISK_FULL_CHILD=" + path;
  std::vector<char*> environment;
  for (char** entry = environ; *entry != nullptr; ++entry) environment.push_back(*entry);
  environment.push_back(variable.data());
  environment.push_back(nullptr);
  std::string exe = "/proc/self/exe";
  std::string filter = "--gtest_filter=GstDiskFullChild.*";
  char* arguments[] = {exe.data(), filter.data(), nullptr};
  const int out = open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  ASSERT_GE(out, 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    dup2(out, 1);
    dup2(out, 2);
    rlimit limit{kLimit, RLIM_INFINITY};
    setrlimit(RLIMIT_FSIZE, &limit);
    // A write past the limit fails with EFBIG instead of killing the process.
    signal(SIGXFSZ, SIG_IGN);
    execve("/proc/self/exe", arguments, environment.data());
    _exit(127);
  }
  close(out);
  int status = 0;
  const auto deadline = Clock::now() + std::chrono::seconds(60);
  while (waitpid(child, &status, WNOHANG) == 0) {
    if (Clock::now() > deadline) {
      kill(child, SIGKILL);
      waitpid(child, &status, 0);
      FAIL() << "the recording did not end";
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  const std::string report = testing::ReadFileBytes(output);
  ASSERT_TRUE(WIFEXITED(status)) << report;
  EXPECT_EQ(WEXITSTATUS(status), 0) << report;
  EXPECT_NE(report.find("ERRORS=1"), std::string::npos) << report;
  EXPECT_NE(report.find("RUN=0"), std::string::npos) << report;

  testing::AviFile file;
  std::string error;
  ASSERT_TRUE(testing::ReadAviFile(path, &file, &error)) << error;
  EXPECT_LE(file.file_size, kLimit);
  EXPECT_GE(file.video_chunks.size(), 1u);
  EXPECT_EQ(file.width, 720);
}

TEST(GstFormats, AFormatTheCameraLacksIsRefused) {
  GstMediaSystem system = MakeSystem();
  auto source =
      testing::BindDevice(system, DeviceCategory::VideoInput, gst::kSimulatedAnalogCameraName);
  ASSERT_TRUE(source);
  std::unique_ptr<MediaGraph> graph;
  system.CreateGraph(&graph);
  graph->AddFilter(source, gst::kSimulatedAnalogCameraName);
  StreamConfig* config = nullptr;
  ASSERT_EQ(graph->FindStreamConfig(source, PinCategory::Capture, &config), S_OK);
  MediaType wrong;
  wrong.subtype_name = "YUY2";
  wrong.subtype = SubtypeCode::YUY2;
  wrong.width = 1920;
  wrong.height = 1080;
  wrong.rate_numerator = 25;
  wrong.avg_time_per_frame = 400000;
  EXPECT_TRUE(Failed(config->SetFormat(wrong)));
  wrong.subtype_name = "MJPG";
  wrong.subtype = SubtypeCode::MJPG;
  wrong.width = 720;
  wrong.height = 576;
  EXPECT_TRUE(Failed(config->SetFormat(wrong)));
  // The device's own type, even rebuilt from its numbers, is taken.
  MediaType pal;
  pal.subtype_name = "YUY2";
  pal.width = 720;
  pal.height = 576;
  pal.avg_time_per_frame = 400000;
  EXPECT_EQ(config->SetFormat(pal), S_OK);
}

TEST(GstCodecs, ACodecThatCannotTakeTheFormatFailsTheCaptureStreamAndLeavesNoHalfConnection) {
  testing::ScopedTempDir folder;
  GstMediaSystem system = MakeSystem();
  CaptureRequest request;
  request.device = gst::kSimulatedWebcamName;
  request.subtype = "YUY2";
  request.width = 640;
  request.height = 480;
  request.rate_numerator = 30;
  request.codec = "libav DV (Digital Video) encoder";  // 720 wide television pictures only
  request.video_path = folder.Path("codec.avi");
  CaptureSession session;
  std::string step;
  EXPECT_TRUE(Failed(testing::BuildCaptureGraph(system, request, &session, &step)));
  EXPECT_EQ(step, "RenderStream(Capture)");
  PinList pins;
  session.codec->EnumPins(&pins);
  for (const auto& pin : pins) {
    std::shared_ptr<MediaPin> other;
    EXPECT_EQ(pin->ConnectedTo(&other), VFW_E_NOT_CONNECTED) << pin->Name();
  }
  // The live video rendered before still runs.
  EXPECT_EQ(session.graph->Run(), S_OK);
  EXPECT_EQ(session.graph->Stop(), S_OK);
}

TEST(GstGraphStates, StartingTwiceAndStoppingTwiceOrNeverStartedAreHarmless) {
  testing::ScopedTempDir folder;
  GstMediaSystem system = MakeSystem();
  CaptureSession session;
  std::string step;
  const std::string path = folder.Path("twice.avi");
  ASSERT_EQ(testing::BuildCaptureGraph(system, AnalogPal(path), &session, &step), S_OK);
  EXPECT_EQ(session.graph->Stop(), S_OK);  // never ran
  EXPECT_EQ(session.graph->Run(), S_OK);
  EXPECT_EQ(session.graph->Run(), S_OK);  // already running: nothing rebuilt
  testing::WaitSeconds(0.5);
  EXPECT_EQ(session.graph->Stop(), S_OK);
  EXPECT_EQ(session.graph->Stop(), S_OK);
  testing::AviFile file;
  std::string error;
  ASSERT_TRUE(testing::ReadAviFile(path, &file, &error)) << error;
  EXPECT_EQ(file.total_frames, file.video_chunks.size());
  EXPECT_GT(file.video_chunks.size(), 5u);

  // An empty graph has nothing to run.
  std::unique_ptr<MediaGraph> empty;
  system.CreateGraph(&empty);
  EXPECT_TRUE(Failed(empty->Run()));
  EXPECT_EQ(empty->Stop(), S_OK);
}

TEST(GstRenderers, GlAndXRenderersFailFastWithoutADisplay) {
  if (std::getenv("DISPLAY") != nullptr || std::getenv("WAYLAND_DISPLAY") != nullptr) {
    GTEST_SKIP() << "a display is available";
  }
  GstMediaSystem system = MakeSystem();
  for (RendererKind kind : {RendererKind::VMR9, RendererKind::VMR7}) {
    CaptureRequest request = AnalogPal();
    request.renderer = kind;
    CaptureSession session;
    std::string step;
    ASSERT_EQ(testing::BuildCaptureGraph(system, request, &session, &step), S_OK) << step;
    const auto start = Clock::now();
    EXPECT_TRUE(Failed(session.graph->Run()));
    EXPECT_LT(SecondsOf(nullptr, start), 2.0);
    EXPECT_FALSE(static_cast<gst::GstMediaGraph*>(session.graph.get())->running());
    EXPECT_EQ(session.graph->Stop(), S_OK);
  }
}

}  // namespace
}  // namespace vesk
