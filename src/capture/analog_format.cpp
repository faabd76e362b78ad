#include "capture/analog_format.h"

#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "base/report_failure.h"
#include "capture/capture_graph.h"
#include "media/media_graph.h"

namespace vesk {
namespace {

// The first 720x576 format of the first 25 frames-per-second group that has one.
const VideoFormat* FindPalTestFormat(const VideoSourceInfo& info) {
  for (const VideoFormatsByFrameRate& group : info.frame_rates) {
    if (group.frame_rate != kPalTestFrameRate) continue;
    for (const VideoFormat& format : group.formats) {
      if (format.width == kPalTestWidth && format.height == kPalTestHeight) return &format;
    }
  }
  return nullptr;
}

AnalogFormat AnalogFormatOf(std::int32_t tv_format) {
  return tv_format == kAnalogVideoPalB ? AnalogFormat::PAL : AnalogFormat::NTSC;
}

// The standard the device's decoder detects by itself, when it can tell PAL from NTSC.
std::optional<std::int32_t> DetectedByDevice(AnalogVideoDecoder& decoder) {
  std::int32_t detected = -1;
  if (decoder.DetectTvFormat(&detected) != S_OK) return std::nullopt;
  if (detected != kAnalogVideoPalB && detected != kAnalogVideoNtscM) return std::nullopt;
  return detected;
}

}  // namespace

void BlockForAnalogTest(std::chrono::milliseconds time) { std::this_thread::sleep_for(time); }

HResult SetAnalogDeviceFormat(CaptureGraph& graph, AnalogFormat format) {
  MessageLog& log = graph.context().log;
  if (format != AnalogFormat::NTSC && format != AnalogFormat::PAL) {
    log.ReportMessage(
        "Logic error: input device format is not analog in call to SetAnalogDeviceFormat\r\n");
    return E_FAIL;
  }
  VideoSourceInfo* info = graph.sources().CurrentSource();
  if (info == nullptr) {
    log.ReportMessage(
        "Logic error: current source index is out-of-range in call to SetAnalogDeviceFormat\r\n");
    return E_FAIL;
  }
  // The decoder of the device in use, bound when it is not yet.
  AnalogVideoDecoder* decoder = nullptr;
  if (graph.graph() == nullptr || Failed(graph.sources().GetVideoSourceBaseFilter(info)) ||
      Failed(graph.graph()->FindAnalogVideoDecoder(info->base_filter, &decoder)) ||
      decoder == nullptr) {
    log.ReportMessage(
        "WARNING: analog video decoder interface is NULL in SetAnalogDeviceFormat\r\n");
    return E_FAIL;
  }
  const std::int32_t tv_format = format == AnalogFormat::PAL ? kAnalogVideoPalB : kAnalogVideoNtscM;
  if (Failed(decoder->PutTvFormat(tv_format))) {
    log.ReportMessage("WARNING: cannot set analog format in SetAnalogDeviceFormat\r\n");
    return E_FAIL;
  }
  return S_OK;
}

namespace {

// One test of an analog device's standard and what its steps found.
struct AnalogTest {
  CaptureGraph& graph;
  VideoSourceInfo* info;
  MessageLog& log;
  // A running recording is never stopped for a test: then only the device's own answer
  // can serve (a device plugged in while another one records).
  bool recording;
  MediaGraph* media = nullptr;
  std::shared_ptr<MediaFilter> source{};
  std::shared_ptr<MediaFilter> renderer{};
  StreamConfig* config = nullptr;
  AnalogVideoDecoder* decoder = nullptr;
  std::int32_t start = -1;  // the standard the decoder starts in
};

HResult EmptyGraphForTest(AnalogTest& test) {
  // Empty the capture graph; live video stops.
  if (!test.recording && Failed(test.graph.RemoveGraphFilters())) {
    return ReportFailure(
        test.log, "Logic error: call to RemoveGraphFilters failed in TestAnalogDeviceFormat\r\n");
  }
  if (test.info == nullptr) {
    return ReportFailure(test.log,
                         "Logic error: NULL input parameter to TestAnalogDeviceFormat\r\n");
  }
  test.media = test.graph.graph();
  if (test.media == nullptr) {
    return ReportFailure(
        test.log,
        "Logic error: filter graph not created at time of call to TestAnalogDeviceFormat\r\n");
  }
  return S_OK;
}

// The device, and the renderer that counts the frames reaching it. The Null Renderer
// needs no display, so detection also works headless, and the test video is not shown.
HResult BindTestFilters(AnalogTest& test) {
  VideoSourceInfo& info = *test.info;
  MediaGraph& media = *test.media;
  if (Failed(test.graph.sources().GetVideoSourceBaseFilter(&info)) || !info.base_filter) {
    return ReportFailure(
        test.log,
        "WARNING: cannot get source base filter during call to TestAnalogDeviceFormat\r\n");
  }
  test.source = info.base_filter;
  if (!test.recording) {
    if (Failed(media.AddFilter(test.source, "Test Source"))) {
      return ReportFailure(test.log,
                           "WARNING: Cannot add test video source filter to filter graph in "
                           "TestAnalogDeviceFormat\r\n");
    }
    const VideoFormat* current = SourceVideoFormat(info);
    const FrameSize size = current != nullptr ? FrameSize{current->width, current->height}
                                              : FrameSize{kPalTestWidth, kPalTestHeight};
    if (Failed(test.graph.renderers().AddRenderer(media, RendererKind::NullRenderer, size, "")) ||
        !(test.renderer = test.graph.renderers().Renderer(RendererKind::NullRenderer))) {
      return ReportFailure(test.log,
                           "WARNING: cannot add video rendering filter to filter graph during "
                           "call to TestAnalogDeviceFormat\r\n");
    }
    if (Failed(media.FindStreamConfig(test.source, PinCategory::Capture, &test.config)) ||
        test.config == nullptr) {
      return ReportFailure(test.log,
                           "WARNING: NULL stream configuration interface during call to "
                           "TestAnalogDeviceFormat\r\n");
    }
  }
  if (Failed(media.FindAnalogVideoDecoder(test.source, &test.decoder)) || test.decoder == nullptr) {
    return ReportFailure(
        test.log,
        "WARNING: NULL analog video decoder interface during call to TestAnalogDeviceFormat\r\n");
  }
  if (Failed(test.decoder->GetTvFormat(&test.start))) {
    return ReportFailure(test.log,
                         "WARNING: cannot get analog device format in TestAnalogDeviceFormat\r\n");
  }
  return S_OK;
}

// A decoder that detects the signal's standard itself answers exactly and at once; nothing
// when it cannot tell.
std::optional<HResult> AnswerFromDevice(AnalogTest& test, bool* changed) {
  const std::optional<std::int32_t> detected = DetectedByDevice(*test.decoder);
  if (!detected) return std::nullopt;
  if (*detected != test.start && Failed(test.decoder->PutTvFormat(*detected))) {
    return ReportFailure(test.log,
                         "WARNING: cannot set analog format in TestAnalogDeviceFormat\r\n");
  }
  test.info->analog_format = AnalogFormatOf(*detected);
  *changed = (*detected == kAnalogVideoPalB && test.start == kAnalogVideoNtscM) ||
             (*detected == kAnalogVideoNtscM && test.start == kAnalogVideoPalB);
  return S_OK;
}

// The test runs in PAL; a decoder left on another standard is set too, so a PAL result
// is also the decoder's standard.
HResult PutDecoderInPal(AnalogTest& test) {
  if (test.start == kAnalogVideoPalB) return S_OK;
  if (test.start != kAnalogVideoNtscM) {
    test.log.ReportMessage(test.info->name +
                               "  has unsupported properties.  Only PAL_B and NTSC_M have "
                               "properties support\r\n",
                           false);
  }
  if (Failed(test.decoder->PutTvFormat(kAnalogVideoPalB))) {
    return ReportFailure(test.log,
                         "WARNING: cannot set analog format in TestAnalogDeviceFormat\r\n");
  }
  return S_OK;
}

// A test that cannot run leaves the decoder as it found it and detection to the observer;
// the result of putting the decoder back.
HResult GiveUp(AnalogTest& test, const char* text) {
  test.info->auto_detect_format = false;
  const HResult put_back =
      test.start == kAnalogVideoNtscM ? test.decoder->PutTvFormat(kAnalogVideoNtscM) : S_OK;
  test.log.ReportMessage(text);
  return put_back;
}

// Frames flow on the streaming threads for the test time; the run's result is not
// examined, since a graph that did not run simply draws nothing. *drawn: the frames drawn;
// a test given up gives the result TestAnalogDeviceFormat returns.
std::optional<HResult> RunPalTest(AnalogTest& test, const AnalogTestWait& wait,
                                  std::int32_t* drawn) {
  const VideoFormat* test_format = FindPalTestFormat(*test.info);
  if (test_format == nullptr) {
    return GiveUp(
        test,
        "WARNING: PAL analog formats cannot be found during call to TestAnalogDeviceFormat\r\n");
  }
  if (Failed(test.config->SetFormat(test_format->media_type))) {
    GiveUp(test,
           "WARNING: cannot set video stream format for analog video device during call to "
           "TestAnalogDeviceFormat\r\n");
    return HResult{E_FAIL};
  }
  if (Failed(test.media->RenderStream(PinCategory::Preview, test.source, nullptr, test.renderer))) {
    GiveUp(test, "WARNING: call to RenderStream fails during TestAnalogDeviceFormat\r\n");
    return HResult{E_FAIL};
  }
  test.media->Run();
  if (wait) wait(kAnalogTestTime);

  // The count is read before the stop, and the decoder is written after it: drivers
  // refuse a change of standard while the device streams.
  RendererControl* control = nullptr;
  test.renderer->QueryRendererControl(&control);
  const HResult counted =
      control != nullptr ? control->GetFramesDrawn(drawn) : static_cast<HResult>(E_POINTER);
  test.media->Stop();
  if (control == nullptr) {
    GiveUp(test,
           "Logic error: unexpected NULL pointer to IQualProp interface in "
           "TestAnalogDeviceFormat\r\n");
    return HResult{E_FAIL};
  }
  if (Failed(counted)) {
    GiveUp(test, "WARNING: call to get_FramesDrawn fails during TestAnalogDeviceFormat\r\n");
    return HResult{E_FAIL};
  }
  return std::nullopt;
}

}  // namespace

HResult TestAnalogDeviceFormat(CaptureGraph& graph, VideoSourceInfo* info, bool* changed,
                               const AnalogTestWait& wait) {
  bool unused = false;
  if (changed == nullptr) changed = &unused;
  *changed = false;
  AnalogTest test{graph, info, graph.context().log, graph.recording()};
  if (const HResult r = EmptyGraphForTest(test); Failed(r)) return r;
  if (const HResult r = BindTestFilters(test); Failed(r)) return r;
  if (const std::optional<HResult> answer = AnswerFromDevice(test, changed)) return *answer;
  if (test.recording) {
    return ReportFailure(test.log,
                         "WARNING: the analog format cannot be tested while recording in "
                         "TestAnalogDeviceFormat\r\n");
  }
  if (const HResult r = PutDecoderInPal(test); Failed(r)) return r;
  std::int32_t drawn = 0;
  if (const std::optional<HResult> given_up = RunPalTest(test, wait, &drawn)) return *given_up;

  if (drawn >= kPalProofFrames) {
    info->analog_format = AnalogFormat::PAL;
    *changed = test.start == kAnalogVideoNtscM;
  } else if (Succeeded(test.decoder->PutTvFormat(kAnalogVideoNtscM))) {
    info->analog_format = AnalogFormat::NTSC;
    *changed = test.start == kAnalogVideoPalB;
  }
  return S_OK;
}

void AutoSetAnalogDeviceFormat(CaptureGraph& graph, VideoSourceInfo* info,
                               const AnalogTestWait& wait) {
  MessageLog& log = graph.context().log;
  if (info == nullptr) {
    log.ReportMessage(
        "Logic error: NULL pointer to VideoSourceInfo in call to AutoSetAnalogDeviceFormat\r\n");
    return;
  }
  bool changed = false;
  if (Failed(TestAnalogDeviceFormat(graph, info, &changed, wait))) {
    log.ReportMessage(
        "WARNING: call to TestAnalogDeviceFormat failed in AutoSetAnalogDeviceFormat\r\n");
    return;
  }
  if (changed) {
    log.ReportMessage(
        "Auto Detect: device \"" + info->name + "\" format changed from " +
        (info->analog_format == AnalogFormat::NTSC ? "PAL to NTSC\r\n" : "NTSC to PAL\r\n"));
  }
  SetAnalogDeviceFrameRate(log, info);
}

DeviceValidationHooks ValidationHooksFor(CaptureGraph& graph) {
  DeviceValidationHooks hooks;
  hooks.find_analog_video_decoder = [&graph](const std::shared_ptr<MediaFilter>& filter,
                                             AnalogVideoDecoder** decoder) {
    *decoder = nullptr;
    MediaGraph* media = graph.graph();
    return media != nullptr ? media->FindAnalogVideoDecoder(filter, decoder) : E_FAIL;
  };
  hooks.auto_set_analog_device_format = [&graph](VideoSourceInfo* info) {
    AutoSetAnalogDeviceFormat(graph, info);
  };
  return hooks;
}

}  // namespace vesk
