#include "platform/gst/video_frame_sink.h"

#include <gst/video/gstvideosink.h>
#include <gst/video/video.h>

#include "platform/gst/element_skeleton.h"
#include "platform/gst/frame_memory_handover.h"

namespace vesk::gst {
namespace {

struct FrameSinkState {
  std::shared_ptr<FrameSinkShared> shared;
  GstVideoInfo info;
  bool have_info = false;
};

}  // namespace
}  // namespace vesk::gst

VESK_GST_ELEMENT(VeskFrameSink, vesk_frame_sink, FRAME_SINK, GstVideoSink, GST_TYPE_VIDEO_SINK,
                 vesk::gst::FrameSinkState)

namespace vesk::gst {
namespace {

GstStaticPadTemplate kSinkTemplate = GST_STATIC_PAD_TEMPLATE(
    "sink", GST_PAD_SINK, GST_PAD_ALWAYS,
    GST_STATIC_CAPS("video/x-raw, format = (string) BGRx, width = (int) [ 1, 16384 ], "
                    "height = (int) [ 1, 16384 ], framerate = (fraction) [ 0/1, MAX ]"));

gboolean SetInfo(GstVideoSink* sink, GstCaps*, const GstVideoInfo* info) {
  FrameSinkState* state = StateOf(sink);
  state->info = *info;
  state->have_info = true;
  return TRUE;
}

GstFlowReturn ShowFrame(GstVideoSink* sink, GstBuffer* buffer) {
  FrameSinkState* state = StateOf(sink);
  if (!state->have_info) return GST_FLOW_NOT_NEGOTIATED;
  VideoFrameTarget* target = nullptr;
  VideoRect destination;
  bool preserve_aspect = true;
  {
    std::lock_guard<std::mutex> hold(state->shared->lock);
    target = state->shared->target;
    destination = state->shared->destination;
    preserve_aspect = state->shared->preserve_aspect;
  }
  if (target == nullptr) return GST_FLOW_OK;
  GstVideoFrame frame;
  if (!gst_video_frame_map(&frame, &state->info, buffer, GST_MAP_READ)) return GST_FLOW_OK;
  VideoFrame view;
  view.pixels = static_cast<const std::uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(&frame, 0));
  view.width = GST_VIDEO_FRAME_WIDTH(&frame);
  view.height = GST_VIDEO_FRAME_HEIGHT(&frame);
  view.stride = GST_VIDEO_FRAME_PLANE_STRIDE(&frame, 0);
  view.timestamp_ns =
      GST_BUFFER_PTS_IS_VALID(buffer) ? static_cast<std::int64_t>(GST_BUFFER_PTS(buffer)) : -1;
  FrameMemoryTaken(view.pixels);
  target->PresentFrame(view, destination, preserve_aspect);
  FrameMemoryDone(view.pixels);
  gst_video_frame_unmap(&frame);
  return GST_FLOW_OK;
}

}  // namespace
}  // namespace vesk::gst

static void vesk_frame_sink_class_init(VeskFrameSinkClass* klass) {
  using namespace vesk::gst;
  G_OBJECT_CLASS(klass)->finalize = Finalize;
  GstElementClass* element_class = GST_ELEMENT_CLASS(klass);
  gst_element_class_add_static_pad_template(element_class, &kSinkTemplate);
  gst_element_class_set_static_metadata(element_class, "VESK frame sink", "Sink/Video",
                                        "Hands frames to the station's video window", "VESK");
  GstVideoSinkClass* video_class = GST_VIDEO_SINK_CLASS(klass);
  video_class->set_info = SetInfo;
  video_class->show_frame = ShowFrame;
}

static void vesk_frame_sink_init(VeskFrameSink* sink) {
  sink->state = new vesk::gst::FrameSinkState();
  gst_video_info_init(&sink->state->info);
}

namespace vesk::gst {

void RegisterFrameSink() {
  static const bool registered = RegisterElement(kFrameSinkElement);
  (void)registered;
}

GstElement* CreateFrameSink(std::shared_ptr<FrameSinkShared> shared) {
  RegisterFrameSink();
  GstElement* element = gst_element_factory_make(kFrameSinkElement, nullptr);
  if (element == nullptr) return nullptr;
  StateOf(element)->shared = std::move(shared);
  return element;
}

}  // namespace vesk::gst
