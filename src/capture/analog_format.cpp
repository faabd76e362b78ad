#include "capture/analog_format.h"

#include <memory>
#include <optional>
#include <string>
#include <thread>

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

HResult TestAnalogDeviceFormat(CaptureGraph& graph, VideoSourceInfo* info, bool* changed,
                               const AnalogTestWait& wait) {
  MessageLog& log = graph.context().log;
  bool unused = false;
  if (changed == nullptr) changed = &unused;
  *changed = false;
  auto fail = [&log](const char* text) {
    log.ReportMessage(text);
    return E_FAIL;
  };

  // A running recording is never stopped for a test: then only the device's own answer
  // can serve (a device plugged in while another one records).
  const bool recording = graph.recording();

  // Empty the capture graph; live video stops.
  if (!recording && Failed(graph.RemoveGraphFilters())) {
    return fail("Logic error: call to RemoveGraphFilters failed in TestAnalogDeviceFormat\r\n");
  }
  if (info == nullptr) {
    return fail("Logic error: NULL input parameter to TestAnalogDeviceFormat\r\n");
  }
  MediaGraph* media = graph.graph();
  if (media == nullptr) {
    return fail(
        "Logic error: filter graph not created at time of call to TestAnalogDeviceFormat\r\n");
  }

  // The device, and the renderer that counts the frames reaching it. The Null Renderer
  // needs no display, so detection also works headless, and the test video is not shown.
  if (Failed(graph.sources().GetVideoSourceBaseFilter(info)) || !info->base_filter) {
    return fail("WARNING: cannot get source base filter during call to TestAnalogDeviceFormat\r\n");
  }
  const std::shared_ptr<MediaFilter> source = info->base_filter;
  std::shared_ptr<MediaFilter> renderer;
  StreamConfig* config = nullptr;
  if (!recording) {
    if (Failed(media->AddFilter(source, "Test Source"))) {
      return fail(
          "WARNING: Cannot add test video source filter to filter graph in "
          "TestAnalogDeviceFormat\r\n");
    }
    const VideoFormat* current = SourceVideoFormat(*info);
    const FrameSize size = current != nullptr ? FrameSize{current->width, current->height}
                                              : FrameSize{kPalTestWidth, kPalTestHeight};
    if (Failed(graph.renderers().AddRenderer(*media, RendererKind::NullRenderer, size, "")) ||
        !(renderer = graph.renderers().Renderer(RendererKind::NullRenderer))) {
      return fail(
          "WARNING: cannot add video rendering filter to filter graph during call to "
          "TestAnalogDeviceFormat\r\n");
    }
    if (Failed(media->FindStreamConfig(source, PinCategory::Capture, &config)) ||
        config == nullptr) {
      return fail(
          "WARNING: NULL stream configuration interface during call to "
          "TestAnalogDeviceFormat\r\n");
    }
  }
  AnalogVideoDecoder* decoder = nullptr;
  if (Failed(media->FindAnalogVideoDecoder(source, &decoder)) || decoder == nullptr) {
    return fail(
        "WARNING: NULL analog video decoder interface during call to TestAnalogDeviceFormat\r\n");
  }

  // The standard the decoder starts in.
  std::int32_t start = -1;
  if (Failed(decoder->GetTvFormat(&start))) {
    return fail("WARNING: cannot get analog device format in TestAnalogDeviceFormat\r\n");
  }

  // A decoder that detects the signal's standard itself answers exactly and at once.
  if (const std::optional<std::int32_t> detected = DetectedByDevice(*decoder)) {
    if (*detected != start && Failed(decoder->PutTvFormat(*detected))) {
      return fail("WARNING: cannot set analog format in TestAnalogDeviceFormat\r\n");
    }
    info->analog_format = AnalogFormatOf(*detected);
    *changed = (*detected == kAnalogVideoPalB && start == kAnalogVideoNtscM) ||
               (*detected == kAnalogVideoNtscM && start == kAnalogVideoPalB);
    return S_OK;
  }
  if (recording) {
    return fail(
        "WARNING: the analog format cannot be tested while recording in "
        "TestAnalogDeviceFormat\r\n");
  }

  // The test runs in PAL; a decoder left on another standard is set too, so a PAL result
  // is also the decoder's standard.
  if (start != kAnalogVideoPalB) {
    if (start != kAnalogVideoNtscM) {
      log.ReportMessage(info->name +
                            "  has unsupported properties.  Only PAL_B and NTSC_M have "
                            "properties support\r\n",
                        false);
    }
    if (Failed(decoder->PutTvFormat(kAnalogVideoPalB))) {
      return fail("WARNING: cannot set analog format in TestAnalogDeviceFormat\r\n");
    }
  }
  // A test that cannot run leaves the decoder as it found it and detection to the observer.
  auto give_up = [&](const char* text) {
    info->auto_detect_format = false;
    const HResult put_back =
        start == kAnalogVideoNtscM ? decoder->PutTvFormat(kAnalogVideoNtscM) : S_OK;
    log.ReportMessage(text);
    return put_back;
  };

  const VideoFormat* test_format = FindPalTestFormat(*info);
  if (test_format == nullptr) {
    return give_up(
        "WARNING: PAL analog formats cannot be found during call to TestAnalogDeviceFormat\r\n");
  }
  if (Failed(config->SetFormat(test_format->media_type))) {
    give_up(
        "WARNING: cannot set video stream format for analog video device during call to "
        "TestAnalogDeviceFormat\r\n");
    return E_FAIL;
  }
  if (Failed(media->RenderStream(PinCategory::Preview, source, nullptr, renderer))) {
    give_up("WARNING: call to RenderStream fails during TestAnalogDeviceFormat\r\n");
    return E_FAIL;
  }

  // Frames flow on the streaming threads for the test time; its result is not examined,
  // since a graph that did not run simply draws nothing.
  media->Run();
  if (wait) wait(kAnalogTestTime);

  // The count is read before the stop, and the decoder is written after it: drivers
  // refuse a change of standard while the device streams.
  RendererControl* control = nullptr;
  renderer->QueryRendererControl(&control);
  std::int32_t drawn = 0;
  const HResult counted =
      control != nullptr ? control->GetFramesDrawn(&drawn) : static_cast<HResult>(E_POINTER);
  media->Stop();
  if (control == nullptr) {
    give_up(
        "Logic error: unexpected NULL pointer to IQualProp interface in "
        "TestAnalogDeviceFormat\r\n");
    return E_FAIL;
  }
  if (Failed(counted)) {
    give_up("WARNING: call to get_FramesDrawn fails during TestAnalogDeviceFormat\r\n");
    return E_FAIL;
  }

  if (drawn >= kPalProofFrames) {
    info->analog_format = AnalogFormat::PAL;
    *changed = start == kAnalogVideoNtscM;
  } else if (Succeeded(decoder->PutTvFormat(kAnalogVideoNtscM))) {
    info->analog_format = AnalogFormat::NTSC;
    *changed = start == kAnalogVideoPalB;
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
