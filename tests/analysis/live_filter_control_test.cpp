#include "analysis/live_filter_control.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "support/fake_clock.h"
#include "support/fake_media.h"

namespace vesk {
namespace {

using testing::FakeFilter;
using testing::MakeVideoType;

TEST(LiveAnalysisControlTest, TheConnectedFormatIsReadOrTheOldOneKept) {
  testing::FakeClock clock{testing::MakeFileTime(2026, 1, 2, 1, 0, 0)};
  MessageLog log{clock};
  RecognitionSets sets;
  sets.interlaced.resize(2);
  LiveAnalysis analysis{log};
  auto filter = std::make_shared<FakeFilter>("transform");
  filter->AddPin("Input", PinDirection::Input);
  // What the filter's output lists once its input is connected.
  const auto connect = [&](std::vector<MediaType> types) {
    filter->pins.resize(1);
    filter->AddPin("Output", PinDirection::Output, std::move(types));
  };
  const auto control = [&](bool rgb_rows_top_down = true) {
    return LiveAnalysisControl(
        analysis, filter, rgb_rows_top_down, [] { return AnalysisSettings{}; }, sets);
  };
  // RGB rows: first row first on this platform, last row first where the platform says so.
  connect({MakeVideoType(SubtypeCode::RGB24, 641, 480, 400000)});
  ASSERT_EQ(control().ReadStreamFormat(), S_OK);
  EXPECT_EQ(analysis.stream_format().stride, 1924);
  EXPECT_EQ(analysis.stream_format().top_down, 1u);
  ASSERT_EQ(control(false).ReadStreamFormat(), S_OK);
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
    connect(types);
    EXPECT_EQ(control().ReadStreamFormat(), result);
    EXPECT_EQ(analysis.stream_format().stride, 1924);
  }
  filter->enum_pins_result = E_OUTOFMEMORY;
  EXPECT_EQ(control().ReadStreamFormat(), E_OUTOFMEMORY);
}

}  // namespace
}  // namespace vesk
