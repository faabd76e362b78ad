#include "capture/codec_discovery.h"

#include <memory>

namespace vesk {
namespace {

HResult Warn(MessageLog& log, const char* text) {
  log.ReportMessage(text, true);
  return E_FAIL;
}

// The trial graph; its builder messages carry no time line.
HResult CreateCodecGraph(MediaSystem& media, MessageLog& log, std::unique_ptr<MediaGraph>* graph) {
  if (Failed(media.CreateGraph(graph)) || !*graph) {
    log.ReportMessage("WARNING: Cannot create codec filter graph builder\r\n", false);
    return E_FAIL;
  }
  return S_OK;
}

}  // namespace

HResult GetCodecsForSourceDevice(CaptureGraph& graph, const std::string& process_directory,
                                 const std::function<HResult()>& start_video,
                                 UsableCodecs* usable) {
  MessageLog& log = graph.context().log;
  VideoSources& sources = graph.sources();
  usable->codecs.clear();
  usable->indexes.clear();

  // A device in use, and the trial graph.
  VideoSourceInfo* info = sources.CurrentSource();
  if (info == nullptr) {
    return Warn(log, "Logic error: getting codecs for an invalid video source index\r\n");
  }
  std::unique_ptr<MediaGraph> trial;
  if (Failed(CreateCodecGraph(graph.context().media, log, &trial))) {
    return Warn(log, "WARNING: failed to create codec filter graph\r\n");
  }

  // The live video stops, and leaves the device and the compressors free for the trial:
  // a filter joins one graph at a time.
  if (Failed(graph.StopCamera().result)) {
    return Warn(log, "WARNING: could not stop camera in GetCodecsForSourceDevice\r\n");
  }
  if (graph.graph() != nullptr) graph.RemoveGraphFilters();

  // The device with its current format.
  const VideoFormat* format = sources.CurrentVideoFormat();
  if (format == nullptr) {
    return Warn(log, "Logic error: getting codecs for an out-of-range video format\r\n");
  }
  if (Failed(sources.GetVideoSourceBaseFilter(info)) || !info->base_filter) {
    return Warn(log,
                "WARNING: cannot get source base filter while attempting to get codecs for video "
                "format\r\n");
  }
  const std::shared_ptr<MediaFilter> source = info->base_filter;
  if (Failed(trial->AddFilter(source, info->name))) {
    return Warn(log,
                "WARNING: cannot add source base filter to codec filter graph in "
                "GetCodecsForSourceDevice\r\n");
  }
  StreamConfig* config = nullptr;
  if (Failed(trial->FindStreamConfig(source, PinCategory::Capture, &config)) ||
      config == nullptr) {
    return Warn(log,
                "WARNING: cannot get stream configuration interface in "
                "GetCodecsForSourceDevice\r\n");
  }
  if (Failed(config->SetFormat(format->media_type))) {
    return Warn(log,
                "WARNING: cannot set video format using stream configuration interface in "
                "GetCodecsForSourceDevice\r\n");
  }

  // The multiplexer and file sink the trial renders into.
  std::shared_ptr<MediaFilter> mux;
  if (Failed(trial->SetOutputFileName(process_directory + kTrialOutputFileName, &mux)) || !mux) {
    return Warn(log, "WARNING: failed in call to SetOutputFileName in GetCodecsForSourceDevice\r\n");
  }
  const auto source_output = CaptureGraph::GetFilterPin(source, PinDirection::Output);
  if (!source_output) {
    return Warn(log,
                "WARNING: failed to get source output pin in call to GetFilterPin in "
                "GetCodecsForSourceDevice\r\n");
  }
  const auto mux_input = CaptureGraph::GetFilterPin(mux, PinDirection::Input);
  if (!mux_input) {
    return Warn(log,
                "WARNING: failed to get mux input pin in call to GetFilterPin in "
                "GetCodecsForSourceDevice\r\n");
  }

  // Every codec in turn, from a clean start.
  const std::vector<VideoCodec>& codecs = graph.video_codecs();
  for (std::size_t index = 0; index < codecs.size(); ++index) {
    const VideoCodec& codec = codecs[index];
    trial->Disconnect(source_output);
    trial->Disconnect(mux_input);
    bool works = !codec.filter;  // "NONE" records as the device delivers
    if (codec.filter) {
      const auto input = CaptureGraph::GetFilterPin(codec.filter, PinDirection::Input);
      const auto output = CaptureGraph::GetFilterPin(codec.filter, PinDirection::Output);
      if (input && output && Succeeded(trial->AddFilter(codec.filter, codec.name))) {
        if (Succeeded(
                trial->RenderStream(PinCategory::Capture, source, codec.filter, mux))) {
          trial->Disconnect(input);
          trial->Disconnect(output);
          works = true;
        }
        trial->RemoveFilter(codec.filter);
      }
    }
    if (works) {
      usable->codecs.push_back(&codec);
      usable->indexes.push_back(index);
    }
  }

  // The trial goes; the device returns to the live graph.
  trial->Disconnect(source_output);
  trial->Disconnect(mux_input);
  trial->RemoveFilter(mux);
  trial->RemoveFilter(source);
  if (start_video) start_video();
  return S_OK;
}

}  // namespace vesk
