#include "platform/gst/vesk_transform_filter.h"

#include <gst/video/gstvideofilter.h>
#include <gst/video/video.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>

#include "analysis/pixels/stream_format.h"
#include "platform/gst/element_skeleton.h"
#include "platform/gst/frame_memory_handover.h"
#include "platform/gst/gst_caps_mapping.h"
#include "platform/gst/gst_ref.h"

namespace vesk::gst {
namespace {

struct TransformState {
  LiveAnalysis* analysis = nullptr;
  std::shared_ptr<TransformCounters> counters;
};

}  // namespace
}  // namespace vesk::gst

VESK_GST_ELEMENT(VeskTransform, vesk_transform, TRANSFORM, GstVideoFilter, GST_TYPE_VIDEO_FILTER,
                 vesk::gst::TransformState)

namespace vesk::gst {
namespace {

GstStaticPadTemplate kSinkTemplate = GST_STATIC_PAD_TEMPLATE("sink", GST_PAD_SINK, GST_PAD_ALWAYS,
                                                             GST_STATIC_CAPS(kVeskTransformCaps));
GstStaticPadTemplate kSrcTemplate = GST_STATIC_PAD_TEMPLATE("src", GST_PAD_SRC, GST_PAD_ALWAYS,
                                                            GST_STATIC_CAPS(kVeskTransformCaps));

SubtypeCode SubtypeOfVideoFormat(GstVideoFormat format) {
  switch (format) {
    case GST_VIDEO_FORMAT_YUY2:
      return SubtypeCode::YUY2;
    case GST_VIDEO_FORMAT_BGR:
      return SubtypeCode::RGB24;
    case GST_VIDEO_FORMAT_BGRA:
      return SubtypeCode::ARGB32;
    default:
      return SubtypeCode::Other;
  }
}

// The negotiated format describes the frames that will come: the analysis takes it, with
// the rows first row first as GStreamer stores them.
gboolean SetInfo(GstVideoFilter* filter, GstCaps*, GstVideoInfo* in_info, GstCaps*,
                 GstVideoInfo* out_info) {
  const SubtypeCode subtype = SubtypeOfVideoFormat(GST_VIDEO_INFO_FORMAT(in_info));
  if (subtype == SubtypeCode::Other ||
      GST_VIDEO_INFO_FORMAT(out_info) != GST_VIDEO_INFO_FORMAT(in_info) ||
      GST_VIDEO_INFO_WIDTH(out_info) != GST_VIDEO_INFO_WIDTH(in_info) ||
      GST_VIDEO_INFO_HEIGHT(out_info) != GST_VIDEO_INFO_HEIGHT(in_info)) {
    return FALSE;
  }
  TransformState* state = StateOf(filter);
  if (state->analysis != nullptr) {
    const std::int32_t height = GST_VIDEO_INFO_HEIGHT(in_info);
    state->analysis->SetStreamFormat(MakeStreamFormat(subtype, BitCountOf(subtype),
                                                      GST_VIDEO_INFO_WIDTH(in_info),
                                                      kGstRgbRowsTopDown ? -height : height));
  }
  return TRUE;
}

// Bytes of a mapped frame's first plane from its start to the end of the mapping.
std::size_t PlaneBytes(const GstVideoFrame* frame) {
  const auto* start = static_cast<const std::uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(frame, 0));
  const auto* mapped = static_cast<const std::uint8_t*>(frame->map[0].data);
  const std::size_t offset = static_cast<std::size_t>(start - mapped);
  return frame->map[0].size > offset ? frame->map[0].size - offset : 0;
}

GstFlowReturn TransformFrame(GstVideoFilter* filter, GstVideoFrame* in_frame,
                             GstVideoFrame* out_frame) {
  TransformState* state = StateOf(filter);
  TransformCounters& counters = *state->counters;
  counters.frames.fetch_add(1, std::memory_order_relaxed);
  LiveAnalysis* analysis = state->analysis;
  if (analysis == nullptr) {
    gst_video_frame_copy(out_frame, in_frame);
    counters.delivered.fetch_add(1, std::memory_order_relaxed);
    return GST_FLOW_OK;
  }
  const StreamFormat& format = analysis->stream_format();
  if (GST_VIDEO_FRAME_PLANE_STRIDE(in_frame, 0) != format.stride ||
      GST_VIDEO_FRAME_PLANE_STRIDE(out_frame, 0) != format.stride) {
    gst_video_frame_copy(out_frame, in_frame);
    counters.unanalysed.fetch_add(1, std::memory_order_relaxed);
    counters.delivered.fetch_add(1, std::memory_order_relaxed);
    return GST_FLOW_OK;
  }
  const std::size_t frame_bytes = FrameBytes(format);
  const std::size_t input_length = std::min(frame_bytes, PlaneBytes(in_frame));
  std::size_t output_length = 0;
  const void* input = GST_VIDEO_FRAME_PLANE_DATA(in_frame, 0);
  void* output = GST_VIDEO_FRAME_PLANE_DATA(out_frame, 0);
  FrameMemoryTaken(input);
  FrameMemoryTaken(output);
  const HResult result = analysis->TransformFrame(
      static_cast<const std::uint8_t*>(input), input_length, static_cast<std::uint8_t*>(output),
      PlaneBytes(out_frame), &output_length);
  FrameMemoryDone(input);
  FrameMemoryDone(output);
  // Anything but a delivered frame is dropped: the preview must never stop the recording
  // that shares its source.
  if (result != S_OK) {
    counters.dropped.fetch_add(1, std::memory_order_relaxed);
    return GST_BASE_TRANSFORM_FLOW_DROPPED;
  }
  counters.delivered.fetch_add(1, std::memory_order_relaxed);
  return GST_FLOW_OK;
}

}  // namespace
}  // namespace vesk::gst

static void vesk_transform_class_init(VeskTransformClass* klass) {
  using namespace vesk::gst;
  G_OBJECT_CLASS(klass)->finalize = Finalize;
  GstElementClass* element_class = GST_ELEMENT_CLASS(klass);
  gst_element_class_add_static_pad_template(element_class, &kSinkTemplate);
  gst_element_class_add_static_pad_template(element_class, &kSrcTemplate);
  gst_element_class_set_static_metadata(element_class, kVeskTransformFilterName,
                                        "Filter/Effect/Video",
                                        "Highlights saturated pixels or integrates frames", "VESK");
  GstVideoFilterClass* filter_class = GST_VIDEO_FILTER_CLASS(klass);
  filter_class->set_info = SetInfo;
  filter_class->transform_frame = TransformFrame;
}

static void vesk_transform_init(VeskTransform* element) {
  element->state = new vesk::gst::TransformState();
  element->state->counters = std::make_shared<vesk::gst::TransformCounters>();
}

namespace vesk::gst {

void RegisterVeskTransform() {
  // The filter may be made before the media system starts GStreamer.
  if (!gst_is_initialized()) gst_init(nullptr, nullptr);
  static const bool registered = RegisterElement(kVeskTransformElement);
  (void)registered;
}

GstElement* CreateVeskTransform(LiveAnalysis* analysis,
                                std::shared_ptr<TransformCounters> counters) {
  RegisterVeskTransform();
  GstElement* element = gst_element_factory_make(kVeskTransformElement, nullptr);
  if (element == nullptr) return nullptr;
  TransformState* state = StateOf(element);
  state->analysis = analysis;
  if (counters) state->counters = std::move(counters);
  return element;
}

bool MediaTypeFromCaps(const GstCaps* caps, MediaType* type) {
  if (caps == nullptr || type == nullptr || !gst_caps_is_fixed(caps)) return false;
  const GstStructure* structure = gst_caps_get_structure(caps, 0);
  int width = 0;
  int height = 0;
  if (!gst_structure_get_int(structure, "width", &width) ||
      !gst_structure_get_int(structure, "height", &height)) {
    return false;
  }
  int numerator = 0;
  int denominator = 1;
  if (!gst_structure_get_fraction(structure, "framerate", &numerator, &denominator)) {
    numerator = 0;
    denominator = 1;
  }
  std::string subtype_name;
  if (gst_structure_has_name(structure, "image/jpeg")) {
    subtype_name = "MJPG";
  } else if (gst_structure_has_name(structure, "video/x-raw")) {
    const char* format = gst_structure_get_string(structure, "format");
    if (format == nullptr) return false;
    const std::string name = format;
    if (name == "BGR") {
      subtype_name = "RGB24";
    } else if (name == "BGRA") {
      subtype_name = "ARGB32";
    } else {
      subtype_name = name;  // YUY2, UYVY and GStreamer's other names
    }
  } else {
    return false;
  }
  *type = MakeMediaType(subtype_name, width, height, numerator, denominator);
  return true;
}

VeskTransformFilter::VeskTransformFilter(LiveAnalysis& analysis)
    : VeskTransformFilter(analysis, std::make_shared<TransformCounters>()) {}

VeskTransformFilter::VeskTransformFilter(LiveAnalysis& analysis,
                                         std::shared_ptr<TransformCounters> counters)
    : ElementFilter(kVeskTransformFilterName,
                    [&analysis, counters]() { return CreateVeskTransform(&analysis, counters); }),
      counters_(std::move(counters)) {
  RegisterVeskTransform();
  GstRef<GstCaps> caps = Adopt(gst_caps_from_string(kVeskTransformCaps));
  SetPinCaps(caps.get(), caps.get());
}

GstCaps* VeskTransformFilter::ConnectedCaps() const {
  const std::shared_ptr<GstGraphPin> input = pins().front();
  const std::shared_ptr<GstGraphPin> upstream = input ? input->peer() : nullptr;
  if (!upstream) return nullptr;
  return upstream->owner()->PinCaps(*upstream);
}

GstCaps* VeskTransformFilter::PinCaps(const GstGraphPin& pin) const {
  GstRef<GstCaps> accepted = Adopt(ElementFilter::PinCaps(pin));
  if (pin.direction() == PinDirection::Input) return accepted.release();
  // The output always carries the input's format.
  GstRef<GstCaps> connected = Adopt(ConnectedCaps());
  if (!connected) return accepted.release();
  return gst_caps_intersect(connected.get(), accepted.get());
}

std::vector<MediaType> VeskTransformFilter::PinMediaTypes(const GstGraphPin& pin) const {
  if (pin.direction() == PinDirection::Input) return {};
  GstRef<GstCaps> connected = Adopt(ConnectedCaps());
  if (!connected) return {};
  MediaType type;
  // Connected, but with nothing that says the frame layout: a type without a format block.
  if (!MediaTypeFromCaps(connected.get(), &type)) type.has_format = false;
  return {type};
}

}  // namespace vesk::gst
