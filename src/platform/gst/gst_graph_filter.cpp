#include "platform/gst/gst_graph_filter.h"

#include "platform/gst/gst_caps_mapping.h"
#include "platform/gst/gst_ref.h"

namespace vesk::gst {
namespace {

// A format the device does not offer.
constexpr HResult kInvalidMediaType = static_cast<HResult>(0x80040200u);

bool SameFormat(const MediaType& a, const MediaType& b) {
  if (a == b) return true;
  if (a.subtype_name != b.subtype_name || a.width != b.width || a.height != b.height) {
    return false;
  }
  // The same frame time, whether given as a fraction or in 100 ns units.
  if (a.avg_time_per_frame != 0 && a.avg_time_per_frame == b.avg_time_per_frame) return true;
  int a_num = 0, a_den = 1, b_num = 0, b_den = 1;
  FrameRateOf(a, &a_num, &a_den);
  FrameRateOf(b, &b_num, &b_den);
  return static_cast<std::int64_t>(a_num) * b_den == static_cast<std::int64_t>(b_num) * a_den;
}

// Adds an element to the run's pipeline; a reference the caller kept is not handed over.
bool AddToPipeline(RunBuild* run, GstElement* element) {
  const bool floating = g_object_is_floating(element);
  const bool added = gst_bin_add(run->pipeline, element);
  if (!floating) gst_object_unref(element);
  return added;
}

}  // namespace

HResult GstGraphPin::QueryDirection(PinDirection* direction) const {
  if (direction == nullptr) return E_POINTER;
  *direction = direction_;
  return S_OK;
}

HResult GstGraphPin::ConnectedTo(std::shared_ptr<MediaPin>* other) const {
  if (other == nullptr) return E_POINTER;
  std::shared_ptr<GstGraphPin> peer = peer_.lock();
  if (!peer) {
    other->reset();
    return VFW_E_NOT_CONNECTED;
  }
  *other = peer;
  return S_OK;
}

HResult GstGraphPin::EnumMediaTypes(std::vector<MediaType>* types) const {
  if (types == nullptr) return E_POINTER;
  *types = owner_->PinMediaTypes(*this);
  return S_OK;
}

MediaFilter* GstGraphPin::Owner() const { return owner_; }

HResult GstGraphFilter::EnumPins(PinList* pins) {
  if (pins == nullptr) return E_POINTER;
  pins->assign(pins_.begin(), pins_.end());
  return S_OK;
}

std::shared_ptr<GstGraphPin> GstGraphFilter::FindPin(const std::string& name) const {
  for (const auto& pin : pins_) {
    if (pin->Name() == name) return pin;
  }
  return nullptr;
}

std::shared_ptr<GstGraphPin> GstGraphFilter::FirstFreePin(PinDirection direction) const {
  for (const auto& pin : pins_) {
    if (pin->direction() == direction && !pin->peer()) return pin;
  }
  return nullptr;
}

GstCaps* GstGraphFilter::PinCaps(const GstGraphPin&) const { return gst_caps_new_any(); }

std::vector<MediaType> GstGraphFilter::PinMediaTypes(const GstGraphPin&) const { return {}; }

std::shared_ptr<GstGraphPin> GstGraphFilter::AddPin(const std::string& name,
                                                    PinDirection direction) {
  auto pin = std::make_shared<GstGraphPin>(this, name, direction);
  pins_.push_back(pin);
  return pin;
}

GstCaps* FactoryTemplateCaps(GstElementFactory* factory, GstPadDirection direction,
                             const char* template_name) {
  if (factory != nullptr) {
    for (const GList* item = gst_element_factory_get_static_pad_templates(factory); item != nullptr;
         item = item->next) {
      auto* pad_template = static_cast<GstStaticPadTemplate*>(item->data);
      if (pad_template->direction != direction) continue;
      if (template_name != nullptr && g_strcmp0(pad_template->name_template, template_name) != 0) {
        continue;
      }
      return gst_static_pad_template_get_caps(pad_template);
    }
  }
  return gst_caps_new_any();
}

// Source ---------------------------------------------------------------------------------

GstSourceFilter::GstSourceFilter(std::string name) : GstGraphFilter(std::move(name)) {
  AddPin("Capture", PinDirection::Output);
}

HResult GstSourceFilter::SetFormat(const MediaType& type) {
  for (const MediaType& offered : Formats()) {
    if (SameFormat(offered, type)) {
      format_ = offered;
      return S_OK;
    }
  }
  return kInvalidMediaType;
}

std::optional<MediaType> GstSourceFilter::CurrentFormat() const {
  if (format_) return format_;
  std::vector<MediaType> formats = Formats();
  if (formats.empty()) return std::nullopt;
  return formats.front();
}

HResult GstSourceFilter::QueryVideoProcAmp(VideoProcAmp** proc_amp_out) {
  if (proc_amp_out == nullptr) return E_POINTER;
  *proc_amp_out = proc_amp();
  return *proc_amp_out != nullptr ? S_OK : E_NOINTERFACE;
}

GstCaps* GstSourceFilter::PinCaps(const GstGraphPin&) const {
  std::optional<MediaType> format = CurrentFormat();
  GstCaps* caps = format ? CapsForMediaType(*format) : nullptr;
  return caps != nullptr ? caps : gst_caps_new_empty();
}

std::vector<MediaType> GstSourceFilter::PinMediaTypes(const GstGraphPin&) const {
  return Formats();
}

bool GstSourceFilter::BuildElements(RunBuild* run) {
  std::optional<MediaType> format = CurrentFormat();
  if (!format) return false;
  GstRef<GstCaps> caps = Adopt(CapsForMediaType(*format));
  if (!caps) return false;
  GstPad* sequence_pad = nullptr;
  GstRef<GstElement> device = Adopt(CreateDeviceElement(*format, &sequence_pad));
  GstRef<GstElement> filter = Adopt(gst_element_factory_make("capsfilter", nullptr));
  if (!device || !filter) return false;
  g_object_set(filter.get(), "caps", caps.get(), nullptr);
  gst_bin_add(run->pipeline, device.get());
  gst_bin_add(run->pipeline, filter.get());
  output_ = filter.get();
  run->sequence_pad = sequence_pad;
  run->frame_time_origin = TimeOrigin();
  return gst_element_link(device.get(), filter.get());
}

GstPad* GstSourceFilter::PadFor(const GstGraphPin& pin, RunBuild*) {
  if (output_ == nullptr || pin.direction() != PinDirection::Output) return nullptr;
  return gst_element_get_static_pad(output_, "src");
}

void GstSourceFilter::ReleaseElements() { output_ = nullptr; }

// Smart Tee -------------------------------------------------------------------------------

SmartTeeFilter::SmartTeeFilter() : GstGraphFilter("Smart Tee") {
  AddPin("Input", PinDirection::Input);
  AddPin("Capture", PinDirection::Output);
  AddPin("Preview", PinDirection::Output);
}

GstCaps* SmartTeeFilter::PinCaps(const GstGraphPin& pin) const {
  if (pin.direction() == PinDirection::Output) {
    // Both outputs carry what comes in.
    std::shared_ptr<GstGraphPin> upstream = FindPin("Input")->peer();
    if (upstream) return upstream->owner()->PinCaps(*upstream);
  }
  return gst_caps_new_any();
}

bool SmartTeeFilter::BuildElements(RunBuild* run) {
  GstElement* tee = gst_element_factory_make("tee", nullptr);
  if (tee == nullptr) return false;
  AddToPipeline(run, tee);
  tee_ = tee;
  return true;
}

GstPad* SmartTeeFilter::PadFor(const GstGraphPin& pin, RunBuild* run) {
  if (tee_ == nullptr) return nullptr;
  if (pin.direction() == PinDirection::Input) return gst_element_get_static_pad(tee_, "sink");
  GstElement* queue = gst_element_factory_make("queue", nullptr);
  if (queue == nullptr) return nullptr;
  if (pin.Name() == "Preview") {
    // The display may skip frames; keep only the newest.
    g_object_set(queue, "leaky", 2, "max-size-buffers", 2u, "max-size-bytes", 0u, "max-size-time",
                 G_GUINT64_CONSTANT(0), nullptr);
  } else {
    // The recording never loses a frame here: when the writer falls behind the queue
    // fills and holds the camera back, which shows as frames the camera dropped.
    g_object_set(queue, "max-size-buffers", 0u, "max-size-bytes", 512u * 1024u * 1024u,
                 "max-size-time", G_GUINT64_CONSTANT(0), nullptr);
  }
  AddToPipeline(run, queue);
  GstRef<GstPad> tee_pad = Adopt(gst_element_request_pad_simple(tee_, "src_%u"));
  GstRef<GstPad> queue_sink = Adopt(gst_element_get_static_pad(queue, "sink"));
  if (!tee_pad || gst_pad_link(tee_pad.get(), queue_sink.get()) != GST_PAD_LINK_OK) return nullptr;
  return gst_element_get_static_pad(queue, "src");
}

void SmartTeeFilter::ReleaseElements() { tee_ = nullptr; }

// AVI Mux ---------------------------------------------------------------------------------

AviMuxFilter::AviMuxFilter(std::string path) : GstGraphFilter("AVI Mux"), path_(std::move(path)) {
  AddPin("Input 01", PinDirection::Input);
}

GstCaps* AviMuxFilter::PinCaps(const GstGraphPin&) const {
  GstRef<GstElementFactory> factory = Adopt(gst_element_factory_find("avimux"));
  return FactoryTemplateCaps(factory.get(), GST_PAD_SINK, "video_%u");
}

bool AviMuxFilter::BuildElements(RunBuild* run) {
  GstRef<GstElement> queue = Adopt(gst_element_factory_make("queue", nullptr));
  GstRef<GstElement> mux = Adopt(gst_element_factory_make("avimux", nullptr));
  GstRef<GstElement> sink = Adopt(gst_element_factory_make("filesink", nullptr));
  if (!queue || !mux || !sink) return false;
  // The writer runs on its own thread behind a queue that never drops: a disk that stalls
  // for a moment must not hold the camera back, whatever feeds the multiplexer.
  g_object_set(queue.get(), "max-size-buffers", 0u, "max-size-bytes", 512u * 1024u * 1024u,
               "max-size-time", G_GUINT64_CONSTANT(0), nullptr);
  // OpenDML index and RIFF-AVIX continuation past 1 GB, so files may exceed 2 GB.
  g_object_set(mux.get(), "bigfile", TRUE, nullptr);
  g_object_set(sink.get(), "location", path_.c_str(), "sync", FALSE, "async", FALSE, nullptr);
  gst_bin_add_many(run->pipeline, queue.get(), mux.get(), sink.get(), nullptr);
  // The pipeline holds the elements, and they their pads: what the run keeps is borrowed.
  queue_ = queue.get();
  mux_ = mux.get();
  run->mux = mux.get();
  run->file_path = path_;
  run->file_pad = Adopt(gst_element_get_static_pad(sink.get(), "sink")).get();
  if (!gst_element_link(mux.get(), sink.get())) return false;
  GstRef<GstPad> video_pad = Adopt(gst_element_request_pad_simple(mux.get(), "video_%u"));
  if (!video_pad) return false;
  run->mux_pad = video_pad.get();  // the multiplexer keeps its request pad
  run->recording_pad = Adopt(gst_element_get_static_pad(queue.get(), "sink")).get();
  GstRef<GstPad> queue_src = Adopt(gst_element_get_static_pad(queue.get(), "src"));
  return gst_pad_link(queue_src.get(), video_pad.get()) == GST_PAD_LINK_OK;
}

GstPad* AviMuxFilter::PadFor(const GstGraphPin& pin, RunBuild*) {
  if (queue_ == nullptr || pin.direction() != PinDirection::Input) return nullptr;
  return gst_element_get_static_pad(queue_, "sink");
}

void AviMuxFilter::ReleaseElements() {
  queue_ = nullptr;
  mux_ = nullptr;
}

// Element filters -------------------------------------------------------------------------

ElementFilter::ElementFilter(std::string name, std::function<GstElement*()> make_element,
                             std::string input_pin, std::string output_pin)
    : GstGraphFilter(std::move(name)), make_element_(std::move(make_element)) {
  AddPin(input_pin, PinDirection::Input);
  AddPin(output_pin, PinDirection::Output);
}

std::shared_ptr<ElementFilter> ElementFilter::FromFactory(const std::string& factory_name,
                                                          const std::string& display_name) {
  GstRef<GstElementFactory> factory = Adopt(gst_element_factory_find(factory_name.c_str()));
  if (!factory) return nullptr;
  auto filter = std::make_shared<ElementFilter>(display_name, [factory_name]() {
    return gst_element_factory_make(factory_name.c_str(), nullptr);
  });
  GstRef<GstCaps> input = Adopt(FactoryTemplateCaps(factory.get(), GST_PAD_SINK));
  GstRef<GstCaps> output = Adopt(FactoryTemplateCaps(factory.get(), GST_PAD_SRC));
  filter->SetPinCaps(input.get(), output.get());
  filter->set_encoder(gst_element_factory_list_is_type(factory.get(),
                                                       GST_ELEMENT_FACTORY_TYPE_VIDEO_ENCODER));
  return filter;
}

void ElementFilter::SetPinCaps(GstCaps* input, GstCaps* output) {
  input_caps_ = GstRef<GstCaps>::Ref(input);
  output_caps_ = GstRef<GstCaps>::Ref(output);
}

GstCaps* ElementFilter::PinCaps(const GstGraphPin& pin) const {
  GstCaps* caps = (pin.direction() == PinDirection::Input ? input_caps_ : output_caps_).get();
  return caps != nullptr ? gst_caps_ref(caps) : gst_caps_new_any();
}

bool ElementFilter::BuildElements(RunBuild* run) {
  GstElement* element = make_element_ ? make_element_() : nullptr;
  if (element == nullptr) return false;
  if (!AddToPipeline(run, element)) return false;
  element_ = element;
  if (carried_codec_ != nullptr) run->carried_codec = carried_codec_;
  if (encoder_) run->has_encoder = true;
  return true;
}

GstPad* ElementFilter::PadFor(const GstGraphPin& pin, RunBuild*) {
  if (element_ == nullptr) return nullptr;
  const bool input = pin.direction() == PinDirection::Input;
  GstPad* pad = gst_element_get_static_pad(element_, input ? "sink" : "src");
  if (pad != nullptr) return pad;
  // Elements with other pad names: their first always-pad of the direction.
  GstIterator* pads =
      input ? gst_element_iterate_sink_pads(element_) : gst_element_iterate_src_pads(element_);
  GValue item = G_VALUE_INIT;
  if (gst_iterator_next(pads, &item) == GST_ITERATOR_OK) {
    pad = GST_PAD(g_value_dup_object(&item));
    g_value_unset(&item);
  }
  gst_iterator_free(pads);
  return pad;
}

void ElementFilter::ReleaseElements() { element_ = nullptr; }

}  // namespace vesk::gst
