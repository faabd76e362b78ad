#pragma once

// Where live video goes: the video window implements this, and its address is the
// DisplayWindow handed to every renderer. The station's own renderer ("EVR") delivers frames
// to it; the platform renderers draw into its native window.

#include <cstdint>

#include "media/media_graph.h"

namespace vesk {

// One frame as 32-bit pixels, bytes B, G, R, unused in memory (a little-endian 0xffRRGGBB
// word), rows top first. The pixels belong to the renderer and are valid only during the
// call that hands them over.
struct VideoFrame {
  const std::uint8_t* pixels = nullptr;
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::int32_t stride = 0;
  // Presentation time of the frame in nanoseconds since the graph started.
  std::int64_t timestamp_ns = 0;
};

class VideoFrameTarget {
 public:
  virtual ~VideoFrameTarget() = default;
  // Called on a streaming thread for every frame that reaches the renderer. destination is
  // the rectangle of the window to fill (SetVideoPosition); preserve_aspect asks for the
  // picture's proportions to be kept inside it. Must not block for long: the video waits.
  virtual void PresentFrame(const VideoFrame& frame, const VideoRect& destination,
                            bool preserve_aspect) = 0;
  // The native window (an X window id) the platform renderers may draw into, or 0 when
  // there is none (offscreen, headless). Safe to call from any thread.
  virtual std::uintptr_t NativeWindowId() const { return 0; }
};

// The DisplayWindow value that names a frame target, and back.
inline DisplayWindow DisplayWindowOf(VideoFrameTarget* target) {
  return reinterpret_cast<DisplayWindow>(target);
}
inline VideoFrameTarget* FrameTargetOf(DisplayWindow window) {
  return reinterpret_cast<VideoFrameTarget*>(window);
}

}  // namespace vesk
