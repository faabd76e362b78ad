#include "platform/gst/gst_ser_writer.h"

#include <gst/base/gstbasesink.h>
#include <gst/video/video.h>

#include <unistd.h>

#include <ctime>

#include "platform/gst/element_skeleton.h"

namespace vesk::gst {
namespace {

constexpr char kSerSinkElement[] = "vesksersink";

struct SerSinkState {
  std::shared_ptr<SerRecording> recording;
  GstVideoInfo info;
  SerInput input = SerInput::Grey8;
};

}  // namespace
}  // namespace vesk::gst

VESK_GST_ELEMENT(VeskSerSink, vesk_ser_sink, SER_SINK, GstBaseSink, GST_TYPE_BASE_SINK,
                 vesk::gst::SerSinkState)

namespace vesk::gst {
namespace {

GstStaticPadTemplate kSinkTemplate = GST_STATIC_PAD_TEMPLATE(
    "sink", GST_PAD_SINK, GST_PAD_ALWAYS,
    GST_STATIC_CAPS("video/x-raw, format = (string) { GRAY8, YUY2, UYVY, RGB, BGR }, "
                    "width = (int) [ 1, 32767 ], height = (int) [ 1, 32767 ]"));

std::int64_t WallClockNs() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  return static_cast<std::int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

gboolean SetCaps(GstBaseSink* sink, GstCaps* caps) {
  SerSinkState* state = StateOf(sink);
  SerRecording& recording = *state->recording;
  GstVideoInfo info;
  if (!gst_video_info_from_caps(&info, caps)) return FALSE;
  SerInput input = SerInput::Grey8;
  switch (GST_VIDEO_INFO_FORMAT(&info)) {
    case GST_VIDEO_FORMAT_GRAY8: input = SerInput::Grey8; break;
    case GST_VIDEO_FORMAT_YUY2: input = SerInput::Yuy2; break;
    case GST_VIDEO_FORMAT_UYVY: input = SerInput::Uyvy; break;
    case GST_VIDEO_FORMAT_RGB: input = SerInput::Rgb24; break;
    case GST_VIDEO_FORMAT_BGR: input = SerInput::Bgr24; break;
    default: return FALSE;
  }
  if (recording.begun) {
    // The file has one frame size: a new format cannot go into it.
    return GST_VIDEO_INFO_WIDTH(&info) == recording.header.width &&
           GST_VIDEO_INFO_HEIGHT(&info) == recording.header.height && input == state->input;
  }
  state->info = info;
  state->input = input;
  recording.header.width = GST_VIDEO_INFO_WIDTH(&info);
  recording.header.height = GST_VIDEO_INFO_HEIGHT(&info);
  recording.output = std::make_unique<PosixSerOutput>(recording.path);
  if (!recording.output->is_open() ||
      !recording.writer.Begin(recording.output.get(), recording.header, input,
                              recording.local_minus_utc_ns)) {
    GST_ELEMENT_ERROR(sink, RESOURCE, OPEN_WRITE,
                      ("Could not write the SER file \"%s\": %s", recording.path.c_str(),
                       recording.output->LastFailure().c_str()),
                      (nullptr));
    return FALSE;
  }
  recording.begun = true;
  return TRUE;
}

GstFlowReturn Render(GstBaseSink* sink, GstBuffer* buffer) {
  SerSinkState* state = StateOf(sink);
  SerRecording& recording = *state->recording;
  if (!recording.begun) return GST_FLOW_NOT_NEGOTIATED;
  GstMapInfo map;
  if (!gst_buffer_map(buffer, &map, GST_MAP_READ)) return GST_FLOW_OK;
  // The first frame's capture time dates the file; later ones only pace the count's rewrite.
  std::int64_t utc_ns = WallClockNs();
  if (recording.writer.frames() == 0 && recording.counters) {
    const std::int64_t first = recording.counters->first_frame_ns.load();
    if (first != 0) utc_ns = first;
  }
  const std::size_t stride = static_cast<std::size_t>(GST_VIDEO_INFO_PLANE_STRIDE(&state->info, 0));
  const std::size_t offset = GST_VIDEO_INFO_PLANE_OFFSET(&state->info, 0);
  const bool added = offset <= map.size &&
                     recording.writer.AddFrame(map.data + offset, map.size - offset, stride, utc_ns);
  gst_buffer_unmap(buffer, &map);
  if (!added && recording.writer.failed()) {
    GST_ELEMENT_ERROR(sink, RESOURCE, WRITE,
                      ("Error while writing to file \"%s\": %s", recording.path.c_str(),
                       recording.output->LastFailure().c_str()),
                      (nullptr));
    return GST_FLOW_ERROR;
  }
  return GST_FLOW_OK;
}

// The computer's name, the Observer of a recording that names none.
std::string HostName() {
  char name[256] = {};
  if (gethostname(name, sizeof name - 1) != 0) return {};
  return name;
}

std::int64_t LocalMinusUtcNs() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return static_cast<std::int64_t>(local.tm_gmtoff) * 1000000000;
}

}  // namespace
}  // namespace vesk::gst

static void vesk_ser_sink_class_init(VeskSerSinkClass* klass) {
  using namespace vesk::gst;
  G_OBJECT_CLASS(klass)->finalize = Finalize;
  GstElementClass* element_class = GST_ELEMENT_CLASS(klass);
  gst_element_class_add_static_pad_template(element_class, &kSinkTemplate);
  gst_element_class_set_static_metadata(element_class, "VESK SER writer", "Sink/File",
                                        "Writes frames into a SER file", "VESK");
  GstBaseSinkClass* base_class = GST_BASE_SINK_CLASS(klass);
  base_class->set_caps = SetCaps;
  base_class->render = Render;
}

static void vesk_ser_sink_init(VeskSerSink* sink) {
  sink->state = new vesk::gst::SerSinkState();
  gst_video_info_init(&sink->state->info);
}

namespace vesk::gst {

SerEnd SerRecording::Finish(const std::vector<std::int64_t>& utc_ns) {
  if (!begun) return SerEnd{};
  SerEnd end = writer.Finish(utc_ns);
  output->Sync();
  output.reset();
  return end;
}

SerWriterFilter::SerWriterFilter(std::string path, SerRecordingSetup setup)
    : GstGraphFilter("SER Writer"), path_(std::move(path)), setup_(std::move(setup)) {
  AddPin("Input 01", PinDirection::Input);
}

GstCaps* SerWriterFilter::PinCaps(const GstGraphPin&) const {
  // MONO is taken from the luma of what the source gives; RGB needs colour converted to it.
  return gst_caps_from_string(setup_.colour
                                  ? "video/x-raw, format = (string) { RGB, BGR }"
                                  : "video/x-raw, format = (string) { GRAY8, YUY2, UYVY }");
}

bool SerWriterFilter::BuildElements(RunBuild* run) {
  static const bool registered = RegisterElement(kSerSinkElement);
  if (!registered) return false;
  GstRef<GstElement> accept = Adopt(gst_element_factory_make("capsfilter", nullptr));
  GstRef<GstElement> queue = Adopt(gst_element_factory_make("queue", nullptr));
  GstRef<GstElement> sink = Adopt(gst_element_factory_make(kSerSinkElement, nullptr));
  if (!accept || !queue || !sink) return false;
  // A converter in front chooses among these formats only: the chosen colour, not the sink's
  // every format.
  GstRef<GstCaps> caps = Adopt(PinCaps(*pins().front()));
  g_object_set(accept.get(), "caps", caps.get(), nullptr);
  // As for the AVI writer: a disk that stalls for a moment must not hold the camera back.
  g_object_set(queue.get(), "max-size-buffers", 0u, "max-size-bytes", 512u * 1024u * 1024u,
               "max-size-time", G_GUINT64_CONSTANT(0), nullptr);
  g_object_set(sink.get(), "sync", FALSE, "async", FALSE, nullptr);
  auto recording = std::make_shared<SerRecording>();
  recording->path = path_;
  recording->header.observer = setup_.observer.empty() ? HostName() : setup_.observer;
  recording->header.instrument = setup_.instrument;
  recording->local_minus_utc_ns = LocalMinusUtcNs();
  recording->counters = run->counters;
  StateOf(sink.get())->recording = recording;
  gst_bin_add_many(run->pipeline, accept.get(), queue.get(), sink.get(), nullptr);
  accept_ = accept.get();
  run->ser = recording;
  run->mux = sink.get();
  run->file_path = path_;
  run->file_pad = Adopt(gst_element_get_static_pad(sink.get(), "sink")).get();
  run->mux_pad = run->file_pad;
  run->recording_pad = Adopt(gst_element_get_static_pad(queue.get(), "sink")).get();
  return gst_element_link_many(accept.get(), queue.get(), sink.get(), nullptr);
}

GstPad* SerWriterFilter::PadFor(const GstGraphPin& pin, RunBuild*) {
  if (accept_ == nullptr || pin.direction() != PinDirection::Input) return nullptr;
  return gst_element_get_static_pad(accept_, "sink");
}

void SerWriterFilter::ReleaseElements() { accept_ = nullptr; }

}  // namespace vesk::gst
