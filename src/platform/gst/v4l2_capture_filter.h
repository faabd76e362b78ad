#pragma once

// The capture filter of a V4L2 device: formats, picture controls and TV standard come from
// the node through the V4L2 layer; when the graph runs, v4l2src streams the node in the
// chosen format (with a converter where the node's byte order differs from the station's
// RGB24 or ARGB32).

#include <memory>
#include <string>
#include <vector>

#include "platform/gst/gst_graph_filter.h"
#include "platform/linux/v4l2_device.h"
#include "platform/linux/v4l2_enumerator.h"

namespace vesk::gst {

class V4l2CaptureFilter : public GstSourceFilter {
 public:
  // Opens the node and reads its formats; E_FAIL (or the device's result) when it cannot.
  static HResult Bind(const V4l2Node& node, std::shared_ptr<MediaFilter>* filter);

  V4l2CaptureFilter(V4l2Node node, std::unique_ptr<V4l2Device> device,
                    std::vector<MediaType> formats);

  std::vector<MediaType> Formats() const override { return formats_; }
  VideoProcAmp* proc_amp() override;
  AnalogVideoDecoder* analog_decoder() override;
  const V4l2Node& node() const { return node_; }

 protected:
  GstElement* CreateDeviceElement(const MediaType& format, GstPad** sequence_pad) override;

 private:
  V4l2Node node_;
  std::unique_ptr<V4l2Device> device_;
  std::vector<MediaType> formats_;
};

}  // namespace vesk::gst
