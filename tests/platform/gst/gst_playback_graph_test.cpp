// The playback graph on a real file: the frame shown after each seek and step, the time a
// step takes at full PAL size, end of stream, and what cannot be played.

#include "platform/gst/gst_playback_graph.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <thread>

#include "support/temp_dir.h"

namespace vesk {
namespace {

// Remembers the last frame's timestamp; each frame of the test clip is told by it.
struct LastFrame final : VideoFrameTarget {
  void PresentFrame(const VideoFrame& frame, const VideoRect&, bool) override {
    timestamp_ns = frame.timestamp_ns;
    ++count;
  }
  std::atomic<std::int64_t> timestamp_ns{-1};
  std::atomic<int> count{0};
};

TEST(GstPlaybackGraph, StepsAndSeeksShowTheFrameAskedForAndPlayingEndsAtTheEnd) {
  testing::ScopedTempDir folder;
  // A non-ASCII name, as observers name their folders.
  const std::string path = folder.Path("Bedeckung_Ö.avi");
  ASSERT_EQ(std::system(("ffmpeg -loglevel error -y -f lavfi -i testsrc=size=720x576:rate=25 "
                         "-frames:v 20 -c:v rawvideo -pix_fmt yuyv422 '" + path + "'").c_str()),
            0);
  gst::GstPlaybackGraph graph;
  std::atomic<int> ends{0}, failures{0};
  graph.SetEndOfStreamHandler([&](bool failed) { ++(failed ? failures : ends); });
  LastFrame shown;
  ASSERT_EQ(graph.Open(path, 25, 1, &shown), S_OK);
  EXPECT_EQ(graph.CurrentFrame(), 0);
  for (std::int64_t frame : {1, 2, 1, 0, 13, 19}) {
    const auto started = std::chrono::steady_clock::now();
    ASSERT_EQ(graph.SeekToFrame(frame), S_OK);
    const auto took = std::chrono::steady_clock::now() - started;
    EXPECT_EQ(graph.CurrentFrame(), frame);
    EXPECT_LT(took, std::chrono::milliseconds(frame < 3 ? 50 : 500)) << frame;
  }
  ASSERT_EQ(graph.SeekToFrame(15), S_OK);
  ASSERT_EQ(graph.Run(), S_OK);
  for (int i = 0; i < 200 && ends == 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_EQ(ends, 1);
  EXPECT_EQ(failures, 0);
  EXPECT_GE(shown.count, 5);
  graph.Close();
  EXPECT_EQ(graph.CurrentFrame(), -1);


  std::ofstream(folder.Path("text.avi")) << "not a video";
  EXPECT_EQ(graph.Open(folder.Path("text.avi"), 25, 1, &shown), E_ABORT);
  EXPECT_EQ(graph.Open(folder.Path("missing.avi"), 25, 1, &shown), E_ABORT);
}

}  // namespace
}  // namespace vesk
