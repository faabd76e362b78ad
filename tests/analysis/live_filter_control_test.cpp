#include "analysis/live_filter_control.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "support/fake_clock.h"
#include "support/fake_media.h"
#include "support/recording_view.h"

namespace vesk {
namespace {

using testing::FakeFilter;
using testing::MakeVideoType;

class LiveAnalysisControlTest : public ::testing::Test {
 protected:
  LiveAnalysisControlTest() {
    log.AttachView(&view);
    sets.interlaced.resize(2);
    filter->AddPin("Input", PinDirection::Input);
    output = filter->AddPin("Output", PinDirection::Output);
  }

  LiveAnalysisControl Control(bool rgb_rows_top_down = true) {
    return LiveAnalysisControl(
        analysis, filter, rgb_rows_top_down, [this] { return settings; }, sets);
  }

  // What the filter's output lists once its input is connected with this type.
  void Connect(const MediaType& type) {
    filter->pins.pop_back();
    output = filter->AddPin("Output", PinDirection::Output, {type});
  }

  testing::FakeClock clock{testing::MakeFileTime(2026, 1, 2, 1, 0, 0)};
  MessageLog log{clock};
  testing::RecordingView view;
  RecognitionSets sets;
  LiveAnalysis analysis{log};
  AnalysisSettings settings;
  std::shared_ptr<FakeFilter> filter = std::make_shared<FakeFilter>("transform");
  std::shared_ptr<testing::FakePin> output;
};

TEST_F(LiveAnalysisControlTest, TheConnectedFormatIsReadOrTheOldOneKept) {
  // RGB rows: first row first on this platform, last row first where the platform says so.
  Connect(MakeVideoType(SubtypeCode::RGB24, 641, 480, 400000));
  ASSERT_EQ(Control().ReadStreamFormat(), S_OK);
  EXPECT_EQ(analysis.stream_format().stride, 1924);
  EXPECT_EQ(analysis.stream_format().top_down, 1u);
  ASSERT_EQ(Control(false).ReadStreamFormat(), S_OK);
  EXPECT_EQ(analysis.stream_format().top_down, 0u);

  MediaType no_block = MakeVideoType(SubtypeCode::YUY2, 640, 480, 400000);
  no_block.has_format = false;
  MediaType odd = MakeVideoType(SubtypeCode::YUY2, 640, 480, 400000);
  odd.height = INT32_MIN;
  const std::pair<std::vector<MediaType>, HResult> refused[] = {
      {{}, kNotConnectedResult},
      {{no_block}, E_POINTER},
      {{MakeVideoType(SubtypeCode::MJPG, 640, 480, 400000)}, kTypeNotAcceptedResult},
      {{odd}, kTypeNotAcceptedResult}};
  for (const auto& [types, result] : refused) {
    filter->pins.pop_back();
    output = filter->AddPin("Output", PinDirection::Output, types);
    EXPECT_EQ(Control().ReadStreamFormat(), result);
    EXPECT_EQ(analysis.stream_format().stride, 1924);
  }
  filter->enum_pins_result = E_OUTOFMEMORY;
  EXPECT_EQ(Control().ReadStreamFormat(), E_OUTOFMEMORY);
}

}  // namespace
}  // namespace vesk
