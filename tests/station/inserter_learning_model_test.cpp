#include "station/inserter_learning_model.h"

#include <gtest/gtest.h>

#include "support/fake_inserter_port.h"

namespace vesk {
namespace {

using inserter::StampBand;
using Phase = InserterStatus::Phase;

bool Same(const std::optional<StampBand>& a, const StampBand& b) {
  return a && a->left == b.left && a->top == b.top && a->right == b.right && a->bottom == b.bottom;
}

TEST(InserterLearningModelTest, ADragMarksTheStampInFramePixelsAndLearnsWithIt) {
  // Shown at half size: each shown pixel covers two frame pixels; drawn either way.
  EXPECT_TRUE(Same(FrameRectOfDrag({150, 270}, {20, 250}, 0.5, 720, 576), {40, 500, 302, 542}));
  // Beyond the picture it stops at the frame's edges; a click marks nothing.
  EXPECT_TRUE(Same(FrameRectOfDrag({-5, 560}, {800, 700}, 1.0, 720, 576), {0, 560, 720, 576}));
  EXPECT_FALSE(FrameRectOfDrag({100, 100}, {102, 140}, 1.0, 720, 576));
  EXPECT_FALSE(FrameRectOfDrag({0, 0}, {50, 50}, 1.0, 0, 0));

  testing::FakeInserterPort port;
  port.frame.assign(720 * 576, 0);
  port.frame_width = 720;
  port.frame_height = 576;
  InserterLearningModel model(&port);
  std::vector<std::uint8_t> luma;
  int width = 0, height = 0;
  ASSERT_TRUE(model.TakeFrame(&luma, &width, &height));
  EXPECT_EQ(model.MarkText(), "Stamp not marked: the station finds it.");
  model.MarkDrag({20, 250}, {150, 270}, 0.5);
  EXPECT_EQ(model.MarkText(), "Stamp marked: x 40 to 301, y 500 to 541 (frame pixels).");
  model.set_seconds(1000);
  model.Learn();
  model.ClearMark();
  model.set_seconds(0);
  model.Learn();  // refused: learning is under way
  ASSERT_EQ(port.started.size(), 1u);
  EXPECT_EQ(port.started[0].first, kMaxLearningSeconds);
  EXPECT_TRUE(Same(port.started[0].second, {40, 500, 302, 542}));
  EXPECT_TRUE(model.can_stop() && !model.can_learn());
  port.status.frames_learnt = 75;
  model.Poll();
  EXPECT_EQ(model.ProgressText(), "Learning: 75 of 1500 frames");

  // A smaller format leaves a mark that no longer fits behind.
  model.MarkDrag({20, 250}, {150, 270}, 0.5);
  port.frame.assign(320 * 240, 0);
  port.frame_width = 320;
  port.frame_height = 240;
  ASSERT_TRUE(model.TakeFrame(&luma, &width, &height));
  EXPECT_FALSE(model.mark());
}

TEST(InserterLearningModelTest, ConfirmedDigitsLeaveTheDoubtfulOnesAndSaveErrorsAreShown) {
  testing::FakeInserterPort port;
  InserterLearningModel model(&port);
  model.Learn();
  port.Learnt({3, 8}, {7});
  EXPECT_TRUE(model.Poll());
  EXPECT_FALSE(model.Poll());  // taken once; confirmations stay
  EXPECT_EQ(model.ProgressText(), "Learnt from 250 frames.");
  EXPECT_EQ(model.ConfirmText(),
            "3 doubtful digits (framed in orange): tick OK under each whose picture shows that "
            "digit; those left unticked are saved as doubtful.");
  model.SetConfirmed(0, 8, true);
  model.SetConfirmed(0, 4, true);  // certain already
  model.SetConfirmed(2, 7, true);  // no such field
  EXPECT_TRUE(model.Confirmed(0, 8));
  EXPECT_FALSE(model.Confirmed(0, 4) || model.Confirmed(0, 3) || model.Confirmed(1, 7));

  port.save_error = "VESK_VTI_Interlaced.txt: no space left on device";
  std::string error;
  EXPECT_FALSE(model.Save(&error));
  EXPECT_EQ(error,
            "Could not save the learnt time inserter: VESK_VTI_Interlaced.txt: no space left on "
            "device");
  EXPECT_EQ(model.save_text(), error);
  EXPECT_TRUE(model.can_save());
  ASSERT_TRUE(port.saved);
  EXPECT_EQ((*port.saved)[0].doubtful_digits, std::vector<int>{3});
  EXPECT_EQ((*port.saved)[1].doubtful_digits, std::vector<int>{7});

  port.save_error.clear();
  model.SetConfirmed(0, 3, true);
  model.SetConfirmed(1, 7, true);
  EXPECT_EQ(model.ConfirmText(), "Every doubtful digit is confirmed.");
  EXPECT_TRUE(model.Save(&error));
  EXPECT_TRUE((*port.saved)[0].doubtful_digits.empty() && (*port.saved)[1].doubtful_digits.empty());
  EXPECT_EQ(model.save_text(), kSavedText);
  EXPECT_FALSE(model.can_save());
  // Changing a confirmation calls for saving again; learning again forgets them.
  model.SetConfirmed(1, 7, false);
  EXPECT_TRUE(model.can_save());
  model.Learn();
  EXPECT_FALSE(model.learnt() || model.can_save());
}

TEST(InserterLearningModelTest, TheReadOutAndAStationWithoutLiveVideo) {
  testing::FakeInserterPort port;
  InserterLearningModel model(&port);
  model.Poll();
  EXPECT_EQ(model.InserterTimeText(), "Inserter time: not read (no learnt characters in use)");
  port.status.reading = true;
  model.Poll();
  EXPECT_EQ(model.InserterTimeText(), "Inserter time: no field read yet");
  EXPECT_EQ(model.ClockOffsetText(), "Computer clock minus inserter: not known");
  port.status.inserter_time = "21:14:07.1234";
  port.status.clock_minus_inserter_ms = -3.26;
  model.Poll();
  EXPECT_EQ(model.InserterTimeText(), "Inserter time: 21:14:07.1234");
  EXPECT_EQ(model.ClockOffsetText(), "Computer clock minus inserter: -3.3 ms");
  port.status.doubtful = true;
  port.status.inserter_time = "21:14:0?.1254";
  port.status.clock_minus_inserter_ms = 12.0;
  model.Poll();
  EXPECT_EQ(model.InserterTimeText(), "Inserter time: 21:14:0?.1254 (doubtful field)");
  EXPECT_EQ(model.ClockOffsetText(), "Computer clock minus inserter: +12.0 ms");

  InserterLearningModel without(nullptr);
  std::vector<std::uint8_t> luma;
  int width = 0, height = 0;
  without.Learn();
  EXPECT_FALSE(without.Poll() || without.TakeFrame(&luma, &width, &height));
  EXPECT_FALSE(without.can_learn() || without.can_stop() || without.can_save());
  std::string error;
  EXPECT_FALSE(without.Save(&error));
  EXPECT_EQ(error, "Could not save the learnt time inserter: nothing was learnt");
  EXPECT_EQ(without.InserterTimeText(), "Inserter time: not read (no learnt characters in use)");
}

}  // namespace
}  // namespace vesk
