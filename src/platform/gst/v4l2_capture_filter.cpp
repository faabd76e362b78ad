#include "platform/gst/v4l2_capture_filter.h"

#include "platform/gst/gst_caps_mapping.h"

namespace vesk::gst {

HResult V4l2CaptureFilter::Bind(const V4l2Node& node, std::shared_ptr<MediaFilter>* filter) {
  if (filter == nullptr) return E_POINTER;
  filter->reset();
  std::unique_ptr<V4l2Device> device;
  HResult result = V4l2Device::Open(node.device_path, &device);
  if (Failed(result)) return result;
  if (!device) return E_FAIL;
  std::vector<MediaType> formats;
  result = device->QueryFormats(&formats);
  if (Failed(result)) return result;
  *filter = std::make_shared<V4l2CaptureFilter>(node, std::move(device), std::move(formats));
  return S_OK;
}

V4l2CaptureFilter::V4l2CaptureFilter(V4l2Node node, std::unique_ptr<V4l2Device> device,
                                     std::vector<MediaType> formats)
    : GstSourceFilter(node.card_name),
      node_(std::move(node)),
      device_(std::move(device)),
      formats_(std::move(formats)) {}

VideoProcAmp* V4l2CaptureFilter::proc_amp() {
  VideoProcAmp* proc_amp = nullptr;
  return Succeeded(device_->QueryVideoProcAmp(&proc_amp)) ? proc_amp : nullptr;
}

AnalogVideoDecoder* V4l2CaptureFilter::analog_decoder() {
  AnalogVideoDecoder* decoder = nullptr;
  return Succeeded(device_->QueryAnalogVideoDecoder(&decoder)) ? decoder : nullptr;
}

GstElement* V4l2CaptureFilter::CreateDeviceElement(const MediaType& format, GstPad** sequence_pad) {
  GstElement* source = gst_element_factory_make("v4l2src", nullptr);
  if (source == nullptr) return nullptr;
  g_object_set(source, "device", node_.device_path.c_str(), nullptr);
  // v4l2src numbers buffers with the driver's frame sequence: gaps are frames it dropped.
  GstPad* pad = gst_element_get_static_pad(source, "src");
  *sequence_pad = pad;
  gst_object_unref(pad);
  if (format.subtype != SubtypeCode::RGB24 && format.subtype != SubtypeCode::ARGB32) {
    return source;
  }
  // The station's byte order, B G R (A): the node may deliver it reversed.
  int numerator = 0;
  int denominator = 1;
  FrameRateOf(format, &numerator, &denominator);
  const char* formats =
      format.subtype == SubtypeCode::RGB24 ? "{ BGR, RGB }" : "{ BGRA, BGRx, ARGB, xRGB }";
  gchar* text = g_strdup_printf("video/x-raw, format=(string)%s, width=(int)%d, height=(int)%d",
                                formats, format.width, format.height);
  GstCaps* caps = gst_caps_from_string(text);
  g_free(text);
  if (caps != nullptr && numerator > 0) {
    gst_caps_set_simple(caps, "framerate", GST_TYPE_FRACTION, numerator, denominator, nullptr);
  }
  GstElement* bin = gst_bin_new(nullptr);
  GstElement* native = gst_element_factory_make("capsfilter", nullptr);
  GstElement* convert = gst_element_factory_make("videoconvert", nullptr);
  if (caps == nullptr || native == nullptr || convert == nullptr) {
    if (caps != nullptr) gst_caps_unref(caps);
    gst_object_unref(gst_object_ref_sink(source));
    if (native != nullptr) gst_object_unref(gst_object_ref_sink(native));
    if (convert != nullptr) gst_object_unref(gst_object_ref_sink(convert));
    gst_object_unref(gst_object_ref_sink(bin));
    return nullptr;
  }
  g_object_set(native, "caps", caps, nullptr);
  gst_caps_unref(caps);
  gst_bin_add_many(GST_BIN(bin), source, native, convert, nullptr);
  if (!gst_element_link_many(source, native, convert, nullptr)) {
    gst_object_unref(gst_object_ref_sink(bin));
    return nullptr;
  }
  GstPad* converted = gst_element_get_static_pad(convert, "src");
  gst_element_add_pad(bin, gst_ghost_pad_new("src", converted));
  gst_object_unref(converted);
  return bin;
}

}  // namespace vesk::gst
