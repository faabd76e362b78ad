// The playback controls against a stand-in graph, on a file of inter-coded frames.

#include "playback/playback_player.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "platform/linux/posix_avi_file.h"
#include "support/fake_clock.h"
#include "support/temp_dir.h"

namespace vesk {
namespace {

struct FakeMedia final : PlaybackMedia {
  HResult Open(const std::string&, std::uint32_t, std::uint32_t, VideoFrameTarget*) override {
    return open_result;
  }
  void Close() override { seeks.clear(); }
  HResult Run() override { return S_OK; }
  HResult Pause() override { return S_OK; }
  HResult SeekToFrame(std::int64_t frame) override {
    seeks.push_back(frame);
    return S_OK;
  }
  std::int64_t CurrentFrame() override { return playing_at; }
  void SetEndOfStreamHandler(std::function<void(bool)>) override {}
  HResult open_result = S_OK;
  std::vector<std::int64_t> seeks;
  std::int64_t playing_at = -1;
};

struct FakeView final : PlaybackView {
  void ShowSlider(std::int64_t last, std::int64_t at) override { slider_last = last, slider = at; }
  void ShowEnabling(const PlaybackEnabling& shown) override { enabling = shown; }
  void ShowVideoSize(std::uint32_t, std::uint32_t) override {}
  std::int64_t slider_last = -1, slider = -1;
  PlaybackEnabling enabling{};
};

class PlaybackPlayerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // 30 frames with a key frame every 12: stepping still reaches every frame.
    ASSERT_EQ(std::system("ffmpeg -loglevel error -y -f lavfi -i testsrc=size=64x48:rate=25 "
                          "-frames:v 30 -c:v mpeg4 -g 12 -bf 0 clip.avi"),
              0);
    PosixAviFile file("clip.avi", false);
    ASSERT_TRUE(player.Open("clip.avi", file, nullptr));
  }
  testing::ScopedTempDir folder;
  FakeMedia media;
  FakeView view;
  testing::FakeClock clock;
  MessageLog log{clock};
  PlaybackPlayer player{media, view, log};
};

TEST_F(PlaybackPlayerTest, StepsReachEveryFrameAndStopAtBothEnds) {
  EXPECT_EQ(view.slider_last, 29);
  for (int i = 1; i < 29; ++i) player.ForwardOneFrame();
  EXPECT_EQ(player.state(), PlaybackState::SteppedForward);
  player.ForwardOneFrame();
  EXPECT_EQ(player.state(), PlaybackState::AtEnd);
  EXPECT_EQ(media.seeks.back(), 29);
  player.SeekTo(1);
  player.BackOneFrame();
  EXPECT_EQ(player.state(), PlaybackState::AtBeginning);
  EXPECT_EQ(media.seeks.back(), 0);
}

TEST_F(PlaybackPlayerTest, PlayingFollowsTheGraphShortOfTheEndAndEndsThere) {
  player.StartPlayback();
  EXPECT_EQ(view.enabling, EnablingFor(PlaybackState::Playing));
  EXPECT_FALSE(view.enabling.close || view.enabling.information || view.enabling.open);
  media.playing_at = 17;
  player.PositionTick();
  EXPECT_EQ(view.slider, 17);
  media.playing_at = 29;
  player.PositionTick();  // never onto the last frame by the timer
  EXPECT_EQ(view.slider, 17);
  player.EndOfStream(false);
  EXPECT_EQ(player.state(), PlaybackState::AtEnd);
  EXPECT_EQ(view.slider, 29);
  player.StartPlayback();  // off at the end
  EXPECT_EQ(player.state(), PlaybackState::AtEnd);
  player.BeginningOfFile();
  player.StartPlayback();
  media.playing_at = 9;
  EXPECT_TRUE(player.PauseForRecording());
  EXPECT_EQ(player.state(), PlaybackState::Paused);
  EXPECT_EQ(view.slider, 9);
  // The file can no longer be read: said once, and the player has no file.
  player.EndOfStream(true);
  EXPECT_EQ(log.PendingCount(), 1u);
  EXPECT_EQ(player.state(), PlaybackState::NoFile);
  EXPECT_EQ(view.enabling, EnablingFor(PlaybackState::NoFile));
  EXPECT_FALSE(player.PauseForRecording());
  media.open_result = E_ABORT;
  PosixAviFile file("clip.avi", false);
  EXPECT_FALSE(player.Open("clip.avi", file, nullptr));
  EXPECT_EQ(player.state(), PlaybackState::NoFile);
}

}  // namespace
}  // namespace vesk
