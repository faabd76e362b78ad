#pragma once

// The recording log of a recording the capture graph has just stopped: what the graph
// counted, the session's texts, the device and format in use, and the GPS position taken
// at the start.

#include <string>
#include <string_view>
#include <vector>

#include "base/clock.h"
#include "capture/capture_graph.h"
#include "recording/gps_position.h"

namespace vesk {

// current_directory: the station's home folder, for a relative video file name. notes: lines
// after the documented ones (a recording cut short, frames missing), without line ends.
// clock_lines: the computer clock's state at the start and at the stop.
void WriteLogOfStoppedRecording(const StoppedRecording& stopped, const CaptureGraph& graph,
                                const LastGpsPosition& gps, const Clock& clock,
                                std::string_view current_directory,
                                const std::vector<std::string>& notes = {},
                                const std::vector<std::string>& clock_lines = {});

}  // namespace vesk
