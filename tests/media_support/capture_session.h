#pragma once

// Capture graphs on the GStreamer media system built the way the capture code builds them:
// source filter under its name, format, renderer, preview stream, and for a recording the AVI
// multiplexer, the optional compressor and the capture stream; and a video window stand-in.

#include <chrono>
#include <ctime>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "capture/video_sources.h"
#include "media/media_graph.h"
#include "media/video_frame_target.h"
#include "platform/gst/gst_media_system.h"

namespace vesk::testing {

struct CaptureSession {
  std::unique_ptr<MediaGraph> graph;
  std::shared_ptr<MediaFilter> source, renderer, mux, codec;
  DroppedFrames* dropped_frames = nullptr;
  std::string failed_step;  // the step that failed the build
};

struct CaptureRequest {
  std::string device = gst::kSimulatedAnalogCameraName, subtype = "YUY2";
  int width = 720, height = 576, rate_numerator = 25;
  RendererKind renderer = RendererKind::NullRenderer;
  std::string video_path = {};  // empty: live video only
  std::string codec = {};       // compressor friendly name, empty for none
  bool ser = false;             // a SER file instead of AVI
  bool colour = false;          // SER in RGB rather than MONO
};

// The simulated cameras only; unpaced, they deliver as fast as the graph takes frames.
inline gst::GstMediaSystem SimulatedSystem(bool paced = true) {
  gst::GstMediaSystemOptions options;
  options.simulated_cameras = true;
  options.v4l2_devices = false;
  options.paced_simulation = paced;
  return gst::GstMediaSystem(options);
}

// The named device bound to a filter; empty when it is not listed.
inline std::shared_ptr<MediaFilter> BindDevice(MediaSystem& system, DeviceCategory category,
                                               const std::string& name) {
  MonikerList monikers;
  system.EnumerateDevices(category, &monikers);
  std::string friendly;
  std::shared_ptr<MediaFilter> filter;
  for (const auto& moniker : monikers) {
    if (Succeeded(moniker->ReadFriendlyName(&friendly)) && friendly == name) {
      return Succeeded(moniker->BindToFilter(&filter)) ? filter : nullptr;
    }
  }
  return nullptr;
}

// Builds the graph; the first failing step's result, with its name in failed_step.
inline HResult BuildCaptureGraph(MediaSystem& system, const CaptureRequest& request,
                                 CaptureSession* session) {
  CaptureSession& s = *session;
  auto found = [](bool ok) { return ok ? S_OK : E_FAIL; };
  PinList pins;
  std::vector<MediaType> types;
  StreamConfig* config = nullptr;
  auto format = [&] {  // the camera's type of the requested subtype, size and rate
    for (const MediaType& type : types) {
      if (type.subtype_name == request.subtype && type.width == request.width &&
          type.height == request.height && type.rate_numerator == request.rate_numerator) {
        return config->SetFormat(type);
      }
    }
    return E_FAIL;
  };
#define VESK_STEP(name, call) \
  if (HResult result = (call); Failed(result)) return s.failed_step = (name), result
  VESK_STEP("CreateGraph", system.CreateGraph(&s.graph));
  s.source = BindDevice(system, DeviceCategory::VideoInput, request.device);
  VESK_STEP("BindDevice", found(s.source && Succeeded(s.source->EnumPins(&pins)) && !pins.empty()));
  VESK_STEP("AddFilter(source)", s.graph->AddFilter(s.source, request.device));
  VESK_STEP("FindStreamConfig", s.graph->FindStreamConfig(s.source, PinCategory::Capture, &config));
  VESK_STEP("SetFormat", Succeeded(pins.at(0)->EnumMediaTypes(&types)) ? format() : E_FAIL);
  VESK_STEP("CreateRenderer", system.CreateRenderer(request.renderer, &s.renderer));
  VESK_STEP("AddFilter(renderer)", s.graph->AddFilter(s.renderer, "Renderer"));
  VESK_STEP("RenderStream(Preview)",
            s.graph->RenderStream(PinCategory::Preview, s.source, nullptr, s.renderer));
  if (request.video_path.empty()) return S_OK;
  if (request.ser) {
    SerRecordingSetup setup{request.colour, "station", request.device};
    VESK_STEP("SetSerOutputFileName",
              s.graph->SetSerOutputFileName(request.video_path, setup, &s.mux));
  } else {
    VESK_STEP("SetOutputFileName", s.graph->SetOutputFileName(request.video_path, &s.mux));
  }
  if (!request.codec.empty()) {
    s.codec = BindDevice(system, DeviceCategory::VideoCompressor, request.codec);
    VESK_STEP("BindDevice(codec)", found(s.codec != nullptr));
    VESK_STEP("AddFilter(codec)", s.graph->AddFilter(s.codec, request.codec));
  }
  VESK_STEP("RenderStream(Capture)",
            s.graph->RenderStream(PinCategory::Capture, s.source, s.codec, s.mux));
#undef VESK_STEP
  s.graph->FindDroppedFrames(s.source, PinCategory::Capture, &s.dropped_frames);
  return S_OK;
}

// Makes a device the one in use, with its first format of a subtype at its first rate.
inline bool UseFormat(VideoSources& sources, const std::string& device, SubtypeCode subtype) {
  sources.SetCurrentSourceIndex(sources.IndexOf(device));
  VideoSourceInfo* info = sources.CurrentSource();
  if (info == nullptr) return false;
  VideoFormatsByFrameRate& group = info->frame_rates.at(info->current_rate_index = 0);
  std::uint32_t& format = group.current_format_index;  // stepped to the subtype's format
  for (format = 0; format < group.formats.size(); ++format) {
    if (group.formats[format].subtype == subtype) return true;
  }
  return false;
}

// What a video window was last handed by the station's own renderer.
struct KeptFrame {
  int frames = 0, width = 0, height = 0, stride = 0;  // frames handed over so far
  VideoRect destination;
  bool preserve_aspect = false;
  std::vector<std::uint8_t> pixels;  // B, G, R, x; rows top first
  const std::uint8_t* At(int x, int y) const { return &pixels[y * stride + 4 * x]; }
  double Mean() const {  // of the blue bytes
    double sum = 0;
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) sum += *At(x, y);
    }
    return width * height == 0 ? 0 : sum / (width * height);
  }
};

class FrameKeeper : public VideoFrameTarget {
 public:
  void PresentFrame(const VideoFrame& frame, const VideoRect& destination,
                    bool preserve_aspect) override {
    std::lock_guard<std::mutex> hold(lock_);
    const std::uint8_t* end = frame.pixels + frame.stride * frame.height;
    last_ = {last_.frames + 1, frame.width,     frame.height,       frame.stride,
             destination,      preserve_aspect, {frame.pixels, end}};
  }
  KeptFrame Last() {
    std::lock_guard<std::mutex> hold(lock_);
    return last_;
  }

 private:
  std::mutex lock_;
  KeptFrame last_;
};

// CPU seconds used so far by this process, all its threads together.
inline double CpuSeconds() { return static_cast<double>(std::clock()) / CLOCKS_PER_SEC; }

// Seconds of the steady clock since it was made.
struct Stopwatch {
  std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
  double Seconds() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  }
};

inline void WaitSeconds(double seconds) {
  std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

}  // namespace vesk::testing
