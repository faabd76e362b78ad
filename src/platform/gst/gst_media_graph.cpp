#include "platform/gst/gst_media_graph.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <limits>

#include <gst/video/video.h>

#include "media/avi_file_finish.h"
#include "platform/gst/avi_carried_codecs.h"
#include "platform/gst/gst_ref.h"
#include "platform/gst/gst_renderer_filter.h"
#include "platform/gst/gst_ser_writer.h"
#include "platform/linux/posix_avi_file.h"

namespace vesk::gst {
namespace {

using Clock = std::chrono::steady_clock;

// Bounded waits: a start that has not reached playing by then is reported as still
// starting; a recording whose end-of-stream has not reached the file is finished by force.
constexpr auto kStartWait = std::chrono::seconds(5);
constexpr auto kEndOfStreamWait = std::chrono::seconds(3);
constexpr auto kForcedEndOfStreamWait = std::chrono::seconds(2);

// Raw video caps without the fields a converter may change.
GstCaps* ConvertibleForm(GstCaps* caps) {
  GstCaps* result = gst_caps_new_empty();
  for (guint i = 0; i < gst_caps_get_size(caps); ++i) {
    GstStructure* structure = gst_structure_copy(gst_caps_get_structure(caps, i));
    const bool jpeg = gst_structure_has_name(structure, "image/jpeg");
    if (!jpeg && !gst_structure_has_name(structure, "video/x-raw")) {
      gst_structure_free(structure);
      continue;
    }
    // A JPEG stream becomes raw video after a decoder.
    gst_structure_set_name(structure, "video/x-raw");
    gst_structure_remove_fields(structure, "format", "colorimetry", "chroma-site", "interlace-mode",
                                "pixel-aspect-ratio", "sof-marker", nullptr);
    result = gst_caps_merge_structure(result, structure);
  }
  return result;
}

bool IsJpeg(GstCaps* caps) {
  GstRef<GstCaps> jpeg = Adopt(gst_caps_from_string("image/jpeg"));
  GstRef<GstCaps> raw = Adopt(gst_caps_from_string("video/x-raw"));
  return gst_caps_can_intersect(caps, jpeg.get()) && !gst_caps_can_intersect(caps, raw.get());
}

bool CanConvert(GstCaps* output, GstCaps* input) {
  GstRef<GstCaps> raw = Adopt(gst_caps_from_string("video/x-raw"));
  if (!gst_caps_can_intersect(input, raw.get())) return false;
  GstRef<GstCaps> from = Adopt(ConvertibleForm(output));
  GstRef<GstCaps> to = Adopt(ConvertibleForm(input));
  return !gst_caps_is_empty(from.get()) && gst_caps_can_intersect(from.get(), to.get());
}

// Probe data is a std::shared_ptr<RunCounters>* owned by the probe.
RunCounters* CountersOf(gpointer data) {
  return static_cast<std::shared_ptr<RunCounters>*>(data)->get();
}

std::int64_t CaptureUnixNs(GstElement* pipeline, GstBuffer* buffer);

GstPadProbeReturn CountSourceFrame(GstPad*, GstPadProbeInfo* info, gpointer data) {
  RunCounters* counters = CountersOf(data);
  GstBuffer* buffer = GST_PAD_PROBE_INFO_BUFFER(info);
  ++counters->delivered;
  if (buffer != nullptr && GST_BUFFER_OFFSET_IS_VALID(buffer)) {
    const auto sequence = static_cast<std::int64_t>(GST_BUFFER_OFFSET(buffer));
    const std::int64_t last = counters->last_sequence.load();
    // A gap that ends after the recording's window closed is not the recording's: the
    // frames it lost up to the window's end are counted when the recording stops.
    const bool after_window =
        counters->gate_until_ns != 0 &&
        CaptureUnixNs(counters->pipeline, buffer) >= counters->gate_until_ns;
    if (last >= 0 && sequence > last + 1 && !after_window) {
      counters->dropped += static_cast<std::int32_t>(sequence - last - 1);
    }
    counters->last_sequence = sequence;
  }
  return GST_PAD_PROBE_OK;
}

GstPadProbeReturn CountMuxedFrame(GstPad*, GstPadProbeInfo*, gpointer data) {
  ++CountersOf(data)->muxed;
  return GST_PAD_PROBE_OK;
}

GstPadProbeReturn WatchFileEnd(GstPad*, GstPadProbeInfo* info, gpointer data) {
  GstEvent* event = GST_PAD_PROBE_INFO_EVENT(info);
  if (event != nullptr && GST_EVENT_TYPE(event) == GST_EVENT_EOS) {
    CountersOf(data)->file_finished = true;
  }
  return GST_PAD_PROBE_OK;
}

// FileTime counts 100 ns from 1601; the Unix epoch is 11,644,473,600 s later.
constexpr std::int64_t kUnixEpochTicks = 116444736000000000LL;
std::int64_t UnixNsOf(std::uint64_t utc) {
  return utc == 0 ? 0 : (static_cast<std::int64_t>(utc) - kUnixEpochTicks) * 100;
}
std::uint64_t FileTimeOf(std::int64_t unix_ns) {
  return unix_ns == 0 ? 0 : static_cast<std::uint64_t>(unix_ns / 100 + kUnixEpochTicks);
}

// When a frame was captured, on the wall clock: its time stamp on the pipeline's clock, moved
// by how far that clock stands from the wall clock; without a stamp, now.
struct CaptureTime {
  std::int64_t unix_ns = 0;
  std::int64_t wall_minus_clock_ns = 0;  // the offset used; a jump in it is a clock step
  bool stamped = false;
};

std::int64_t NanosecondsOf(const timespec& time) {
  return static_cast<std::int64_t>(time.tv_sec) * 1000000000 + time.tv_nsec;
}

CaptureTime CaptureTimeOf(GstElement* pipeline, GstBuffer* buffer) {
  timespec wall{};
  clock_gettime(CLOCK_REALTIME, &wall);
  CaptureTime time;
  time.unix_ns = NanosecondsOf(wall);
  if (pipeline == nullptr || buffer == nullptr || !GST_BUFFER_PTS_IS_VALID(buffer)) return time;
  GstClock* clock = gst_element_get_clock(pipeline);
  if (clock == nullptr) return time;
  // The wall clock read between two readings of the pipeline's clock that lie close
  // together, so a preemption between the readings does not look like a clock step.
  std::int64_t offset = 0;
  for (int attempt = 0; attempt < 3; ++attempt) {
    const auto before = static_cast<std::int64_t>(gst_clock_get_time(clock));
    clock_gettime(CLOCK_REALTIME, &wall);
    const auto after = static_cast<std::int64_t>(gst_clock_get_time(clock));
    offset = NanosecondsOf(wall) - (before + (after - before) / 2);
    if (after - before < 200000) break;
  }
  const GstClockTime at = gst_element_get_base_time(pipeline) + GST_BUFFER_PTS(buffer);
  gst_object_unref(clock);
  time.unix_ns = static_cast<std::int64_t>(at) + offset;
  time.wall_minus_clock_ns = offset;
  time.stamped = true;
  return time;
}

std::int64_t CaptureUnixNs(GstElement* pipeline, GstBuffer* buffer) {
  return CaptureTimeOf(pipeline, buffer).unix_ns;
}

// A change of the wall clock against the pipeline's beyond this between two frames is the
// time service stepping the clock; slewing moves it by microseconds.
constexpr std::int64_t kClockStepNs = 10000000;

GstPadProbeReturn GateRecordedFrame(GstPad*, GstPadProbeInfo* info, gpointer data) {
  RunCounters* counters = CountersOf(data);
  GstBuffer* buffer = GST_PAD_PROBE_INFO_BUFFER(info);
  const CaptureTime time = CaptureTimeOf(counters->pipeline, buffer);
  const std::int64_t captured = time.unix_ns;
  if (counters->gate_from_ns != 0 && captured < counters->gate_from_ns) return GST_PAD_PROBE_DROP;
  if (counters->gate_until_ns != 0 && captured >= counters->gate_until_ns) {
    return GST_PAD_PROBE_DROP;
  }
  std::int64_t none = 0;
  counters->first_frame_ns.compare_exchange_strong(none, captured);
  counters->last_frame_ns = captured;
  FrameStamp stamp;
  stamp.utc_ns = captured;
  if (buffer != nullptr && GST_BUFFER_OFFSET_IS_VALID(buffer)) {
    stamp.sequence = static_cast<std::int64_t>(GST_BUFFER_OFFSET(buffer));
  }
  if (time.stamped) {
    const std::int64_t before = counters->clock_offset_ns.exchange(time.wall_minus_clock_ns);
    const std::int64_t step = time.wall_minus_clock_ns - before;
    if (before != RunCounters::kNoClockOffset && (step > kClockStepNs || step < -kClockStepNs)) {
      stamp.clock_step_ns = step;
    }
  } else {
    counters->frames_without_time = true;
  }
  counters->stamps.Push(stamp);
  return GST_PAD_PROBE_OK;
}

void ReleaseCounters(gpointer data) { delete static_cast<std::shared_ptr<RunCounters>*>(data); }

// The live frame tap's probe on the source's output: the format from the caps that pass,
// and every raw frame handed over in place, with its capture time.
struct TapProbe {
  std::shared_ptr<LiveFrameTap> tap;
  GstElement* pipeline = nullptr;
  GstVideoInfo info{};
  LumaLayout layout = LumaLayout::kNone;
  std::int64_t interval_ns = 0;
};

LumaLayout LayoutOf(GstVideoFormat format) {
  switch (format) {
    case GST_VIDEO_FORMAT_GRAY8: return LumaLayout::kGray;
    case GST_VIDEO_FORMAT_YUY2: return LumaLayout::kYuy2;
    case GST_VIDEO_FORMAT_UYVY: return LumaLayout::kUyvy;
    case GST_VIDEO_FORMAT_I420:
    case GST_VIDEO_FORMAT_YV12:
    case GST_VIDEO_FORMAT_NV12:
    case GST_VIDEO_FORMAT_NV21: return LumaLayout::kPlanar;
    case GST_VIDEO_FORMAT_BGR: return LumaLayout::kBgr;
    case GST_VIDEO_FORMAT_BGRA:
    case GST_VIDEO_FORMAT_BGRx: return LumaLayout::kBgrx;
    default: return LumaLayout::kNone;
  }
}

GstPadProbeReturn TapLiveFrame(GstPad*, GstPadProbeInfo* info, gpointer data) {
  auto* probe = static_cast<TapProbe*>(data);
  if ((GST_PAD_PROBE_INFO_TYPE(info) & GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM) != 0) {
    GstEvent* event = GST_PAD_PROBE_INFO_EVENT(info);
    GstCaps* caps = nullptr;
    if (event != nullptr && GST_EVENT_TYPE(event) == GST_EVENT_CAPS) {
      gst_event_parse_caps(event, &caps);
      // Compressed video and unknown formats are not tapped.
      probe->layout = LumaLayout::kNone;
      if (caps != nullptr && gst_video_info_from_caps(&probe->info, caps)) {
        probe->layout = LayoutOf(GST_VIDEO_INFO_FORMAT(&probe->info));
        probe->interval_ns =
            probe->info.fps_n > 0
                ? static_cast<std::int64_t>(gst_util_uint64_scale(GST_SECOND, probe->info.fps_d,
                                                                  probe->info.fps_n))
                : 0;
      }
    }
    return GST_PAD_PROBE_OK;
  }
  GstBuffer* buffer = GST_PAD_PROBE_INFO_BUFFER(info);
  if (buffer == nullptr || probe->layout == LumaLayout::kNone) return GST_PAD_PROBE_OK;
  GstMapInfo map;
  if (!gst_buffer_map(buffer, &map, GST_MAP_READ)) return GST_PAD_PROBE_OK;
  // A source that lays its rows out its own way says so in the buffer's video meta.
  std::size_t offset = GST_VIDEO_INFO_PLANE_OFFSET(&probe->info, 0);
  std::ptrdiff_t stride = GST_VIDEO_INFO_PLANE_STRIDE(&probe->info, 0);
  if (const GstVideoMeta* meta = gst_buffer_get_video_meta(buffer)) {
    offset = meta->offset[0];
    stride = meta->stride[0];
  }
  if (offset < map.size) {
    LiveFrame frame;
    frame.layout = probe->layout;
    frame.pixels = map.data + offset;
    frame.bytes = map.size - offset;
    frame.stride = stride;
    frame.width = GST_VIDEO_INFO_WIDTH(&probe->info);
    frame.height = GST_VIDEO_INFO_HEIGHT(&probe->info);
    if (GST_BUFFER_OFFSET_IS_VALID(buffer)) {
      frame.sequence = static_cast<std::int64_t>(GST_BUFFER_OFFSET(buffer));
    }
    frame.utc_ns = CaptureUnixNs(probe->pipeline, buffer);
    frame.frame_interval_ns = probe->interval_ns;
    probe->tap->TakeLiveFrame(frame);
  }
  gst_buffer_unmap(buffer, &map);
  return GST_PAD_PROBE_OK;
}

void ReleaseTapProbe(gpointer data) { delete static_cast<TapProbe*>(data); }

// Where a new file may be written: its folder exists and takes files, and the path is not
// a folder itself.
bool FolderTakesFile(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  const std::string folder =
      slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
  struct stat info {};
  if (stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return false;
  if (access(folder.c_str(), W_OK | X_OK) != 0) return false;
  if (stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) return false;
  return true;
}

std::string ErrorText(GstMessage* message) {
  GError* error = nullptr;
  gchar* debug = nullptr;
  gst_message_parse_error(message, &error, &debug);
  std::string text = error != nullptr && error->message != nullptr ? error->message : "error";
  if (error != nullptr) g_error_free(error);
  g_free(debug);
  return text;
}

}  // namespace

GstMediaGraph::GstMediaGraph() = default;

GstMediaGraph::~GstMediaGraph() { Stop(); }

bool GstMediaGraph::Contains(const GstGraphFilter* filter) const {
  for (const Entry& entry : entries_) {
    if (entry.filter == filter) return true;
  }
  return false;
}

GstGraphFilter* GstMediaGraph::AsGraphFilter(const std::shared_ptr<MediaFilter>& filter) const {
  return dynamic_cast<GstGraphFilter*>(filter.get());
}

std::string GstMediaGraph::NameOf(const MediaFilter* filter) const {
  for (const Entry& entry : entries_) {
    if (entry.handle.get() == filter) return entry.name;
  }
  return "";
}

HResult GstMediaGraph::AddFilter(const std::shared_ptr<MediaFilter>& filter,
                                 const std::string& name) {
  if (!filter) return E_POINTER;
  GstGraphFilter* graph_filter = AsGraphFilter(filter);
  if (graph_filter == nullptr) return E_INVALIDARG;
  if (Contains(graph_filter)) return E_INVALIDARG;
  if (pipeline_ != nullptr) return VFW_E_NOT_STOPPED;
  // A name already taken gets a number, as the original graph does.
  std::string base = name.empty() ? graph_filter->default_name() : name;
  std::string unique = base;
  HResult result = S_OK;
  for (int number = 1; !FindFilterByName(unique, nullptr); ++number) {
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, " %04d", number);
    unique = base + suffix;
    result = VFW_S_DUPLICATE_NAME;
  }
  entries_.push_back(Entry{filter, graph_filter, unique});
  // A graph being built counts from zero, so the counts read before it runs are the
  // baseline of what it will write, not the remains of the previous run.
  {
    std::lock_guard<std::mutex> hold(lock_);
    counters_.reset();
  }
  return result;
}

HResult GstMediaGraph::RemoveFilter(const std::shared_ptr<MediaFilter>& filter) {
  if (!filter) return E_POINTER;
  if (pipeline_ != nullptr) return VFW_E_NOT_STOPPED;
  for (auto it = entries_.begin(); it != entries_.end(); ++it) {
    if (it->handle != filter) continue;
    for (const auto& pin : it->filter->pins()) DisconnectBoth(pin);
    entries_.erase(it);
    return S_OK;
  }
  return VFW_E_NOT_FOUND;
}

HResult GstMediaGraph::EnumFilters(std::vector<std::shared_ptr<MediaFilter>>* filters) {
  if (filters == nullptr) return E_POINTER;
  filters->clear();
  for (const Entry& entry : entries_) filters->push_back(entry.handle);
  return S_OK;
}

HResult GstMediaGraph::FindFilterByName(const std::string& name,
                                        std::shared_ptr<MediaFilter>* filter) {
  for (const Entry& entry : entries_) {
    if (entry.name == name) {
      if (filter != nullptr) *filter = entry.handle;
      return S_OK;
    }
  }
  if (filter != nullptr) filter->reset();
  return VFW_E_NOT_FOUND;
}

HResult GstMediaGraph::ConnectDirect(const std::shared_ptr<MediaPin>& output,
                                     const std::shared_ptr<MediaPin>& input) {
  return ConnectPins(output, input, false);
}

HResult GstMediaGraph::Connect(const std::shared_ptr<MediaPin>& output,
                               const std::shared_ptr<MediaPin>& input) {
  return ConnectPins(output, input, true);
}

HResult GstMediaGraph::ConnectPins(const std::shared_ptr<MediaPin>& output,
                                   const std::shared_ptr<MediaPin>& input, bool allow_converters) {
  if (!output || !input) return E_POINTER;
  auto out = std::dynamic_pointer_cast<GstGraphPin>(output);
  auto in = std::dynamic_pointer_cast<GstGraphPin>(input);
  if (!out || !in) return E_INVALIDARG;
  if (out->direction() != PinDirection::Output || in->direction() != PinDirection::Input) {
    return VFW_E_INVALID_DIRECTION;
  }
  if (!Contains(out->owner()) || !Contains(in->owner())) return VFW_E_NOT_IN_GRAPH;
  if (out->peer() || in->peer()) return VFW_E_ALREADY_CONNECTED;
  if (pipeline_ != nullptr) return VFW_E_NOT_STOPPED;
  GstRef<GstCaps> offered = Adopt(out->owner()->PinCaps(*out));
  GstRef<GstCaps> accepted = Adopt(in->owner()->PinCaps(*in));
  ConnectionKind kind = ConnectionKind::Direct;
  if (!gst_caps_can_intersect(offered.get(), accepted.get())) {
    if (!allow_converters || !CanConvert(offered.get(), accepted.get())) {
      return VFW_E_CANNOT_CONNECT;
    }
    kind = ConnectionKind::Converting;
  }
  out->SetPeer(in, kind);
  in->SetPeer(out, kind);
  return S_OK;
}

HResult GstMediaGraph::Disconnect(const std::shared_ptr<MediaPin>& pin) {
  if (!pin) return E_POINTER;
  auto graph_pin = std::dynamic_pointer_cast<GstGraphPin>(pin);
  if (!graph_pin) return E_INVALIDARG;
  if (pipeline_ != nullptr) return VFW_E_NOT_STOPPED;
  if (!graph_pin->peer()) return S_FALSE;
  graph_pin->ClearPeer();
  return S_OK;
}

void GstMediaGraph::DisconnectBoth(const std::shared_ptr<GstGraphPin>& pin) {
  std::shared_ptr<GstGraphPin> peer = pin->peer();
  if (peer && peer->peer() == pin) peer->ClearPeer();
  pin->ClearPeer();
}

HResult GstMediaGraph::RenderChain(const std::shared_ptr<GstGraphPin>& start,
                                   GstGraphFilter* intermediate, GstGraphFilter* sink,
                                   std::vector<std::shared_ptr<GstGraphPin>>* made) {
  std::shared_ptr<GstGraphPin> from = start;
  if (intermediate != nullptr) {
    std::shared_ptr<GstGraphPin> in = intermediate->FirstFreePin(PinDirection::Input);
    std::shared_ptr<GstGraphPin> out = intermediate->FirstFreePin(PinDirection::Output);
    if (!in || !out) return VFW_E_CANNOT_CONNECT;
    HResult result = Connect(from, in);
    if (Failed(result)) return result;
    made->push_back(from);
    from = out;
  }
  std::shared_ptr<GstGraphPin> in = sink->FirstFreePin(PinDirection::Input);
  if (!in) return VFW_E_CANNOT_CONNECT;
  HResult result = Connect(from, in);
  if (Failed(result)) return result;
  made->push_back(from);
  return S_OK;
}

HResult GstMediaGraph::RenderStream(PinCategory category,
                                    const std::shared_ptr<MediaFilter>& source,
                                    const std::shared_ptr<MediaFilter>& intermediate,
                                    const std::shared_ptr<MediaFilter>& sink) {
  if (!source || !sink) return E_POINTER;
  if (pipeline_ != nullptr) return VFW_E_NOT_STOPPED;
  GstGraphFilter* from = AsGraphFilter(source);
  GstGraphFilter* through = intermediate ? AsGraphFilter(intermediate) : nullptr;
  GstGraphFilter* to = AsGraphFilter(sink);
  if (from == nullptr || to == nullptr || (intermediate && through == nullptr)) {
    return E_INVALIDARG;
  }
  if (!Contains(from) || !Contains(to) || (through != nullptr && !Contains(through))) {
    return VFW_E_NOT_IN_GRAPH;
  }

  std::vector<std::shared_ptr<GstGraphPin>> made;
  std::shared_ptr<MediaFilter> added_tee;
  std::shared_ptr<GstGraphPin> start;
  if (category == PinCategory::Preview) start = from->FindPin("Preview");
  if (!start) {
    std::shared_ptr<GstGraphPin> capture = from->FindPin("Capture");
    if (!capture || capture->direction() != PinDirection::Output) return E_FAIL;
    std::shared_ptr<GstGraphPin> downstream = capture->peer();
    if (downstream && dynamic_cast<SmartTeeFilter*>(downstream->owner()) != nullptr &&
        Contains(downstream->owner())) {
      // The capture pin already feeds a Smart Tee: take its branch of this category.
      start =
          downstream->owner()->FindPin(category == PinCategory::Preview ? "Preview" : "Capture");
    } else if (downstream) {
      return VFW_E_ALREADY_CONNECTED;
    } else if (category == PinCategory::Preview) {
      // No preview pin of its own: split the capture pin with a Smart Tee.
      auto tee = std::make_shared<SmartTeeFilter>();
      HResult result = AddFilter(tee, "Smart Tee");
      if (Failed(result)) return result;
      added_tee = tee;
      result = ConnectDirect(capture, tee->FindPin("Input"));
      if (Failed(result)) {
        RemoveFilter(added_tee);
        return result;
      }
      start = tee->FindPin("Preview");
    } else {
      start = capture;
    }
  }
  if (!start || start->peer()) {
    if (added_tee) RemoveFilter(added_tee);
    return VFW_E_ALREADY_CONNECTED;
  }
  const HResult result = RenderChain(start, through, to, &made);
  if (Failed(result)) {
    for (const auto& pin : made) DisconnectBoth(pin);
    if (added_tee) RemoveFilter(added_tee);
    return result;
  }
  return S_OK;
}

HResult GstMediaGraph::SetOutputFileName(const std::string& path,
                                         std::shared_ptr<MediaFilter>* multiplexer) {
  if (multiplexer != nullptr) multiplexer->reset();
  if (path.empty()) return E_INVALIDARG;
  if (pipeline_ != nullptr) return VFW_E_NOT_STOPPED;
  if (!FolderTakesFile(path)) return E_FAIL;
  auto mux = std::make_shared<AviMuxFilter>(path);
  const HResult result = AddFilter(mux, "AVI Mux");
  if (Failed(result)) return result;
  if (multiplexer != nullptr) *multiplexer = mux;
  return S_OK;
}

HResult GstMediaGraph::SetSerOutputFileName(const std::string& path,
                                            const SerRecordingSetup& setup,
                                            std::shared_ptr<MediaFilter>* writer) {
  if (writer != nullptr) writer->reset();
  if (path.empty()) return E_INVALIDARG;
  if (pipeline_ != nullptr) return VFW_E_NOT_STOPPED;
  if (!FolderTakesFile(path)) return E_FAIL;
  auto filter = std::make_shared<SerWriterFilter>(path, setup);
  const HResult result = AddFilter(filter, "SER Writer");
  if (Failed(result)) return result;
  if (writer != nullptr) *writer = filter;
  return S_OK;
}

HResult GstMediaGraph::FindStreamConfig(const std::shared_ptr<MediaFilter>& source,
                                        PinCategory category, StreamConfig** config) {
  if (config == nullptr) return E_POINTER;
  *config = nullptr;
  auto* device = dynamic_cast<GstSourceFilter*>(source.get());
  if (device == nullptr || category != PinCategory::Capture) return E_NOINTERFACE;
  *config = device;
  return S_OK;
}

HResult GstMediaGraph::FindAnalogVideoDecoder(const std::shared_ptr<MediaFilter>& source,
                                              AnalogVideoDecoder** decoder) {
  if (decoder == nullptr) return E_POINTER;
  auto* device = dynamic_cast<GstSourceFilter*>(source.get());
  *decoder = device != nullptr ? device->analog_decoder() : nullptr;
  return *decoder != nullptr ? S_OK : E_NOINTERFACE;
}

HResult GstMediaGraph::FindDroppedFrames(const std::shared_ptr<MediaFilter>& source,
                                         PinCategory category, DroppedFrames** counters) {
  if (counters == nullptr) return E_POINTER;
  *counters = nullptr;
  auto* device = dynamic_cast<GstSourceFilter*>(source.get());
  if (device == nullptr || category != PinCategory::Capture || !Contains(device)) {
    return E_NOINTERFACE;
  }
  *counters = &dropped_frames_;
  return S_OK;
}

std::shared_ptr<RunCounters> GstMediaGraph::counters() const {
  std::lock_guard<std::mutex> hold(lock_);
  return counters_;
}

HResult GstMediaGraph::Counters::GetNumNotDropped(std::int32_t* count) {
  if (count == nullptr) return E_POINTER;
  std::shared_ptr<RunCounters> counters = graph_->counters();
  if (!counters) {
    *count = 0;
  } else {
    // Frames that reached the file when recording, else frames the camera delivered.
    *count = graph_->had_mux_ ? counters->muxed.load() : counters->delivered.load();
  }
  return S_OK;
}

HResult GstMediaGraph::Counters::GetNumDropped(std::int32_t* count) {
  if (count == nullptr) return E_POINTER;
  std::shared_ptr<RunCounters> counters = graph_->counters();
  *count = counters ? counters->dropped.load() : 0;
  return S_OK;
}

bool GstMediaGraph::LinkConnection(GstGraphPin* output, GstGraphPin* input) {
  GstRef<GstPad> from = Adopt(output->owner()->PadFor(*output, &run_));
  GstRef<GstPad> to = Adopt(input->owner()->PadFor(*input, &run_));
  if (!from || !to) return false;
  if (output->connection_kind() == ConnectionKind::Direct) {
    return gst_pad_link(from.get(), to.get()) == GST_PAD_LINK_OK;
  }
  // Connect's converters: a JPEG decoder when needed, then a colour converter.
  GstRef<GstCaps> offered = Adopt(output->owner()->PinCaps(*output));
  const bool jpeg = IsJpeg(offered.get());
  GstRef<GstElement> convert = Adopt(gst_element_factory_make("videoconvert", nullptr));
  GstRef<GstElement> decode = Adopt(jpeg ? gst_element_factory_make("jpegdec", nullptr) : nullptr);
  if (!convert || (jpeg && !decode)) return false;
  gst_bin_add(run_.pipeline, convert.get());
  GstElement* first = convert.get();
  if (decode) {
    gst_bin_add(run_.pipeline, decode.get());
    gst_element_link(decode.get(), convert.get());
    first = decode.get();
  }
  GstRef<GstPad> first_sink = Adopt(gst_element_get_static_pad(first, "sink"));
  GstRef<GstPad> convert_src = Adopt(gst_element_get_static_pad(convert.get(), "src"));
  return gst_pad_link(from.get(), first_sink.get()) == GST_PAD_LINK_OK &&
         gst_pad_link(convert_src.get(), to.get()) == GST_PAD_LINK_OK;
}

void GstMediaGraph::AttachProbes() {
  std::shared_ptr<RunCounters> run_counters = counters();
  auto add = [&](GstPad* pad, GstPadProbeType type, GstPadProbeCallback callback) {
    if (pad == nullptr) return;
    gst_pad_add_probe(pad, type, callback, new std::shared_ptr<RunCounters>(run_counters),
                      ReleaseCounters);
  };
  add(run_.sequence_pad, GST_PAD_PROBE_TYPE_BUFFER, CountSourceFrame);
  if (live_tap_ && run_.sequence_pad != nullptr) {
    auto* probe = new TapProbe();
    probe->tap = live_tap_;
    probe->pipeline = pipeline_;
    gst_pad_add_probe(run_.sequence_pad,
                      static_cast<GstPadProbeType>(GST_PAD_PROBE_TYPE_BUFFER |
                                                   GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM),
                      TapLiveFrame, probe, ReleaseTapProbe);
  }
  // Every recording passes the gate, which also notes when its first frame was captured.
  run_counters->gate_from_ns = UnixNsOf(record_from_utc_);
  run_counters->gate_until_ns = UnixNsOf(record_until_utc_);
  run_counters->pipeline = pipeline_;
  add(run_.recording_pad, GST_PAD_PROBE_TYPE_BUFFER, GateRecordedFrame);
  add(run_.mux_pad, GST_PAD_PROBE_TYPE_BUFFER, CountMuxedFrame);
  add(run_.file_pad, GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM, WatchFileEnd);
  if (run_.file_pad != nullptr && run_.carried_codec != nullptr) {
    InstallAviHeaderCorrection(run_.file_pad, *run_.carried_codec);
  }
}

void GstMediaGraph::RecordError(GstMessage* message) {
  std::lock_guard<std::mutex> hold(lock_);
  last_error_ = ErrorText(message);
}

std::string GstMediaGraph::last_error() const {
  std::lock_guard<std::mutex> hold(lock_);
  return last_error_;
}

HResult GstMediaGraph::Run() {
  if (pipeline_ != nullptr) return S_OK;  // already running
  {
    std::lock_guard<std::mutex> hold(lock_);
    counters_ = std::make_shared<RunCounters>();
    last_error_.clear();
  }
  error_seen_ = false;
  pipeline_ = gst_pipeline_new(nullptr);
  bus_ = gst_element_get_bus(pipeline_);
  run_ = RunBuild{};
  run_.pipeline = GST_BIN(pipeline_);
  run_.counters = counters();
  built_.clear();

  // Only filters joined to something take part, as only they would stream.
  std::vector<std::pair<GstGraphPin*, GstGraphPin*>> connections;
  for (const Entry& entry : entries_) {
    for (const auto& pin : entry.filter->pins()) {
      if (pin->direction() != PinDirection::Output) continue;
      std::shared_ptr<GstGraphPin> peer = pin->peer();
      if (peer && peer->peer() == pin && Contains(peer->owner())) {
        connections.emplace_back(pin.get(), peer.get());
      }
    }
  }
  bool ok = !connections.empty();
  for (const Entry& entry : entries_) {
    if (!ok) break;
    bool joined = false;
    for (const auto& connection : connections) {
      joined = joined || connection.first->owner() == entry.filter ||
               connection.second->owner() == entry.filter;
    }
    if (!joined) continue;
    if (entry.filter->InUse()) {
      ok = false;  // still streaming in another graph
      break;
    }
    built_.push_back(entry.filter);
    ok = entry.filter->BuildElements(&run_);
  }
  for (const auto& connection : connections) {
    if (!ok) break;
    ok = LinkConnection(connection.first, connection.second);
  }
  if (ok) {
    // An output nobody takes (a compressor left unconnected) drains into a fake sink.
    GstIterator* elements = gst_bin_iterate_elements(run_.pipeline);
    std::vector<GstRef<GstPad>> loose;
    GValue item = G_VALUE_INIT;
    while (gst_iterator_next(elements, &item) == GST_ITERATOR_OK) {
      auto* element = GST_ELEMENT(g_value_get_object(&item));
      GstIterator* pads = gst_element_iterate_src_pads(element);
      GValue pad_item = G_VALUE_INIT;
      while (gst_iterator_next(pads, &pad_item) == GST_ITERATOR_OK) {
        auto* pad = GST_PAD(g_value_get_object(&pad_item));
        if (!gst_pad_is_linked(pad)) loose.push_back(GstRef<GstPad>::Ref(pad));
        g_value_reset(&pad_item);
      }
      g_value_unset(&pad_item);
      gst_iterator_free(pads);
      g_value_reset(&item);
    }
    g_value_unset(&item);
    gst_iterator_free(elements);
    for (const GstRef<GstPad>& pad : loose) {
      GstElement* drain = gst_element_factory_make("fakesink", nullptr);
      g_object_set(drain, "sync", FALSE, "async", FALSE, nullptr);
      gst_bin_add(run_.pipeline, drain);
      GstRef<GstPad> drain_pad = Adopt(gst_element_get_static_pad(drain, "sink"));
      ok = ok && gst_pad_link(pad.get(), drain_pad.get()) == GST_PAD_LINK_OK;
    }
  }
  if (!ok) {
    TearDown();
    return E_FAIL;
  }
  // The file writer truncates what it opens: the recording's file is made here, new, so an
  // earlier recording at that name is never written over.
  const std::string claimed_file = run_.mux != nullptr ? run_.file_path : std::string();
  if (!claimed_file.empty()) {
    const int fd = ::open(claimed_file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
      {
        std::lock_guard<std::mutex> hold(lock_);
        last_error_ = claimed_file + ": " + std::strerror(errno);
      }
      TearDown();
      return E_FAIL;
    }
    ::close(fd);
  }
  had_mux_ = run_.mux != nullptr;
  {
    std::lock_guard<std::mutex> hold(drain_lock_);
    ser_ = run_.ser;
    ser_times_.clear();
  }
  if (live_tap_) live_tap_->BeginRun();
  AttachProbes();
  for (GstGraphFilter* filter : built_) filter->OnRunStarting();
  const HResult result = WaitUntilPlaying();
  if (Failed(result)) {
    TearDown();
    // A recording that did not start leaves no file behind; the file was made by this run.
    if (!claimed_file.empty()) ::unlink(claimed_file.c_str());
    return result;
  }
  StartBusThread();
  return result;
}

HResult GstMediaGraph::WaitUntilPlaying() {
  if (gst_element_set_state(pipeline_, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
    GstMessage* message = gst_bus_pop_filtered(bus_, GST_MESSAGE_ERROR);
    if (message != nullptr) {
      RecordError(message);
      gst_message_unref(message);
    }
    return E_FAIL;
  }
  const auto deadline = Clock::now() + kStartWait;
  while (Clock::now() < deadline) {
    GstMessage* message = gst_bus_timed_pop_filtered(bus_, 20 * GST_MSECOND, GST_MESSAGE_ERROR);
    if (message != nullptr) {
      RecordError(message);
      gst_message_unref(message);
      return E_FAIL;
    }
    GstState state = GST_STATE_NULL;
    const GstStateChangeReturn change = gst_element_get_state(pipeline_, &state, nullptr, 0);
    if (change == GST_STATE_CHANGE_FAILURE) return E_FAIL;
    if (state == GST_STATE_PLAYING && change != GST_STATE_CHANGE_ASYNC && RecordingUnderway()) {
      return S_OK;
    }
  }
  // Still on its way (a device without signal): running as far as the graph is concerned.
  return S_FALSE;
}

bool GstMediaGraph::RecordingUnderway() const {
  // A recording through an encoder has begun once its first frame reached the multiplexer:
  // an encoder that takes the format but refuses the frames fails here, while the start can
  // still go on without it. Frames held back until a recording window opens cannot tell yet.
  if (run_.mux == nullptr || !run_.has_encoder) return true;
  std::shared_ptr<RunCounters> run_counters = counters();
  if (!run_counters || run_counters->muxed.load() > 0) return true;
  timespec wall{};
  clock_gettime(CLOCK_REALTIME, &wall);
  const std::int64_t now = static_cast<std::int64_t>(wall.tv_sec) * 1000000000 + wall.tv_nsec;
  return run_counters->gate_from_ns > now;
}

void GstMediaGraph::StartBusThread() {
  GstBus* bus = GST_BUS(gst_object_ref(bus_));
  bus_thread_ = std::thread([this, bus]() {
    // One failure, one report: the errors that follow the first (the stream stopping behind
    // a failed writer, say) are its consequences.
    bool reported = false;
    for (;;) {
      // Woken at least four times a second to pass the frame stamps on.
      GstMessage* message = gst_bus_timed_pop_filtered(
          bus, 250 * GST_MSECOND,
          static_cast<GstMessageType>(GST_MESSAGE_ERROR | GST_MESSAGE_APPLICATION));
      DrainFrameStamps();
      if (message == nullptr) continue;
      if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_APPLICATION) {
        gst_message_unref(message);
        break;
      }
      if (reported) {
        gst_message_unref(message);
        continue;
      }
      reported = true;
      error_seen_ = true;
      // A failed write leaves a file that must be ended after the stop.
      if (run_.file_pad != nullptr &&
          GST_MESSAGE_SRC(message) == GST_OBJECT_PARENT(run_.file_pad)) {
        if (std::shared_ptr<RunCounters> run_counters = counters()) run_counters->write_failed = true;
      }
      RecordError(message);
      gst_message_unref(message);
      GraphErrorHandler handler;
      {
        std::lock_guard<std::mutex> hold(lock_);
        handler = handler_;
      }
      if (handler) handler(last_error());
    }
    gst_object_unref(bus);
  });
}

void GstMediaGraph::StopBusThread() {
  if (!bus_thread_.joinable()) return;
  gst_bus_post(bus_,
               gst_message_new_application(nullptr, gst_structure_new_empty("vesk-graph-stop")));
  if (bus_thread_.get_id() == std::this_thread::get_id()) {
    // Stopped from the error handler: the thread ends by itself after the handler.
    bus_thread_.detach();
  } else {
    bus_thread_.join();
  }
}

void GstMediaGraph::TearDown() {
  if (pipeline_ == nullptr) return;
  StopBusThread();
  gst_element_set_state(pipeline_, GST_STATE_NULL);
  for (GstGraphFilter* filter : built_) {
    filter->ReleaseElements();
    filter->OnRunStopped();
  }
  built_.clear();
  run_ = RunBuild{};
  gst_object_unref(bus_);
  bus_ = nullptr;
  gst_object_unref(pipeline_);
  pipeline_ = nullptr;
}

HResult GstMediaGraph::Stop() {
  if (pipeline_ == nullptr) return S_OK;
  std::shared_ptr<RunCounters> run_counters = counters();
  std::thread forced_end;
  if (run_.mux != nullptr && !run_counters->file_finished.load()) {
    // Finish the recording: end-of-stream from the camera through the multiplexer, which
    // then writes its index. After an error the stream may be broken before the
    // multiplexer, so the end goes to it straight away.
    auto deadline = Clock::now() + kEndOfStreamWait;
    if (!error_seen_.load()) gst_element_send_event(pipeline_, gst_event_new_eos());
    while (!error_seen_.load() && !run_counters->file_finished.load() && Clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (!run_counters->file_finished.load() && run_.mux_pad != nullptr) {
      // The camera is gone or stuck: end the file at the multiplexer's input. This may wait
      // behind a blocked writer, so it runs aside and is released by the teardown.
      // Behind what is queued when the queue still flows, else at the multiplexer itself.
      forced_end = std::thread([queued = GstRef<GstPad>::Ref(run_.recording_pad),
                                direct = GstRef<GstPad>::Ref(run_.mux_pad)]() {
        const bool sent = queued && gst_pad_send_event(queued.get(), gst_event_new_eos());
        if (!sent) gst_pad_send_event(direct.get(), gst_event_new_eos());
      });
      deadline = Clock::now() + kForcedEndOfStreamWait;
      while (!run_counters->file_finished.load() && Clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
      }
    }
  }
  const std::string file_path = run_.mux != nullptr ? run_.file_path : std::string();
  const FrameTimeOrigin origin = run_.frame_time_origin;
  TearDown();
  if (forced_end.joinable()) forced_end.join();
  // The last stamps, of the frames the end of the stream carried into the file.
  DrainFrameStamps();
  if (ser_) {
    SettleSerFile(*run_counters);
  } else if (!file_path.empty()) {
    SettleRecordedFile(file_path, *run_counters);
    recorded_file_.frame_time_origin =
        run_counters->frames_without_time.load() ? FrameTimeOrigin::kArrival : origin;
    recorded_file_.stamps_lost = run_counters->stamps.lost();
  }
  return S_OK;
}

namespace {

// Gathers the times for a SER file's trailer and passes the stamps on to the record.
class SerTimesSink final : public FrameStampSink {
 public:
  SerTimesSink(std::vector<std::int64_t>* times, FrameStampSink* next) : times_(times), next_(next) {}
  void TakeFrames(const FrameStamp* stamps, std::size_t count) override {
    for (std::size_t i = 0; i < count; ++i) times_->push_back(stamps[i].utc_ns);
    if (next_ != nullptr) next_->TakeFrames(stamps, count);
  }

 private:
  std::vector<std::int64_t>* times_;
  FrameStampSink* next_;
};

}  // namespace

void GstMediaGraph::DrainFrameStamps() {
  std::lock_guard<std::mutex> hold(drain_lock_);
  std::shared_ptr<RunCounters> run_counters = counters();
  if (!run_counters) return;
  if (ser_) {
    SerTimesSink sink(&ser_times_, stamp_sink_.get());
    run_counters->stamps.Drain(sink);
  } else if (stamp_sink_) {
    run_counters->stamps.Drain(*stamp_sink_);
  }
}

void GstMediaGraph::SettleSerFile(RunCounters& run_counters) {
  recorded_file_ = RecordedFileEnd{};
  recorded_file_.ser = true;
  recorded_file_.first_frame_utc = FileTimeOf(run_counters.first_frame_ns.load());
  recorded_file_.last_frame_utc = FileTimeOf(run_counters.last_frame_ns.load());
  std::shared_ptr<SerRecording> ser;
  std::vector<std::int64_t> times;
  {
    std::lock_guard<std::mutex> hold(drain_lock_);
    ser = std::move(ser_);
    ser_.reset();
    times.swap(ser_times_);
  }
  // Stamps lost to a full queue leave too few times: the file then goes without a trailer.
  const SerEnd end = ser->Finish(run_counters.stamps.lost() == 0 ? times : std::vector<std::int64_t>{});
  recorded_file_.write_failed =
      end.write_failed || run_counters.write_failed.load() || !run_counters.file_finished.load();
  recorded_file_.frames = ser->begun ? end.frames : 0;
  recorded_file_.index_written = end.trailer_written;
  recorded_file_.ser_trailer_written = end.trailer_written;
  if (end.frames > 0 && static_cast<std::size_t>(end.frames) <= times.size()) {
    recorded_file_.last_frame_utc = FileTimeOf(times[static_cast<std::size_t>(end.frames) - 1]);
  }
  run_counters.muxed = static_cast<std::int32_t>(
      std::min<std::int64_t>(recorded_file_.frames, std::numeric_limits<std::int32_t>::max()));
}

void GstMediaGraph::SettleRecordedFile(const std::string& path, RunCounters& run_counters) {
  recorded_file_ = RecordedFileEnd{};
  recorded_file_.first_frame_utc = FileTimeOf(run_counters.first_frame_ns.load());
  recorded_file_.last_frame_utc = FileTimeOf(run_counters.last_frame_ns.load());
  if (run_counters.write_failed.load() || !run_counters.file_finished.load()) {
    // The writer stopped part way: the file keeps every whole frame it got.
    recorded_file_.write_failed = true;
    PosixAviFile file(path, true);
    if (!file.is_open()) return;
    const AviFinishResult finished = FinishCutOffAvi(file);
    if (!finished.is_avi) return;
    recorded_file_.index_written = finished.index_written;
    recorded_file_.frames = finished.video_frames;
  } else {
    PosixAviFile file(path, false);
    recorded_file_.index_written = true;
    recorded_file_.frames = file.is_open() ? AviHeaderFrameCount(file) : -1;
  }
  // What the log calls recorded is what the file holds.
  if (recorded_file_.frames >= 0) {
    run_counters.muxed = static_cast<std::int32_t>(
        std::min<std::int64_t>(recorded_file_.frames, std::numeric_limits<std::int32_t>::max()));
  }
}

void GstMediaGraph::SetErrorHandler(GraphErrorHandler handler) {
  std::lock_guard<std::mutex> hold(lock_);
  handler_ = std::move(handler);
}

}  // namespace vesk::gst
