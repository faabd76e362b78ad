#include "platform/gst/simulated_camera_filter.h"

#include "platform/gst/gst_caps_mapping.h"
#include "platform/gst/gst_ref.h"
#include "platform/gst/simulated_camera_source.h"

namespace vesk::gst {
namespace {

// The property is not one the device has.
constexpr HResult kPropertyUnsupported = static_cast<HResult>(0x80070490u);

}  // namespace

SimulatedCameraFilter::SimulatedCameraFilter(std::shared_ptr<SimulatedCameraDevice> device,
                                             bool paced)
    : GstSourceFilter(device->name), device_(std::move(device)), paced_(paced) {}

SimulatedControl* SimulatedCameraFilter::ControlOf(ProcAmpProperty property) {
  const auto index = static_cast<std::size_t>(property);
  if (index >= device_->controls.size() || !device_->controls[index].supported) return nullptr;
  return &device_->controls[index];
}

HResult SimulatedCameraFilter::Get(ProcAmpProperty property, std::int32_t* value,
                                   std::int32_t* flags) {
  if (value == nullptr || flags == nullptr) return E_POINTER;
  SimulatedControl* control = ControlOf(property);
  if (control == nullptr) return kPropertyUnsupported;
  *value = control->value.load();
  *flags = control->flags.load();
  return S_OK;
}

HResult SimulatedCameraFilter::GetRange(ProcAmpProperty property, ProcAmpRange* range) {
  if (range == nullptr) return E_POINTER;
  SimulatedControl* control = ControlOf(property);
  if (control == nullptr) return kPropertyUnsupported;
  *range = control->range;
  return S_OK;
}

HResult SimulatedCameraFilter::Set(ProcAmpProperty property, std::int32_t value,
                                   std::int32_t flags) {
  SimulatedControl* control = ControlOf(property);
  if (control == nullptr) return kPropertyUnsupported;
  if (flags != kProcAmpFlagsAuto && flags != kProcAmpFlagsManual) return E_INVALIDARG;
  if ((flags & control->range.capabilities) == 0) return E_INVALIDARG;
  if (flags == kProcAmpFlagsManual &&
      (value < control->range.minimum || value > control->range.maximum)) {
    return E_INVALIDARG;
  }
  if (flags == kProcAmpFlagsManual) control->value = value;
  control->flags = flags;
  return S_OK;
}

HResult SimulatedCameraFilter::GetTvFormat(std::int32_t* format) {
  if (format == nullptr) return E_POINTER;
  *format = device_->decoder_standard.load();
  return S_OK;
}

HResult SimulatedCameraFilter::PutTvFormat(std::int32_t format) {
  if (format != kAnalogVideoPalB && format != kAnalogVideoNtscM) return E_INVALIDARG;
  device_->decoder_standard = format;
  return S_OK;
}

GstElement* SimulatedCameraFilter::CreateDeviceElement(const MediaType& format,
                                                       GstPad** sequence_pad) {
  if (!device_->attached.load()) return nullptr;
  GstRef<GstElement> camera = Adopt(CreateSimulatedCameraSource(device_, paced_));
  if (!camera) return nullptr;
  GstRef<GstPad> camera_pad = Adopt(gst_element_get_static_pad(camera.get(), "src"));
  *sequence_pad = camera_pad.get();  // borrowed: the element keeps its pad
  if (format.subtype_name != "MJPG") return camera.release();

  // A webcam's MJPG: the sensor picture compressed inside the camera.
  int numerator = 0;
  int denominator = 1;
  FrameRateOf(format, &numerator, &denominator);
  GstRef<GstElement> bin = Adopt(gst_bin_new(nullptr));
  GstRef<GstElement> raw = Adopt(gst_element_factory_make("capsfilter", nullptr));
  GstRef<GstElement> encoder = Adopt(gst_element_factory_make("jpegenc", nullptr));
  if (!raw || !encoder) return nullptr;
  GstRef<GstCaps> caps = Adopt(gst_caps_new_simple(
      "video/x-raw", "format", G_TYPE_STRING, "I420", "width", G_TYPE_INT, format.width, "height",
      G_TYPE_INT, format.height, "framerate", GST_TYPE_FRACTION, numerator, denominator, nullptr));
  g_object_set(raw.get(), "caps", caps.get(), nullptr);
  g_object_set(encoder.get(), "quality", 90, nullptr);
  gst_bin_add_many(GST_BIN(bin.get()), camera.get(), raw.get(), encoder.get(), nullptr);
  if (!gst_element_link_many(camera.get(), raw.get(), encoder.get(), nullptr)) return nullptr;
  GstRef<GstPad> encoded = Adopt(gst_element_get_static_pad(encoder.get(), "src"));
  gst_element_add_pad(bin.get(), gst_ghost_pad_new("src", encoded.get()));
  return bin.release();
}

}  // namespace vesk::gst
