#include "station/inserter_learning_model.h"

#include <gtest/gtest.h>

#include "support/fake_inserter_port.h"

namespace vesk {
namespace {

struct InserterLearningModelTest : ::testing::Test {
  testing::FakeInserterPort port;
  InserterLearningModel model{&port};
};

TEST_F(InserterLearningModelTest, ADragMarksTheStampInFramePixelsAndLearnsWithIt) {
  // Beyond the picture a drag stops at the frame's edges; a click marks nothing.
  const auto edges = FrameRectOfDrag({-5, 560}, {800, 700}, 1, 720, 576).value();
  EXPECT_EQ((std::vector<int>{edges.left, edges.top, edges.right, edges.bottom}),
            (std::vector<int>{0, 560, 720, 576}));
  EXPECT_FALSE(FrameRectOfDrag({100, 100}, {102, 140}, 1, 720, 576));

  port.frame.assign(720 * 576, 0);
  std::vector<std::uint8_t> luma;
  int width = 0, height = 0;
  ASSERT_TRUE(model.TakeFrame(&luma, &width, &height));
  EXPECT_EQ(model.MarkText(), "Stamp not marked: the station finds it.");
  // Shown at half size, drawn from right to left.
  model.MarkDrag({150, 270}, {20, 250}, 0.5);
  EXPECT_EQ(model.MarkText(), "Stamp marked: x 40 to 301, y 500 to 541 (frame pixels).");
  model.set_seconds(1000);
  model.Learn();
  model.Learn();  // refused while learning
  port.status.frames_learnt = 75;
  model.Poll();
  EXPECT_EQ(port.started.size(), 1u);
  EXPECT_EQ(port.started[0].first, kMaxLearningSeconds);
  EXPECT_EQ(model.ProgressText(), "Learning: 75 of 1500 frames");
}

TEST_F(InserterLearningModelTest, ConfirmedDigitsLeaveTheDoubtfulOnesAndSaveErrorsAreShown) {
  model.Learn();
  port.Learnt({3, 8});
  EXPECT_TRUE(model.Poll());
  EXPECT_FALSE(model.Poll());  // taken once: the confirmations stay
  EXPECT_EQ(model.ConfirmText(),
            "2 doubtful digits (framed in orange): tick OK under each whose picture shows that "
            "digit; those left unticked are saved as doubtful.");
  model.SetConfirmed(0, 8, true);
  model.SetConfirmed(0, 4, true);  // certain already
  EXPECT_FALSE(model.Confirmed(0, 4) || model.Confirmed(0, 3));
  port.save_error = "no space left on device";
  std::string error;
  EXPECT_FALSE(model.Save(&error));
  EXPECT_EQ(error, "Could not save the learnt time inserter: no space left on device");
  EXPECT_EQ((*port.saved)[0].doubtful_digits, std::vector<int>{3});

  port.save_error.clear();
  model.SetConfirmed(0, 3, true);
  EXPECT_EQ(model.ConfirmText(), "Every doubtful digit is confirmed.");
  EXPECT_TRUE(model.Save(&error) && (*port.saved)[0].doubtful_digits.empty());
  EXPECT_FALSE(model.can_save());
  model.Learn();  // learning again forgets what was learnt
  EXPECT_FALSE(model.learnt() || model.can_save());
}

TEST_F(InserterLearningModelTest, TheReadOutSaysWhatWasReadAndTheClockOffset) {
  const auto read_out = [&] {
    model.Poll();
    return model.InserterTimeText() + " | " + model.ClockOffsetText();
  };
  EXPECT_EQ(read_out(),
            "Inserter time: not read (no learnt characters in use) | "
            "Computer clock minus inserter: not known");
  port.status.reading = true;
  EXPECT_EQ(read_out(),
            "Inserter time: no field read yet | Computer clock minus inserter: not known");
  port.status.inserter_time = "21:14:07.1234";
  port.status.doubtful = true;
  port.status.clock_minus_inserter_ms = -3.26;
  EXPECT_EQ(
      read_out(),
      "Inserter time: 21:14:07.1234 (doubtful field) | Computer clock minus inserter: -3.3 ms");
}

}  // namespace
}  // namespace vesk
