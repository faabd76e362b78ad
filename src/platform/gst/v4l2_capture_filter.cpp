#include "platform/gst/v4l2_capture_filter.h"

#include <linux/videodev2.h>

#include "platform/gst/gst_caps_mapping.h"
#include "platform/gst/gst_ref.h"

namespace vesk {
namespace {

// The V4L2 control of a picture property and that of its automatic mode (0: none).
bool ControlIdsOf(ProcAmpProperty property, std::uint32_t* id, std::uint32_t* auto_id) {
  *auto_id = 0;
  switch (property) {
    case ProcAmpProperty::Brightness:
      *id = V4L2_CID_BRIGHTNESS;
      *auto_id = V4L2_CID_AUTOBRIGHTNESS;
      return true;
    case ProcAmpProperty::Contrast:
      *id = V4L2_CID_CONTRAST;
      return true;
    case ProcAmpProperty::Hue:
      *id = V4L2_CID_HUE;
      *auto_id = V4L2_CID_HUE_AUTO;
      return true;
    case ProcAmpProperty::Saturation:
      *id = V4L2_CID_SATURATION;
      return true;
    case ProcAmpProperty::Sharpness:
      *id = V4L2_CID_SHARPNESS;
      return true;
    case ProcAmpProperty::Gain:
      *id = V4L2_CID_GAIN;
      *auto_id = V4L2_CID_AUTOGAIN;
      return true;
  }
  return false;
}

}  // namespace

HResult ResultOfV4l2(V4l2Status status) {
  switch (status) {
    case V4l2Status::Ok:
      return S_OK;
    case V4l2Status::Gone:
      return kV4l2DeviceGone;
    case V4l2Status::Failed:
      return E_FAIL;
    case V4l2Status::Unsupported:
      return kV4l2PropertyUnsupported;
    case V4l2Status::Refused:
      return E_INVALIDARG;
  }
  return E_FAIL;
}

std::int32_t TvFormatOfFamily(V4l2StandardFamily family) {
  switch (family) {
    case V4l2StandardFamily::None:
      return kAnalogVideoNone;
    case V4l2StandardFamily::Pal:
      return kAnalogVideoPalB;
    case V4l2StandardFamily::NtscM:
      return kAnalogVideoNtscM;
    case V4l2StandardFamily::NtscMJ:
      return kAnalogVideoNtscMJ;
    case V4l2StandardFamily::Ntsc443:
      return kAnalogVideoNtsc433;
    case V4l2StandardFamily::PalM:
      return kAnalogVideoPalM;
    case V4l2StandardFamily::PalN:
      return kAnalogVideoPalN;
    case V4l2StandardFamily::PalNc:
      return kAnalogVideoPalNCombo;
    case V4l2StandardFamily::Pal60:
      return kAnalogVideoPal60;
    case V4l2StandardFamily::Secam:
      return kAnalogVideoSecamB;
  }
  return kAnalogVideoNone;
}

V4l2StandardFamily FamilyOfTvFormat(std::int32_t tv_format) {
  if (tv_format == kAnalogVideoPalB) return V4l2StandardFamily::Pal;
  if (tv_format == kAnalogVideoNtscM) return V4l2StandardFamily::NtscM;
  return V4l2StandardFamily::None;
}

namespace gst {

class V4l2CaptureFilter::ProcAmp : public VideoProcAmp {
 public:
  explicit ProcAmp(V4l2Device& device) : device_(device) {}

  HResult GetRange(ProcAmpProperty property, ProcAmpRange* range) override {
    if (range == nullptr) return E_POINTER;
    std::uint32_t id = 0;
    std::uint32_t auto_id = 0;
    if (!ControlIdsOf(property, &id, &auto_id)) return kV4l2PropertyUnsupported;
    V4l2PictureControl answer;
    const V4l2Status status = device_.QueryPictureControl(id, auto_id, &answer);
    if (status != V4l2Status::Ok) return ResultOfV4l2(status);
    const V4l2ControlAnswer& control = answer.control;
    if (!V4l2ControlUsable(control) || control.minimum > control.maximum) {
      return kV4l2PropertyUnsupported;
    }
    range->minimum = control.minimum;
    range->maximum = control.maximum;
    // A zero step would stall any stepping through the range.
    range->step = control.step > 0 ? control.step : 1;
    range->default_value = control.default_value;
    range->capabilities = kProcAmpFlagsManual;
    if (V4l2ControlUsable(answer.automatic)) range->capabilities |= kProcAmpFlagsAuto;
    return S_OK;
  }

  HResult Get(ProcAmpProperty property, std::int32_t* value, std::int32_t* flags) override {
    if (value == nullptr || flags == nullptr) return E_POINTER;
    std::uint32_t id = 0;
    std::uint32_t auto_id = 0;
    if (!ControlIdsOf(property, &id, &auto_id)) return kV4l2PropertyUnsupported;
    std::int32_t current = 0;
    bool automatic = false;
    const V4l2Status status = device_.ReadPictureControl(id, auto_id, &current, &automatic);
    if (status != V4l2Status::Ok) return ResultOfV4l2(status);
    *value = current;
    *flags = automatic ? kProcAmpFlagsAuto : kProcAmpFlagsManual;
    return S_OK;
  }

  HResult Set(ProcAmpProperty property, std::int32_t value, std::int32_t flags) override {
    std::uint32_t id = 0;
    std::uint32_t auto_id = 0;
    if (!ControlIdsOf(property, &id, &auto_id)) return kV4l2PropertyUnsupported;
    if (flags == kProcAmpFlagsAuto) return ResultOfV4l2(device_.SwitchToAutomatic(id, auto_id));
    if (flags == kProcAmpFlagsManual) {
      return ResultOfV4l2(device_.WritePictureControl(id, auto_id, value));
    }
    // Meaningless flags; a vanished device or a missing control still says so first.
    V4l2PictureControl answer;
    const V4l2Status status = device_.QueryPictureControl(id, auto_id, &answer);
    if (status != V4l2Status::Ok) return ResultOfV4l2(status);
    return V4l2ControlUsable(answer.control) ? E_INVALIDARG : kV4l2PropertyUnsupported;
  }

 private:
  V4l2Device& device_;
};

class V4l2CaptureFilter::Decoder : public AnalogVideoDecoder {
 public:
  explicit Decoder(V4l2Device& device) : device_(device) {}

  HResult GetTvFormat(std::int32_t* format) override {
    if (format == nullptr) return E_POINTER;
    v4l2_std_id standard = 0;
    const V4l2Status status = device_.GetStandard(&standard);
    if (status != V4l2Status::Ok) return ResultOfV4l2(status);
    *format = TvFormatOfFamily(V4l2StandardFamilyOf(standard));
    return S_OK;
  }

  HResult PutTvFormat(std::int32_t format) override {
    // Formats the station does not support are refused without touching the device.
    const V4l2StandardFamily family = FamilyOfTvFormat(format);
    if (family == V4l2StandardFamily::None) return E_INVALIDARG;
    return ResultOfV4l2(device_.SetStandardFamily(family));
  }

  HResult DetectTvFormat(std::int32_t* format) override {
    if (format == nullptr) return E_POINTER;
    v4l2_std_id detected = 0;
    const V4l2Status status = device_.QueryStandard(&detected);
    if (status != V4l2Status::Ok) return ResultOfV4l2(status);
    const V4l2StandardFamily family = V4l2DetectedFamily(detected);
    if (family == V4l2StandardFamily::None) return S_FALSE;
    *format = TvFormatOfFamily(family);
    return S_OK;
  }

 private:
  V4l2Device& device_;
};

HResult V4l2CaptureFilter::Bind(const V4l2Node& node, std::shared_ptr<MediaFilter>* filter) {
  if (filter == nullptr) return E_POINTER;
  filter->reset();
  std::unique_ptr<V4l2Device> device;
  V4l2Status status = V4l2Device::Open(node.device_path, &device);
  if (status != V4l2Status::Ok) return ResultOfV4l2(status);
  if (!device) return E_FAIL;
  std::vector<MediaType> formats;
  status = device->QueryFormats(&formats);
  if (status != V4l2Status::Ok) return ResultOfV4l2(status);
  // Asked before any stream holds the node; a node that cannot say is taken to stamp as
  // drivers do by default, at the end of the frame.
  std::uint32_t flags = 0;
  const FrameTimeOrigin origin = device->QueryBufferFlags(&flags) == V4l2Status::Ok
                                     ? V4l2FrameTimeOrigin(flags)
                                     : FrameTimeOrigin::kDriverEndOfFrame;
  *filter = std::make_shared<V4l2CaptureFilter>(node, std::move(device), std::move(formats),
                                                origin);
  return S_OK;
}

V4l2CaptureFilter::V4l2CaptureFilter(V4l2Node node, std::unique_ptr<V4l2Device> device,
                                     std::vector<MediaType> formats,
                                     FrameTimeOrigin time_origin)
    : GstSourceFilter(node.card_name),
      node_(std::move(node)),
      device_(std::move(device)),
      formats_(std::move(formats)),
      time_origin_(time_origin),
      proc_amp_(std::make_unique<ProcAmp>(*device_)),
      decoder_(std::make_unique<Decoder>(*device_)) {}

V4l2CaptureFilter::~V4l2CaptureFilter() = default;

VideoProcAmp* V4l2CaptureFilter::proc_amp() { return proc_amp_.get(); }

AnalogVideoDecoder* V4l2CaptureFilter::analog_decoder() {
  bool analog = false;
  return device_->QueryAnalog(&analog) == V4l2Status::Ok && analog ? decoder_.get() : nullptr;
}

GstElement* V4l2CaptureFilter::CreateDeviceElement(const MediaType& format, GstPad** sequence_pad) {
  GstRef<GstElement> source = Adopt(gst_element_factory_make("v4l2src", nullptr));
  if (!source) return nullptr;
  g_object_set(source.get(), "device", node_.device_path.c_str(), nullptr);
  // v4l2src numbers buffers with the driver's frame sequence: gaps are frames it dropped.
  GstRef<GstPad> pad = Adopt(gst_element_get_static_pad(source.get(), "src"));
  *sequence_pad = pad.get();  // borrowed: the element keeps its pad
  if (format.subtype != SubtypeCode::RGB24 && format.subtype != SubtypeCode::ARGB32) {
    return source.release();
  }
  // The station's byte order, B G R (A): the node may deliver it reversed.
  int numerator = 0;
  int denominator = 1;
  FrameRateOf(format, &numerator, &denominator);
  const char* formats =
      format.subtype == SubtypeCode::RGB24 ? "{ BGR, RGB }" : "{ BGRA, BGRx, ARGB, xRGB }";
  gchar* text = g_strdup_printf("video/x-raw, format=(string)%s, width=(int)%d, height=(int)%d",
                                formats, format.width, format.height);
  GstRef<GstCaps> caps = Adopt(gst_caps_from_string(text));
  g_free(text);
  if (caps && numerator > 0) {
    gst_caps_set_simple(caps.get(), "framerate", GST_TYPE_FRACTION, numerator, denominator,
                        nullptr);
  }
  GstRef<GstElement> bin = Adopt(gst_bin_new(nullptr));
  GstRef<GstElement> native = Adopt(gst_element_factory_make("capsfilter", nullptr));
  GstRef<GstElement> convert = Adopt(gst_element_factory_make("videoconvert", nullptr));
  if (!caps || !native || !convert) return nullptr;
  g_object_set(native.get(), "caps", caps.get(), nullptr);
  gst_bin_add_many(GST_BIN(bin.get()), source.get(), native.get(), convert.get(), nullptr);
  if (!gst_element_link_many(source.get(), native.get(), convert.get(), nullptr)) return nullptr;
  GstRef<GstPad> converted = Adopt(gst_element_get_static_pad(convert.get(), "src"));
  gst_element_add_pad(bin.get(), gst_ghost_pad_new("src", converted.get()));
  return bin.release();
}

}  // namespace gst
}  // namespace vesk
