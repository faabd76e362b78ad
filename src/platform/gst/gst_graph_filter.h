#pragma once

// The filters of a logical graph. Each filter has named pins that the capture code joins
// step by step; when the graph runs, each filter in use creates its GStreamer elements in
// the one pipeline and hands out the pads that stand for its pins.

#include <gst/gst.h>

#include <atomic>
#include <climits>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "media/frame_stamps.h"
#include "media/media_graph.h"
#include "platform/gst/gst_ref.h"

namespace vesk::gst {

class GstGraphFilter;
struct CarriedCodec;
struct SerRecording;

// How a connection was made: as the pins are, or through a format converter.
enum class ConnectionKind { Direct, Converting };

class GstGraphPin : public MediaPin, public std::enable_shared_from_this<GstGraphPin> {
 public:
  GstGraphPin(GstGraphFilter* owner, std::string name, PinDirection direction)
      : owner_(owner), name_(std::move(name)), direction_(direction) {}

  std::string Name() const override { return name_; }
  HResult QueryDirection(PinDirection* direction) const override;
  HResult ConnectedTo(std::shared_ptr<MediaPin>* other) const override;
  HResult EnumMediaTypes(std::vector<MediaType>* types) const override;
  MediaFilter* Owner() const override;

  GstGraphFilter* owner() const { return owner_; }
  PinDirection direction() const { return direction_; }
  std::shared_ptr<GstGraphPin> peer() const { return peer_.lock(); }
  ConnectionKind connection_kind() const { return kind_; }
  void SetPeer(const std::shared_ptr<GstGraphPin>& peer, ConnectionKind kind) {
    peer_ = peer;
    kind_ = kind;
  }
  void ClearPeer() { peer_.reset(); }

 private:
  GstGraphFilter* owner_;
  std::string name_;
  PinDirection direction_;
  std::weak_ptr<GstGraphPin> peer_;
  ConnectionKind kind_ = ConnectionKind::Direct;
};

// Per-run counters and signals, shared with pad probes on streaming threads.
struct RunCounters {
  std::atomic<std::int32_t> delivered{0};  // frames that left the source
  std::atomic<std::int32_t> muxed{0};      // frames that reached the AVI multiplexer
  std::atomic<std::int32_t> dropped{0};    // gaps in the source's frame numbers
  std::atomic<std::int64_t> last_sequence{-1};
  std::atomic<bool> file_finished{false};  // end of stream reached the file writer
  std::atomic<bool> write_failed{false};   // the file writer reported an error
  // The recording keeps frames captured in [gate_from_ns, gate_until_ns) (Unix time in ns;
  // 0: no bound), timed on the pipeline's clock, which the gate borrows.
  std::int64_t gate_from_ns = 0;
  std::int64_t gate_until_ns = 0;
  GstElement* pipeline = nullptr;
  std::atomic<std::int64_t> first_frame_ns{0};  // capture time of the first frame kept
  std::atomic<std::int64_t> last_frame_ns{0};   // capture time of the last frame kept
  // Every frame kept, for the frame-time record; drained off the streaming thread.
  FrameStampQueue stamps;
  // How far the wall clock stood from the pipeline clock at the last frame kept (a change
  // beyond a few milliseconds is the clock being stepped); kNoClockOffset before the first.
  static constexpr std::int64_t kNoClockOffset = INT64_MIN;
  std::atomic<std::int64_t> clock_offset_ns{kNoClockOffset};
  std::atomic<bool> frames_without_time{false};  // a kept frame had no time stamp
};

// What the filters of one run leave for the graph: the pads it watches.
struct RunBuild {
  GstBin* pipeline = nullptr;
  GstPad* sequence_pad = nullptr;   // the source's numbered frames (borrowed)
  FrameTimeOrigin frame_time_origin = FrameTimeOrigin::kUnknown;  // of the source's stamps
  GstPad* mux_pad = nullptr;        // the multiplexer's video input after its queue (borrowed)
  GstPad* file_pad = nullptr;       // the file writer's input (borrowed)
  GstPad* recording_pad = nullptr;  // where the recording enters: the writer queue (borrowed)
  GstElement* mux = nullptr;
  std::string file_path;
  // A compressor whose stream reaches the file under a stand-in code, or nullptr.
  const CarriedCodec* carried_codec = nullptr;
  // An encoder runs in this pipeline.
  bool has_encoder = false;
  // This run's counters, for filters that need them on the streaming thread.
  std::shared_ptr<RunCounters> counters;
  // The SER file being written, when the recording is one.
  std::shared_ptr<SerRecording> ser;
};

class GstGraphFilter : public MediaFilter {
 public:
  explicit GstGraphFilter(std::string default_name) : default_name_(std::move(default_name)) {}
  ~GstGraphFilter() override = default;

  HResult EnumPins(PinList* pins) override;

  const std::string& default_name() const { return default_name_; }
  const std::vector<std::shared_ptr<GstGraphPin>>& pins() const { return pins_; }
  std::shared_ptr<GstGraphPin> FindPin(const std::string& name) const;
  // The first pin of a direction that is free, or nullptr.
  std::shared_ptr<GstGraphPin> FirstFreePin(PinDirection direction) const;

  // The formats a pin offers (output) or takes (input), as caps (full reference); ANY when
  // the filter does not know before it runs.
  virtual GstCaps* PinCaps(const GstGraphPin& pin) const;
  // The formats a pin lists to the capture code.
  virtual std::vector<MediaType> PinMediaTypes(const GstGraphPin& pin) const;

  // Creates this run's elements in the pipeline; false when an element cannot be made.
  virtual bool BuildElements(RunBuild* run) = 0;
  // The pad of this run's elements that stands for a pin (full reference), or nullptr.
  virtual GstPad* PadFor(const GstGraphPin& pin, RunBuild* run) = 0;
  // Forgets this run's elements once the pipeline is gone.
  virtual void ReleaseElements() = 0;
  // True while a pipeline holds this filter's elements.
  virtual bool InUse() const = 0;
  // Called just before the pipeline starts, and after it stopped.
  virtual void OnRunStarting() {}
  virtual void OnRunStopped() {}

 protected:
  std::shared_ptr<GstGraphPin> AddPin(const std::string& name, PinDirection direction);

 private:
  std::string default_name_;
  std::vector<std::shared_ptr<GstGraphPin>> pins_;
};

// A capture device: one output pin "Capture" with the device's formats; its format is set
// through StreamConfig before the graph runs.
class GstSourceFilter : public GstGraphFilter, public StreamConfig {
 public:
  explicit GstSourceFilter(std::string name);

  virtual std::vector<MediaType> Formats() const = 0;
  HResult SetFormat(const MediaType& type) override;
  // The format in use: the one set, else the device's first.
  std::optional<MediaType> CurrentFormat() const;

  // What the device's frame time stamps stand for.
  virtual FrameTimeOrigin TimeOrigin() const { return FrameTimeOrigin::kDriverEndOfFrame; }
  virtual VideoProcAmp* proc_amp() { return nullptr; }
  virtual AnalogVideoDecoder* analog_decoder() { return nullptr; }
  HResult QueryVideoProcAmp(VideoProcAmp** proc_amp) override;

  GstCaps* PinCaps(const GstGraphPin& pin) const override;
  std::vector<MediaType> PinMediaTypes(const GstGraphPin& pin) const override;
  bool BuildElements(RunBuild* run) override;
  GstPad* PadFor(const GstGraphPin& pin, RunBuild* run) override;
  void ReleaseElements() override;
  bool InUse() const override { return output_ != nullptr; }

 protected:
  // Creates the device's element (or bin) delivering the format on a pad named "src";
  // sets *sequence_pad (borrowed) to the pad whose buffers carry the frame numbers.
  virtual GstElement* CreateDeviceElement(const MediaType& format, GstPad** sequence_pad) = 0;

 private:
  std::optional<MediaType> format_;
  GstElement* output_ = nullptr;  // the caps filter after the device element
};

// The "Smart Tee": one input, outputs "Capture" (never drops) and "Preview" (drops the
// oldest frame when the display falls behind).
class SmartTeeFilter : public GstGraphFilter {
 public:
  SmartTeeFilter();
  GstCaps* PinCaps(const GstGraphPin& pin) const override;
  bool BuildElements(RunBuild* run) override;
  GstPad* PadFor(const GstGraphPin& pin, RunBuild* run) override;
  void ReleaseElements() override;
  bool InUse() const override { return tee_ != nullptr; }

 private:
  GstElement* tee_ = nullptr;
};

// "AVI Mux" with its file writer: a queue, avimux (OpenDML for large files), filesink.
class AviMuxFilter : public GstGraphFilter {
 public:
  explicit AviMuxFilter(std::string path);
  const std::string& path() const { return path_; }
  GstCaps* PinCaps(const GstGraphPin& pin) const override;
  bool BuildElements(RunBuild* run) override;
  GstPad* PadFor(const GstGraphPin& pin, RunBuild* run) override;
  void ReleaseElements() override;
  bool InUse() const override { return mux_ != nullptr; }

 private:
  std::string path_;
  GstElement* queue_ = nullptr;
  GstElement* mux_ = nullptr;
};

// Any one-in, one-out GStreamer element as a filter: a compressor, the colour control, the
// analysis filter. make_element gives a new element (or a new reference to a kept one) for
// each run.
class ElementFilter : public GstGraphFilter {
 public:
  ElementFilter(std::string name, std::function<GstElement*()> make_element,
                std::string input_pin = "Input", std::string output_pin = "Output");
  // Takes the formats of the pins from an element factory's pad templates.
  static std::shared_ptr<ElementFilter> FromFactory(const std::string& factory_name,
                                                    const std::string& display_name);

  GstCaps* PinCaps(const GstGraphPin& pin) const override;
  bool BuildElements(RunBuild* run) override;
  GstPad* PadFor(const GstGraphPin& pin, RunBuild* run) override;
  void ReleaseElements() override;
  bool InUse() const override { return element_ != nullptr; }

  // Caps for the pins' checks before the run (full references are taken).
  void SetPinCaps(GstCaps* input, GstCaps* output);
  // The filter is a compressor whose stream the file names with another code.
  void set_carried_codec(const CarriedCodec* codec) { carried_codec_ = codec; }
  // The filter compresses video.
  void set_encoder(bool encoder) { encoder_ = encoder; }

 private:
  std::function<GstElement*()> make_element_;
  GstElement* element_ = nullptr;
  GstRef<GstCaps> input_caps_;
  GstRef<GstCaps> output_caps_;
  const CarriedCodec* carried_codec_ = nullptr;
  bool encoder_ = false;
};

// Caps of a factory's first pad template of a direction (full reference), ANY when none.
GstCaps* FactoryTemplateCaps(GstElementFactory* factory, GstPadDirection direction,
                             const char* template_name = nullptr);

}  // namespace vesk::gst
