#include "support/fake_media.h"

#include <algorithm>

namespace vesk::testing {

HResult FailurePlan::Check(const std::string& key) {
  const int call = calls_[key]++;
  const auto it = failures_.find(key);
  if (it == failures_.end() || call < it->second.from_call) return S_OK;
  const int count = it->second.count;
  return count == 0 || call < it->second.from_call + count ? it->second.result : S_OK;
}

std::shared_ptr<FakePin> FakeFilter::AddPin(const std::string& name, PinDirection direction,
                                            std::vector<MediaType> types) {
  pins.push_back(std::make_shared<FakePin>(this, name, direction, std::move(types)));
  return pins.back();
}

std::shared_ptr<FakePin> FakeFilter::Pin(const std::string& name) const {
  const auto it =
      std::find_if(pins.begin(), pins.end(), [&](const auto& pin) { return pin->Name() == name; });
  return it == pins.end() ? nullptr : *it;
}

HResult FakeFilter::EnumPins(PinList* out) {
  if (Failed(enum_pins_result)) return enum_pins_result;
  out->clear();
  if (enum_pins_gives_nothing) return S_OK;
  out->assign(pins.begin(), pins.end());
  return S_OK;
}

HResult FakeGraph::AddFilter(const std::shared_ptr<MediaFilter>& filter, const std::string& name) {
  calls.push_back("AddFilter " + name);
  if (HResult r = plan_->Check("AddFilter:" + name); Failed(r)) return r;
  if (!filter) return E_POINTER;
  filters_.emplace_back(name, filter);
  return S_OK;
}

HResult FakeGraph::RemoveFilter(const std::shared_ptr<MediaFilter>& filter) {
  const std::string name = NameOf(filter.get());
  calls.push_back("RemoveFilter " + name);
  if (HResult r = plan_->Check("RemoveFilter:" + name); Failed(r)) return r;
  const auto it = std::find_if(filters_.begin(), filters_.end(),
                               [&](const auto& entry) { return entry.second == filter; });
  if (it == filters_.end()) return VFW_E_NOT_FOUND;
  // Removing a filter breaks its connections on both sides.
  if (auto* fake = dynamic_cast<FakeFilter*>(filter.get())) {
    for (const auto& pin : fake->pins) {
      if (auto peer = std::dynamic_pointer_cast<FakePin>(pin->peer())) peer->set_peer(nullptr);
      pin->set_peer(nullptr);
    }
  }
  filters_.erase(it);
  return S_OK;
}

HResult FakeGraph::EnumFilters(std::vector<std::shared_ptr<MediaFilter>>* out) {
  if (HResult r = plan_->Check("EnumFilters"); Failed(r)) return r;
  out->clear();
  for (const auto& entry : filters_) out->push_back(entry.second);
  return S_OK;
}

HResult FakeGraph::FindFilterByName(const std::string& name, std::shared_ptr<MediaFilter>* out) {
  const auto it = std::find_if(filters_.begin(), filters_.end(),
                               [&](const auto& entry) { return entry.first == name; });
  *out = it == filters_.end() ? nullptr : it->second;
  return *out ? S_OK : VFW_E_NOT_FOUND;
}

HResult FakeGraph::Join(const std::shared_ptr<MediaPin>& output,
                        const std::shared_ptr<MediaPin>& input, const char* call) {
  if (call != nullptr) {
    calls.push_back(call);
    if (HResult r = plan_->Check(call); Failed(r)) return r;
  }
  auto out = std::dynamic_pointer_cast<FakePin>(output);
  auto in = std::dynamic_pointer_cast<FakePin>(input);
  if (!out || !in) return E_POINTER;
  if (out->direction() != PinDirection::Output || in->direction() != PinDirection::Input) {
    return VFW_E_CANNOT_CONNECT;
  }
  if (out->peer() || in->peer()) return VFW_E_CANNOT_CONNECT;
  out->set_peer(in);
  in->set_peer(out);
  joins_.emplace_back(out, in);
  return S_OK;
}

HResult FakeGraph::Disconnect(const std::shared_ptr<MediaPin>& pin) {
  calls.push_back("Disconnect");
  if (HResult r = plan_->Check("Disconnect"); Failed(r)) return r;
  auto fake = std::dynamic_pointer_cast<FakePin>(pin);
  if (!fake) return E_POINTER;
  if (!fake->peer()) return S_FALSE;
  fake->set_peer(nullptr);
  return S_OK;
}

std::shared_ptr<MediaPin> FakeGraph::FreePin(MediaFilter* filter, PinDirection direction,
                                             const std::string& name) const {
  auto* fake = dynamic_cast<FakeFilter*>(filter);
  if (fake == nullptr) return nullptr;
  for (const auto& pin : fake->pins) {
    if (pin->direction() != direction || pin->peer()) continue;
    if (!name.empty() && pin->Name() != name) continue;
    return pin;
  }
  return nullptr;
}

HResult FakeGraph::RenderStream(PinCategory category, const std::shared_ptr<MediaFilter>& source,
                                const std::shared_ptr<MediaFilter>& intermediate,
                                const std::shared_ptr<MediaFilter>& sink) {
  const bool preview = category == PinCategory::Preview;
  const std::string key = preview ? "RenderStream:Preview" : "RenderStream:Capture";
  const auto* codec = dynamic_cast<const FakeFilter*>(intermediate.get());
  calls.push_back(key);
  if (HResult r = plan_->Check(key); Failed(r)) return r;
  if (HResult r = plan_->Check(key + ":" + (codec ? codec->label : "")); Failed(r)) return r;
  if (!source || !sink) return E_POINTER;

  // Preview goes through a Smart Tee on the device's capture pin, made on first use.
  std::shared_ptr<MediaPin> start;
  std::shared_ptr<MediaFilter> tee;
  FindFilterByName("Smart Tee", &tee);
  if (preview) {
    if (!tee) {
      auto made = std::make_shared<FakeFilter>();
      made->AddPin("Input", PinDirection::Input);
      made->AddPin("Capture", PinDirection::Output);
      made->AddPin("Preview", PinDirection::Output);
      tee = made;
      filters_.emplace_back("Smart Tee", tee);
      calls.push_back("AddFilter Smart Tee");
    }
    auto tee_input = static_cast<FakeFilter*>(tee.get())->Pin("Input");
    if (!tee_input->peer()) {
      auto capture = FreePin(source.get(), PinDirection::Output);
      if (!capture) return VFW_E_CANNOT_CONNECT;
      if (HResult r = Join(capture, tee_input); Failed(r)) return r;
    }
    start = FreePin(tee.get(), PinDirection::Output, "Preview");
  } else {
    auto* tee_fake = dynamic_cast<FakeFilter*>(tee.get());
    if (tee_fake != nullptr && tee_fake->Pin("Input")->peer() &&
        tee_fake->Pin("Input")->peer()->Owner() == source.get()) {
      start = FreePin(tee.get(), PinDirection::Output, "Capture");
    } else {
      start = FreePin(source.get(), PinDirection::Output);
    }
  }
  if (!start) return VFW_E_CANNOT_CONNECT;

  if (intermediate) {
    auto in = FreePin(intermediate.get(), PinDirection::Input);
    if (!in) return VFW_E_CANNOT_CONNECT;
    if (HResult r = Join(start, in); Failed(r)) return r;
    start = FreePin(intermediate.get(), PinDirection::Output);
    if (!start) return VFW_E_CANNOT_CONNECT;
  }
  auto end = FreePin(sink.get(), PinDirection::Input);
  if (!end) return VFW_E_CANNOT_CONNECT;
  return Join(start, end);
}

std::shared_ptr<FakeFilter> FakeGraph::AddWriter(const std::string& name, const std::string& path,
                                                 bool ser) {
  auto writer = std::make_shared<FakeFilter>();
  writer->AddPin("Input 01", PinDirection::Input);
  filters_.emplace_back(name, writer);
  output_path = path;
  recorded_file.ser = ser;
  return writer;
}

HResult FakeGraph::SetOutputFileName(const std::string& path,
                                     std::shared_ptr<MediaFilter>* multiplexer) {
  calls.push_back("SetOutputFileName " + path);
  if (HResult r = plan_->Check("SetOutputFileName"); Failed(r)) return r;
  *multiplexer = AddWriter("AVI Mux", path, false);
  return S_OK;
}

HResult FakeGraph::SetSerOutputFileName(const std::string& path, const SerRecordingSetup& setup,
                                        std::shared_ptr<MediaFilter>* writer) {
  calls.push_back("SetSerOutputFileName " + path);
  if (HResult r = plan_->Check("SetSerOutputFileName"); Failed(r)) return r;
  ser_setup = setup;
  *writer = AddWriter("SER Writer", path, true);
  return S_OK;
}

namespace {

// The optional interface a fake filter holds, as the graph's look-ups find it.
template <typename Interface, typename Fake>
HResult FindOn(FailurePlan* plan, const char* key, const std::shared_ptr<MediaFilter>& source,
               std::unique_ptr<Fake> FakeFilter::*member, Interface** out) {
  *out = nullptr;
  if (HResult r = plan->Check(key); Failed(r)) return r;
  auto* fake = dynamic_cast<FakeFilter*>(source.get());
  if (fake == nullptr || !(fake->*member)) return E_NOINTERFACE;
  *out = (fake->*member).get();
  return S_OK;
}

}  // namespace

HResult FakeGraph::FindStreamConfig(const std::shared_ptr<MediaFilter>& source, PinCategory,
                                    StreamConfig** config) {
  return FindOn(plan_, "FindStreamConfig", source, &FakeFilter::stream_config, config);
}

HResult FakeGraph::FindAnalogVideoDecoder(const std::shared_ptr<MediaFilter>& source,
                                          AnalogVideoDecoder** decoder) {
  return FindOn(plan_, "FindAnalogVideoDecoder", source, &FakeFilter::decoder, decoder);
}

HResult FakeGraph::FindDroppedFrames(const std::shared_ptr<MediaFilter>& source, PinCategory,
                                     DroppedFrames** counters) {
  return FindOn(plan_, "FindDroppedFrames", source, &FakeFilter::dropped_frames, counters);
}

HResult FakeGraph::Run() {
  calls.push_back("Run");
  const HResult r = plan_->Check("Run");
  running = running || Succeeded(r);
  if (Succeeded(r) && on_run) on_run();
  return r;
}

HResult FakeGraph::Stop() {
  calls.push_back("Stop");
  if (HResult r = plan_->Check("Stop"); Failed(r)) return r;
  running = false;
  if (on_stop) on_stop();
  return S_OK;
}

std::string FakeGraph::NameOf(const MediaFilter* filter) const {
  for (const auto& entry : filters_) {
    if (entry.second.get() == filter) return entry.first;
  }
  return "";
}

std::vector<std::string> FakeGraph::Connections() const {
  std::vector<std::string> result;
  for (const auto& [out_weak, in_weak] : joins_) {
    auto out = std::static_pointer_cast<FakePin>(out_weak.lock());
    auto in = std::static_pointer_cast<FakePin>(in_weak.lock());
    if (!out || !in || out->peer() != in || in->peer() != out) continue;
    result.push_back(NameOf(out->Owner()) + "." + out->Name() + " -> " + NameOf(in->Owner()) + "." +
                     in->Name());
  }
  return result;
}

HResult FakeMediaSystem::EnumerateDevices(DeviceCategory category, MonikerList* monikers) {
  const bool input = category == DeviceCategory::VideoInput;
  const HResult r =
      plan.Check(input ? "EnumerateDevices:VideoInput" : "EnumerateDevices:VideoCompressor");
  if (r != S_OK) return r;
  monikers->clear();
  for (const auto& moniker : input ? devices : compressors) monikers->push_back(moniker);
  return monikers->empty() ? S_FALSE : S_OK;
}

HResult FakeMediaSystem::CreateGraph(std::unique_ptr<MediaGraph>* graph) {
  if (HResult r = plan.Check("CreateGraph"); Failed(r)) return r;
  auto made = std::make_unique<FakeGraph>(&plan);
  graphs.push_back(made.get());
  *graph = std::move(made);
  return S_OK;
}

HResult FakeMediaSystem::CreateRenderer(RendererKind kind, std::shared_ptr<MediaFilter>* renderer) {
  static constexpr const char* kNames[] = {"EVR", "VMR9", "VMR7", "Null Renderer"};
  const auto index = static_cast<std::size_t>(kind);
  if (index > 3) return E_INVALIDARG;
  if (HResult r = plan.Check(std::string("CreateRenderer:") + kNames[index]); Failed(r)) return r;
  ++renderers_created[kind];
  auto filter = std::make_shared<FakeFilter>(kNames[index]);
  filter->AddPin("Input", PinDirection::Input);
  filter->renderer_control = std::make_unique<FakeRendererControl>();
  *renderer = filter;
  return S_OK;
}

HResult FakeMediaSystem::CreateColourControl(std::shared_ptr<MediaFilter>* filter) {
  if (HResult r = plan.Check("CreateColourControl"); Failed(r)) return r;
  auto made = std::make_shared<FakeFilter>("Color Control");
  made->AddPin("Input", PinDirection::Input);
  made->AddPin("Output", PinDirection::Output);
  made->colour_control = std::make_unique<FakeColourControl>();
  colour_filters.push_back(made);
  *filter = made;
  return S_OK;
}

std::shared_ptr<FakeMoniker> FakeMediaSystem::AddDevice(const std::string& name,
                                                        std::vector<MediaType> formats) {
  auto filter = std::make_shared<FakeFilter>(name);
  filter->AddPin("Capture", PinDirection::Output, formats);
  filter->stream_config = std::make_unique<FakeStreamConfig>();
  filter->dropped_frames = std::make_unique<FakeDroppedFrames>();
  devices.push_back(std::make_shared<FakeMoniker>(name, filter));
  return devices.back();
}

std::shared_ptr<FakeMoniker> FakeMediaSystem::AddCompressor(const std::string& name) {
  auto filter = std::make_shared<FakeFilter>(name);
  filter->AddPin("Input", PinDirection::Input);
  filter->AddPin("Output", PinDirection::Output);
  compressors.push_back(std::make_shared<FakeMoniker>(name, filter));
  return compressors.back();
}

MediaType MakeVideoType(SubtypeCode subtype, std::int32_t width, std::int32_t height,
                        std::uint32_t avg_time_per_frame) {
  MediaType type;
  type.subtype = subtype;
  type.subtype_name = std::string(SubtypeNameOf(subtype));
  type.width = width;
  type.height = height;
  type.avg_time_per_frame = avg_time_per_frame;
  if (avg_time_per_frame != 0) {
    type.rate_numerator = 10'000'000;
    type.rate_denominator = static_cast<std::int32_t>(avg_time_per_frame);
  }
  return type;
}

}  // namespace vesk::testing
