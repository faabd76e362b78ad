#include "station/playback_placement.h"

#include <gtest/gtest.h>

namespace vesk {
namespace {

// Controls clear of the picture stay; over it they go below when there is room; on a screen
// too short for both the picture moves up, shortened to scroll, and the controls go below it.
TEST(PlaybackPlacementTest, TheControlsNeverCoverThePicture) {
  const WorkArea area{0, 0, 1280, 1024};
  const PlaybackPair apart{{0, 0, 735, 640}, {740, 0, 640, 240}};
  EXPECT_EQ(KeepControlsOffThePicture(apart, area), apart);
  EXPECT_EQ(KeepControlsOffThePicture({{180, 100, 735, 640}, {100, 550, 640, 240}}, area),
            (PlaybackPair{{180, 100, 735, 640}, {100, 740, 640, 240}}));
  EXPECT_EQ(KeepControlsOffThePicture({{0, 220, 1280, 800}, {100, 550, 640, 240}}, area),
            (PlaybackPair{{0, 0, 1280, 784}, {0, 784, 640, 240}}));
}

}  // namespace
}  // namespace vesk
