#pragma once

// The probes that watch a run for the recording: the source's frames counted and their gaps
// found, the recording's frames kept only inside its window and stamped with their capture
// time, the frames that reached the multiplexer counted, and the end of the file noticed.

#include <gst/gst.h>

#include <cstdint>
#include <memory>

#include "platform/gst/gst_graph_filter.h"

namespace vesk::gst {

// On the source's numbered frames: delivered and dropped.
void CountSourceFrames(GstPad* sequence_pad, const std::shared_ptr<RunCounters>& counters);

// The recording's gate (frames captured in [from_utc, until_utc), FileTime, 0: unbounded), the
// multiplexer's count and the file writer's end of stream; pads the run lacks are skipped.
void WatchRecording(const RunBuild& run, const std::shared_ptr<RunCounters>& counters,
                    GstElement* pipeline, std::uint64_t from_utc, std::uint64_t until_utc);

}  // namespace vesk::gst
