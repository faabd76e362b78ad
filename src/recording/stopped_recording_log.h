#pragma once

// The recording log of a recording the capture graph has just stopped: what the graph
// counted, the controller's texts, the device and format in use, and the GPS position taken
// at the start.

#include <string>
#include <string_view>
#include <vector>

#include "base/clock.h"
#include "capture/capture_graph.h"
#include "recording/gps_position.h"

namespace vesk {

// The lines after the documented ones, without line ends, in the log's order.
struct LogExtraLines {
  std::vector<std::string> frame_times;  // FrameTimeLogLines
  std::vector<std::string> clock;        // the computer clock at the start and at the stop
  std::vector<std::string> notes;        // a recording cut short, frames missing
  std::vector<std::string> inserter;     // the time inserter's fields, when it was read
};

// What the recording controller chose for a recording and said at its start.
struct RecordingDescription {
  const RecordingTarget& target;
  const std::string& event_description;
  const std::string& start_text;  // "Start recording at hh:mm:ss (UTC)"
};

// current_directory: the station's home folder, for a relative video file name.
void WriteLogOfStoppedRecording(const StoppedRecording& stopped,
                                const RecordingDescription& recording, const CaptureGraph& graph,
                                const LastGpsPosition& gps, const Clock& clock,
                                std::string_view current_directory,
                                const LogExtraLines& extra = {});

}  // namespace vesk
