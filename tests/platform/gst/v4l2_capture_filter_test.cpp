#include "platform/gst/v4l2_capture_filter.h"

#include <gtest/gtest.h>
#include <linux/videodev2.h>

#include <functional>
#include <memory>
#include <optional>
#include <tuple>
#include <vector>

#include "platform/linux/recorded/recorded_driver.h"
#include "platform/linux/recorded/usb_2861_grabber.h"
#include "platform/linux/recorded/uvc_webcam.h"

namespace vesk::gst {
namespace {

using testing::RecordedNode;
using Property = ProcAmpProperty;

constexpr HResult kGone = static_cast<HResult>(0x8007048Fu);  // as the platform codes them
constexpr HResult kUnsupported = static_cast<HResult>(0x80070490u);
constexpr HResult kInvalid = static_cast<HResult>(0x80070057u);
constexpr std::int32_t kAuto = kProcAmpFlagsAuto;
constexpr std::int32_t kManual = kProcAmpFlagsManual;

struct Replay : testing::RecordedDevice {
  explicit Replay(RecordedNode recorded)
      : RecordedDevice(std::move(recorded)),
        filter(V4l2Node{"/dev/video0", node.card, ""}, std::move(device), {}),
        proc_amp(filter.proc_amp()),
        decoder(filter.analog_decoder()) {}
  V4l2CaptureFilter filter;
  VideoProcAmp* proc_amp;
  AnalogVideoDecoder* decoder;
};

// Paths that are no capture node bind nothing, and say why.
TEST(V4l2CaptureFilterTest, BindRefusesWhatIsNotACaptureNode) {
  const HResult failed = static_cast<HResult>(0x80004005u);
  for (auto [path, result] : {std::pair{"", kInvalid},
                              {"/dev/video-that-is-not-there", kGone},
                              {"/dev/null", failed},
                              {"/", failed}}) {
    std::shared_ptr<MediaFilter> filter = std::make_shared<V4l2CaptureFilter>(
        V4l2Node{}, std::make_unique<V4l2Device>(nullptr), std::vector<MediaType>{});
    EXPECT_EQ(V4l2CaptureFilter::Bind(V4l2Node{path, "", ""}, &filter), result) << path;
    EXPECT_EQ(filter, nullptr);
  }
}

// The recorded grabber switches both ways, as do grabbers that list the family masks first (as
// SAA711x-based ones do: the plain standard is set) or only the masks (a mask is set).
TEST(V4l2CaptureFilterTest, AnalogGrabberStandardsAndTheirTvFormats) {
  Replay replay(testing::Usb2861Grabber());
  AnalogVideoDecoder* decoder = replay.decoder;
  ASSERT_NE(decoder, nullptr);
  std::int32_t format = 0;
  ASSERT_EQ(decoder->GetTvFormat(&format), S_OK);
  EXPECT_EQ(format, 0x10);  // PAL-B, as found
  for (const std::vector<testing::RecordedStandard>& standards :
       {replay.node.standards,
        {{V4L2_STD_NTSC}, {V4L2_STD_NTSC_M}, {V4L2_STD_PAL}, {V4L2_STD_PAL_B}},
        {{V4L2_STD_NTSC}, {V4L2_STD_PAL}}}) {
    replay.node.standards = standards;
    for (std::int32_t wanted : {0x1, 0x10}) {
      ASSERT_EQ(decoder->PutTvFormat(wanted), S_OK);
      ASSERT_EQ(decoder->GetTvFormat(&format), S_OK);
      EXPECT_EQ(format, wanted);
    }
  }
  const std::vector<v4l2_std_id> set = {V4L2_STD_NTSC_M, V4L2_STD_PAL_B, V4L2_STD_NTSC_M,
                                        V4L2_STD_PAL_B,  V4L2_STD_NTSC,  V4L2_STD_PAL};
  EXPECT_EQ(replay.driver->standards_set, set);
  // Formats the station does not support are refused without touching the device; so is
  // NTSC on a grabber that lists none.
  for (std::int32_t other : {0x0, 0x2, 0x4, 0x20, 0x200, 0x400, 0x800, 0x1000, 0x100000}) {
    EXPECT_EQ(decoder->PutTvFormat(other), kInvalid) << other;
  }
  replay.node.standards = {{V4L2_STD_PAL_B}};
  EXPECT_EQ(decoder->PutTvFormat(kAnalogVideoNtscM), kInvalid);
  EXPECT_EQ(replay.driver->standards_set, set);
  EXPECT_EQ(Replay(testing::UvcWebcam()).decoder, nullptr);  // a camera has no TV standard
  // Whatever standard a grabber is left on reads as the TV format of its family, so that the
  // device model can refuse all but PAL-B and NTSC-M; undecided or mixed masks read as none.
  // clang-format off
  const std::pair<v4l2_std_id, std::int32_t> cases[] = {
      {V4L2_STD_PAL_B, 0x10}, {V4L2_STD_PAL_DK, 0x10}, {V4L2_STD_PAL, 0x10},
      {V4L2_STD_NTSC_M, 0x1}, {V4L2_STD_NTSC_M_KR, 0x1}, {V4L2_STD_NTSC, 0x1},
      {V4L2_STD_NTSC_M_JP, 0x2}, {V4L2_STD_NTSC_443, 0x4}, {V4L2_STD_PAL_M, 0x200},
      {V4L2_STD_PAL_N, 0x400}, {V4L2_STD_PAL_60, 0x800}, {V4L2_STD_SECAM_L, 0x1000},
      {V4L2_STD_SECAM, 0x1000}, {V4L2_STD_PAL_Nc, 0x100000}, {0, 0}, {V4L2_STD_ALL, 0},
      {V4L2_STD_ATSC_8_VSB, 0}, {V4L2_STD_PAL_B | V4L2_STD_NTSC_M, 0},
      {V4L2_STD_PAL_B | V4L2_STD_SECAM_L, 0}, {V4L2_STD_NTSC_M | V4L2_STD_PAL_M, 0}};
  // clang-format on
  for (auto [standard, tv_format] : cases) {
    replay.node.current_standard = standard;
    ASSERT_EQ(decoder->GetTvFormat(&format), S_OK);
    EXPECT_EQ(format, tv_format) << std::hex << standard;
  }
}

// A SAA711x narrows the card's standards to the line count it locks on (to none without a
// signal); only a clear line count is an answer.
TEST(V4l2CaptureFilterTest, DetectedStandardsAnswerOnlyWhenTheLinesAreClear) {
  using Answer = std::tuple<std::optional<v4l2_std_id>, int, HResult, std::int32_t>;
  for (const auto& [detected, error, result, format] :
       {Answer{V4L2_STD_625_50, 0, S_OK, 0x10}, {V4L2_STD_525_60, 0, S_OK, 0x1},
        {0, 0, S_FALSE, -1}, {V4L2_STD_ALL, 0, S_FALSE, -1},
        {{}, 0, static_cast<HResult>(0x80004005u), -1}, {{}, ENODEV, kGone, -1}}) {
    RecordedNode node = testing::Usb2861Grabber();
    node.detected_standard = detected;
    node.querystd_error = error;
    std::int32_t found = -1;
    EXPECT_EQ(Replay(node).decoder->DetectTvFormat(&found), result) << detected.value_or(error);
    EXPECT_EQ(found, format);
  }
}

// Each picture control of both recorded nodes as the graph reads it: value, flags, range,
// default and capabilities; the webcam's hue has an automatic mode that is off, its gain one
// that is on. The grabber has no gain.
TEST(V4l2CaptureFilterTest, PictureControlsAsTheDriversGiveAndTakeThem) {
  Replay grabber(testing::Usb2861Grabber());
  Replay webcam(testing::UvcWebcam());
  using Row = std::vector<std::int32_t>;
  const std::tuple<Replay*, Property, Row> cases[] = {
      {&grabber, Property::Brightness, {128, kManual, 0, 255, 128, kManual}},
      {&grabber, Property::Saturation, {64, kManual, 0, 127, 64, kManual}},
      {&grabber, Property::Gain, {}},
      {&webcam, Property::Brightness, {10, kManual, -64, 64, 0, kManual}},
      {&webcam, Property::Contrast, {32, kManual, 0, 64, 32, kManual}},
      {&webcam, Property::Hue, {0, kManual, -40, 40, 0, kAuto | kManual}},
      {&webcam, Property::Saturation, {60, kManual, 0, 128, 64, kManual}},
      {&webcam, Property::Sharpness, {3, kManual, 0, 6, 3, kManual}},
      {&webcam, Property::Gain, {37, kAuto, 0, 100, 0, kAuto | kManual}}};
  for (const auto& [replay, property, expected] : cases) {
    Row got(2, 99);
    ProcAmpRange range{99, 99, 99, 99, 99};
    const HResult result = expected.empty() ? kUnsupported : S_OK;
    EXPECT_EQ(replay->proc_amp->Get(property, &got[0], &got[1]), result) << replay->node.card;
    EXPECT_EQ(replay->proc_amp->GetRange(property, &range), result);
    if (result == S_OK) {
      got.insert(got.end(),
                 {range.minimum, range.maximum, range.default_value, range.capabilities});
      EXPECT_EQ(got, expected) << replay->node.card;
      EXPECT_EQ(range.step, 1);
    } else {
      EXPECT_EQ(got, Row(2, 99));
      EXPECT_EQ(replay->proc_amp->Set(property, 1, kManual), kUnsupported);
      EXPECT_EQ(replay->proc_amp->Set(property, 1, 0), kUnsupported);
    }
  }
  // A zero step would stall stepping through the range; a disabled control is none.
  ProcAmpRange range;
  grabber.node.controls[0].query.step = 0;
  ASSERT_EQ(grabber.proc_amp->GetRange(Property::Brightness, &range), S_OK);
  EXPECT_EQ(range.step, 1);
  grabber.node.controls[1].query.flags = V4L2_CTRL_FLAG_DISABLED;
  std::int32_t value = 0;
  EXPECT_EQ(grabber.proc_amp->Get(Property::Contrast, &value, &value), kUnsupported);
  EXPECT_EQ(grabber.proc_amp->GetRange(static_cast<Property>(5), &range), kUnsupported);

  // A value by hand turns the automatic mode off first, or it would not take.
  std::int32_t flags = 0;
  ASSERT_EQ(webcam.proc_amp->Set(Property::Gain, 50, kManual), S_OK);
  ASSERT_EQ(webcam.proc_amp->Get(Property::Gain, &value, &flags), S_OK);
  EXPECT_EQ(std::pair(value, flags), std::pair(50, kManual));
  ASSERT_EQ(webcam.proc_amp->Set(Property::Gain, 0, kAuto), S_OK);
  ASSERT_EQ(webcam.proc_amp->Get(Property::Gain, &value, &flags), S_OK);
  EXPECT_EQ(std::pair(value, flags), std::pair(50, kAuto));
  // Out of range (the driver would clamp), meaningless, or no automatic mode: nothing changes.
  for (auto [set, mode] : {std::pair{65, kManual}, {0, 0}, {0, kAuto}}) {
    EXPECT_EQ(webcam.proc_amp->Set(Property::Brightness, set, mode), kInvalid) << set << mode;
  }
  EXPECT_EQ(webcam.node.controls[0].value, 10);
}

// Pulls the device away after every call each request makes: the graph is told it has gone,
// whichever of the request's questions meets the gap.
TEST(V4l2CaptureFilterTest, VanishedDeviceIsReportedWhereverTheRequestIs) {
  std::int32_t value = 0;
  ProcAmpRange range;
  std::vector<std::function<HResult(Replay&)>> requests = {
      [&](Replay& r) { return r.decoder->GetTvFormat(&value); },
      [](Replay& r) { return r.decoder->PutTvFormat(kAnalogVideoNtscM); }};
  for (Property property : {Property::Hue, Property::Gain}) {
    requests.push_back(
        [&, property](Replay& r) { return r.proc_amp->Get(property, &value, &value); });
    requests.push_back([&, property](Replay& r) { return r.proc_amp->GetRange(property, &range); });
    for (std::int32_t mode : {kManual, kAuto, 0}) {
      requests.push_back([=](Replay& r) { return r.proc_amp->Set(property, 0, mode); });
    }
  }
  for (const RecordedNode& recorded : {testing::Usb2861Grabber(), testing::UvcWebcam()}) {
    // Skips the TV standard requests on the webcam, which has none.
    for (std::size_t i = recorded.standards.empty() ? 2 : 0; i < requests.size(); ++i) {
      Replay counting(recorded);
      const int before = counting.driver->calls;
      requests[i](counting);
      ASSERT_GT(counting.driver->calls, before) << i;
      for (int after = 0; after < counting.driver->calls - before; ++after) {
        Replay replay(recorded);
        replay.driver->VanishAfter(after);
        EXPECT_EQ(requests[i](replay), kGone)
            << recorded.card << " request " << i << " after " << after;
      }
    }
  }
}

}  // namespace
}  // namespace vesk::gst
