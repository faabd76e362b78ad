#pragma once

// The capture filter of a simulated camera: its formats, picture controls and (for the
// analog camera) its decoder's TV standard, over the camera's shared device state.

#include <memory>

#include "platform/gst/gst_graph_filter.h"
#include "platform/gst/simulated_camera_device.h"

namespace vesk::gst {

class SimulatedCameraFilter : public GstSourceFilter,
                              public VideoProcAmp,
                              public AnalogVideoDecoder {
 public:
  SimulatedCameraFilter(std::shared_ptr<SimulatedCameraDevice> device, bool paced);

  std::vector<MediaType> Formats() const override { return device_->formats; }
  FrameTimeOrigin TimeOrigin() const override {
    return device_->file_path.empty() ? FrameTimeOrigin::kSimulatedCapture
                                      : FrameTimeOrigin::kFilePlayback;
  }
  VideoProcAmp* proc_amp() override { return this; }
  AnalogVideoDecoder* analog_decoder() override { return device_->analog ? this : nullptr; }

  HResult Get(ProcAmpProperty property, std::int32_t* value, std::int32_t* flags) override;
  HResult GetRange(ProcAmpProperty property, ProcAmpRange* range) override;
  HResult Set(ProcAmpProperty property, std::int32_t value, std::int32_t flags) override;

  HResult GetTvFormat(std::int32_t* format) override;
  HResult PutTvFormat(std::int32_t format) override;

  const std::shared_ptr<SimulatedCameraDevice>& device() const { return device_; }

 protected:
  GstElement* CreateDeviceElement(const MediaType& format, GstPad** sequence_pad) override;

 private:
  SimulatedControl* ControlOf(ProcAmpProperty property);

  std::shared_ptr<SimulatedCameraDevice> device_;
  bool paced_;
};

}  // namespace vesk::gst
