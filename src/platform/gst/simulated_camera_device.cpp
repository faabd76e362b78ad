#include "platform/gst/simulated_camera_device.h"

#include <cstdint>
#include <memory>

#include "platform/gst/gst_caps_mapping.h"

namespace vesk::gst {
namespace {

void SetControl(SimulatedCameraDevice* device, ProcAmpProperty property, std::int32_t minimum,
                std::int32_t maximum, std::int32_t default_value, std::int32_t capabilities,
                std::int32_t flags) {
  SimulatedControl& control = device->controls[static_cast<std::size_t>(property)];
  control.supported = true;
  control.range = ProcAmpRange{minimum, maximum, 1, default_value, capabilities};
  control.value = default_value;
  control.flags = flags;
}

}  // namespace

std::shared_ptr<SimulatedCameraDevice> MakeSimulatedAnalogCamera() {
  auto device = std::make_shared<SimulatedCameraDevice>();
  device->name = kSimulatedAnalogCameraName;
  device->analog = true;
  device->formats = {
      MakeMediaType("YUY2", 720, 576, 25, 1, AnalogFormat::PAL),
      MakeMediaType("YUY2", 720, 480, 30000, 1001, AnalogFormat::NTSC),
  };
  // A frame grabber's decoder: no sharpness; gain set by hand.
  SetControl(device.get(), ProcAmpProperty::Brightness, 0, 255, 128, kProcAmpFlagsManual,
             kProcAmpFlagsManual);
  SetControl(device.get(), ProcAmpProperty::Contrast, 0, 255, 128, kProcAmpFlagsManual,
             kProcAmpFlagsManual);
  SetControl(device.get(), ProcAmpProperty::Hue, -128, 127, 0, kProcAmpFlagsManual,
             kProcAmpFlagsManual);
  SetControl(device.get(), ProcAmpProperty::Saturation, 0, 255, 128, kProcAmpFlagsManual,
             kProcAmpFlagsManual);
  SetControl(device.get(), ProcAmpProperty::Gain, 0, 100, 50, kProcAmpFlagsManual,
             kProcAmpFlagsManual);
  device->decoder_standard = kAnalogVideoPalB;
  device->signal_standard = kAnalogVideoPalB;
  return device;
}

std::shared_ptr<SimulatedCameraDevice> MakeFileCamera(const std::string& path, int width,
                                                      int height, int rate_numerator,
                                                      int rate_denominator) {
  auto device = std::make_shared<SimulatedCameraDevice>();
  device->name = kFileCameraName;
  device->file_path = path;
  // A PAL or NTSC frame at its rate is what a frame grabber gives (a recording of an analog
  // camera): the file plays as an analog device of that standard, so its two fields are read
  // and learnt from as a live grabber's are.
  const bool pal = height == 576 && rate_numerator == 25 * rate_denominator;
  const bool ntsc = (height == 480 || height == 486) &&
                    static_cast<std::int64_t>(rate_numerator) * 1001 ==
                        static_cast<std::int64_t>(rate_denominator) * 30000;
  const AnalogFormat standard = pal ? AnalogFormat::PAL : ntsc ? AnalogFormat::NTSC
                                                                : AnalogFormat::Digital;
  device->formats = {
      MakeMediaType("YUY2", width, height, rate_numerator, rate_denominator, standard)};
  if (pal || ntsc) {
    device->analog = true;
    device->decoder_standard = pal ? kAnalogVideoPalB : kAnalogVideoNtscM;
    device->signal_standard = device->decoder_standard.load();
  }
  return device;
}

std::shared_ptr<SimulatedCameraDevice> MakeSimulatedWebcam() {
  auto device = std::make_shared<SimulatedCameraDevice>();
  device->name = kSimulatedWebcamName;
  device->analog = false;
  device->formats = {
      MakeMediaType("MJPG", 1280, 720, 30, 1), MakeMediaType("MJPG", 640, 480, 30, 1),
      MakeMediaType("YUY2", 640, 480, 30, 1),  MakeMediaType("YUY2", 320, 240, 30, 1),
      MakeMediaType("RGB24", 640, 480, 30, 1), MakeMediaType("ARGB32", 640, 480, 30, 1),
      MakeMediaType("YUY2", 640, 480, 15, 1),
  };
  // A UVC webcam: gain starts under automatic control.
  SetControl(device.get(), ProcAmpProperty::Brightness, 0, 255, 128, kProcAmpFlagsManual,
             kProcAmpFlagsManual);
  SetControl(device.get(), ProcAmpProperty::Contrast, 0, 255, 128, kProcAmpFlagsManual,
             kProcAmpFlagsManual);
  SetControl(device.get(), ProcAmpProperty::Saturation, 0, 255, 128, kProcAmpFlagsManual,
             kProcAmpFlagsManual);
  SetControl(device.get(), ProcAmpProperty::Sharpness, 0, 7, 3, kProcAmpFlagsManual,
             kProcAmpFlagsManual);
  SetControl(device.get(), ProcAmpProperty::Gain, 0, 100, 50,
             kProcAmpFlagsAuto | kProcAmpFlagsManual, kProcAmpFlagsAuto);
  return device;
}

}  // namespace vesk::gst
