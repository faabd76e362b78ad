#include "platform/gst/recording_probes.h"

#include "platform/gst/avi_carried_codecs.h"
#include "platform/gst/capture_time.h"

namespace vesk::gst {
namespace {

// Probe data is a std::shared_ptr<RunCounters>* owned by the probe.
RunCounters* CountersOf(gpointer data) {
  return static_cast<std::shared_ptr<RunCounters>*>(data)->get();
}

void ReleaseCounters(gpointer data) { delete static_cast<std::shared_ptr<RunCounters>*>(data); }

void AddProbe(GstPad* pad, GstPadProbeType type, GstPadProbeCallback callback,
              const std::shared_ptr<RunCounters>& counters) {
  if (pad == nullptr) return;
  gst_pad_add_probe(pad, type, callback, new std::shared_ptr<RunCounters>(counters),
                    ReleaseCounters);
}

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

}  // namespace

void CountSourceFrames(GstPad* sequence_pad, const std::shared_ptr<RunCounters>& counters) {
  AddProbe(sequence_pad, GST_PAD_PROBE_TYPE_BUFFER, CountSourceFrame, counters);
}

void WatchRecording(const RunBuild& run, const std::shared_ptr<RunCounters>& counters,
                    GstElement* pipeline, std::uint64_t from_utc, std::uint64_t until_utc) {
  // Every recording passes the gate, which also notes when its first frame was captured.
  counters->gate_from_ns = UnixNsOf(from_utc);
  counters->gate_until_ns = UnixNsOf(until_utc);
  counters->pipeline = pipeline;
  AddProbe(run.recording_pad, GST_PAD_PROBE_TYPE_BUFFER, GateRecordedFrame, counters);
  AddProbe(run.mux_pad, GST_PAD_PROBE_TYPE_BUFFER, CountMuxedFrame, counters);
  AddProbe(run.file_pad, GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM, WatchFileEnd, counters);
  if (run.file_pad != nullptr && run.carried_codec != nullptr) {
    InstallAviHeaderCorrection(run.file_pad, *run.carried_codec);
  }
}

}  // namespace vesk::gst
