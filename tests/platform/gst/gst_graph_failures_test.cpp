// What goes wrong around a graph: a missing folder, a name already taken, a display that
// cannot be opened. None may hang or leave a file behind. A camera unplugged while recording
// and a full disk are run end to end by the headless station's tests.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "media_support/capture_session.h"
#include "support/temp_dir.h"

namespace vesk {
namespace {

using testing::CaptureSession;

HResult BuildRecording(gst::GstMediaSystem& system, const std::string& path,
                       CaptureSession* session) {
  return testing::BuildCaptureGraph(system, {.video_path = path}, session);
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
  const testing::Stopwatch run;
  EXPECT_TRUE(Failed(session.graph->Run()));
  EXPECT_LT(run.Seconds(), 2.0);
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
  CaptureSession session;
  const testing::CaptureRequest request{.renderer = RendererKind::VMR7,
                                        .video_path = folder.Path("display.avi")};
  ASSERT_EQ(testing::BuildCaptureGraph(system, request, &session), S_OK);
  EXPECT_TRUE(Failed(session.graph->Run()));
  EXPECT_FALSE(std::filesystem::exists(folder.Path("display.avi")));
}

}  // namespace
}  // namespace vesk
