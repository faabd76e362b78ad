#include "platform/gst/gst_media_graph.h"

#include <unistd.h>

#include <chrono>

#include "platform/gst/capture_time.h"
#include "platform/gst/gst_ref.h"
#include "platform/gst/gst_renderer_filter.h"
#include "platform/gst/gst_ser_writer.h"
#include "platform/gst/live_tap_probe.h"
#include "platform/gst/recorded_file_end.h"
#include "platform/gst/recording_probes.h"

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
  if (pipeline_) return VFW_E_NOT_STOPPED;
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
  if (pipeline_) return VFW_E_NOT_STOPPED;
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
  if (pipeline_) return VFW_E_NOT_STOPPED;
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
  if (pipeline_) return VFW_E_NOT_STOPPED;
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
  if (pipeline_) return VFW_E_NOT_STOPPED;
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
  if (pipeline_) return VFW_E_NOT_STOPPED;
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
  if (pipeline_) return VFW_E_NOT_STOPPED;
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
  const std::shared_ptr<RunCounters> run_counters = counters();
  CountSourceFrames(run_.sequence_pad, run_counters);
  if (live_tap_) AttachLiveTapProbe(run_.sequence_pad, live_tap_, pipeline_.get());
  WatchRecording(run_, run_counters, pipeline_.get(), record_from_utc_, record_until_utc_);
}

void GstMediaGraph::RecordError(GstMessage* message) {
  std::lock_guard<std::mutex> hold(lock_);
  last_error_ = ErrorText(message);
}

std::string GstMediaGraph::last_error() const {
  std::lock_guard<std::mutex> hold(lock_);
  return last_error_;
}

// Only filters joined to something take part, as only they would stream.
std::vector<GstMediaGraph::Connection> GstMediaGraph::JoinedConnections() const {
  std::vector<Connection> connections;
  for (const Entry& entry : entries_) {
    for (const auto& pin : entry.filter->pins()) {
      if (pin->direction() != PinDirection::Output) continue;
      std::shared_ptr<GstGraphPin> peer = pin->peer();
      if (peer && peer->peer() == pin && Contains(peer->owner())) {
        connections.emplace_back(pin.get(), peer.get());
      }
    }
  }
  return connections;
}

bool GstMediaGraph::BuildJoinedFilters(const std::vector<Connection>& connections) {
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
  return ok;
}

bool GstMediaGraph::DrainLooseOutputs() {
  bool ok = true;
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
  return ok;
}

HResult GstMediaGraph::Run() {
  if (pipeline_) return S_OK;  // already running
  {
    std::lock_guard<std::mutex> hold(lock_);
    counters_ = std::make_shared<RunCounters>();
    last_error_.clear();
  }
  error_seen_ = false;
  pipeline_ = Adopt(gst_pipeline_new(nullptr));
  bus_ = Adopt(gst_element_get_bus(pipeline_.get()));
  run_ = RunBuild{};
  run_.pipeline = GST_BIN(pipeline_.get());
  run_.counters = counters();
  built_.clear();

  const std::vector<Connection> connections = JoinedConnections();
  bool ok = BuildJoinedFilters(connections);
  for (const auto& connection : connections) {
    if (!ok) break;
    ok = LinkConnection(connection.first, connection.second);
  }
  ok = ok && DrainLooseOutputs();
  if (!ok) {
    TearDown();
    return E_FAIL;
  }
  // The file writer truncates what it opens: the recording's file is made here, new, so an
  // earlier recording at that name is never written over.
  const std::string claimed_file = run_.mux != nullptr ? run_.file_path : std::string();
  std::string claim_error;
  if (!claimed_file.empty() && !ClaimNewFile(claimed_file, &claim_error)) {
    {
      std::lock_guard<std::mutex> hold(lock_);
      last_error_ = claim_error;
    }
    TearDown();
    return E_FAIL;
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
  if (gst_element_set_state(pipeline_.get(), GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
    GstMessage* message = gst_bus_pop_filtered(bus_.get(), GST_MESSAGE_ERROR);
    if (message != nullptr) {
      RecordError(message);
      gst_message_unref(message);
    }
    return E_FAIL;
  }
  const auto deadline = Clock::now() + kStartWait;
  while (Clock::now() < deadline) {
    GstMessage* message = gst_bus_timed_pop_filtered(bus_.get(), 20 * GST_MSECOND, GST_MESSAGE_ERROR);
    if (message != nullptr) {
      RecordError(message);
      gst_message_unref(message);
      return E_FAIL;
    }
    GstState state = GST_STATE_NULL;
    const GstStateChangeReturn change = gst_element_get_state(pipeline_.get(), &state, nullptr, 0);
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
  return run_counters->gate_from_ns > WallClockUnixNs();
}

void GstMediaGraph::StartBusThread() {
  GstBus* bus = GST_BUS(gst_object_ref(bus_.get()));
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
  gst_bus_post(bus_.get(),
               gst_message_new_application(nullptr, gst_structure_new_empty("vesk-graph-stop")));
  if (bus_thread_.get_id() == std::this_thread::get_id()) {
    // Stopped from the error handler: the thread ends by itself after the handler.
    bus_thread_.detach();
  } else {
    bus_thread_.join();
  }
}

void GstMediaGraph::TearDown() {
  if (!pipeline_) return;
  StopBusThread();
  gst_element_set_state(pipeline_.get(), GST_STATE_NULL);
  for (GstGraphFilter* filter : built_) {
    filter->ReleaseElements();
    filter->OnRunStopped();
  }
  built_.clear();
  run_ = RunBuild{};
  bus_.reset();
  pipeline_.reset();
}

HResult GstMediaGraph::Stop() {
  if (!pipeline_) return S_OK;
  std::shared_ptr<RunCounters> run_counters = counters();
  std::thread forced_end;
  if (run_.mux != nullptr && !run_counters->file_finished.load()) {
    // Finish the recording: end-of-stream from the camera through the multiplexer, which
    // then writes its index. After an error the stream may be broken before the
    // multiplexer, so the end goes to it straight away.
    auto deadline = Clock::now() + kEndOfStreamWait;
    if (!error_seen_.load()) gst_element_send_event(pipeline_.get(), gst_event_new_eos());
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
    SettleSerRun(*run_counters);
  } else if (!file_path.empty()) {
    recorded_file_ = SettleAviFile(file_path, *run_counters);
    recorded_file_.frame_time_origin =
        run_counters->frames_without_time.load() ? FrameTimeOrigin::kArrival : origin;
    recorded_file_.stamps_lost = run_counters->stamps.lost();
  }
  return S_OK;
}

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

void GstMediaGraph::SettleSerRun(RunCounters& run_counters) {
  std::shared_ptr<SerRecording> ser;
  std::vector<std::int64_t> times;
  {
    std::lock_guard<std::mutex> hold(drain_lock_);
    ser = std::move(ser_);
    ser_.reset();
    times.swap(ser_times_);
  }
  recorded_file_ = SettleSerFile(*ser, times, run_counters);
}

void GstMediaGraph::SetErrorHandler(GraphErrorHandler handler) {
  std::lock_guard<std::mutex> hold(lock_);
  handler_ = std::move(handler);
}

}  // namespace vesk::gst
