#pragma once

// One V4L2 capture node opened for questions and controls: its formats as media types,
// its picture controls and its TV standard. The stream itself is run by the media graph;
// V4L2 lets both hold the node open at once.

#include <memory>
#include <string>
#include <vector>

#include "base/hresult.h"
#include "media/media_graph.h"

namespace vesk {

// The driver behind a node. The real one issues ioctl on the open node; tests replay
// recorded answers through it.
class V4l2Driver {
 public:
  virtual ~V4l2Driver() = default;
  // 0 on success, otherwise the errno value (ENODEV when the device has gone). EINTR is
  // retried inside.
  virtual int Ioctl(unsigned long request, void* argument) = 0;
};

class V4l2Device {
 public:
  // Opens path with O_RDWR | O_NONBLOCK and checks that it answers as a V4L2 node.
  // E_INVALIDARG for an empty path, kV4l2DeviceGone when it does not exist (any more),
  // E_FAIL when it cannot be opened or is not a V4L2 node; *device is empty then.
  static HResult Open(const std::string& path, std::unique_ptr<V4l2Device>* device);

  explicit V4l2Device(std::unique_ptr<V4l2Driver> driver);
  ~V4l2Device();
  V4l2Device(const V4l2Device&) = delete;
  V4l2Device& operator=(const V4l2Device&) = delete;

  // The driver's card name and bus (VIDIOC_QUERYCAP).
  HResult QueryCard(std::string* card_name, std::string* bus_info);

  // Every format, size and frame interval the node offers, in the driver's order of
  // formats, sizes and intervals (V4l2MediaTypes in v4l2_translation.h decides): discrete
  // sizes as listed; a stepwise or continuous range reduced to the common picture sizes
  // in it plus its largest size, except on an analog node, which offers the full picture
  // of each standard it lists (720x576 PAL, 720x480 NTSC); discrete intervals as listed,
  // a range as its shortest and longest interval. An analog node that does not enumerate
  // intervals runs at the frame period of its standard; each of its types carries the
  // standard of its height (576 or 288 lines PAL, 480 or 240 NTSC).
  HResult QueryFormats(std::vector<MediaType>* types);

  // The six picture controls; valid as long as this device. Always available: a control
  // the driver lacks fails on its own calls.
  HResult QueryVideoProcAmp(VideoProcAmp** proc_amp);

  // The TV standard of an analog node; E_NOINTERFACE for a node without standards (a
  // camera), which is a digital device. Valid as long as this device.
  HResult QueryAnalogVideoDecoder(AnalogVideoDecoder** decoder);

 private:
  class Questions;
  class ProcAmp;
  class Decoder;

  HResult Call(unsigned long request, void* argument);

  std::unique_ptr<V4l2Driver> driver_;
  std::unique_ptr<ProcAmp> proc_amp_;
  std::unique_ptr<Decoder> decoder_;
};

// HResult of a driver answer: S_OK for 0, kV4l2DeviceGone (v4l2_translation.h) for ENODEV
// and ENXIO, E_FAIL for every other error value.
HResult V4l2ResultOf(int error);

}  // namespace vesk
