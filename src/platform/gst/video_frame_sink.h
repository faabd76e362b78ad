#pragma once

// "veskframesink": the sink of the station's own renderer. It hands every frame, mapped in
// place (no copy, no allocation), to the VideoFrameTarget of its renderer, with the
// destination rectangle the renderer was given.

#include <gst/gst.h>

#include <atomic>
#include <memory>
#include <mutex>

#include "media/video_frame_target.h"

namespace vesk::gst {

inline constexpr char kFrameSinkElement[] = "veskframesink";

// What the renderer and its running sink share; the renderer changes it from the UI
// thread, the sink reads it for each frame.
struct FrameSinkShared {
  std::mutex lock;
  VideoFrameTarget* target = nullptr;
  VideoRect destination;
  bool preserve_aspect = true;
};

void RegisterFrameSink();
GstElement* CreateFrameSink(std::shared_ptr<FrameSinkShared> shared);

}  // namespace vesk::gst
