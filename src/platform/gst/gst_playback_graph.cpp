#include "platform/gst/gst_playback_graph.h"

#include "platform/gst/gst_ser_source.h"

namespace vesk::gst {
namespace {

// Opening a file and settling after a seek; a file on a disk that stops answering must not
// hang the window.
constexpr GstClockTime kSettleTimeout = 5 * GST_SECOND;

}  // namespace

GstPlaybackGraph::GstPlaybackGraph() {
  if (!gst_is_initialized()) gst_init(nullptr, nullptr);
}

GstPlaybackGraph::~GstPlaybackGraph() { Close(); }

void GstPlaybackGraph::SetEndOfStreamHandler(std::function<void(bool)> handler) {
  std::lock_guard<std::mutex> hold(handler_lock_);
  end_of_stream_ = std::move(handler);
}

GstBusSyncReply GstPlaybackGraph::OnBusMessage(GstBus*, GstMessage* message, gpointer self) {
  auto* graph = static_cast<GstPlaybackGraph*>(self);
  const GstMessageType type = GST_MESSAGE_TYPE(message);
  if (type == GST_MESSAGE_EOS || type == GST_MESSAGE_ERROR) {
    std::lock_guard<std::mutex> hold(graph->handler_lock_);
    if (graph->end_of_stream_) graph->end_of_stream_(type == GST_MESSAGE_ERROR);
  }
  return GST_BUS_PASS;
}

HResult GstPlaybackGraph::Open(const std::string& path, std::uint32_t rate, std::uint32_t scale,
                               VideoFrameTarget* target) {
  Close();
  if (rate == 0 || scale == 0) return E_ABORT;
  rate_ = rate;
  scale_ = scale;
  // A SER file needs no demuxer or decoder: its own source hands out the frames.
  GstElement* ser = CreateSerSource(path, rate, scale);
  GError* error = nullptr;
  GstElement* parsed =
      ser != nullptr
          ? gst_parse_launch("identity name=file ! videoconvert name=convert", &error)
          : gst_parse_launch("filesrc name=file ! avidemux ! decodebin ! videoconvert name=convert",
                             &error);
  if (error != nullptr) g_error_free(error);
  if (parsed == nullptr) {
    if (ser != nullptr) gst_object_unref(ser);
    return E_ABORT;
  }
  if (ser != nullptr) {
    gst_bin_add(GST_BIN(parsed), ser);
    GstRef<GstElement> first = Adopt(gst_bin_get_by_name(GST_BIN(parsed), "file"));
    if (!first || !gst_element_link(ser, first.get())) {
      gst_object_unref(parsed);
      return E_ABORT;
    }
  }
  pipeline_ = Adopt(parsed);
  shared_ = std::make_shared<FrameSinkShared>();
  shared_->target = target;
  shared_->destination = {0, 0, 0, 0};
  shared_->preserve_aspect = true;
  GstElement* sink = CreateFrameSink(shared_);
  GstRef<GstElement> file = Adopt(gst_bin_get_by_name(GST_BIN(parsed), "file"));
  GstRef<GstElement> convert = Adopt(gst_bin_get_by_name(GST_BIN(parsed), "convert"));
  if (sink == nullptr || !file || !convert) {
    if (sink != nullptr) gst_object_unref(sink);
    Close();
    return E_ABORT;
  }
  // The path goes in as a property, never through the launch text: any character is fine.
  if (ser == nullptr) g_object_set(file.get(), "location", path.c_str(), nullptr);
  gst_bin_add(GST_BIN(parsed), sink);
  GstRef<GstBus> bus = Adopt(gst_element_get_bus(parsed));
  gst_bus_set_sync_handler(bus.get(), &GstPlaybackGraph::OnBusMessage, this, nullptr);
  if (!gst_element_link(convert.get(), sink) ||
      gst_element_set_state(parsed, GST_STATE_PAUSED) == GST_STATE_CHANGE_FAILURE ||
      !Settle()) {
    Close();
    return E_ABORT;
  }
  return S_OK;
}

bool GstPlaybackGraph::Settle() {
  GstState state = GST_STATE_NULL;
  return gst_element_get_state(pipeline_.get(), &state, nullptr, kSettleTimeout) ==
         GST_STATE_CHANGE_SUCCESS;
}

void GstPlaybackGraph::Close() {
  if (!pipeline_) return;
  gst_element_set_state(pipeline_.get(), GST_STATE_NULL);
  GstRef<GstBus> bus = Adopt(gst_element_get_bus(pipeline_.get()));
  gst_bus_set_sync_handler(bus.get(), nullptr, nullptr, nullptr);
  pipeline_.reset();
  shared_.reset();
  running_ = false;
}

HResult GstPlaybackGraph::Run() {
  if (!pipeline_) return E_ABORT;
  running_ = true;
  return gst_element_set_state(pipeline_.get(), GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE
             ? E_FAIL
             : S_OK;
}

HResult GstPlaybackGraph::Pause() {
  if (!pipeline_) return E_ABORT;
  running_ = false;
  if (gst_element_set_state(pipeline_.get(), GST_STATE_PAUSED) == GST_STATE_CHANGE_FAILURE) {
    return E_FAIL;
  }
  return Settle() ? S_OK : E_FAIL;
}

HResult GstPlaybackGraph::SeekToFrame(std::int64_t frame) {
  if (!pipeline_ || frame < 0) return E_ABORT;
  // The frame's start time; accurate seeking decodes from the key frame before it.
  const auto time = static_cast<gint64>(
      gst_util_uint64_scale(static_cast<guint64>(frame), GST_SECOND * scale_, rate_));
  if (!gst_element_seek_simple(pipeline_.get(), GST_FORMAT_TIME,
                               static_cast<GstSeekFlags>(GST_SEEK_FLAG_FLUSH |
                                                         GST_SEEK_FLAG_ACCURATE),
                               time)) {
    return E_FAIL;
  }
  return running_ || Settle() ? S_OK : E_FAIL;
}

std::int64_t GstPlaybackGraph::CurrentFrame() {
  gint64 time = -1;
  if (!pipeline_ || !gst_element_query_position(pipeline_.get(), GST_FORMAT_TIME, &time) ||
      time < 0) {
    return -1;
  }
  // Rounded: a frame's time is rate-exact only to the nanosecond.
  return static_cast<std::int64_t>(gst_util_uint64_scale_round(
      static_cast<guint64>(time), rate_, GST_SECOND * scale_));
}

}  // namespace vesk::gst
