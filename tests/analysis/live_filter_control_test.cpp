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

constexpr char kOcrWarning[] =
    "\r\n01:00:00 (UTC)\r\nAs reported at application startup, character recognition sets are "
    "missing.  You cannot do OCR.\r\n";

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

TEST_F(LiveAnalysisControlTest, TheConnectedFormatGivesStrideRowOrderAndSize) {
  filter->pins.pop_back();
  Connect(MakeVideoType(SubtypeCode::YUY2, 720, 576, 400000));
  ASSERT_EQ(Control().ReadStreamFormat(), S_OK);
  StreamFormat format = analysis.stream_format();
  EXPECT_EQ(format.subtype, SubtypeCode::YUY2);
  EXPECT_EQ(format.stride, 1440);
  EXPECT_EQ(format.width, 720);
  EXPECT_EQ(format.height, 576);
  EXPECT_EQ(format.top_down, 1u);

  // RGB rows: first row first on this platform, last row first where the platform says so.
  filter->pins.pop_back();
  Connect(MakeVideoType(SubtypeCode::RGB24, 641, 480, 400000));
  ASSERT_EQ(Control().ReadStreamFormat(), S_OK);
  format = analysis.stream_format();
  EXPECT_EQ(format.stride, 1924);
  EXPECT_EQ(format.height, 480);
  EXPECT_EQ(format.top_down, 1u);
  ASSERT_EQ(Control(false).ReadStreamFormat(), S_OK);
  EXPECT_EQ(analysis.stream_format().top_down, 0u);

  filter->pins.pop_back();
  Connect(MakeVideoType(SubtypeCode::ARGB32, 1280, 720, 333333));
  ASSERT_EQ(Control().ReadStreamFormat(), S_OK);
  EXPECT_EQ(analysis.stream_format().stride, 5120);
}

TEST_F(LiveAnalysisControlTest, FormatsThatCannotBeReadLeaveTheFormatAsItWas) {
  filter->pins.pop_back();
  Connect(MakeVideoType(SubtypeCode::YUY2, 640, 480, 400000));
  ASSERT_EQ(Control().ReadStreamFormat(), S_OK);
  const StreamFormat before = analysis.stream_format();
  auto unchanged = [&] {
    const StreamFormat now = analysis.stream_format();
    return now.stride == before.stride && now.subtype == before.subtype &&
           now.width == before.width && now.height == before.height;
  };

  filter->pins.pop_back();
  output = filter->AddPin("Output", PinDirection::Output);  // input not connected
  EXPECT_EQ(Control().ReadStreamFormat(), kNotConnectedResult);
  EXPECT_TRUE(unchanged());

  filter->pins.pop_back();
  MediaType no_block = MakeVideoType(SubtypeCode::YUY2, 640, 480, 400000);
  no_block.has_format = false;
  Connect(no_block);
  EXPECT_EQ(Control().ReadStreamFormat(), E_POINTER);

  for (SubtypeCode refused : {SubtypeCode::MJPG, SubtypeCode::UYVY, SubtypeCode::Other}) {
    filter->pins.pop_back();
    Connect(MakeVideoType(refused, 640, 480, 400000));
    EXPECT_EQ(Control().ReadStreamFormat(), kTypeNotAcceptedResult);
  }
  filter->pins.pop_back();
  MediaType odd = MakeVideoType(SubtypeCode::YUY2, 640, 480, 400000);
  odd.height = INT32_MIN;
  Connect(odd);
  EXPECT_EQ(Control().ReadStreamFormat(), kTypeNotAcceptedResult);

  output->types_result = E_FAIL;
  EXPECT_EQ(Control().ReadStreamFormat(), E_FAIL);
  filter->enum_pins_result = E_OUTOFMEMORY;
  EXPECT_EQ(Control().ReadStreamFormat(), E_OUTOFMEMORY);
  EXPECT_TRUE(unchanged());
  EXPECT_EQ(LiveAnalysisControl(analysis, nullptr, true, {}, sets).ReadStreamFormat(), E_POINTER);
}

TEST_F(LiveAnalysisControlTest, EachStartTakesTheSettingsOfThatMoment) {
  LiveAnalysisControl control = Control();
  settings.saturation_value = 200;
  settings.integration_frame_count = 1;
  control.PrepareStreaming(0, 25);
  EXPECT_EQ(analysis.saturation_threshold(), 200);
  EXPECT_EQ(analysis.frame_rate(), 25u);
  EXPECT_TRUE(analysis.integration().accumulation.empty());

  // Integration on: a zeroed buffer of the frame plus 32, and highlighting stays off.
  settings.integration_frame_count = 3;
  control.PrepareStreaming(720 * 576 * 4, 0);
  EXPECT_EQ(control.last_prepare_result(), S_OK);
  EXPECT_EQ(analysis.saturation_threshold(), -1);
  EXPECT_EQ(analysis.frame_rate(), kDefaultFrameRate);
  EXPECT_EQ(analysis.integration().accumulation.size(), 720u * 576u * 4u + 32u);
  EXPECT_TRUE(analysis.integration().dark_level_request);
  control.ReleaseIntegrationBuffer();
  EXPECT_TRUE(analysis.integration().accumulation.empty());
  EXPECT_TRUE(view.entries.empty());

  // A missing interlaced set is reported at every start.
  sets.interlaced.pop_back();
  control.PrepareStreaming(0, 25);
  control.PrepareStreaming(0, 25);
  EXPECT_EQ(view.entries, (std::vector<std::string>{kOcrWarning, kOcrWarning}));
}

}  // namespace
}  // namespace vesk
