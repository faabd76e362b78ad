#pragma once

// The capture filter of a V4L2 device, and the seam between the V4L2 layer and the media
// graph: formats, picture controls and TV standard come from the node in V4L2 terms and
// are handed on as the graph's result codes, flags and TV formats. When the graph runs,
// v4l2src streams the node in the chosen format (with a converter where the node's byte
// order differs from the station's RGB24 or ARGB32).

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/gst/gst_graph_filter.h"
#include "platform/linux/v4l2_device.h"
#include "platform/linux/v4l2_enumerator.h"

namespace vesk {

// The driver does not offer the control (the platform's "property not supported").
constexpr HResult kV4l2PropertyUnsupported = static_cast<HResult>(0x80070490u);
// The device has gone (unplugged while open).
constexpr HResult kV4l2DeviceGone = static_cast<HResult>(0x8007048Fu);

// TV formats beyond the two the station supports (media_graph.h), so that a device set to
// one of them is reported as it is (and refused by the device model) rather than mistaken
// for another.
constexpr std::int32_t kAnalogVideoNone = 0x0;
constexpr std::int32_t kAnalogVideoNtscMJ = 0x2;
constexpr std::int32_t kAnalogVideoNtsc433 = 0x4;
constexpr std::int32_t kAnalogVideoPalM = 0x200;
constexpr std::int32_t kAnalogVideoPalN = 0x400;
constexpr std::int32_t kAnalogVideoPal60 = 0x800;
constexpr std::int32_t kAnalogVideoSecamB = 0x1000;
constexpr std::int32_t kAnalogVideoPalNCombo = 0x100000;

// The graph's result of a V4L2 status: S_OK, kV4l2DeviceGone, E_FAIL,
// kV4l2PropertyUnsupported, E_INVALIDARG.
HResult ResultOfV4l2(V4l2Status status);

// The TV format of a standard family (the Pal family is PAL-B), and back: only PAL-B and
// NTSC-M, the two the station supports, give a family (None otherwise).
std::int32_t TvFormatOfFamily(V4l2StandardFamily family);
V4l2StandardFamily FamilyOfTvFormat(std::int32_t tv_format);

namespace gst {

class V4l2CaptureFilter : public GstSourceFilter {
 public:
  // Opens the node and reads its formats; the device's result when it cannot.
  static HResult Bind(const V4l2Node& node, std::shared_ptr<MediaFilter>* filter);

  V4l2CaptureFilter(V4l2Node node, std::unique_ptr<V4l2Device> device,
                    std::vector<MediaType> formats,
                    FrameTimeOrigin time_origin = FrameTimeOrigin::kDriverEndOfFrame);
  ~V4l2CaptureFilter() override;

  std::vector<MediaType> Formats() const override { return formats_; }
  // What the driver's buffer flags said of its stamps when the node was bound.
  FrameTimeOrigin TimeOrigin() const override { return time_origin_; }
  // The six picture controls: always there; a control the driver lacks fails on its own
  // calls.
  VideoProcAmp* proc_amp() override;
  // The TV standard; nullptr for a node without standards (a camera, a digital device)
  // and when the node cannot be asked.
  AnalogVideoDecoder* analog_decoder() override;
  const V4l2Node& node() const { return node_; }

 protected:
  GstElement* CreateDeviceElement(const MediaType& format, GstPad** sequence_pad) override;

 private:
  class ProcAmp;
  class Decoder;

  V4l2Node node_;
  std::unique_ptr<V4l2Device> device_;
  std::vector<MediaType> formats_;
  FrameTimeOrigin time_origin_;
  std::unique_ptr<ProcAmp> proc_amp_;
  std::unique_ptr<Decoder> decoder_;
};

}  // namespace gst
}  // namespace vesk
