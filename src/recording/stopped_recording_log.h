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

// current_directory: the station's home folder, for a relative video file name. The lines
// after the documented ones, without line ends: frame_time_lines (FrameTimeLogLines), then
// notes (a recording cut short, frames missing).
void WriteLogOfStoppedRecording(const StoppedRecording& stopped, const CaptureGraph& graph,
                                const LastGpsPosition& gps, const Clock& clock,
                                std::string_view current_directory,
                                const std::vector<std::string>& frame_time_lines = {},
                                const std::vector<std::string>& notes = {});

}  // namespace vesk
