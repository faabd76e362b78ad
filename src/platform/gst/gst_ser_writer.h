#pragma once

// "SER Writer": a SER recording's file writer in the graph, where the AVI multiplexer sits
// for an AVI recording: the chosen formats, a queue that never drops, then a sink that hands every frame, mapped
// in place, to the SerWriter on the queue's thread. After the run the graph ends the file
// with the trailer of the frame times it gathered.

#include <gst/gst.h>

#include <memory>
#include <string>
#include <vector>

#include "media/ser_writer.h"
#include "platform/gst/gst_graph_filter.h"
#include "platform/linux/posix_ser_output.h"

namespace vesk::gst {

// What the filter, its sink and the graph share for one run.
struct SerRecording {
  std::string path;
  SerHeader header;  // the texts; size and colour come with the frames
  std::int64_t local_minus_utc_ns = 0;
  std::shared_ptr<RunCounters> counters;
  std::unique_ptr<PosixSerOutput> output;  // opened by the first frames' format
  SerWriter writer;
  bool begun = false;
  // Ends the file after its last whole frame with FrameCount and, when there are times for
  // every frame and room, the trailer.
  SerEnd Finish(const std::vector<std::int64_t>& utc_ns);
};

class SerWriterFilter : public GstGraphFilter {
 public:
  SerWriterFilter(std::string path, SerRecordingSetup setup);
  const std::string& path() const { return path_; }
  GstCaps* PinCaps(const GstGraphPin& pin) const override;
  bool BuildElements(RunBuild* run) override;
  GstPad* PadFor(const GstGraphPin& pin, RunBuild* run) override;
  void ReleaseElements() override;
  bool InUse() const override { return accept_ != nullptr; }

 private:
  std::string path_;
  SerRecordingSetup setup_;
  GstElement* accept_ = nullptr;  // the caps filter in front of the queue
};

}  // namespace vesk::gst
