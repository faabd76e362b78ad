#include "platform/gst/gst_renderer_filter.h"

#include "platform/gst/gst_ref.h"

#include <gst/video/videooverlay.h>

namespace vesk::gst {
namespace {

const char* FilterNameOf(RendererKind kind) {
  switch (kind) {
    case RendererKind::EVR:
      return "EVR";
    case RendererKind::VMR9:
      return "VMR9";
    case RendererKind::VMR7:
      return "VMR7";
    default:
      return "Null Renderer";
  }
}

const char* InputPinOf(RendererKind kind) {
  switch (kind) {
    case RendererKind::EVR:
      return "EVR Input0";
    case RendererKind::VMR9:
    case RendererKind::VMR7:
      return "VMR Input0";
    default:
      return "In";
  }
}

GstPadProbeReturn CountFrame(GstPad*, GstPadProbeInfo*, gpointer counter) {
  ++**static_cast<std::shared_ptr<std::atomic<std::int32_t>>*>(counter);
  return GST_PAD_PROBE_OK;
}

void ReleaseCounter(gpointer counter) {
  delete static_cast<std::shared_ptr<std::atomic<std::int32_t>>*>(counter);
}

}  // namespace

RendererFilter::RendererFilter(RendererKind kind)
    : GstGraphFilter(FilterNameOf(kind)), kind_(kind) {
  AddPin(InputPinOf(kind), PinDirection::Input);
}

HResult RendererFilter::QueryRendererControl(RendererControl** control) {
  if (control == nullptr) return E_POINTER;
  // Every kind counts the frames that reach it, so the count needs no display.
  *control = this;
  return S_OK;
}

HResult RendererFilter::SetVideoWindow(DisplayWindow window) {
  window_ = window;
  if (kind_ == RendererKind::EVR) {
    std::lock_guard<std::mutex> hold(shared_->lock);
    shared_->target = FrameTargetOf(window);
  }
  ApplyOverlay();
  return S_OK;
}

HResult RendererFilter::SetAspectRatioMode(std::int32_t mode) {
  if (mode < 0) return E_INVALIDARG;
  {
    std::lock_guard<std::mutex> hold(shared_->lock);
    shared_->preserve_aspect = mode != 0;
  }
  ApplyOverlay();
  return S_OK;
}

HResult RendererFilter::SetVideoPosition(const VideoRect& destination) {
  if (destination.right < destination.left || destination.bottom < destination.top) {
    return E_INVALIDARG;
  }
  {
    std::lock_guard<std::mutex> hold(shared_->lock);
    shared_->destination = destination;
  }
  ApplyOverlay();
  return S_OK;
}

VideoRect RendererFilter::destination() const {
  std::lock_guard<std::mutex> hold(shared_->lock);
  return shared_->destination;
}

HResult RendererFilter::GetFramesDrawn(std::int32_t* frames) {
  if (frames == nullptr) return E_POINTER;
  *frames = frames_drawn_->load();
  return S_OK;
}

void RendererFilter::ApplyOverlay() {
  if (sink_ == nullptr || (kind_ != RendererKind::VMR9 && kind_ != RendererKind::VMR7)) return;
  VideoRect rect;
  bool preserve = true;
  {
    std::lock_guard<std::mutex> hold(shared_->lock);
    rect = shared_->destination;
    preserve = shared_->preserve_aspect;
  }
  g_object_set(sink_, "force-aspect-ratio", preserve ? TRUE : FALSE, nullptr);
  if (scaled_caps_ != nullptr && rect.right > rect.left && rect.bottom > rect.top) {
    GstRef<GstCaps> caps = Adopt(gst_caps_new_simple(
        "video/x-raw", "width", G_TYPE_INT, rect.right - rect.left, "height", G_TYPE_INT,
        rect.bottom - rect.top, "pixel-aspect-ratio", GST_TYPE_FRACTION, 1, 1, nullptr));
    g_object_set(scaled_caps_, "caps", caps.get(), nullptr);
  }
  if (!GST_IS_VIDEO_OVERLAY(sink_)) return;
  // The keyboard stays with the station's windows (Alt and F10 open the menus): the sink's
  // own window takes no input events.
  gst_video_overlay_handle_events(GST_VIDEO_OVERLAY(sink_), FALSE);
  // The display window names the video window's frame target, never an X window itself.
  const VideoFrameTarget* target = FrameTargetOf(window_);
  const std::uintptr_t native = target != nullptr ? target->NativeWindowId() : 0;
  if (native != 0) {
    gst_video_overlay_set_window_handle(GST_VIDEO_OVERLAY(sink_), static_cast<guintptr>(native));
  }
  if (rect.right > rect.left && rect.bottom > rect.top) {
    gst_video_overlay_set_render_rectangle(GST_VIDEO_OVERLAY(sink_), rect.left, rect.top,
                                           rect.right - rect.left, rect.bottom - rect.top);
  }
}

GstCaps* RendererFilter::PinCaps(const GstGraphPin&) const {
  if (kind_ == RendererKind::NullRenderer) return gst_caps_new_any();
  return gst_caps_from_string("video/x-raw");
}

void RendererFilter::OnRunStarting() { *frames_drawn_ = 0; }

bool RendererFilter::BuildElements(RunBuild* run) {
  GstElement* sink = nullptr;
  switch (kind_) {
    case RendererKind::EVR:
      sink = CreateFrameSink(shared_);
      // Each frame once: the first is not shown a second time as a preroll picture.
      if (sink != nullptr) g_object_set(sink, "show-preroll-frame", FALSE, nullptr);
      break;
    case RendererKind::VMR9:
      sink = gst_element_factory_make("glimagesink", nullptr);
      break;
    case RendererKind::VMR7:
      sink = gst_element_factory_make("ximagesink", nullptr);
      break;
    default:
      sink = gst_element_factory_make("fakesink", nullptr);
      break;
  }
  if (sink == nullptr) return false;
  // Live video is shown as it comes; a late frame is still a frame to show.
  g_object_set(sink, "sync", FALSE, "qos", FALSE, nullptr);
  GstRef<GstElement> bin = Adopt(gst_bin_new(FilterNameOf(kind_)));
  GstElement* first = sink;
  gst_bin_add(GST_BIN(bin.get()), sink);
  if (kind_ == RendererKind::VMR7) {
    GstElement* scale = gst_element_factory_make("videoscale", nullptr);
    GstElement* caps = gst_element_factory_make("capsfilter", nullptr);
    if (scale == nullptr || caps == nullptr) {
      if (scale != nullptr) gst_object_unref(scale);
      if (caps != nullptr) gst_object_unref(caps);
      return false;
    }
    gst_bin_add_many(GST_BIN(bin.get()), scale, caps, nullptr);
    if (!gst_element_link_many(scale, caps, sink, nullptr)) return false;
    first = scale;
    scaled_caps_ = caps;
  }
  if (kind_ != RendererKind::NullRenderer) {
    GstElement* convert = gst_element_factory_make("videoconvert", nullptr);
    if (convert == nullptr) return false;
    gst_bin_add(GST_BIN(bin.get()), convert);
    if (!gst_element_link(convert, first)) return false;
    first = convert;
  }
  GstRef<GstPad> target = Adopt(gst_element_get_static_pad(first, "sink"));
  gst_element_add_pad(bin.get(), gst_ghost_pad_new("sink", target.get()));
  GstRef<GstPad> sink_pad = Adopt(gst_element_get_static_pad(sink, "sink"));
  gst_pad_add_probe(sink_pad.get(), GST_PAD_PROBE_TYPE_BUFFER, CountFrame,
                    new std::shared_ptr<std::atomic<std::int32_t>>(frames_drawn_), ReleaseCounter);
  if (!gst_bin_add(run->pipeline, bin.get())) return false;
  bin_ = bin.get();  // the pipeline holds it
  sink_ = sink;
  ApplyOverlay();
  return true;
}

GstPad* RendererFilter::PadFor(const GstGraphPin& pin, RunBuild*) {
  if (bin_ == nullptr || pin.direction() != PinDirection::Input) return nullptr;
  return gst_element_get_static_pad(bin_, "sink");
}

void RendererFilter::ReleaseElements() {
  bin_ = nullptr;
  sink_ = nullptr;
  scaled_caps_ = nullptr;
}

}  // namespace vesk::gst
