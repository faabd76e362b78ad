#pragma once

// The media graph that plays an AVI file into a video window, positioned in frames.

#include <cstdint>
#include <functional>
#include <string>

#include "base/hresult.h"
#include "media/video_frame_target.h"

namespace vesk {

class PlaybackMedia {
 public:
  virtual ~PlaybackMedia() = default;
  // Builds the graph for the file, showing its first frame in target, paused; rate / scale
  // is the video stream's frame rate (from the file's header), which converts frames to
  // times. E_ABORT when the file cannot be played.
  virtual HResult Open(const std::string& path, std::uint32_t rate, std::uint32_t scale,
                       VideoFrameTarget* target) = 0;
  virtual void Close() = 0;
  virtual HResult Run() = 0;
  virtual HResult Pause() = 0;
  // Absolute: the graph shows that frame, then stays paused or running as it was.
  virtual HResult SeekToFrame(std::int64_t frame) = 0;
  // The frame shown now; -1 without a file or a position.
  virtual std::int64_t CurrentFrame() = 0;
  // Called on a streaming thread when the file has played to its end, and when the file can
  // no longer be read (a disk that vanished): the caller hands it to the UI thread.
  virtual void SetEndOfStreamHandler(std::function<void(bool failed)> handler) = 0;
};

}  // namespace vesk
