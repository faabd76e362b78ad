#include "platform/gst/gst_ser_source.h"

#include <gst/base/gstbasesrc.h>

#include <memory>

#include "media/ser_file.h"
#include "platform/gst/element_skeleton.h"
#include "platform/linux/posix_avi_file.h"

namespace vesk::gst {
namespace {

constexpr char kSerSourceElement[] = "vesksersrc";

struct SerSourceState {
  std::unique_ptr<PosixAviFile> file;
  SerFileInfo info;
  std::uint32_t rate = 25, scale = 1;
  std::int64_t next = 0;  // the frame the next buffer carries
};

}  // namespace
}  // namespace vesk::gst

VESK_GST_ELEMENT(VeskSerSource, vesk_ser_source, SER_SOURCE, GstBaseSrc, GST_TYPE_BASE_SRC,
                 vesk::gst::SerSourceState)

namespace vesk::gst {
namespace {

GstStaticPadTemplate kSourceTemplate = GST_STATIC_PAD_TEMPLATE(
    "src", GST_PAD_SRC, GST_PAD_ALWAYS,
    GST_STATIC_CAPS("video/x-raw, format = (string) { GRAY8, RGB, BGR }"));

GstClockTime TimeOfFrame(const SerSourceState& state, std::int64_t frame) {
  return gst_util_uint64_scale(static_cast<guint64>(frame), GST_SECOND * state.scale, state.rate);
}

GstCaps* GetCaps(GstBaseSrc* source, GstCaps* filter) {
  const SerSourceState& state = *StateOf(source);
  const SerHeader& header = state.info.header;
  const char* format = header.colour_id == kSerRgb   ? "RGB"
                       : header.colour_id == kSerBgr ? "BGR"
                                                     : "GRAY8";
  GstCaps* caps = gst_caps_new_simple(
      "video/x-raw", "format", G_TYPE_STRING, format, "width", G_TYPE_INT, header.width,
      "height", G_TYPE_INT, header.height, "framerate", GST_TYPE_FRACTION,
      static_cast<gint>(state.rate), static_cast<gint>(state.scale), nullptr);
  if (filter == nullptr) return caps;
  GstCaps* both = gst_caps_intersect_full(filter, caps, GST_CAPS_INTERSECT_FIRST);
  gst_caps_unref(caps);
  return both;
}

gboolean Start(GstBaseSrc* source) {
  SerSourceState& state = *StateOf(source);
  state.next = 0;
  GST_OBJECT_LOCK(source);
  source->segment.duration = static_cast<gint64>(TimeOfFrame(state, state.info.frames));
  GST_OBJECT_UNLOCK(source);
  return TRUE;
}

gboolean IsSeekable(GstBaseSrc*) { return TRUE; }

gboolean DoSeek(GstBaseSrc* source, GstSegment* segment) {
  SerSourceState& state = *StateOf(source);
  // The frame whose time the seek names, rounded as the player counts positions.
  const guint64 start = segment->start == GST_CLOCK_TIME_NONE ? 0 : segment->start;
  state.next = static_cast<std::int64_t>(
      gst_util_uint64_scale_round(start, state.rate, GST_SECOND * state.scale));
  segment->position = TimeOfFrame(state, state.next);
  segment->time = segment->start;
  return TRUE;
}

GstFlowReturn Create(GstBaseSrc* source, guint64, guint, GstBuffer** out) {
  SerSourceState& state = *StateOf(source);
  if (state.next >= state.info.frames) return GST_FLOW_EOS;
  const std::uint64_t bytes = state.info.frame_bytes;
  GstBuffer* buffer = gst_buffer_new_allocate(nullptr, bytes, nullptr);
  if (buffer == nullptr) return GST_FLOW_ERROR;
  GstMapInfo map;
  gst_buffer_map(buffer, &map, GST_MAP_WRITE);
  const bool read = state.file->ReadAt(
      kSerHeaderBytes + static_cast<std::uint64_t>(state.next) * bytes, map.data, bytes);
  gst_buffer_unmap(buffer, &map);
  if (!read) {
    gst_buffer_unref(buffer);
    GST_ELEMENT_ERROR(source, RESOURCE, READ, ("The SER file can no longer be read"), (nullptr));
    return GST_FLOW_ERROR;
  }
  GST_BUFFER_PTS(buffer) = TimeOfFrame(state, state.next);
  GST_BUFFER_DURATION(buffer) = TimeOfFrame(state, state.next + 1) - GST_BUFFER_PTS(buffer);
  GST_BUFFER_OFFSET(buffer) = static_cast<guint64>(state.next);
  ++state.next;
  *out = buffer;
  return GST_FLOW_OK;
}

}  // namespace
}  // namespace vesk::gst

static void vesk_ser_source_class_init(VeskSerSourceClass* klass) {
  using namespace vesk::gst;
  G_OBJECT_CLASS(klass)->finalize = Finalize;
  GstElementClass* element_class = GST_ELEMENT_CLASS(klass);
  gst_element_class_add_static_pad_template(element_class, &kSourceTemplate);
  gst_element_class_set_static_metadata(element_class, "VESK SER source", "Source/File",
                                        "Plays the frames of a SER file", "VESK");
  GstBaseSrcClass* base_class = GST_BASE_SRC_CLASS(klass);
  base_class->get_caps = GetCaps;
  base_class->start = Start;
  base_class->is_seekable = IsSeekable;
  base_class->do_seek = DoSeek;
  base_class->create = Create;
}

static void vesk_ser_source_init(VeskSerSource* source) {
  source->state = new vesk::gst::SerSourceState();
  gst_base_src_set_format(GST_BASE_SRC(source), GST_FORMAT_TIME);
}

namespace vesk::gst {

GstElement* CreateSerSource(const std::string& path, std::uint32_t rate, std::uint32_t scale) {
  static const bool registered = RegisterElement(kSerSourceElement);
  if (!registered || rate == 0 || scale == 0) return nullptr;
  auto file = std::make_unique<PosixAviFile>(path, PosixAviFile::ReadThroughLinks{});
  SerFileInfo info;
  if (!file->is_open() || ReadSerFile(*file, &info) != SerReadStatus::Ok ||
      info.header.depth != 8 ||
      (info.header.colour_id != kSerMono && info.header.colour_id != kSerRgb &&
       info.header.colour_id != kSerBgr)) {
    return nullptr;
  }
  GstElement* element = gst_element_factory_make(kSerSourceElement, nullptr);
  if (element == nullptr) return nullptr;
  SerSourceState& state = *StateOf(element);
  state.file = std::move(file);
  state.info = std::move(info);
  state.info.times.clear();  // the player has them
  state.rate = rate;
  state.scale = scale;
  return element;
}

}  // namespace vesk::gst
