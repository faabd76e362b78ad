#pragma once

// The renderers: "EVR" hands frames to the station's video window (veskframesink); "VMR9"
// (glimagesink) and "VMR7" (ximagesink) draw into an X window through the video overlay
// interface; the "Null Renderer" (fakesink) discards. Each takes any raw video and converts
// it for its sink. Where a sink cannot run (no display, no GL) the graph fails to start.

#include <atomic>
#include <memory>
#include <mutex>

#include "platform/gst/gst_graph_filter.h"
#include "platform/gst/video_frame_sink.h"

namespace vesk::gst {

class RendererFilter : public GstGraphFilter, public RendererControl {
 public:
  explicit RendererFilter(RendererKind kind);

  RendererKind kind() const { return kind_; }

  HResult QueryRendererControl(RendererControl** control) override;
  HResult SetVideoWindow(DisplayWindow window) override;
  HResult SetAspectRatioMode(std::int32_t mode) override;
  HResult SetVideoPosition(const VideoRect& destination) override;
  HResult GetFramesDrawn(std::int32_t* frames) override;

  VideoRect destination() const;

  GstCaps* PinCaps(const GstGraphPin& pin) const override;
  bool BuildElements(RunBuild* run) override;
  GstPad* PadFor(const GstGraphPin& pin, RunBuild* run) override;
  void ReleaseElements() override;
  bool InUse() const override { return bin_ != nullptr; }
  void OnRunStarting() override;

 private:
  void ApplyOverlay();

  RendererKind kind_;
  DisplayWindow window_ = 0;
  std::shared_ptr<FrameSinkShared> shared_ = std::make_shared<FrameSinkShared>();
  std::shared_ptr<std::atomic<std::int32_t>> frames_drawn_ =
      std::make_shared<std::atomic<std::int32_t>>(0);
  GstElement* bin_ = nullptr;
  GstElement* sink_ = nullptr;
  // VMR7's X sink draws frames at their own size: the scaler's caps give it the picture at
  // the destination's (x2 magnification).
  GstElement* scaled_caps_ = nullptr;
};

}  // namespace vesk::gst
