#pragma once

// Builds capture graphs on the GStreamer media system the way the capture code does:
// source filter under its name, format, renderer, preview stream, and for a recording the
// AVI multiplexer, the optional compressor and the capture stream.

#include <memory>
#include <string>
#include <vector>

#include "media/media_graph.h"
#include "platform/gst/gst_media_system.h"

namespace vesk::testing {

struct CaptureSession {
  std::unique_ptr<MediaGraph> graph;
  std::shared_ptr<MediaFilter> source;
  std::shared_ptr<MediaFilter> renderer;
  std::shared_ptr<MediaFilter> mux;
  std::shared_ptr<MediaFilter> codec;
  DroppedFrames* dropped_frames = nullptr;
};

struct CaptureRequest {
  std::string device;
  std::string subtype = "YUY2";
  int width = 720;
  int height = 576;
  int rate_numerator = 25;  // 0: the first format of the subtype and size
  RendererKind renderer = RendererKind::NullRenderer;
  std::string video_path;  // empty: live video only
  std::string codec;       // compressor friendly name, empty for none
};

// Binds the named device (empty filter when it is not listed).
std::shared_ptr<MediaFilter> BindDevice(MediaSystem& system, DeviceCategory category,
                                        const std::string& name);

// The device's media type for a subtype, size and frame rate, if it offers one.
bool FindFormat(MediaFilter& source, const CaptureRequest& request, MediaType* type);

// Builds the graph; the first failing step's result (and its name in *step).
HResult BuildCaptureGraph(MediaSystem& system, const CaptureRequest& request,
                          CaptureSession* session, std::string* step);

// Seconds of wall time, sleeping.
void WaitSeconds(double seconds);

}  // namespace vesk::testing
