#pragma once

// The one media graph that carries live video from the device in use to the video window
// and, while recording, into an AVI file. Every start rebuilds the whole chain from an
// empty graph for the current device and format; the renderers, the colour-control filter
// and the live analysis filter survive across starts.

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/clock.h"
#include "base/error_table.h"
#include "base/hresult.h"
#include "base/message_log.h"
#include "capture/video_codecs.h"
#include "capture/video_renderers.h"
#include "capture/video_sources.h"
#include "config/options.h"
#include "media/media_graph.h"

namespace vesk {

// Filter names the graph uses.
constexpr const char* kSmartTeeName = "Smart Tee";
constexpr const char* kPreviewPinName = "Preview";
constexpr const char* kTransformFilterName = "VESK Transform Filter Preview";
constexpr const char* kColourControlName = "Color Control";

// Graph states.
enum class GraphState : int { None = 0, Built = 1, SourceAdded = 2, Running = 3, Rendered = 4 };

// Graph error-table indexes (shown as index + 1000).
namespace graph_errors {
constexpr int kCannotSetCaptureStreamFormat = 2;
constexpr int kNotDroppedMayBeIncorrect = 6;
constexpr int kDroppedMayBeIncorrect = 7;
constexpr int kNoSourceFilterForFormat = 10;
constexpr int kStreamConfigMissing = 11;
constexpr int kCannotRenderPreview = 23;
constexpr int kSetOutputFileNameFailed = 24;
}  // namespace graph_errors

// What the live analysis filter does for the graph around a run.
class LiveFilterControl {
 public:
  virtual ~LiveFilterControl() = default;
  // Before a run with the filter in the graph: accumulation buffer size (0 without frame
  // integration) and the format's frame rate; also resets integration and recognition.
  virtual void PrepareStreaming(std::size_t accumulation_bytes, std::uint32_t frame_rate) = 0;
  // After the preview branch was connected through the filter: takes the connected format.
  virtual HResult ReadStreamFormat() = 0;
  // At every stop, so the next run starts with a fresh buffer.
  virtual void ReleaseIntegrationBuffer() = 0;
};

// The switches the menus and analysis windows set; read at every start.
struct LiveSwitches {
  bool saturation_highlight = false;
  std::int32_t integration_count = 1;  // frames integrated; 1 when integration is off
  bool magnify_x2 = false;
  bool brightness_contrast = false;

  bool PixelAnalysisOn() const { return saturation_highlight || integration_count > 1; }
};

// What a start of the graph records into, chosen by the recording controller; the graph
// keeps it for the run it starts.
struct RecordingTarget {
  // The video file; empty: live video only.
  std::string video_file_name;
  // The name is relative to the current directory (no video folder is chosen).
  bool video_file_name_is_relative = false;
  // An Event recording's file holds the frames captured from the first moment until the
  // second (UTC); 0: no bound.
  FileTime record_from_utc = 0;
  FileTime record_until_utc = 0;
  // Where every recorded frame's stamp goes (its frame-time record); null: nowhere.
  std::shared_ptr<FrameStampSink> frame_stamps;
  // AVI, or SER with every frame's UTC time in its trailer (and no codec).
  RecordingFileFormat format = RecordingFileFormat::Avi;
  // A SER file's Observer; empty: the computer's name.
  std::string observer;

  bool records() const { return !video_file_name.empty(); }
};

// What the graph knows of a recording it has just stopped, for the recording's log.
struct StoppedRecording {
  bool has_dropped_frames_interface = false;
  std::int64_t recorded_frames = 0;  // frames that reached the file during the recording
  std::int64_t dropped_frames = 0;
  int renderer = 0;  // the renderer that ran, or the default one when the display was off
  // The chosen codec refused the frames, so the file was recorded uncompressed.
  bool codec_bypassed = false;
  RecordedFileEnd file_end;  // how the media layer left the file
};

// How a stop went, and the recording it ended, when the run recorded.
struct CameraStop {
  HResult result = S_OK;
  std::optional<StoppedRecording> recording;
};

// Everything the graph needs from the rest of the station.
struct CaptureGraphContext {
  MediaSystem& media;
  const Options& options;
  // The working subtype/codec choices (filled once the options are loaded).
  const std::vector<SubtypeCodecPair>& subtype_codec_pairs;
  VideoSources& sources;
  MessageLog& log;
  ErrorReporter& errors;
  // Creates the "Color Control" filter; empty or returning null: brightness/contrast has no
  // effect. Called at construction and by a start that needs it while it is missing.
  std::function<std::shared_ptr<MediaFilter>()> create_colour_control;
  // Told, on a platform thread after the error was reported, that the run numbered `run`
  // failed (a device gone, a file that cannot be written). Empty: nothing more happens.
  std::function<void(std::uint64_t run)> on_run_error;
};

// A device whose frames are two interlaced fields: an analog one of a known standard.
inline bool DeviceSendsFields(const VideoSourceInfo* device) {
  return device != nullptr &&
         (device->analog_format == AnalogFormat::PAL || device->analog_format == AnalogFormat::NTSC);
}

class CaptureGraph {
 public:
  // live_filter and live_control stand for the live analysis filter; either may be null,
  // and pixel analysis then cannot be spliced in.
  CaptureGraph(CaptureGraphContext context, std::shared_ptr<MediaFilter> live_filter,
               LiveFilterControl* live_control);

  CaptureGraph(const CaptureGraph&) = delete;
  CaptureGraph& operator=(const CaptureGraph&) = delete;

  HResult CreateFilterGraphBuilder();
  // Starts live video, recording into the target when it names a file.
  HResult StartCamera(const RecordingTarget& target = {});
  // Stops the graph; a run that recorded hands back what it counted and timed.
  CameraStop StopCamera();
  HResult RemoveGraphFilters();
  HResult SetStreamFormat(const std::shared_ptr<MediaFilter>& source_filter,
                          const VideoFormat& format, PinCategory category);
  HResult RenderVideoStream(std::string_view video_file_path, bool colour_control_on,
                            const std::shared_ptr<MediaFilter>& source_filter);
  HResult RunGraph();
  // 0 when the graph and the current renderer exist; otherwise reports and gives 1.
  int CheckRenderGraph();
  // The first pin of the direction whose name does not begin with "~" (and equals name
  // when one is given); null when there is none.
  static std::shared_ptr<MediaPin> GetFilterPin(const std::shared_ptr<MediaFilter>& filter,
                                                PinDirection direction, std::string_view name = {});

  const CaptureGraphContext& context() const { return context_; }
  // The devices the graph works from.
  VideoSources& sources() { return context_.sources; }
  const VideoSources& sources() const { return context_.sources; }
  // The graph runs and records into a file.
  bool recording() const { return state_ == GraphState::Running && target_.records(); }
  LiveSwitches& switches() { return switches_; }
  VideoRenderers& renderers() { return renderers_; }
  const std::vector<VideoCodec>& video_codecs() const { return codecs_; }
  MediaGraph* graph() { return graph_.get(); }
  GraphState state() const { return state_; }
  // Counts the runs, so a late error report of an earlier run is recognised.
  std::uint64_t run_number() const { return run_number_.load(); }
  const std::shared_ptr<MediaFilter>& colour_filter() const { return colour_filter_; }
  std::int32_t not_dropped_at_start() const { return not_dropped_at_start_; }
  std::int32_t dropped_at_start() const { return dropped_at_start_; }
  bool has_dropped_frames() const { return dropped_frames_ != nullptr; }
  // A station without a display (headless) never asks for the renderers that draw into a
  // window of the display (VMR9, VMR7); EVR, which needs none, takes their place.
  void set_display_available(bool available) { display_available_ = available; }
  // Every raw frame of an interlaced (analog) device goes to tap from the next start on,
  // as it leaves the source: its fields carry the time inserter's stamps. Null: none.
  void set_live_frame_tap(std::shared_ptr<LiveFrameTap> tap) { live_tap_ = std::move(tap); }
  // The renderer the next start uses: DefaultRenderer, unless it needs a display there is
  // not or could not run on this computer.
  RendererKind RendererForStart() const;

 private:
  HResult StartWithRunnableRenderer();
  HResult StartCameraOnce();
  // The phases of StartCameraOnce.
  HResult CheckCameraStart(const VideoFormat** format, VideoSourceInfo** info);
  HResult PrepareAnalysis(const VideoFormat& format, const VideoSourceInfo& info);
  HResult AddSourceToEmptyGraph(VideoSourceInfo& info);
  HResult PrepareSourcePins(const std::shared_ptr<MediaFilter>& source, const VideoFormat& format);
  HResult AddRendererForStart(const VideoFormat& format);
  HResult RenderAndRun(const std::shared_ptr<MediaFilter>& source);
  void SpliceColourControl(const std::shared_ptr<MediaPin>& upstream,
                           const std::shared_ptr<MediaPin>& downstream);
  StoppedRecording MakeStoppedRecording(std::int32_t not_dropped, std::int32_t dropped);

  CaptureGraphContext context_;
  std::shared_ptr<MediaFilter> live_filter_;
  LiveFilterControl* live_control_;
  std::vector<VideoCodec> codecs_;
  VideoRenderers renderers_;
  LiveSwitches switches_;

  std::unique_ptr<MediaGraph> graph_;
  GraphState state_ = GraphState::None;
  RecordingTarget target_;  // what the current run records into
  std::shared_ptr<LiveFrameTap> live_tap_;
  std::shared_ptr<MediaFilter> colour_filter_;
  std::shared_ptr<MediaFilter> mux_filter_;
  // The recording branch of this start goes through a compressor; the codec is left out of
  // the start that follows one it made fail.
  bool compressor_in_graph_ = false;
  bool bypass_codec_ = false;
  bool codec_refusal_reported_ = false;
  bool run_failed_ = false;
  bool display_available_ = true;
  // Renderers whose graphs could not run on this computer, by RendererKind.
  std::array<bool, 4> renderer_cannot_run_{};
  bool headless_renderer_noted_ = false;
  // The capture pin's counters and the filter that owns them (kept alive while held).
  DroppedFrames* dropped_frames_ = nullptr;
  std::shared_ptr<MediaFilter> dropped_frames_owner_;
  std::int32_t not_dropped_at_start_ = 0;
  std::int32_t dropped_at_start_ = 0;
  std::atomic<std::uint64_t> run_number_{0};
};

}  // namespace vesk
