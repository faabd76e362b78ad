#pragma once

// Live frames handed, as they leave the source, to something that reads them beside the
// video (the time inserter's reader), whether or not the video is shown or recorded. The
// call comes on the streaming thread: it may copy the frame, never wait or allocate.

#include <cstddef>
#include <cstdint>

namespace vesk {

// How a frame's luma lies in its first plane.
enum class LumaLayout {
  kNone,    // a format the tap cannot read (compressed video)
  kGray,    // one byte a pixel
  kYuy2,    // Y U Y V: luma in the even bytes
  kUyvy,    // U Y V Y: luma in the odd bytes
  kPlanar,  // a luma plane first (I420, YV12, NV12)
  kBgr,     // three bytes a pixel, blue first
  kBgrx,    // four bytes a pixel, blue first
};

struct LiveFrame {
  LumaLayout layout = LumaLayout::kNone;
  const std::uint8_t* pixels = nullptr;  // the first plane's first row
  std::size_t bytes = 0;                 // readable from pixels on
  std::ptrdiff_t stride = 0;
  int width = 0;
  int height = 0;
  std::int64_t sequence = -1;  // the source's frame number; -1 when it numbers none
  std::int64_t utc_ns = 0;     // when it was captured: Unix ns, UTC
  std::int64_t frame_interval_ns = 0;  // from the format's frame rate; 0 when unknown
};

class LiveFrameTap {
 public:
  virtual ~LiveFrameTap() = default;
  // Before a run's first frame, on the thread that starts the graph.
  virtual void BeginRun() = 0;
  // Every frame of the run, on the streaming thread.
  virtual void TakeLiveFrame(const LiveFrame& frame) = 0;
};

}  // namespace vesk
