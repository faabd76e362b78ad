#include "platform/gst/v4l2_capture_filter.h"

#include <gtest/gtest.h>
#include <linux/videodev2.h>

#include <memory>
#include <vector>

#include "platform/linux/recorded/recorded_driver.h"
#include "platform/linux/recorded/usb_2861_grabber.h"
#include "platform/linux/recorded/uvc_webcam.h"

namespace vesk::gst {
namespace {

using testing::RecordedDriver;
using testing::RecordedNode;

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
  }
  RecordedNode node;
  RecordedDriver* driver = nullptr;
  std::unique_ptr<V4l2CaptureFilter> filter;
  VideoProcAmp* proc_amp = nullptr;
};

TEST(V4l2CaptureFilterTest, StandardFamiliesAreTheDecodersTvFormats) {
  using Family = V4l2StandardFamily;
  const std::pair<Family, std::int32_t> table[] = {
      {Family::None, 0x0},      {Family::NtscM, 0x1},   {Family::NtscMJ, 0x2},
      {Family::Ntsc443, 0x4},   {Family::Pal, 0x10},    {Family::PalM, 0x200},
      {Family::PalN, 0x400},    {Family::Pal60, 0x800}, {Family::Secam, 0x1000},
      {Family::PalNc, 0x100000}};
  for (const auto& [family, format] : table) {
    EXPECT_EQ(TvFormatOfFamily(family), format) << format;
    // Only the two the station supports go back to a family.
    const bool supported = family == Family::Pal || family == Family::NtscM;
    EXPECT_EQ(FamilyOfTvFormat(format), supported ? family : Family::None) << format;
  }
  EXPECT_EQ(FamilyOfTvFormat(0x20), Family::None);

  EXPECT_EQ(ResultOfV4l2(V4l2Status::Ok), S_OK);
  EXPECT_EQ(ResultOfV4l2(V4l2Status::Gone), static_cast<HResult>(0x8007048Fu));
  EXPECT_EQ(ResultOfV4l2(V4l2Status::Failed), E_FAIL);
  EXPECT_EQ(ResultOfV4l2(V4l2Status::Unsupported), static_cast<HResult>(0x80070490u));
  EXPECT_EQ(ResultOfV4l2(V4l2Status::Refused), E_INVALIDARG);
}

TEST(V4l2CaptureFilterTest, AnalogGrabberSwitchesStandardsBothWays) {
  Replay replay(testing::Usb2861Grabber());
  AnalogVideoDecoder* decoder = replay.filter->analog_decoder();
  ASSERT_NE(decoder, nullptr);
  std::int32_t format = 0;
  ASSERT_EQ(decoder->GetTvFormat(&format), S_OK);
  EXPECT_EQ(format, kAnalogVideoPalB);

  ASSERT_EQ(decoder->PutTvFormat(kAnalogVideoNtscM), S_OK);
  ASSERT_EQ(decoder->GetTvFormat(&format), S_OK);
  EXPECT_EQ(format, kAnalogVideoNtscM);
  ASSERT_EQ(decoder->PutTvFormat(kAnalogVideoPalB), S_OK);
  ASSERT_EQ(decoder->GetTvFormat(&format), S_OK);
  EXPECT_EQ(format, kAnalogVideoPalB);
  EXPECT_EQ(replay.driver->standards_set(),
            (std::vector<v4l2_std_id>{V4L2_STD_NTSC_M, V4L2_STD_PAL_B}));

  // Formats the station does not support are refused without touching the device.
  EXPECT_EQ(decoder->PutTvFormat(kAnalogVideoPalM), E_INVALIDARG);
  EXPECT_EQ(decoder->PutTvFormat(0x20), E_INVALIDARG);
  EXPECT_EQ(replay.driver->standards_set().size(), 2u);

  // A grabber left on SECAM reads as a format of its own, which the device model refuses.
  replay.node.current_standard = V4L2_STD_SECAM_L;
  ASSERT_EQ(decoder->GetTvFormat(&format), S_OK);
  EXPECT_EQ(format, kAnalogVideoSecamB);

  // A grabber that lists no NTSC standard refuses it.
  replay.node.standards.resize(1);
  replay.node.standards[0] = {V4L2_STD_PAL_B, "PAL-B", {1, 25}, 625};
  EXPECT_EQ(decoder->PutTvFormat(kAnalogVideoNtscM), E_INVALIDARG);

  replay.driver->VanishAfter(0);
  EXPECT_EQ(decoder->GetTvFormat(&format), kV4l2DeviceGone);
  EXPECT_EQ(decoder->PutTvFormat(kAnalogVideoNtscM), kV4l2DeviceGone);
  EXPECT_EQ(replay.filter->analog_decoder(), nullptr);

  // A camera has no TV standard.
  EXPECT_EQ(Replay(testing::UvcWebcam()).filter->analog_decoder(), nullptr);
}

TEST(V4l2CaptureFilterTest, AnalogGrabberHasFourManualControls) {
  Replay replay(testing::Usb2861Grabber());
  VideoProcAmp* proc_amp = replay.proc_amp;
  ProcAmpRange range;
  ASSERT_EQ(proc_amp->GetRange(ProcAmpProperty::Brightness, &range), S_OK);
  EXPECT_EQ(range.minimum, 0);
  EXPECT_EQ(range.maximum, 255);
  EXPECT_EQ(range.step, 1);
  EXPECT_EQ(range.default_value, 128);
  EXPECT_EQ(range.capabilities, kProcAmpFlagsManual);
  ASSERT_EQ(proc_amp->GetRange(ProcAmpProperty::Hue, &range), S_OK);
  EXPECT_EQ(range.minimum, -128);
  EXPECT_EQ(range.maximum, 127);

  std::int32_t value = 0;
  std::int32_t flags = 0;
  for (ProcAmpProperty property : {ProcAmpProperty::Brightness, ProcAmpProperty::Contrast,
                                   ProcAmpProperty::Hue, ProcAmpProperty::Saturation}) {
    EXPECT_EQ(proc_amp->Get(property, &value, &flags), S_OK);
    EXPECT_EQ(flags, kProcAmpFlagsManual);
  }
  ASSERT_EQ(proc_amp->Get(ProcAmpProperty::Contrast, &value, &flags), S_OK);
  EXPECT_EQ(value, 64);

  value = 99;
  for (ProcAmpProperty property : {ProcAmpProperty::Gain, ProcAmpProperty::Sharpness}) {
    EXPECT_EQ(proc_amp->Get(property, &value, &flags), kV4l2PropertyUnsupported);
    EXPECT_EQ(proc_amp->GetRange(property, &range), kV4l2PropertyUnsupported);
    EXPECT_EQ(proc_amp->Set(property, 1, kProcAmpFlagsManual), kV4l2PropertyUnsupported);
    EXPECT_EQ(proc_amp->Set(property, 1, 0), kV4l2PropertyUnsupported);
  }
  EXPECT_EQ(value, 99);
  EXPECT_EQ(proc_amp->Set(ProcAmpProperty::Hue, 5, kProcAmpFlagsAuto), E_INVALIDARG);
  EXPECT_EQ(proc_amp->GetRange(static_cast<ProcAmpProperty>(5), &range), kV4l2PropertyUnsupported);

  // Odd answers: a zero step would stall any stepping through the range; an upside-down
  // range or a disabled control is no control.
  replay.node.controls[0].step = 0;
  ASSERT_EQ(proc_amp->GetRange(ProcAmpProperty::Brightness, &range), S_OK);
  EXPECT_EQ(range.step, 1);
  replay.node.controls[0].minimum = 256;
  EXPECT_EQ(proc_amp->GetRange(ProcAmpProperty::Brightness, &range), kV4l2PropertyUnsupported);
  replay.node.controls[1].flags = V4L2_CTRL_FLAG_DISABLED;
  EXPECT_EQ(proc_amp->GetRange(ProcAmpProperty::Contrast, &range), kV4l2PropertyUnsupported);
  EXPECT_EQ(proc_amp->Get(ProcAmpProperty::Contrast, &value, &flags), kV4l2PropertyUnsupported);

  replay.driver->VanishAfter(0);
  EXPECT_EQ(proc_amp->Get(ProcAmpProperty::Hue, &value, &flags), kV4l2DeviceGone);
  EXPECT_EQ(proc_amp->GetRange(ProcAmpProperty::Hue, &range), kV4l2DeviceGone);
  EXPECT_EQ(proc_amp->Set(ProcAmpProperty::Hue, 0, kProcAmpFlagsManual), kV4l2DeviceGone);
  EXPECT_EQ(proc_amp->Set(ProcAmpProperty::Hue, 0, 0), kV4l2DeviceGone);
}

TEST(V4l2CaptureFilterTest, WebcamGainReadsAutomaticUntilSetByHand) {
  Replay replay(testing::UvcWebcam());
  VideoProcAmp* proc_amp = replay.proc_amp;
  std::int32_t value = 0;
  std::int32_t flags = 0;
  ASSERT_EQ(proc_amp->Get(ProcAmpProperty::Gain, &value, &flags), S_OK);
  EXPECT_EQ(value, 37);
  EXPECT_EQ(flags, kProcAmpFlagsAuto);
  ProcAmpRange range;
  ASSERT_EQ(proc_amp->GetRange(ProcAmpProperty::Gain, &range), S_OK);
  EXPECT_EQ(range.maximum, 100);
  EXPECT_EQ(range.capabilities, kProcAmpFlagsAuto | kProcAmpFlagsManual);

  // Hue has an automatic mode that is off; brightness has none.
  ASSERT_EQ(proc_amp->Get(ProcAmpProperty::Hue, &value, &flags), S_OK);
  EXPECT_EQ(flags, kProcAmpFlagsManual);
  ASSERT_EQ(proc_amp->GetRange(ProcAmpProperty::Hue, &range), S_OK);
  EXPECT_EQ(range.capabilities, kProcAmpFlagsAuto | kProcAmpFlagsManual);
  ASSERT_EQ(proc_amp->Get(ProcAmpProperty::Brightness, &value, &flags), S_OK);
  EXPECT_EQ(value, 10);
  ASSERT_EQ(proc_amp->GetRange(ProcAmpProperty::Brightness, &range), S_OK);
  EXPECT_EQ(range.minimum, -64);
  EXPECT_EQ(range.capabilities, kProcAmpFlagsManual);

  // A value by hand turns the automatic mode off first, or it would not take.
  ASSERT_EQ(proc_amp->Set(ProcAmpProperty::Gain, 50, kProcAmpFlagsManual), S_OK);
  ASSERT_EQ(proc_amp->Get(ProcAmpProperty::Gain, &value, &flags), S_OK);
  EXPECT_EQ(value, 50);
  EXPECT_EQ(flags, kProcAmpFlagsManual);
  ASSERT_EQ(proc_amp->Set(ProcAmpProperty::Gain, 0, kProcAmpFlagsAuto), S_OK);
  ASSERT_EQ(proc_amp->Get(ProcAmpProperty::Gain, &value, &flags), S_OK);
  EXPECT_EQ(flags, kProcAmpFlagsAuto);
  EXPECT_EQ(value, 50);

  // Out of range or meaningless requests change nothing (the driver would clamp).
  EXPECT_EQ(proc_amp->Set(ProcAmpProperty::Brightness, 65, kProcAmpFlagsManual), E_INVALIDARG);
  EXPECT_EQ(proc_amp->Set(ProcAmpProperty::Brightness, 0, 0), E_INVALIDARG);
  EXPECT_EQ(proc_amp->Set(ProcAmpProperty::Brightness, 0, kProcAmpFlagsAuto), E_INVALIDARG);
  ASSERT_EQ(proc_amp->Get(ProcAmpProperty::Brightness, &value, &flags), S_OK);
  EXPECT_EQ(value, 10);
}

}  // namespace
}  // namespace vesk::gst
