#include "capture/capture_graph.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "base/report_failure.h"

namespace vesk {
namespace {

// A SER recording keeps the colour of a colour format (MJPG decoded, RGB24, ARGB32); from
// YUY2, UYVY and grey it takes the luma, as analog astronomy cameras are monochrome.
bool SerRecordsColour(SubtypeCode subtype) {
  return subtype == SubtypeCode::MJPG || subtype == SubtypeCode::RGB24 ||
         subtype == SubtypeCode::ARGB32;
}

bool Analysable(SubtypeCode subtype) {
  return subtype == SubtypeCode::YUY2 || subtype == SubtypeCode::RGB24 ||
         subtype == SubtypeCode::ARGB32;
}

std::optional<FrameSize> SizeOf(const VideoFormat* format) {
  if (format == nullptr) return std::nullopt;
  return FrameSize{format->width, format->height};
}

}  // namespace

CaptureGraph::CaptureGraph(CaptureGraphContext context, std::shared_ptr<MediaFilter> live_filter,
                           LiveFilterControl* live_control)
    : context_(std::move(context)),
      live_filter_(std::move(live_filter)),
      live_control_(live_control),
      renderers_(context_.media, context_.options, context_.log, context_.errors,
                 [this] { return SizeOf(context_.sources.CurrentVideoFormat()); }) {
  // The colour-control filter is made first, then the codec list, as at every start-up.
  if (context_.create_colour_control) colour_filter_ = context_.create_colour_control();
  EnumerateVideoCodecs(&context_.media, context_.log, &codecs_);
  if (Failed(CreateFilterGraphBuilder())) {
    context_.log.ReportMessage(
        "ERROR: Cannot create video filter graph - video display and recording inoperative\r\n",
        true);
  }
}

HResult CaptureGraph::CreateFilterGraphBuilder() {
  // One media graph is the graph builder, its capture builder and its media control.
  std::unique_ptr<MediaGraph> graph;
  const HResult r = context_.media.CreateGraph(&graph);
  if (Failed(r)) {
    context_.log.ReportMessage("WARNING: Cannot create filter graph builder\r\n", false);
    return E_FAIL;
  }
  if (!graph) {
    context_.log.ReportMessage("WARNING: IID_IMediaControl interface is missing\r\n", false);
    return E_FAIL;
  }
  graph_ = std::move(graph);
  // Errors while the graph runs (device gone, disk full) arrive on a platform thread; the
  // message log takes reports from any thread.
  graph_->SetErrorHandler([this](const std::string& message) {
    context_.log.ReportMessage(message, true);
    if (context_.on_run_error) context_.on_run_error(run_number_.load());
  });
  state_ = GraphState::Built;
  return S_OK;
}

RendererKind CaptureGraph::RendererForStart() const {
  auto kind = static_cast<RendererKind>(context_.options.default_renderer);
  const bool draws_on_display = kind == RendererKind::VMR9 || kind == RendererKind::VMR7;
  if (!draws_on_display && kind != RendererKind::EVR) return kind;  // refused by AddRenderer
  if (draws_on_display && (!display_available_ || renderer_cannot_run_[static_cast<int>(kind)])) {
    kind = RendererKind::EVR;
  }
  if (kind == RendererKind::EVR && renderer_cannot_run_[static_cast<int>(kind)]) {
    kind = RendererKind::NullRenderer;
  }
  return kind;
}

HResult CaptureGraph::StartWithRunnableRenderer() {
  const RendererKind chosen = RendererForStart();
  if (!display_available_ && !headless_renderer_noted_ &&
      chosen != static_cast<RendererKind>(context_.options.default_renderer)) {
    headless_renderer_noted_ = true;
    context_.log.ReportMessage(
        std::string("NOTE: no display: the ") +
            kRendererFilterNames[static_cast<std::size_t>(context_.options.default_renderer)] +
            " video renderer needs one, so EVR is used\r\n",
        true);
  }
  HResult result = StartCameraOnce();
  // A recording with the display off ran no renderer of its own to blame.
  if (Succeeded(result) || !run_failed_ || renderers_.current_renderer_kind() != chosen ||
      (chosen != RendererKind::VMR9 && chosen != RendererKind::VMR7)) {
    return result;
  }
  // A renderer that cannot run here (no GL, no X server behind the display) must not cost
  // the recording: the start is made again with EVR, then with no display at all. Only a
  // start that then runs shows the renderer was the cause.
  std::vector<RendererKind> set_aside;
  for (RendererKind kind = chosen;
       Failed(result) && run_failed_ && kind != RendererKind::NullRenderer;
       kind = RendererForStart()) {
    set_aside.push_back(kind);
    renderer_cannot_run_[static_cast<std::size_t>(kind)] = true;
    result = StartCameraOnce();
  }
  if (Failed(result)) {
    for (RendererKind kind : set_aside)
      renderer_cannot_run_[static_cast<std::size_t>(kind)] = false;
    return result;
  }
  const RendererKind running = renderers_.current_renderer_kind();
  for (RendererKind kind : set_aside) {
    context_.log.ReportMessage(
        std::string("WARNING: the ") + kRendererFilterNames[static_cast<std::size_t>(kind)] +
            " video renderer cannot run on this computer; " +
            (running == RendererKind::NullRenderer
                 ? std::string("live video is not shown")
                 : std::string(kRendererFilterNames[static_cast<std::size_t>(running)]) +
                       " shows live video instead") +
            "\r\n",
        true);
  }
  return result;
}

HResult CaptureGraph::StartCamera(const RecordingTarget& target) {
  target_ = target;
  bypass_codec_ = false;
  const HResult result = StartWithRunnableRenderer();
  const bool codec_failed = compressor_in_graph_ && (codec_refusal_reported_ || run_failed_);
  if (Succeeded(result) || !codec_failed) return result;
  // A compressor may accept the format and still refuse the frames: the recording is made
  // uncompressed rather than lost, and the observer is told.
  if (!codec_refusal_reported_) {
    context_.log.ReportMessage("\r\nSelected codec does not work for this camera.\r\n", true);
  }
  context_.log.ReportMessage("NOTE: the recording is made without compression\r\n", true);
  bypass_codec_ = true;
  return StartCameraOnce();
}

HResult CaptureGraph::StartCameraOnce() {
  compressor_in_graph_ = false;
  codec_refusal_reported_ = false;
  run_failed_ = false;
  // The steps of a start, in this order; the first that fails ends it.
  const VideoFormat* format = nullptr;
  VideoSourceInfo* info = nullptr;
  HResult result = CheckCameraStart(&format, &info);
  if (Succeeded(result)) result = PrepareAnalysis(*format, *info);
  if (Succeeded(result)) result = AddSourceToEmptyGraph(*info);
  const std::shared_ptr<MediaFilter> source = info != nullptr ? info->base_filter : nullptr;
  if (Succeeded(result)) result = PrepareSourcePins(source, *format);
  if (Succeeded(result)) result = AddRendererForStart(*format);
  if (Succeeded(result)) result = RenderAndRun(source);
  return result;
}

HResult CaptureGraph::CheckCameraStart(const VideoFormat** format, VideoSourceInfo** info) {
  VideoSources& sources = context_.sources;
  MessageLog& log = context_.log;
  if (!graph_) {
    return ReportFailure(log,
                         "Logic error: attempt to start camera without a filter graph builder\r\n");
  }
  if (sources.Count() == 0) {
    return ReportFailure(log,
                         "Logic error: attempt to start camera with no video source devices\r\n");
  }
  *format = sources.CurrentVideoFormat();
  if (*format == nullptr) {
    return ReportFailure(log, "WARNING: attempt to start camera without a valid video format\r\n");
  }
  if (sources.CurrentSourceIndex() >= sources.Count()) {
    return ReportFailure(log, "Logic error: attempt to start camera with invalid source index\r\n");
  }
  *info = sources.CurrentSource();
  if (*info == nullptr) {
    return ReportFailure(
        log, "Logic error: attempt to start camera with NULL video source information\r\n");
  }
  return S_OK;
}

HResult CaptureGraph::PrepareAnalysis(const VideoFormat& format, const VideoSourceInfo& info) {
  // Analysis and magnification work on three pixel formats only.
  const bool pixel_analysis = switches_.PixelAnalysisOn();
  if ((pixel_analysis || switches_.magnify_x2) && !Analysable(format.subtype)) {
    return ReportFailure(
        context_.log,
        "Pixel analysis not supported for selected device and format with name \"" + info.name +
            "\"\r\nExpecting an analog video device with a supported format\r\n",
        E_NOTIMPL);
  }
  // Size the integration buffer and reset the analysis for this format.
  if (pixel_analysis && live_control_ != nullptr) {
    std::size_t accumulation = 0;
    if (switches_.integration_count > 1) {
      accumulation = static_cast<std::size_t>(std::max(0, format.width)) *
                     static_cast<std::size_t>(std::max(0, format.height)) * 4;
    }
    live_control_->PrepareStreaming(accumulation, format.frame_rate);
  }
  return S_OK;
}

HResult CaptureGraph::AddSourceToEmptyGraph(VideoSourceInfo& info) {
  MessageLog& log = context_.log;
  // Every start begins from an empty graph.
  if (Failed(RemoveGraphFilters())) {
    return ReportFailure(
        log, "WARNING: cannot remove graph filters while attempting to start camera\r\n");
  }
  // Counters of an earlier recording belong to that graph (maybe to another device).
  dropped_frames_ = nullptr;
  dropped_frames_owner_.reset();

  // The colour-control filter is made when it is wanted and still missing.
  if (switches_.brightness_contrast && !colour_filter_ && context_.create_colour_control) {
    colour_filter_ = context_.create_colour_control();
  }

  // The device's source filter, into the graph under the device name.
  if (Failed(context_.sources.GetVideoSourceBaseFilter(&info))) {
    return ReportFailure(
        log, "WARNING: cannot get source base filter while attempting to start camera\r\n");
  }
  if (Failed(graph_->AddFilter(info.base_filter, info.name))) {
    return ReportFailure(log, "WARNING: Cannot add video source filter to filter graph\r\n");
  }
  state_ = GraphState::SourceAdded;
  return S_OK;
}

HResult CaptureGraph::PrepareSourcePins(const std::shared_ptr<MediaFilter>& source,
                                        const VideoFormat& format) {
  MessageLog& log = context_.log;
  // A fresh source filter has free output pins; free any that are not.
  PinList pins;
  if (Failed(source->EnumPins(&pins))) {
    return ReportFailure(log, "ERROR: Cannot enumerate pins on source filter\r\n");
  }
  if (pins.empty()) return ReportFailure(log, "ERROR: NULL source filter pin enumerater\r\n");
  for (const std::shared_ptr<MediaPin>& pin : pins) {
    PinDirection direction;
    if (!pin || Failed(pin->QueryDirection(&direction)) || direction != PinDirection::Output) {
      continue;
    }
    std::shared_ptr<MediaPin> other;
    if (pin->ConnectedTo(&other) == VFW_E_NOT_CONNECTED) continue;
    log.ReportMessage("Logic error: source filter output pin is unexpectedly connected\r\n", true);
    graph_->Disconnect(pin);
    if (other) graph_->Disconnect(other);
  }

  // The capture pin's format, as chosen.
  if (Failed(SetStreamFormat(source, format, PinCategory::Capture))) {
    context_.errors.RaiseGraphError(graph_errors::kCannotSetCaptureStreamFormat);
    return E_FAIL;
  }
  return S_OK;
}

HResult CaptureGraph::AddRendererForStart(const VideoFormat& format) {
  MessageLog& log = context_.log;
  // The renderer for this start: the chosen one, or none for an undisplayed recording.
  renderers_.ClearCurrentRenderer();
  if (Failed(renderers_.AddRenderer(*graph_, RendererForStart(), SizeOf(&format),
                                    target_.video_file_name))) {
    return ReportFailure(
        log,
        "WARNING: cannot add video rendering filter to filter graph while attempting to start "
        "camera\r\n");
  }
  const std::shared_ptr<MediaFilter> renderer = renderers_.current_renderer();
  if (!renderer) {
    return ReportFailure(
        log, "ERROR: pointer to current renderer is NULL while attempting to start the camera\r\n");
  }

  // The renderer's input pin must be free.
  PinList renderer_pins;
  if (Failed(renderer->EnumPins(&renderer_pins))) {
    return ReportFailure(log, "ERROR: unable to enumerate renderer pins\r\n");
  }
  for (const std::shared_ptr<MediaPin>& pin : renderer_pins) {
    PinDirection direction;
    if (pin && Succeeded(pin->QueryDirection(&direction)) && direction == PinDirection::Input) {
      graph_->Disconnect(pin);
    }
  }

  // The Null Renderer of a recording with the display off has no window to size.
  if (switches_.magnify_x2 && renderers_.current_renderer_kind() != RendererKind::NullRenderer) {
    const VideoRect frame{0, 0, 2 * format.width, 2 * format.height};
    if (Failed(renderers_.UpdateFrameSize(renderers_.current_renderer_kind(), frame))) {
      return ReportFailure(
          log,
          "WARNING: unable to reset the renderer frame size when magnify video is applied\r\n");
    }
  }
  return S_OK;
}

HResult CaptureGraph::RenderAndRun(const std::shared_ptr<MediaFilter>& source) {
  // Preview branch, and the recording branch when there is a file.
  if (Failed(RenderVideoStream(target_.video_file_name, switches_.brightness_contrast, source))) {
    return ReportFailure(context_.log, "WARNING: Cannot render video stream\r\n");
  }

  // The baselines from which the recording's counts are taken. Read before the graph
  // runs: a live camera's first frames reach the file while the graph is starting, and a
  // baseline read afterwards would leave them out of the log's count.
  if (dropped_frames_ != nullptr) {
    if (Failed(dropped_frames_->GetNumNotDropped(&not_dropped_at_start_))) {
      context_.errors.RaiseGraphError(graph_errors::kNotDroppedMayBeIncorrect);
    }
    if (Failed(dropped_frames_->GetNumDropped(&dropped_at_start_))) {
      context_.errors.RaiseGraphError(graph_errors::kDroppedMayBeIncorrect);
    }
  }

  // Run.
  if (Failed(RunGraph())) {
    run_failed_ = true;
    return ReportFailure(context_.log, "WARNING: Cannot run filter graph video stream\r\n");
  }
  return S_OK;
}

HResult CaptureGraph::RemoveGraphFilters() {
  if (!graph_)
    return ReportFailure(context_.log,
                         "Logic error: attempt to remove filters from a NULL filter graph\r\n");
  if (state_ == GraphState::Running) {
    graph_->Stop();
    state_ = GraphState::Rendered;
  }
  std::vector<std::shared_ptr<MediaFilter>> filters;
  if (Failed(graph_->EnumFilters(&filters))) {
    return ReportFailure(context_.log, "WARNING: Failure to enumerate filter graph filters\r\n");
  }
  // Collected first: removing while enumerating would skip filters.
  for (const std::shared_ptr<MediaFilter>& filter : filters) {
    if (Failed(graph_->RemoveFilter(filter))) {
      return ReportFailure(context_.log, "WARNING: Failure to remove filter from filter graph\r\n");
    }
  }
  mux_filter_.reset();
  return S_OK;
}

HResult CaptureGraph::SetStreamFormat(const std::shared_ptr<MediaFilter>& source_filter,
                                      const VideoFormat& format, PinCategory category) {
  if (!graph_) {
    return ReportFailure(
        context_.log, "Logic error: attempt to set video stream format without a filter graph\r\n");
  }
  if (state_ != GraphState::SourceAdded) {
    context_.errors.RaiseGraphError(graph_errors::kNoSourceFilterForFormat);
    return E_FAIL;
  }
  StreamConfig* config = nullptr;
  if (Failed(graph_->FindStreamConfig(source_filter, category, &config))) {
    context_.errors.RaiseGraphError(graph_errors::kStreamConfigMissing);
    return E_FAIL;
  }
  if (config == nullptr) {
    return ReportFailure(
        context_.log,
        "WARNING: attempt to set video stream format with NULL stream configuration "
        "interface\r\n");
  }
  return config->SetFormat(format.media_type);
}

int CaptureGraph::CheckRenderGraph() {
  if (graph_ && renderers_.current_renderer()) return 0;
  context_.log.ReportMessage(
      "Logic error: attempt to render video stream with invalid filter graph\r\n", true);
  return 1;
}

HResult CaptureGraph::RenderVideoStream(std::string_view video_file_path, bool colour_control_on,
                                        const std::shared_ptr<MediaFilter>& source_filter) {
  // A graph and a renderer are needed.
  if (CheckRenderGraph() != 0) return E_FAIL;
  MediaGraph& graph = *graph_;

  // The preview branch into the renderer.
  if (Failed(graph.RenderStream(PinCategory::Preview, source_filter, nullptr,
                                renderers_.current_renderer()))) {
    context_.errors.RaiseGraphError(graph_errors::kCannotRenderPreview);
    return E_FAIL;
  }
  if (CheckRenderGraph() != 0) return E_FAIL;
  const bool recording = !video_file_path.empty();
  graph.SetFrameStampSink(recording ? target_.frame_stamps : nullptr);
  graph.SetLiveFrameTap(DeviceSendsFields(context_.sources.CurrentSource()) ? live_tap_ : nullptr);
  const VideoFormat* format = context_.sources.CurrentVideoFormat();
  if (format == nullptr) return E_FAIL;

  // The recording branch: multiplexer and file writer, optional compressor; or the SER
  // writer, which takes the frames as they come.
  if (recording) {
    const bool ser = target_.format == RecordingFileFormat::Ser;
    HResult opened = E_FAIL;
    if (ser) {
      const VideoSourceInfo* device = context_.sources.CurrentSource();
      const SerRecordingSetup setup{SerRecordsColour(format->subtype), target_.observer,
                                    device != nullptr ? device->name : std::string()};
      opened = graph.SetSerOutputFileName(std::string(video_file_path), setup, &mux_filter_);
    } else {
      opened = graph.SetOutputFileName(std::string(video_file_path), &mux_filter_);
    }
    if (Failed(opened)) {
      context_.errors.RaiseGraphError(graph_errors::kSetOutputFileNameFailed);
      return E_ABORT;
    }
    graph.SetRecordingWindow(target_.record_from_utc, target_.record_until_utc);
    std::shared_ptr<MediaFilter> compressor;
    const VideoCodec* codec =
        VideoCodecForSubtype(codecs_, context_.subtype_codec_pairs, format->subtype);
    if (codec != nullptr && codec->filter && !bypass_codec_ && !ser) {
      if (Failed(graph.AddFilter(codec->filter, codec->name))) {
        context_.log.ReportMessage("\r\nUnable to add elected codec to filter graph\r\n", true);
        return E_ABORT;
      }
      const auto input = GetFilterPin(codec->filter, PinDirection::Input);
      const auto output = GetFilterPin(codec->filter, PinDirection::Output);
      if (!input || !output) {
        context_.log.ReportMessage("\r\nUnable to find codec filter input or output pin\r\n", true);
        return E_ABORT;
      }
      graph.Disconnect(input);
      graph.Disconnect(output);
      compressor = codec->filter;
      compressor_in_graph_ = true;
    }
    if (Failed(graph.RenderStream(PinCategory::Capture, source_filter, compressor, mux_filter_))) {
      context_.log.ReportMessage("\r\nSelected codec does not work for this camera.\r\n", true);
      codec_refusal_reported_ = compressor != nullptr;
      return E_ABORT;
    }
    DroppedFrames* counters = nullptr;
    graph.FindDroppedFrames(source_filter, PinCategory::Capture, &counters);
    dropped_frames_ = counters;
    dropped_frames_owner_ = counters != nullptr ? source_filter : nullptr;
  }

  // The splices stay out of recordings that shed load, and out of an undisplayed video.
  const bool pixel_analysis = switches_.PixelAnalysisOn();
  const bool skip_splices = (recording && context_.options.remove_filters_while_recording) ||
                            context_.options.display_off_while_recording ||
                            (!pixel_analysis && !colour_control_on);
  if (!skip_splices) {
    // The preview pin and the pin it feeds.
    std::shared_ptr<MediaFilter> tee;
    graph.FindFilterByName(kSmartTeeName, &tee);
    const std::shared_ptr<MediaPin> preview =
        GetFilterPin(tee ? tee : source_filter, PinDirection::Output, kPreviewPinName);
    if (!preview) return E_ABORT;
    std::shared_ptr<MediaPin> downstream;
    if (Failed(preview->ConnectedTo(&downstream)) || !downstream) return E_ABORT;

    // The live analysis filter between them.
    std::shared_ptr<MediaPin> upstream = preview;
    if (pixel_analysis) {
      if (!live_filter_) return E_ABORT;
      if (Failed(graph.Disconnect(preview)) || Failed(graph.Disconnect(downstream))) {
        return E_ABORT;
      }
      if (Failed(graph.AddFilter(live_filter_, kTransformFilterName))) return E_ABORT;
      const auto input = GetFilterPin(live_filter_, PinDirection::Input);
      if (!input || Failed(graph.Disconnect(input)) ||
          Failed(graph.ConnectDirect(preview, input))) {
        return E_ABORT;
      }
      const auto output = GetFilterPin(live_filter_, PinDirection::Output);
      if (!output || Failed(graph.Disconnect(output))) return E_ABORT;
      if (Failed(graph.ConnectDirect(output, downstream)) &&
          Failed(graph.Connect(output, downstream))) {
        return E_ABORT;
      }
      if (live_control_ != nullptr) {
        if (HResult r = live_control_->ReadStreamFormat(); Failed(r)) return r;
      }
      upstream = output;
    }

    // The colour-control filter in front of the renderer's side.
    if (colour_control_on && colour_filter_) SpliceColourControl(upstream, downstream);
  }

  // Ready to run.
  state_ = GraphState::Rendered;
  return S_OK;
}

void CaptureGraph::SpliceColourControl(const std::shared_ptr<MediaPin>& upstream,
                                       const std::shared_ptr<MediaPin>& downstream) {
  MediaGraph& graph = *graph_;
  MessageLog& log = context_.log;
  if (Failed(graph.AddFilter(colour_filter_, kColourControlName))) {
    log.ReportMessage(
        "\r\nCannot add color control filter to filter graph.  Brightness/contrast is not "
        "impemented.",
        true);
    return;
  }
  const auto input = GetFilterPin(colour_filter_, PinDirection::Input);
  const auto output = GetFilterPin(colour_filter_, PinDirection::Output);
  if (!input || !output) {
    log.ReportMessage(
        "\r\nCannot get IPins for color control filter.  Brightness/contrast is not impemented.",
        true);
    // An unconnected filter must not stay in the graph that runs.
    graph.RemoveFilter(colour_filter_);
    return;
  }
  graph.Disconnect(input);
  graph.Disconnect(output);
  // Both sides of the existing connection are freed, or the new one could not be made.
  graph.Disconnect(upstream);
  graph.Disconnect(downstream);
  if (Succeeded(graph.ConnectDirect(upstream, input)) &&
      Succeeded(graph.ConnectDirect(output, downstream))) {
    return;
  }
  // The effect would not join: keep the video shown without it.
  log.ReportMessage(
      "\r\nCannot connect color control filter.  Brightness/contrast is not impemented.", true);
  graph.RemoveFilter(colour_filter_);
  graph.Disconnect(upstream);
  graph.Disconnect(downstream);
  graph.ConnectDirect(upstream, downstream);
}

HResult CaptureGraph::RunGraph() {
  if (state_ != GraphState::Rendered) return VFW_S_VIDEO_NOT_RENDERED;
  if (!graph_) {
    return ReportFailure(
        context_.log,
        "Logic error: attempt to run filter graph with a NULL media control interface\r\n");
  }
  // Numbered before it runs: an error may be reported as soon as it does.
  ++run_number_;
  const HResult r = graph_->Run();
  if (Failed(r)) {
    context_.log.ReportMessage("WARNING: attempt to run filter graph failed\r\n", true);
    return r;
  }
  state_ = GraphState::Running;
  return S_OK;
}

std::shared_ptr<MediaPin> CaptureGraph::GetFilterPin(const std::shared_ptr<MediaFilter>& filter,
                                                     PinDirection direction,
                                                     std::string_view name) {
  if (!filter) return nullptr;
  PinList pins;
  if (Failed(filter->EnumPins(&pins))) return nullptr;
  for (const std::shared_ptr<MediaPin>& pin : pins) {
    if (!pin) continue;
    PinDirection pin_direction;
    if (Failed(pin->QueryDirection(&pin_direction)) || pin_direction != direction) continue;
    const std::string pin_name = pin->Name();
    if (!pin_name.empty() && pin_name.front() == '~') continue;
    if (!name.empty() && pin_name != name) continue;
    return pin;
  }
  return nullptr;
}

CameraStop CaptureGraph::StopCamera() {
  // The run's target ends with it, whatever the stop gives.
  const RecordingTarget target = std::exchange(target_, {});
  // Without a device in use there is nothing to stop.
  if (context_.sources.CurrentSource() == nullptr) return {};
  // Only a graph that ran has recorded anything: a start that failed leaves no file to log.
  const bool ran = state_ == GraphState::Running;

  // The counters are read while the frames are still flowing into the file.
  std::int32_t not_dropped = 0;
  std::int32_t dropped = 0;
  if (dropped_frames_ != nullptr) {
    if (Failed(dropped_frames_->GetNumNotDropped(&not_dropped))) {
      not_dropped = 0;
    } else if (Failed(dropped_frames_->GetNumDropped(&dropped))) {
      dropped = 0;
    }
  }

  // Stop the graph.
  if (!graph_) {
    return {ReportFailure(context_.log,
                          "Logic error: attempt to stop camera without a filter graph builder\r\n"),
            {}};
  }
  if (Failed(graph_->Stop())) {
    context_.log.ReportMessage("WARNING: Cannot stop recording camera\r\n", true);
    return {E_ABORT, {}};
  }

  // Frames still queued when the stop began reach the file too; the media layer keeps its
  // counters after the stop, so the log takes the final counts whenever they can be read.
  if (dropped_frames_ != nullptr) {
    std::int32_t final_not_dropped = 0;
    std::int32_t final_dropped = 0;
    if (Succeeded(dropped_frames_->GetNumNotDropped(&final_not_dropped))) {
      not_dropped = final_not_dropped;
      if (Succeeded(dropped_frames_->GetNumDropped(&final_dropped))) dropped = final_dropped;
    }
  }

  // A graph that was never rendered stays unrendered, so it cannot be run half built.
  if (state_ == GraphState::Running || state_ == GraphState::Rendered) {
    state_ = GraphState::Rendered;
  }
  if (live_control_ != nullptr) live_control_->ReleaseIntegrationBuffer();

  // A recording that ran hands back its counts for its log.
  if (!ran || !target.records()) return {};
  return {S_OK, MakeStoppedRecording(not_dropped, dropped)};
}

StoppedRecording CaptureGraph::MakeStoppedRecording(std::int32_t not_dropped,
                                                    std::int32_t dropped) {
  StoppedRecording stopped;
  stopped.has_dropped_frames_interface = dropped_frames_ != nullptr;
  if (stopped.has_dropped_frames_interface) {
    stopped.recorded_frames =
        static_cast<std::int64_t>(not_dropped) - static_cast<std::int64_t>(not_dropped_at_start_);
    stopped.dropped_frames =
        static_cast<std::int64_t>(dropped) - static_cast<std::int64_t>(dropped_at_start_);
  }
  // The renderer that actually ran: a recording with the display off says so.
  stopped.file_end = graph_->LastRecordedFile();
  stopped.codec_bypassed = bypass_codec_;
  stopped.renderer = renderers_.current_renderer()
                         ? static_cast<int>(renderers_.current_renderer_kind())
                         : context_.options.default_renderer;
  not_dropped_at_start_ = 0;
  dropped_at_start_ = 0;
  return stopped;
}

}  // namespace vesk
