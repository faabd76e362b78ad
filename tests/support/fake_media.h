#pragma once

// A scripted stand-in for the media layer: devices and compressors with the formats,
// controls and decoders a test gives them, and graphs that record every filter, pin
// connection and call, and fail at any step a test names.

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "media/media_graph.h"

namespace vesk::testing {

// A step of an optional interface that fails when told to, else hands over its value.
template <typename T>
HResult Give(HResult result, const T& value, T* out) {
  if (Failed(result)) return result;
  *out = value;
  return S_OK;
}

// Failures to inject, keyed by operation ("Run", "AddFilter:EVR", ...): the result
// returned, from which call on (0 = the first call fails) and for how many calls (0 = all).
class FailurePlan {
 public:
  void Fail(const std::string& key, HResult result = E_FAIL, int from_call = 0, int count = 0) {
    failures_[key] = Failure{result, from_call, count};
  }
  void Clear(const std::string& key) { failures_.erase(key); }
  // Counts the call and returns the scripted result or S_OK.
  HResult Check(const std::string& key);
  int Calls(const std::string& key) const { return calls_.contains(key) ? calls_.at(key) : 0; }

 private:
  struct Failure {
    HResult result;
    int from_call;
    int count;
  };
  std::map<std::string, Failure> failures_;
  std::map<std::string, int> calls_;
};

class FakePin final : public MediaPin, public std::enable_shared_from_this<FakePin> {
 public:
  FakePin(MediaFilter* owner, std::string name, PinDirection direction,
          std::vector<MediaType> types = {})
      : owner_(owner), name_(std::move(name)), direction_(direction), types_(std::move(types)) {}

  std::string Name() const override { return name_; }
  HResult QueryDirection(PinDirection* direction) const override {
    return Give(direction_result, direction_, direction);
  }
  HResult ConnectedTo(std::shared_ptr<MediaPin>* other) const override {
    *other = peer_.lock();
    return *other ? S_OK : VFW_E_NOT_CONNECTED;
  }
  HResult EnumMediaTypes(std::vector<MediaType>* types) const override {
    *types = types_;
    return S_OK;
  }
  MediaFilter* Owner() const override { return owner_; }

  std::shared_ptr<MediaPin> peer() const { return peer_.lock(); }
  void set_peer(const std::shared_ptr<MediaPin>& peer) { peer_ = peer; }
  PinDirection direction() const { return direction_; }

  HResult direction_result = S_OK;

 private:
  MediaFilter* owner_;
  std::string name_;
  PinDirection direction_;
  std::vector<MediaType> types_;
  std::weak_ptr<MediaPin> peer_;
};

struct FakeAnalogDecoder final : AnalogVideoDecoder {
  HResult GetTvFormat(std::int32_t* format) override { return Give(get_result, tv_format, format); }
  HResult PutTvFormat(std::int32_t format) override {
    tv_format = format;
    return S_OK;
  }
  HResult DetectTvFormat(std::int32_t* format) override {
    if (detect_result == S_OK) *format = detected;
    return detect_result;
  }
  std::int32_t tv_format = kAnalogVideoPalB;
  HResult get_result = S_OK;
  // Like a device that cannot detect: the station measures instead.
  HResult detect_result = E_NOTIMPL;
  std::int32_t detected = kAnalogVideoNtscM;
};

struct FakeStreamConfig final : StreamConfig {
  HResult SetFormat(const MediaType& type) override {
    formats_set.push_back(type);
    return result;
  }
  HResult result = S_OK;
  std::vector<MediaType> formats_set;
};

struct FakeDroppedFrames final : DroppedFrames {
  HResult GetNumNotDropped(std::int32_t* n) override {
    return Give(not_dropped_result, not_dropped, n);
  }
  HResult GetNumDropped(std::int32_t* n) override { return Give(dropped_result, dropped, n); }
  std::int32_t not_dropped = 0;
  std::int32_t dropped = 0;
  HResult not_dropped_result = S_OK;
  HResult dropped_result = S_OK;
};

struct FakeRendererControl final : RendererControl {
  HResult SetVideoWindow(DisplayWindow w) override {
    window = w;
    return S_OK;
  }
  HResult SetAspectRatioMode(std::int32_t) override { return S_OK; }
  HResult SetVideoPosition(const VideoRect& destination) override {
    if (Failed(position_result)) return position_result;
    positions.push_back(destination);
    return S_OK;
  }
  HResult GetFramesDrawn(std::int32_t* frames) override {
    *frames = frames_drawn;
    return S_OK;
  }
  DisplayWindow window = 0;
  std::int32_t frames_drawn = 0;
  std::vector<VideoRect> positions;
  HResult position_result = S_OK;
};

// A device's picture controls: ranges by control; Set fails for controls in set_results
// and for values outside the range.
struct FakeProcAmp final : VideoProcAmp {
  HResult Get(ProcAmpProperty id, std::int32_t* value, std::int32_t* flags) override {
    *value = values[id];
    *flags = kProcAmpFlagsManual;
    return ranges.contains(id) ? S_OK : E_FAIL;
  }
  HResult GetRange(ProcAmpProperty id, ProcAmpRange* range) override {
    *range = ranges[id];
    return S_OK;
  }
  HResult Set(ProcAmpProperty id, std::int32_t value, std::int32_t flags) override {
    sets.push_back({id, value, flags});
    if (set_results.contains(id)) return set_results[id];
    if (value < ranges[id].minimum || value > ranges[id].maximum) return E_INVALIDARG;
    values[id] = value;
    return S_OK;
  }
  struct SetCall {
    ProcAmpProperty id;
    std::int32_t value, flags;
    friend bool operator==(const SetCall&, const SetCall&) = default;
  };
  std::map<ProcAmpProperty, ProcAmpRange> ranges;
  std::map<ProcAmpProperty, std::int32_t> values;
  std::map<ProcAmpProperty, HResult> set_results;
  std::vector<SetCall> sets;
};

// The "Color Control" values as the effect keeps them.
struct FakeColourControl final : ColourControl {
  HResult GetValue(ColourKey key, std::int32_t* value) override {
    return Give(get_result, values[key], value);
  }
  HResult SetValue(ColourKey key, std::int32_t value) override {
    if (Failed(set_result)) return set_result;
    values[key] = value;
    return S_OK;
  }
  std::map<ColourKey, std::int32_t> values;
  HResult get_result = S_OK;
  HResult set_result = S_OK;
};

class FakeFilter final : public MediaFilter {
 public:
  // label names a device, codec or renderer; a failure keyed by a codec's label hits it alone.
  explicit FakeFilter(std::string label = {}) : label(std::move(label)) {}

  std::shared_ptr<FakePin> AddPin(const std::string& name, PinDirection direction,
                                  std::vector<MediaType> types = {});
  std::shared_ptr<FakePin> Pin(const std::string& name) const;

  HResult EnumPins(PinList* pins) override;
  HResult QueryRendererControl(RendererControl** control) override {
    *control = renderer_control.get();
    return renderer_control ? S_OK : E_NOINTERFACE;
  }
  HResult QueryVideoProcAmp(VideoProcAmp** control) override {
    *control = proc_amp.get();
    return proc_amp ? S_OK : E_NOINTERFACE;
  }
  HResult QueryColourControl(ColourControl** control) override {
    *control = colour_control.get();
    return colour_control ? S_OK : E_NOINTERFACE;
  }

  std::string label;
  std::vector<std::shared_ptr<FakePin>> pins;
  HResult enum_pins_result = S_OK;
  // S_OK with no pin list at all.
  bool enum_pins_gives_nothing = false;

  // Optional interfaces: absent when null.
  std::unique_ptr<FakeRendererControl> renderer_control;
  std::unique_ptr<FakeColourControl> colour_control;
  std::unique_ptr<FakeProcAmp> proc_amp;
  std::unique_ptr<FakeAnalogDecoder> decoder;
  std::unique_ptr<FakeStreamConfig> stream_config;
  std::unique_ptr<FakeDroppedFrames> dropped_frames;
};

class FakeMoniker final : public DeviceMoniker {
 public:
  FakeMoniker(std::string name, std::shared_ptr<FakeFilter> filter)
      : name(std::move(name)), filter(std::move(filter)) {}
  HResult ReadFriendlyName(std::string* out) override { return Give(name_result, name, out); }
  HResult BindToFilter(std::shared_ptr<MediaFilter>* out) override {
    return Give<std::shared_ptr<MediaFilter>>(bind_result, filter, out);
  }
  std::string StableIdentity() const override { return identity; }

  std::string name;
  std::shared_ptr<FakeFilter> filter;
  std::string identity;
  HResult name_result = S_OK;
  HResult bind_result = S_OK;
};

class FakeGraph final : public MediaGraph {
 public:
  explicit FakeGraph(FailurePlan* plan) : plan_(plan) {}

  HResult AddFilter(const std::shared_ptr<MediaFilter>& filter, const std::string& name) override;
  HResult RemoveFilter(const std::shared_ptr<MediaFilter>& filter) override;
  HResult EnumFilters(std::vector<std::shared_ptr<MediaFilter>>* filters) override;
  HResult FindFilterByName(const std::string& name, std::shared_ptr<MediaFilter>* filter) override;
  HResult ConnectDirect(const std::shared_ptr<MediaPin>& output,
                        const std::shared_ptr<MediaPin>& input) override {
    return Join(output, input, "ConnectDirect");
  }
  HResult Connect(const std::shared_ptr<MediaPin>& output,
                  const std::shared_ptr<MediaPin>& input) override {
    return Join(output, input, "Connect");
  }
  HResult Disconnect(const std::shared_ptr<MediaPin>& pin) override;
  HResult RenderStream(PinCategory category, const std::shared_ptr<MediaFilter>& source,
                       const std::shared_ptr<MediaFilter>& intermediate,
                       const std::shared_ptr<MediaFilter>& sink) override;
  HResult SetSerOutputFileName(const std::string& path, const SerRecordingSetup& setup,
                               std::shared_ptr<MediaFilter>* writer) override;
  HResult SetOutputFileName(const std::string& path,
                            std::shared_ptr<MediaFilter>* multiplexer) override;
  HResult FindStreamConfig(const std::shared_ptr<MediaFilter>& source, PinCategory category,
                           StreamConfig** config) override;
  HResult FindAnalogVideoDecoder(const std::shared_ptr<MediaFilter>& source,
                                 AnalogVideoDecoder** decoder) override;
  HResult FindDroppedFrames(const std::shared_ptr<MediaFilter>& source, PinCategory category,
                            DroppedFrames** counters) override;
  HResult Run() override;
  HResult Stop() override;
  void SetErrorHandler(GraphErrorHandler handler) override { error_handler = std::move(handler); }
  RecordedFileEnd LastRecordedFile() const override { return recorded_file; }
  void SetRecordingWindow(std::uint64_t from_utc, std::uint64_t until_utc) override {
    recording_window = {from_utc, until_utc};
  }

  // The name a filter was added under, or "" when it is not in the graph.
  std::string NameOf(const MediaFilter* filter) const;
  // "Source.Pin -> Sink.Pin" for every connection, in the order made.
  std::vector<std::string> Connections() const;
  std::vector<std::string> FilterNames() const {
    std::vector<std::string> names;
    for (const auto& entry : filters_) names.push_back(entry.first);
    return names;
  }

  std::vector<std::string> calls;
  bool running = false;
  // Run inside Run and Stop, as frames flowing while the graph starts or stops would arrive.
  std::function<void()> on_run;
  std::function<void()> on_stop;
  std::string output_path;
  SerRecordingSetup ser_setup;  // of the last SER writer added
  GraphErrorHandler error_handler;
  RecordedFileEnd recorded_file;  // what a stop leaves of a recording's file
  std::pair<std::uint64_t, std::uint64_t> recording_window{};

 private:
  // Links two free pins; a call named is recorded and may be failed.
  HResult Join(const std::shared_ptr<MediaPin>& output, const std::shared_ptr<MediaPin>& input,
               const char* call = nullptr);
  std::shared_ptr<FakeFilter> AddWriter(const std::string& name, const std::string& path, bool ser);
  std::shared_ptr<MediaPin> FreePin(MediaFilter* filter, PinDirection direction,
                                    const std::string& name = {}) const;

  FailurePlan* plan_;
  std::vector<std::pair<std::string, std::shared_ptr<MediaFilter>>> filters_;
  std::vector<std::pair<std::weak_ptr<MediaPin>, std::weak_ptr<MediaPin>>> joins_;
};

class FakeMediaSystem final : public MediaSystem {
 public:
  HResult EnumerateDevices(DeviceCategory category, MonikerList* monikers) override;
  HResult CreateGraph(std::unique_ptr<MediaGraph>* graph) override;
  HResult CreateRenderer(RendererKind kind, std::shared_ptr<MediaFilter>* renderer) override;
  // A "Color Control" filter with pins "Input" and "Output" (kept in colour_filters).
  HResult CreateColourControl(std::shared_ptr<MediaFilter>* filter) override;

  // A capture device with one output pin "Capture" offering formats, a stream
  // configuration and dropped-frame counters.
  std::shared_ptr<FakeMoniker> AddDevice(const std::string& name, std::vector<MediaType> formats);
  // A compressor with pins "Input" and "Output".
  std::shared_ptr<FakeMoniker> AddCompressor(const std::string& name);

  std::vector<std::shared_ptr<FakeMoniker>> devices;
  std::vector<std::shared_ptr<FakeMoniker>> compressors;
  std::map<RendererKind, int> renderers_created;
  std::vector<std::shared_ptr<FakeFilter>> colour_filters;
  std::vector<FakeGraph*> graphs;  // owned by whoever asked for them
  FailurePlan plan;
};

// A video format as devices describe it: 25 frames per second is 400000.
MediaType MakeVideoType(SubtypeCode subtype, std::int32_t width, std::int32_t height,
                        std::uint32_t avg_time_per_frame);

}  // namespace vesk::testing
