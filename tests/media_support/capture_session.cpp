#include "media_support/capture_session.h"

#include <chrono>
#include <thread>

namespace vesk::testing {

std::shared_ptr<MediaFilter> BindDevice(MediaSystem& system, DeviceCategory category,
                                        const std::string& name) {
  MonikerList monikers;
  if (Failed(system.EnumerateDevices(category, &monikers))) return nullptr;
  for (const auto& moniker : monikers) {
    std::string friendly;
    if (Succeeded(moniker->ReadFriendlyName(&friendly)) && friendly == name) {
      std::shared_ptr<MediaFilter> filter;
      if (Succeeded(moniker->BindToFilter(&filter))) return filter;
      return nullptr;
    }
  }
  return nullptr;
}

bool FindFormat(MediaFilter& source, const CaptureRequest& request, MediaType* type) {
  PinList pins;
  if (Failed(source.EnumPins(&pins))) return false;
  for (const auto& pin : pins) {
    PinDirection direction;
    if (Failed(pin->QueryDirection(&direction)) || direction != PinDirection::Output) continue;
    std::vector<MediaType> types;
    if (Failed(pin->EnumMediaTypes(&types))) continue;
    for (const MediaType& candidate : types) {
      if (candidate.subtype_name == request.subtype && candidate.width == request.width &&
          candidate.height == request.height &&
          (request.rate_numerator == 0 || candidate.rate_numerator == request.rate_numerator)) {
        *type = candidate;
        return true;
      }
    }
  }
  return false;
}

HResult BuildCaptureGraph(MediaSystem& system, const CaptureRequest& request,
                          CaptureSession* session, std::string* step) {
  auto fail = [&](const char* name, HResult result) {
    *step = name;
    return result;
  };
  HResult result = system.CreateGraph(&session->graph);
  if (Failed(result)) return fail("CreateGraph", result);
  session->source = BindDevice(system, DeviceCategory::VideoInput, request.device);
  if (!session->source) return fail("BindDevice", E_FAIL);
  result = session->graph->AddFilter(session->source, request.device);
  if (Failed(result)) return fail("AddFilter(source)", result);
  MediaType format;
  if (!FindFormat(*session->source, request, &format)) return fail("FindFormat", E_FAIL);
  StreamConfig* config = nullptr;
  result = session->graph->FindStreamConfig(session->source, PinCategory::Capture, &config);
  if (Failed(result)) return fail("FindStreamConfig", result);
  result = config->SetFormat(format);
  if (Failed(result)) return fail("SetFormat", result);
  result = system.CreateRenderer(request.renderer, &session->renderer);
  if (Failed(result)) return fail("CreateRenderer", result);
  result = session->graph->AddFilter(session->renderer, "Renderer");
  if (Failed(result)) return fail("AddFilter(renderer)", result);
  result = session->graph->RenderStream(PinCategory::Preview, session->source, nullptr,
                                        session->renderer);
  if (Failed(result)) return fail("RenderStream(Preview)", result);
  if (!request.video_path.empty()) {
    result = session->graph->SetOutputFileName(request.video_path, &session->mux);
    if (Failed(result)) return fail("SetOutputFileName", result);
    if (!request.codec.empty()) {
      session->codec = BindDevice(system, DeviceCategory::VideoCompressor, request.codec);
      if (!session->codec) return fail("BindDevice(codec)", E_FAIL);
      result = session->graph->AddFilter(session->codec, request.codec);
      if (Failed(result)) return fail("AddFilter(codec)", result);
    }
    result = session->graph->RenderStream(PinCategory::Capture, session->source, session->codec,
                                          session->mux);
    if (Failed(result)) return fail("RenderStream(Capture)", result);
    session->graph->FindDroppedFrames(session->source, PinCategory::Capture,
                                      &session->dropped_frames);
  }
  return S_OK;
}

void WaitSeconds(double seconds) {
  std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

}  // namespace vesk::testing
