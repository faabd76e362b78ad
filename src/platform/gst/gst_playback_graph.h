#pragma once

// The playback graph on GStreamer: filesrc ! avidemux ! decodebin ! videoconvert ! the
// station's own frame sink, seeking accurately to frame times.

#include <gst/gst.h>

#include <memory>
#include <mutex>

#include "media/playback_media.h"
#include "platform/gst/gst_ref.h"
#include "platform/gst/video_frame_sink.h"

namespace vesk::gst {

class GstPlaybackGraph final : public PlaybackMedia {
 public:
  GstPlaybackGraph();
  ~GstPlaybackGraph() override;

  HResult Open(const std::string& path, std::uint32_t rate, std::uint32_t scale,
               VideoFrameTarget* target) override;
  void Close() override;
  HResult Run() override;
  HResult Pause() override;
  HResult SeekToFrame(std::int64_t frame) override;
  std::int64_t CurrentFrame() override;
  void SetEndOfStreamHandler(std::function<void(bool failed)> handler) override;

 private:
  static GstBusSyncReply OnBusMessage(GstBus* bus, GstMessage* message, gpointer self);
  // Waits for a state change (or the preroll after a flushing seek) to complete.
  bool Settle();

  GstRef<GstElement> pipeline_;
  std::shared_ptr<FrameSinkShared> shared_;
  std::uint32_t rate_ = 0, scale_ = 1;
  bool running_ = false;
  std::mutex handler_lock_;
  std::function<void(bool)> end_of_stream_;
};

}  // namespace vesk::gst
