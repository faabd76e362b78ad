#include "platform/gst/gst_media_system.h"

#include <algorithm>
#include <functional>

#include "platform/gst/avi_carried_codecs.h"
#include "platform/gst/colour_balance_filter.h"
#include "platform/gst/file_frame_reader.h"
#include "platform/gst/gst_graph_filter.h"
#include "platform/gst/gst_media_graph.h"
#include "platform/gst/gst_ref.h"
#include "platform/gst/gst_renderer_filter.h"
#include "platform/gst/simulated_camera_filter.h"
#include "platform/gst/simulated_camera_source.h"
#include "platform/gst/v4l2_capture_filter.h"
#include "platform/gst/video_frame_sink.h"
#include "platform/linux/v4l2_enumerator.h"

namespace vesk::gst {
namespace {

class Moniker : public DeviceMoniker {
 public:
  using Binder = std::function<HResult(std::shared_ptr<MediaFilter>*)>;
  Moniker(std::string name, Binder binder, std::string identity = {})
      : name_(std::move(name)), binder_(std::move(binder)), identity_(std::move(identity)) {}

  HResult ReadFriendlyName(std::string* name) override {
    if (name == nullptr) return E_POINTER;
    *name = name_;
    return S_OK;
  }
  HResult BindToFilter(std::shared_ptr<MediaFilter>* filter) override {
    if (filter == nullptr) return E_POINTER;
    return binder_(filter);
  }
  std::string StableIdentity() const override { return identity_; }

 private:
  std::string name_;
  Binder binder_;
  std::string identity_;
};

struct Compressor {
  std::string factory;
  std::string long_name;
};

// Video encoders whose output avimux takes, ordered by name so the list (and the indexes
// the options file keeps) stay the same between runs.
std::vector<Compressor> ListCompressors() {
  std::vector<Compressor> result;
  GstRef<GstElementFactory> mux = Adopt(gst_element_factory_find("avimux"));
  if (!mux) return result;
  GstRef<GstCaps> mux_caps = Adopt(FactoryTemplateCaps(mux.get(), GST_PAD_SINK, "video_%u"));
  GList* factories =
      gst_element_factory_list_get_elements(GST_ELEMENT_FACTORY_TYPE_VIDEO_ENCODER, GST_RANK_NONE);
  for (GList* item = factories; item != nullptr; item = item->next) {
    auto* factory = GST_ELEMENT_FACTORY(item->data);
    GstRef<GstCaps> output = Adopt(FactoryTemplateCaps(factory, GST_PAD_SRC));
    const bool carried = CarriedCodecFor(GST_OBJECT_NAME(factory)) != nullptr;
    if (!carried && (gst_caps_is_any(output.get()) ||
                     !gst_caps_can_intersect(output.get(), mux_caps.get()))) {
      continue;
    }
    const gchar* long_name =
        gst_element_factory_get_metadata(factory, GST_ELEMENT_METADATA_LONGNAME);
    result.push_back(Compressor{GST_OBJECT_NAME(factory), long_name != nullptr ? long_name : ""});
  }
  gst_plugin_feature_list_free(factories);
  std::sort(result.begin(), result.end(), [](const Compressor& a, const Compressor& b) {
    return a.long_name != b.long_name ? a.long_name < b.long_name : a.factory < b.factory;
  });
  return result;
}

}  // namespace

void InitializeGstreamer() {
  static std::once_flag once;
  std::call_once(once, []() {
    gst_init(nullptr, nullptr);
    RegisterSimulatedCameraSource();
    RegisterFrameSink();
  });
}

GstMediaSystem::GstMediaSystem(GstMediaSystemOptions options) : options_(options) {
  InitializeGstreamer();
  if (options_.simulated_cameras) {
    cameras_.push_back(MakeSimulatedAnalogCamera());
    cameras_.push_back(MakeSimulatedWebcam());
  }
  if (!options_.camera_file.empty()) {
    VideoFileShape shape;
    if (ProbeVideoFile(options_.camera_file, &shape, &camera_file_error_)) {
      cameras_.push_back(MakeFileCamera(options_.camera_file, shape.width, shape.height,
                                        shape.rate_numerator, shape.rate_denominator));
    }
  }
}

HResult GstMediaSystem::EnumerateDevices(DeviceCategory category, MonikerList* monikers) {
  if (monikers == nullptr) return E_POINTER;
  monikers->clear();
  if (category == DeviceCategory::VideoInput) {
    if (options_.v4l2_devices) {
      for (const V4l2Node& node : EnumerateV4l2CaptureNodes()) {
        monikers->push_back(
            std::make_shared<Moniker>(
                node.card_name,
                [node](std::shared_ptr<MediaFilter>* filter) {
                  return V4l2CaptureFilter::Bind(node, filter);
                },
                node.identity));
      }
    }
    for (const auto& camera : cameras_) {
      if (!camera->attached.load()) continue;
      const bool paced = options_.paced_simulation;
      monikers->push_back(std::make_shared<Moniker>(
          camera->name, [camera, paced](std::shared_ptr<MediaFilter>* filter) {
            if (!camera->attached.load()) return E_FAIL;
            *filter = std::make_shared<SimulatedCameraFilter>(camera, paced);
            return S_OK;
          },
          "simulated:" + camera->name));
    }
  } else {
    for (const Compressor& compressor : ListCompressors()) {
      monikers->push_back(std::make_shared<Moniker>(
          compressor.long_name, [compressor](std::shared_ptr<MediaFilter>* filter) {
            // A compressor that cannot be made here is not bound.
            if (!Adopt(gst_element_factory_make(compressor.factory.c_str(), nullptr))) {
              return E_FAIL;
            }
            const CarriedCodec* carried = CarriedCodecFor(compressor.factory);
            std::shared_ptr<ElementFilter> made =
                carried != nullptr
                    ? MakeCarriedCodecFilter(*carried, compressor.long_name)
                    : ElementFilter::FromFactory(compressor.factory, compressor.long_name);
            if (!made) return E_FAIL;
            *filter = made;
            return S_OK;
          }));
    }
  }
  return monikers->empty() ? S_FALSE : S_OK;
}

HResult GstMediaSystem::CreateGraph(std::unique_ptr<MediaGraph>* graph) {
  if (graph == nullptr) return E_POINTER;
  *graph = std::make_unique<GstMediaGraph>();
  return S_OK;
}

HResult GstMediaSystem::CreateRenderer(RendererKind kind, std::shared_ptr<MediaFilter>* renderer) {
  if (renderer == nullptr) return E_POINTER;
  renderer->reset();
  const char* factory = nullptr;
  switch (kind) {
    case RendererKind::EVR:
      factory = kFrameSinkElement;
      break;
    case RendererKind::VMR9:
      factory = "glimagesink";
      break;
    case RendererKind::VMR7:
      factory = "ximagesink";
      break;
    case RendererKind::NullRenderer:
      factory = "fakesink";
      break;
    default:
      return E_INVALIDARG;
  }
  if (!Adopt(gst_element_factory_find(factory))) return E_FAIL;
  *renderer = std::make_shared<RendererFilter>(kind);
  return S_OK;
}

HResult GstMediaSystem::CreateColourControl(std::shared_ptr<MediaFilter>* filter) {
  if (filter == nullptr) return E_POINTER;
  *filter = ColourBalanceFilter::Create();
  return *filter ? S_OK : E_NOINTERFACE;
}

std::shared_ptr<SimulatedCameraDevice> GstMediaSystem::SimulatedCamera(
    const std::string& name) const {
  for (const auto& camera : cameras_) {
    if (camera->name == name) return camera;
  }
  return nullptr;
}

bool GstMediaSystem::DetachSimulatedCamera(const std::string& name) {
  std::shared_ptr<SimulatedCameraDevice> camera = SimulatedCamera(name);
  if (!camera) return false;
  camera->attached = false;
  return true;
}

bool GstMediaSystem::AttachSimulatedCamera(const std::string& name) {
  std::shared_ptr<SimulatedCameraDevice> camera = SimulatedCamera(name);
  if (!camera) return false;
  camera->attached = true;
  return true;
}

bool GstMediaSystem::SetSimulatedSignal(AnalogFormat standard) {
  std::shared_ptr<SimulatedCameraDevice> camera = SimulatedCamera(kSimulatedAnalogCameraName);
  if (!camera || (standard != AnalogFormat::PAL && standard != AnalogFormat::NTSC)) return false;
  camera->signal_standard = standard == AnalogFormat::PAL ? kAnalogVideoPalB : kAnalogVideoNtscM;
  return true;
}

}  // namespace vesk::gst
