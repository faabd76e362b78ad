#pragma once

// Which of the installed compressors work with the device in use and its format: each is
// tried in a graph of its own that joins the device through the compressor to an AVI
// multiplexer and is never run, so only the formats are negotiated.

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "base/hresult.h"
#include "capture/capture_graph.h"
#include "capture/video_codecs.h"

namespace vesk {

// The trial output file in the station's home folder; the trial never runs, so it is never
// written.
constexpr const char* kTrialOutputFileName = "bogus.avi";

// The compressors that work with the device and format of the last discovery, and their
// positions in the codec list. Emptied by each discovery.
struct UsableCodecs {
  std::vector<const VideoCodec*> codecs;
  std::vector<std::size_t> indexes;
};

// Stops the camera, tries every codec in list order and, when every step worked, starts
// live video again with start_video. A failure is reported and leaves the camera stopped
// (the caller's next action starts it). process_directory ends with its separator.
HResult GetCodecsForSourceDevice(CaptureGraph& graph, const std::string& process_directory,
                                 const std::function<HResult()>& start_video,
                                 UsableCodecs* usable);

}  // namespace vesk
