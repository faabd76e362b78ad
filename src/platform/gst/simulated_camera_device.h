#pragma once

// The state of one simulated camera, shared by its device filter (formats, picture
// controls, TV standard) and by the source element drawing its frames on a streaming
// thread: everything the element reads while running is atomic.

#include <array>
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "media/media_graph.h"

namespace vesk::gst {

inline constexpr char kSimulatedAnalogCameraName[] = "VESK Simulated Analog Camera";
inline constexpr char kSimulatedWebcamName[] = "VESK Simulated Webcam";
inline constexpr char kFileCameraName[] = "VESK File Camera";

struct SimulatedControl {
  bool supported = false;
  ProcAmpRange range;
  std::atomic<std::int32_t> value{0};
  std::atomic<std::int32_t> flags{kProcAmpFlagsManual};
};

struct SimulatedCameraDevice {
  std::string name;
  bool analog = false;
  // The file camera's video file: its frames are shown instead of the painted sky.
  std::string file_path;
  std::vector<MediaType> formats;
  // Picture controls by ProcAmpProperty number (0..9).
  std::array<SimulatedControl, 10> controls;
  // Plugged in: enumerated, and a running source keeps delivering.
  std::atomic<bool> attached{true};
  // The decoder's standard (kAnalogVideoPalB or kAnalogVideoNtscM) and the standard of the
  // signal the camera sends; when they differ the decoder keeps losing sync and only a few
  // frames a second come through.
  std::atomic<std::int32_t> decoder_standard{kAnalogVideoPalB};
  std::atomic<std::int32_t> signal_standard{kAnalogVideoPalB};
  // Frames the camera is to lose before its next capture, as a grabber that drops frames
  // does: their numbers and their time pass without a frame.
  std::atomic<std::int32_t> frames_to_lose{0};
  // Drawing cost: thread CPU time spent painting and converting frames, and frames drawn.
  std::atomic<std::int64_t> paint_cpu_ns{0};
  std::atomic<std::int64_t> frames_painted{0};

  bool StandardMatches() const {
    return !analog || decoder_standard.load() == signal_standard.load();
  }
};

// The file camera, "VESK File Camera", playing a file of that picture size and rate.
std::shared_ptr<SimulatedCameraDevice> MakeFileCamera(const std::string& path, int width,
                                                      int height, int rate_numerator,
                                                      int rate_denominator);

// The two cameras, freshly plugged in.
std::shared_ptr<SimulatedCameraDevice> MakeSimulatedAnalogCamera();
std::shared_ptr<SimulatedCameraDevice> MakeSimulatedWebcam();

}  // namespace vesk::gst
