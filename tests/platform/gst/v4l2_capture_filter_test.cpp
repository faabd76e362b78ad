#include "platform/gst/v4l2_capture_filter.h"

#include <gtest/gtest.h>
#include <linux/videodev2.h>

#include <functional>
#include <memory>
#include <vector>

#include "platform/linux/recorded/recorded_driver.h"
#include "platform/linux/recorded/usb_2861_grabber.h"
#include "platform/linux/recorded/uvc_webcam.h"

namespace vesk::gst {
namespace {

using testing::RecordedDriver;
using testing::RecordedNode;
using Property = ProcAmpProperty;

// The codes the graph receives, as the platform defines them.
constexpr HResult kGone = static_cast<HResult>(0x8007048Fu);
constexpr HResult kUnsupported = static_cast<HResult>(0x80070490u);
constexpr HResult kInvalid = static_cast<HResult>(0x80070057u);
constexpr std::int32_t kManual = kProcAmpFlagsManual;
constexpr std::int32_t kBoth = kProcAmpFlagsAuto | kProcAmpFlagsManual;

// The capture filter of a recorded node, as the graph sees it; the node stays with the test
// so it can be changed.
struct Replay {
  explicit Replay(RecordedNode recorded) : node(std::move(recorded)) {
    auto owned = std::make_unique<RecordedDriver>(&node);
    driver = owned.get();
    filter = std::make_unique<V4l2CaptureFilter>(V4l2Node{"/dev/video0", node.card, ""},
                                                 std::make_unique<V4l2Device>(std::move(owned)),
                                                 std::vector<MediaType>{});
    proc_amp = filter->proc_amp();
    decoder = filter->analog_decoder();
  }
  RecordedNode node;
  RecordedDriver* driver = nullptr;
  std::unique_ptr<V4l2CaptureFilter> filter;
  VideoProcAmp* proc_amp = nullptr;
  AnalogVideoDecoder* decoder = nullptr;
};

TEST(V4l2CaptureFilterTest, CodesGivenToTheGraph) {
  using Family = V4l2StandardFamily;
  const std::pair<Family, std::int32_t> formats[] = {
      {Family::None, 0x0},      {Family::NtscM, 0x1},   {Family::NtscMJ, 0x2},
      {Family::Ntsc443, 0x4},   {Family::Pal, 0x10},    {Family::PalM, 0x200},
      {Family::PalN, 0x400},    {Family::Pal60, 0x800}, {Family::Secam, 0x1000},
      {Family::PalNc, 0x100000}};
  for (const auto& [family, format] : formats) {
    EXPECT_EQ(TvFormatOfFamily(family), format) << format;
    // Only the two the station supports go back to a family.
    const bool supported = family == Family::Pal || family == Family::NtscM;
    EXPECT_EQ(FamilyOfTvFormat(format), supported ? family : Family::None) << format;
  }
  EXPECT_EQ(FamilyOfTvFormat(0x20), Family::None);
  const std::pair<V4l2Status, HResult> results[] = {
      {V4l2Status::Ok, 0},
      {V4l2Status::Gone, kGone},
      {V4l2Status::Failed, static_cast<HResult>(0x80004005u)},
      {V4l2Status::Unsupported, kUnsupported},
      {V4l2Status::Refused, kInvalid}};
  for (const auto& [status, result] : results) EXPECT_EQ(ResultOfV4l2(status), result);
}

TEST(V4l2CaptureFilterTest, AnalogGrabberSwitchesStandardsBothWays) {
  Replay replay(testing::Usb2861Grabber());
  AnalogVideoDecoder* decoder = replay.decoder;
  ASSERT_NE(decoder, nullptr);
  std::int32_t format = 0;
  ASSERT_EQ(decoder->GetTvFormat(&format), S_OK);
  EXPECT_EQ(format, 0x10);                   // PAL-B, as found
  for (std::int32_t wanted : {0x1, 0x10}) {  // NTSC-M and back
    ASSERT_EQ(decoder->PutTvFormat(wanted), S_OK);
    ASSERT_EQ(decoder->GetTvFormat(&format), S_OK);
    EXPECT_EQ(format, wanted);
  }
  EXPECT_EQ(replay.driver->standards_set(),
            (std::vector<v4l2_std_id>{V4L2_STD_NTSC_M, V4L2_STD_PAL_B}));

  // Formats the station does not support are refused without touching the device.
  EXPECT_EQ(decoder->PutTvFormat(kAnalogVideoPalM), kInvalid);
  EXPECT_EQ(decoder->PutTvFormat(0x20), kInvalid);
  EXPECT_EQ(replay.driver->standards_set().size(), 2u);

  // A grabber left on SECAM reads as a format of its own, which the device model refuses.
  replay.node.current_standard = V4L2_STD_SECAM_L;
  ASSERT_EQ(decoder->GetTvFormat(&format), S_OK);
  EXPECT_EQ(format, 0x1000);

  // A grabber that lists no NTSC standard refuses it.
  replay.node.standards = {{V4L2_STD_PAL_B, {1, 25}}};
  EXPECT_EQ(decoder->PutTvFormat(kAnalogVideoNtscM), kInvalid);

  // A camera has no TV standard.
  EXPECT_EQ(Replay(testing::UvcWebcam()).decoder, nullptr);
}

// Each of the six picture controls of both recorded nodes, as the graph reads it.
TEST(V4l2CaptureFilterTest, PictureControlsAsTheDriversGiveThem) {
  const struct {
    bool webcam;
    Property property;
    HResult result;
    std::int32_t value = 0, flags = 0, minimum = 0, maximum = 0, default_value = 0,
                 capabilities = 0;
  } cases[] = {
      {false, Property::Brightness, S_OK, 128, kManual, 0, 255, 128, kManual},
      {false, Property::Contrast, S_OK, 64, kManual, 0, 127, 64, kManual},
      {false, Property::Hue, S_OK, 0, kManual, -128, 127, 0, kManual},
      {false, Property::Saturation, S_OK, 64, kManual, 0, 127, 64, kManual},
      {false, Property::Sharpness, kUnsupported},
      {false, Property::Gain, kUnsupported},
      {true, Property::Brightness, S_OK, 10, kManual, -64, 64, 0, kManual},
      {true, Property::Contrast, S_OK, 32, kManual, 0, 64, 32, kManual},
      // Hue has an automatic mode that is off; gain's is on.
      {true, Property::Hue, S_OK, 0, kManual, -40, 40, 0, kBoth},
      {true, Property::Saturation, S_OK, 60, kManual, 0, 128, 64, kManual},
      {true, Property::Sharpness, S_OK, 3, kManual, 0, 6, 3, kManual},
      {true, Property::Gain, S_OK, 37, kProcAmpFlagsAuto, 0, 100, 0, kBoth},
  };
  Replay grabber(testing::Usb2861Grabber());
  Replay webcam(testing::UvcWebcam());
  for (const auto& c : cases) {
    VideoProcAmp* proc_amp = c.webcam ? webcam.proc_amp : grabber.proc_amp;
    const int row = static_cast<int>(&c - cases);
    std::int32_t value = 99;
    std::int32_t flags = 99;
    ProcAmpRange range{99, 99, 99, 99, 99};
    ASSERT_EQ(proc_amp->Get(c.property, &value, &flags), c.result) << row;
    ASSERT_EQ(proc_amp->GetRange(c.property, &range), c.result) << row;
    if (c.result != S_OK) {
      EXPECT_EQ(value, 99);
      EXPECT_EQ(proc_amp->Set(c.property, 1, kManual), c.result);
      EXPECT_EQ(proc_amp->Set(c.property, 1, 0), c.result);
      continue;
    }
    EXPECT_EQ(
        std::vector({value, flags, range.minimum, range.maximum, range.default_value,
                     range.capabilities, range.step}),
        std::vector({c.value, c.flags, c.minimum, c.maximum, c.default_value, c.capabilities, 1}))
        << row;
  }
  ProcAmpRange range;
  EXPECT_EQ(grabber.proc_amp->GetRange(static_cast<Property>(5), &range), kUnsupported);

  // Odd answers: a zero step would stall any stepping through the range; an upside-down
  // range or a disabled control is no control.
  grabber.node.controls[0].step = 0;
  ASSERT_EQ(grabber.proc_amp->GetRange(Property::Brightness, &range), S_OK);
  EXPECT_EQ(range.step, 1);
  grabber.node.controls[0].minimum = 256;
  EXPECT_EQ(grabber.proc_amp->GetRange(Property::Brightness, &range), kUnsupported);
  grabber.node.controls[1].flags = V4L2_CTRL_FLAG_DISABLED;
  std::int32_t value = 0;
  std::int32_t flags = 0;
  EXPECT_EQ(grabber.proc_amp->Get(Property::Contrast, &value, &flags), kUnsupported);
}

TEST(V4l2CaptureFilterTest, ValueByHandTurnsTheAutomaticModeOff) {
  Replay replay(testing::UvcWebcam());
  VideoProcAmp* proc_amp = replay.proc_amp;
  std::int32_t value = 0;
  std::int32_t flags = 0;
  // Otherwise the value would not take.
  ASSERT_EQ(proc_amp->Set(Property::Gain, 50, kManual), S_OK);
  ASSERT_EQ(proc_amp->Get(Property::Gain, &value, &flags), S_OK);
  EXPECT_EQ(value, 50);
  EXPECT_EQ(flags, kManual);
  ASSERT_EQ(proc_amp->Set(Property::Gain, 0, kProcAmpFlagsAuto), S_OK);
  ASSERT_EQ(proc_amp->Get(Property::Gain, &value, &flags), S_OK);
  EXPECT_EQ(flags, kProcAmpFlagsAuto);
  EXPECT_EQ(value, 50);

  // Out of range or meaningless requests change nothing (the driver would clamp); a
  // control without an automatic mode cannot be switched to one.
  EXPECT_EQ(proc_amp->Set(Property::Brightness, 65, kManual), kInvalid);
  EXPECT_EQ(proc_amp->Set(Property::Brightness, 0, 0), kInvalid);
  EXPECT_EQ(proc_amp->Set(Property::Brightness, 0, kProcAmpFlagsAuto), kInvalid);
  ASSERT_EQ(proc_amp->Get(Property::Brightness, &value, &flags), S_OK);
  EXPECT_EQ(value, 10);
}

// Pulls the device away after every call each request makes: the graph is told it has
// gone, whichever of the request's questions meets the gap.
TEST(V4l2CaptureFilterTest, VanishedDeviceIsReportedWhereverTheRequestIs) {
  std::int32_t value = 0;
  std::int32_t flags = 0;
  ProcAmpRange range;
  using Request = std::function<HResult(Replay&)>;
  std::vector<Request> requests;
  for (Property property : {Property::Hue, Property::Gain}) {
    requests.push_back(
        [&, property](Replay& r) { return r.proc_amp->Get(property, &value, &flags); });
    requests.push_back([&, property](Replay& r) { return r.proc_amp->GetRange(property, &range); });
    for (std::int32_t mode : {kManual, kProcAmpFlagsAuto, 0}) {
      requests.push_back(
          [property, mode](Replay& r) { return r.proc_amp->Set(property, 0, mode); });
    }
  }
  const std::vector<Request> analog = {
      [&](Replay& r) { return r.decoder->GetTvFormat(&value); },
      [](Replay& r) { return r.decoder->PutTvFormat(kAnalogVideoNtscM); }};
  for (const RecordedNode& recorded : {testing::Usb2861Grabber(), testing::UvcWebcam()}) {
    std::vector<Request> all = requests;
    if (recorded.card == testing::Usb2861Grabber().card) {
      all.insert(all.end(), analog.begin(), analog.end());
    }
    for (std::size_t i = 0; i < all.size(); ++i) {
      Replay counting(recorded);
      const int before = counting.driver->calls();
      all[i](counting);
      const int calls = counting.driver->calls() - before;
      ASSERT_GT(calls, 0) << i;
      for (int after = 0; after < calls; ++after) {
        Replay replay(recorded);
        replay.driver->VanishAfter(after);
        EXPECT_EQ(all[i](replay), kGone) << recorded.card << " request " << i << " after " << after;
        EXPECT_EQ(replay.filter->analog_decoder(), nullptr);
      }
    }
  }
}

}  // namespace
}  // namespace vesk::gst
