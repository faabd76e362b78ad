#pragma once

// A recording's file around its run: made new before the run so nothing earlier is written
// over, and ended after it, so that what the log calls recorded is what the file holds (a
// file its writer left unfinished is cut back to its last whole frame and given its counts).

#include <cstdint>
#include <string>
#include <vector>

#include "media/frame_stamps.h"
#include "media/media_graph.h"
#include "platform/gst/gst_graph_filter.h"
#include "platform/gst/gst_ser_writer.h"

namespace vesk::gst {

// Where a new file may be written: its folder exists and takes files, and the path is not a
// folder itself.
bool FolderTakesFile(const std::string& path);

// Makes the file, new: false with the reason when it exists or cannot be made.
bool ClaimNewFile(const std::string& path, std::string* error);

// After the teardown of an AVI recording run; the run's muxed count becomes the file's frames.
RecordedFileEnd SettleAviFile(const std::string& path, RunCounters& counters);

// The same for a SER file: ended after its last whole frame, with the trailer of frame times
// when every frame has one.
RecordedFileEnd SettleSerFile(SerRecording& ser, const std::vector<std::int64_t>& times,
                              RunCounters& counters);

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

}  // namespace vesk::gst
