#include "capture/video_renderers.h"

#include <utility>

namespace vesk {
namespace {

std::size_t IndexOf(RendererKind kind) { return static_cast<std::size_t>(kind); }

// A failed step keeps its own code; a step that "succeeded" without giving anything
// counts as a generic failure.
HResult FailureOf(HResult result) { return Failed(result) ? result : E_FAIL; }

}  // namespace

VideoRect DestinationRectangle(const VideoRect& frame) {
  return VideoRect{frame.left + 2, frame.top + 1, frame.right + 2, frame.bottom + 1};
}

VideoRenderers::VideoRenderers(MediaSystem& media, const Options& options, MessageLog& log,
                               ErrorReporter& errors, CurrentFrameSize current_frame_size)
    : media_(media),
      options_(options),
      log_(log),
      errors_(errors),
      current_frame_size_(std::move(current_frame_size)) {}

void VideoRenderers::ClearCurrentRenderer() {
  current_renderer_.reset();
  current_renderer_name_.clear();
  current_kind_ = RendererKind::EVR;
}

std::shared_ptr<MediaFilter> VideoRenderers::Renderer(RendererKind kind) const {
  const std::size_t index = IndexOf(kind);
  return index < slots_.size() ? slots_[index].filter : nullptr;
}

RendererControl* VideoRenderers::Control(RendererKind kind) const {
  const std::size_t index = IndexOf(kind);
  return index < slots_.size() ? slots_[index].control : nullptr;
}

HResult VideoRenderers::AddRenderer(MediaGraph& graph, RendererKind kind,
                                    std::optional<FrameSize> format,
                                    std::string_view video_file_path) {
  if (options_.display_off_while_recording && !video_file_path.empty()) {
    kind = RendererKind::NullRenderer;
  }
  if (!format && current_frame_size_) format = current_frame_size_();
  if (!format) return E_FAIL;
  if (IndexOf(kind) > IndexOf(RendererKind::NullRenderer)) return E_FAIL;

  Slot& slot = slots_[IndexOf(kind)];
  const VideoRect frame{0, 0, format->width, format->height};
  switch (kind) {
    case RendererKind::EVR: {
      if (!slot.filter) {
        if (HResult r = CreateEvr(slot); Failed(r)) return r;
      }
      if (HResult r = UpdateEvrFrameSize(frame); Failed(r)) {
        errors_.RaiseGraphError(renderer_errors::kCannotUpdateEvrFrameSize);
        return r;
      }
      if (HResult r = AddToGraph(graph, kind); Failed(r)) {
        errors_.RaiseGraphError(renderer_errors::kCannotAddEvr);
        return r;
      }
      return S_OK;
    }
    case RendererKind::VMR9:
    case RendererKind::VMR7: {
      const bool vmr9 = kind == RendererKind::VMR9;
      if (!slot.filter) {
        if (HResult r = CreateVmr(kind, slot); Failed(r)) return r;
      }
      const HResult r = vmr9 ? UpdateVmr9FrameSize(frame) : UpdateVmr7FrameSize(frame);
      if (Failed(r)) {
        errors_.RaiseGraphError(vmr9 ? renderer_errors::kCannotUpdateVmr9FrameSize
                                     : renderer_errors::kCannotUpdateVmr7FrameSize);
        return r;
      }
      return AddToGraph(graph, kind);
    }
    case RendererKind::NullRenderer: {
      if (!slot.filter) {
        std::shared_ptr<MediaFilter> filter;
        const HResult r = media_.CreateRenderer(kind, &filter);
        if (Failed(r) || !filter) {
          errors_.RaiseGraphError(renderer_errors::kCannotCreateNullRenderer);
          return FailureOf(r);
        }
        slot.filter = std::move(filter);
      }
      return AddToGraph(graph, kind);
    }
  }
  return E_FAIL;
}

HResult VideoRenderers::CreateEvr(Slot& slot) {
  std::shared_ptr<MediaFilter> filter;
  HResult r = media_.CreateRenderer(RendererKind::EVR, &filter);
  if (Failed(r) || !filter) {
    errors_.RaiseGraphError(renderer_errors::kCannotCreateEvr);
    return FailureOf(r);
  }
  // Kept from here on: a later configuration failure leaves the object in use as it is.
  slot.filter = std::move(filter);
  RendererControl* control = nullptr;
  r = slot.filter->QueryRendererControl(&control);
  if (Failed(r) || control == nullptr) {
    errors_.RaiseGraphError(renderer_errors::kCannotGetEvrDisplayControl);
    return FailureOf(r);
  }
  slot.control = control;
  if (Failed(control->SetVideoWindow(display_window_))) {
    errors_.RaiseGraphError(renderer_errors::kCannotSetEvrClippingWindow);
    return E_FAIL;
  }
  if (Failed(control->SetAspectRatioMode(kAspectRatioPreservePicture))) {
    errors_.RaiseGraphError(renderer_errors::kCannotSetEvrAspectRatio);
    return E_FAIL;
  }
  return S_OK;
}

HResult VideoRenderers::CreateVmr(RendererKind kind, Slot& slot) {
  const bool vmr9 = kind == RendererKind::VMR9;
  std::shared_ptr<MediaFilter> filter;
  HResult r = media_.CreateRenderer(kind, &filter);
  if (Failed(r) || !filter) {
    errors_.RaiseGraphError(vmr9 ? renderer_errors::kCannotCreateVmr9
                                 : renderer_errors::kCannotCreateVmr7);
    return FailureOf(r);
  }
  slot.filter = std::move(filter);
  // One control stands for the configuration, the windowless control and (for VMR7) the
  // frames-drawn counter; the renderers here always draw into the given window, so there
  // is no rendering mode to choose.
  RendererControl* control = nullptr;
  r = slot.filter->QueryRendererControl(&control);
  if (Failed(r) || control == nullptr) {
    errors_.RaiseGraphError(vmr9 ? renderer_errors::kCannotGetVmr9Configuration
                                 : renderer_errors::kCannotGetVmr7Configuration);
    return FailureOf(r);
  }
  slot.control = control;
  if (Failed(control->SetVideoWindow(display_window_))) return E_FAIL;
  if (Failed(control->SetAspectRatioMode(kAspectRatioLetterBox))) return E_FAIL;
  return S_OK;
}

HResult VideoRenderers::UpdateKindFrameSize(RendererKind kind, const VideoRect& frame,
                                            const char* logic_error) {
  RendererControl* control = slots_[IndexOf(kind)].control;
  if (display_window_ == 0 || control == nullptr) {
    log_.ReportMessage(logic_error, true);
    return E_FAIL;
  }
  const HResult r = control->SetVideoPosition(DestinationRectangle(frame));
  if (Failed(r)) {
    if (kind == RendererKind::VMR9) {
      errors_.RaiseGraphError(renderer_errors::kCannotUpdateVmr9FrameSize);
    } else if (kind == RendererKind::VMR7) {
      errors_.RaiseGraphError(renderer_errors::kCannotUpdateVmr7FrameSize);
    }
  }
  return r;
}

HResult VideoRenderers::UpdateEvrFrameSize(const VideoRect& frame) {
  return UpdateKindFrameSize(RendererKind::EVR, frame, kEvrFrameSizeLogicError);
}

HResult VideoRenderers::UpdateVmr9FrameSize(const VideoRect& frame) {
  return UpdateKindFrameSize(RendererKind::VMR9, frame, kVmr9FrameSizeLogicError);
}

HResult VideoRenderers::UpdateVmr7FrameSize(const VideoRect& frame) {
  return UpdateKindFrameSize(RendererKind::VMR7, frame, kVmr7FrameSizeLogicError);
}

HResult VideoRenderers::UpdateFrameSize(RendererKind kind, const VideoRect& frame) {
  switch (kind) {
    case RendererKind::EVR:
      return UpdateEvrFrameSize(frame);
    case RendererKind::VMR9:
      return UpdateVmr9FrameSize(frame);
    case RendererKind::VMR7:
      return UpdateVmr7FrameSize(frame);
    default:
      return E_FAIL;
  }
}

HResult VideoRenderers::AddToGraph(MediaGraph& graph, RendererKind kind) {
  const Slot& slot = slots_[IndexOf(kind)];
  const char* name = kRendererFilterNames[IndexOf(kind)];
  const HResult r = graph.AddFilter(slot.filter, name);
  if (Failed(r)) return r;
  current_renderer_ = slot.filter;
  current_renderer_name_ = name;
  current_kind_ = kind;
  return S_OK;
}

}  // namespace vesk
