#include "capture/analog_format.h"

#include <gtest/gtest.h>

#include "capture/capture_graph.h"
#include "support/capture_bed.h"

namespace vesk {
namespace {

using testing::MakeVideoType;

struct Case {
  std::int32_t start, drawn, decoder_after;  // the decoder's standard; frames drawn in the test
  std::string failing, report;  // a step made to fail (or the device's own answer); the log
  AnalogFormat found;
  bool auto_after;
};

// A grabber with groups 30, 25 and 25 (the later PAL group is taken), detected by AutoSet.
void Detect(const Case& c) {
  testing::CaptureBed bed;
  auto grabber =
      bed.AddSource("USB 2861 Device", {MakeVideoType(SubtypeCode::YUY2, 720, 480, 333667)});
  VideoSourceInfo& info = bed.device();
  const VideoFormat pal = MakeVideoFormat(MakeVideoType(SubtypeCode::YUY2, 720, 576, 400000));
  if (c.failing != "no PAL format") info.frame_rates.resize(3, {true, 25, "25", 0, 0, {pal}});
  grabber->decoder = std::make_unique<testing::FakeAnalogDecoder>();
  grabber->decoder->tv_format = c.start;
  grabber->decoder->detect_result = c.failing.starts_with("answers") ? S_OK : E_NOTIMPL;
  info.auto_detect_format = true;
  bed.media.plan.Fail(c.failing);
  CaptureGraph graph{bed.GraphContext(), nullptr, nullptr};
  EXPECT_TRUE(ValidationHooksFor(graph).auto_set_analog_device_format);
  if (c.failing == "recording") {  // a recording is never stopped for a test
    bed.target.video_file_name = "VideoFiles/a.avi";
    graph.renderers().set_display_window(0x77);
    EXPECT_EQ(graph.StartCamera(bed.target), S_OK);
  }
  bed.view.entries.clear();
  AutoSetAnalogDeviceFormat(graph, &info, [&](std::chrono::milliseconds time) {
    EXPECT_EQ(time.count(), 1600);
    auto renderer = graph.renderers().Renderer(RendererKind::NullRenderer);
    static_cast<testing::FakeFilter*>(renderer.get())->renderer_control->frames_drawn = c.drawn;
  });
  const std::string log = "\r\n03:05:09 (UTC)\r\n" + c.report;
  EXPECT_EQ(bed.view.Text(), c.report.empty() ? "" : log) << c.failing << " " << c.drawn;
  EXPECT_EQ(std::tuple(info.analog_format, grabber->decoder->tv_format, info.auto_detect_format),
            std::tuple(c.found, c.decoder_after, c.auto_after));
  const std::uint32_t group = c.found == AnalogFormat::PAL ? 2u : 0u;
  EXPECT_TRUE(!c.failing.empty() ||
              (info.current_rate_index == group && info.frame_rates[group].enabled));
  EXPECT_EQ(bed.fake().running, c.failing == "recording");
}

TEST(AnalogFormatTest, SixFramesProvePalAndAFailedTestPutsTheDecoderBack) {
  constexpr std::int32_t kPal = kAnalogVideoPalB, kNtsc = kAnalogVideoNtscM;
  constexpr AnalogFormat PAL = AnalogFormat::PAL, NTSC = AnalogFormat::NTSC;
  const std::string to = "Auto Detect: device \"USB 2861 Device\" format changed from ";
  const std::string failed =
      "\r\n03:05:09 (UTC)\r\nWARNING: call to TestAnalogDeviceFormat failed "
      "in AutoSetAnalogDeviceFormat\r\n";
  for (const Case& c :
       {Case{kNtsc, 6, kPal, "", to + "NTSC to PAL\r\n", PAL, true},
        Case{kPal, 5, kNtsc, "", to + "PAL to NTSC\r\n", NTSC, true},
        Case{kNtsc, 5, kNtsc, "", "", NTSC, true}, Case{kPal, 40, kPal, "", "", PAL, true},
        Case{kNtsc, 40, kNtsc, "no PAL format",
             "WARNING: PAL analog formats cannot be found during call to "
             "TestAnalogDeviceFormat\r\n",
             PAL, false},
        Case{kNtsc, 40, kNtsc, "RenderStream:Preview",
             "WARNING: call to RenderStream fails during TestAnalogDeviceFormat\r\n" + failed, PAL,
             false},
        Case{kNtsc, 40, kNtsc, "recording",
             "WARNING: the analog format cannot be tested while recording in "
             "TestAnalogDeviceFormat\r\n" +
                 failed,
             PAL, true},
        // The device's own answer wins over what the test would find.
        Case{kPal, 40, kNtsc, "answers NTSC", to + "PAL to NTSC\r\n", NTSC, true}}) {
    Detect(c);
  }
}

}  // namespace
}  // namespace vesk
