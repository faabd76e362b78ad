#pragma once

// The recording log of a recording the capture graph has just stopped: what the graph
// counted, the session's texts, the device and format in use, and the GPS position taken
// at the start.

#include "capture/capture_graph.h"
#include "recording/gps_position.h"

namespace vesk {

void WriteLogOfStoppedRecording(const StoppedRecording& stopped, const CaptureGraph& graph,
                                const LastGpsPosition& gps);

}  // namespace vesk
