#pragma once

// The logical graph on GStreamer. The capture code adds filters, joins their pins and
// renders streams; nothing touches GStreamer until Run, which builds one pipeline from
// the connections: source and caps filter, tee with a queue per branch, converters where
// Connect allowed them, the optional compressor or other filters, the renderer, and
// avimux with filesink. Stop finishes a recording with end-of-stream first (bounded wait)
// so the AVI index is written; errors while running go to the error handler from the
// graph's own bus thread.

#include <gst/gst.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "media/media_graph.h"
#include "platform/gst/gst_graph_filter.h"

namespace vesk::gst {

// Graph results beyond the shared ones.
constexpr HResult VFW_S_DUPLICATE_NAME = 0x0004022D;
constexpr HResult VFW_E_ALREADY_CONNECTED = static_cast<HResult>(0x80040204u);
constexpr HResult VFW_E_INVALID_DIRECTION = static_cast<HResult>(0x80040208u);
constexpr HResult VFW_E_NOT_STOPPED = static_cast<HResult>(0x80040224u);
constexpr HResult VFW_E_NOT_IN_GRAPH = static_cast<HResult>(0x8004025Fu);

class GstMediaGraph : public MediaGraph {
 public:
  GstMediaGraph();
  ~GstMediaGraph() override;
  GstMediaGraph(const GstMediaGraph&) = delete;
  GstMediaGraph& operator=(const GstMediaGraph&) = delete;

  HResult AddFilter(const std::shared_ptr<MediaFilter>& filter, const std::string& name) override;
  HResult RemoveFilter(const std::shared_ptr<MediaFilter>& filter) override;
  HResult EnumFilters(std::vector<std::shared_ptr<MediaFilter>>* filters) override;
  HResult FindFilterByName(const std::string& name, std::shared_ptr<MediaFilter>* filter) override;
  HResult ConnectDirect(const std::shared_ptr<MediaPin>& output,
                        const std::shared_ptr<MediaPin>& input) override;
  HResult Connect(const std::shared_ptr<MediaPin>& output,
                  const std::shared_ptr<MediaPin>& input) override;
  HResult Disconnect(const std::shared_ptr<MediaPin>& pin) override;
  HResult RenderStream(PinCategory category, const std::shared_ptr<MediaFilter>& source,
                       const std::shared_ptr<MediaFilter>& intermediate,
                       const std::shared_ptr<MediaFilter>& sink) override;
  HResult SetOutputFileName(const std::string& path,
                            std::shared_ptr<MediaFilter>* multiplexer) override;
  HResult SetSerOutputFileName(const std::string& path, const SerRecordingSetup& setup,
                               std::shared_ptr<MediaFilter>* writer) override;
  HResult FindStreamConfig(const std::shared_ptr<MediaFilter>& source, PinCategory category,
                           StreamConfig** config) override;
  HResult FindAnalogVideoDecoder(const std::shared_ptr<MediaFilter>& source,
                                 AnalogVideoDecoder** decoder) override;
  HResult FindDroppedFrames(const std::shared_ptr<MediaFilter>& source, PinCategory category,
                            DroppedFrames** counters) override;
  HResult Run() override;
  HResult Stop() override;
  void SetErrorHandler(GraphErrorHandler handler) override;
  RecordedFileEnd LastRecordedFile() const override { return recorded_file_; }
  void SetFrameStampSink(std::shared_ptr<FrameStampSink> sink) override {
    std::lock_guard<std::mutex> hold(drain_lock_);
    stamp_sink_ = std::move(sink);
  }
  void SetLiveFrameTap(std::shared_ptr<LiveFrameTap> tap) override { live_tap_ = std::move(tap); }
  void SetRecordingWindow(std::uint64_t from_utc, std::uint64_t until_utc) override {
    record_from_utc_ = from_utc;
    record_until_utc_ = until_utc;
  }

  bool running() const { return static_cast<bool>(pipeline_); }
  // The last error the pipeline reported, for diagnostics.
  std::string last_error() const;
  // The name a filter was added under, or empty.
  std::string NameOf(const MediaFilter* filter) const;

 private:
  struct Entry {
    std::shared_ptr<MediaFilter> handle;
    GstGraphFilter* filter;
    std::string name;
  };
  class Counters : public DroppedFrames {
   public:
    explicit Counters(GstMediaGraph* graph) : graph_(graph) {}
    HResult GetNumNotDropped(std::int32_t* count) override;
    HResult GetNumDropped(std::int32_t* count) override;

   private:
    GstMediaGraph* graph_;
  };

  bool Contains(const GstGraphFilter* filter) const;
  // An output pin and the input it is joined to.
  using Connection = std::pair<GstGraphPin*, GstGraphPin*>;
  std::vector<Connection> JoinedConnections() const;
  // Builds the elements of every filter a connection joins; false when one is still streaming
  // in another graph or cannot be built.
  bool BuildJoinedFilters(const std::vector<Connection>& connections);
  // An output nobody takes (a compressor left unconnected) drains into a fake sink.
  bool DrainLooseOutputs();
  GstGraphFilter* AsGraphFilter(const std::shared_ptr<MediaFilter>& filter) const;
  HResult ConnectPins(const std::shared_ptr<MediaPin>& output,
                      const std::shared_ptr<MediaPin>& input, bool allow_converters);
  void DisconnectBoth(const std::shared_ptr<GstGraphPin>& pin);
  HResult RenderChain(const std::shared_ptr<GstGraphPin>& start, GstGraphFilter* intermediate,
                      GstGraphFilter* sink, std::vector<std::shared_ptr<GstGraphPin>>* made);
  bool LinkConnection(GstGraphPin* output, GstGraphPin* input);
  void AttachProbes();
  HResult WaitUntilPlaying();
  bool RecordingUnderway() const;
  void StartBusThread();
  void StopBusThread();
  void TearDown();
  void RecordError(GstMessage* message);
  std::shared_ptr<RunCounters> counters() const;
  // After the teardown of a SER recording run: its file ended with the times gathered.
  void SettleSerRun(RunCounters& run_counters);

  std::vector<Entry> entries_;
  Counters dropped_frames_{this};

  GstRef<GstElement> pipeline_;
  GstRef<GstBus> bus_;
  RunBuild run_;
  std::vector<GstGraphFilter*> built_;
  // Hands the stamps queued so far to the frame-stamp sink, one caller at a time.
  void DrainFrameStamps();
  std::mutex drain_lock_;  // guards stamp_sink_, ser_times_ and the queue's reading side
  std::shared_ptr<FrameStampSink> stamp_sink_;
  // A SER recording's file and the capture time of every frame, for its trailer.
  std::shared_ptr<SerRecording> ser_;
  std::vector<std::int64_t> ser_times_;
  mutable std::mutex lock_;  // guards counters_, handler_, last_error_
  std::shared_ptr<RunCounters> counters_;
  bool had_mux_ = false;
  std::atomic<bool> error_seen_{false};
  GraphErrorHandler handler_;
  std::string last_error_;
  std::thread bus_thread_;
  RecordedFileEnd recorded_file_;
  std::shared_ptr<LiveFrameTap> live_tap_;
  std::uint64_t record_from_utc_ = 0;
  std::uint64_t record_until_utc_ = 0;
};

}  // namespace vesk::gst
