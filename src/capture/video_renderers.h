#pragma once

// The renderers that draw live video into the video window (EVR, VMR9, VMR7) or discard
// it while a recording runs with the display off (Null Renderer). Each kind is created at
// its first use and kept for the life of the process; every camera start adds the chosen
// one to the freshly emptied graph again.

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "base/error_table.h"
#include "base/hresult.h"
#include "base/message_log.h"
#include "config/options.h"
#include "media/media_graph.h"

namespace vesk {

// Filter names of the renderers in the graph, by RendererKind.
constexpr std::array<const char*, 4> kRendererFilterNames = {"EVR", "VMR9", "VMR7",
                                                             "Null Renderer"};

constexpr const char* kEvrFrameSizeLogicError =
    "Logic error: attempt to update EVR frame size with NULL display or clipping window "
    "handle\r\n";
constexpr const char* kVmr9FrameSizeLogicError =
    "Logic error: attempt to update VMR9 frame size with NULL control or clipping window "
    "handle\r\n";
constexpr const char* kVmr7FrameSizeLogicError =
    "Logic error: attempt to update VMR7 frame size with NULL control or clipping window "
    "handle\r\n";

// Graph error-table indexes the renderers raise (shown as index + 1000).
namespace renderer_errors {
constexpr int kCannotUpdateEvrFrameSize = 3;
constexpr int kCannotCreateEvr = 19;
constexpr int kCannotGetEvrDisplayControl = 20;
constexpr int kCannotSetEvrClippingWindow = 21;
constexpr int kCannotAddEvr = 22;
constexpr int kCannotSetEvrAspectRatio = 33;
constexpr int kCannotCreateVmr9 = 34;
constexpr int kCannotCreateVmr7 = 35;
constexpr int kCannotCreateNullRenderer = 36;
constexpr int kCannotGetVmr9Configuration = 37;
constexpr int kCannotGetVmr7Configuration = 38;
constexpr int kCannotUpdateVmr9FrameSize = 41;
constexpr int kCannotUpdateVmr7FrameSize = 42;
}  // namespace renderer_errors

// The size of the video a renderer is sized for.
struct FrameSize {
  std::int32_t width = 0;
  std::int32_t height = 0;
  friend bool operator==(const FrameSize&, const FrameSize&) = default;
};

// The destination rectangle of the window for a frame rectangle: the picture sits two
// pixels in and one down, inside the window's border.
VideoRect DestinationRectangle(const VideoRect& frame);

class VideoRenderers {
 public:
  // The size of the device's current format, or none when there is no current format.
  using CurrentFrameSize = std::function<std::optional<FrameSize>()>;

  VideoRenderers(MediaSystem& media, const Options& options, MessageLog& log, ErrorReporter& errors,
                 CurrentFrameSize current_frame_size);

  VideoRenderers(const VideoRenderers&) = delete;
  VideoRenderers& operator=(const VideoRenderers&) = delete;

  // The video window the renderers draw into; 0 until that window exists.
  void set_display_window(DisplayWindow window) { display_window_ = window; }
  DisplayWindow display_window() const { return display_window_; }

  // Creates the renderer of the kind when needed, sizes it for the format (the current
  // format when none is given) and adds it to the graph. A recording (non-empty path) with
  // DisplayOffWhileRecording set uses the Null Renderer whatever kind is asked for.
  HResult AddRenderer(MediaGraph& graph, RendererKind kind, std::optional<FrameSize> format,
                      std::string_view video_file_path);

  // Positions the video of a renderer in the window for the frame rectangle (left, top,
  // right, bottom). Fail when the window or the renderer's control is missing.
  HResult UpdateEvrFrameSize(const VideoRect& frame);
  HResult UpdateVmr9FrameSize(const VideoRect& frame);
  HResult UpdateVmr7FrameSize(const VideoRect& frame);
  // The update of one of the three drawing kinds; E_FAIL for any other kind.
  HResult UpdateFrameSize(RendererKind kind, const VideoRect& frame);

  // The renderer added by the last AddRenderer and its filter name.
  const std::shared_ptr<MediaFilter>& current_renderer() const { return current_renderer_; }
  const std::string& current_renderer_name() const { return current_renderer_name_; }
  RendererKind current_renderer_kind() const { return current_kind_; }
  void ClearCurrentRenderer();

  // The renderer object of a kind, null until it was first created.
  std::shared_ptr<MediaFilter> Renderer(RendererKind kind) const;
  // The window control of a drawing renderer (frames drawn for PAL/NTSC detection); null
  // when the renderer does not exist or has none.
  RendererControl* Control(RendererKind kind) const;

 private:
  struct Slot {
    std::shared_ptr<MediaFilter> filter;
    RendererControl* control = nullptr;  // owned by filter
  };

  HResult CreateEvr(Slot& slot);
  HResult CreateVmr(RendererKind kind, Slot& slot);
  HResult UpdateKindFrameSize(RendererKind kind, const VideoRect& frame, const char* logic_error);
  HResult AddToGraph(MediaGraph& graph, RendererKind kind);

  MediaSystem& media_;
  const Options& options_;
  MessageLog& log_;
  ErrorReporter& errors_;
  CurrentFrameSize current_frame_size_;
  DisplayWindow display_window_ = 0;
  std::array<Slot, 4> slots_{};
  std::shared_ptr<MediaFilter> current_renderer_;
  std::string current_renderer_name_;
  RendererKind current_kind_ = RendererKind::EVR;
};

}  // namespace vesk
