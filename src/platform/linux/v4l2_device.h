#pragma once

// One V4L2 capture node opened for questions and controls: its formats as media types,
// its picture controls and its TV standard. The stream itself is run by the media graph;
// V4L2 lets both hold the node open at once.

#include <linux/videodev2.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "media/media_graph.h"
#include "platform/linux/v4l2_translation.h"

namespace vesk {

// What a call on the node came to.
enum class V4l2Status {
  Ok,
  // The device has gone (ENODEV or ENXIO: unplugged while open), or the node does not exist.
  Gone,
  // Any other refusal of the driver, or a file that is no V4L2 node.
  Failed,
  // The driver does not offer the control.
  Unsupported,
  // A request the node cannot take: no path, a value outside the control's range, no
  // automatic mode, a standard it does not list. Nothing was changed.
  Refused,
};

// The status of a driver answer: Ok for 0, Gone for ENODEV and ENXIO, Failed otherwise.
V4l2Status V4l2StatusOf(int error);

// The driver behind a node. The real one issues ioctl on the open node; tests replay
// recorded answers through it.
class V4l2Driver {
 public:
  virtual ~V4l2Driver() = default;
  // 0 on success, otherwise the errno value (ENODEV when the device has gone). EINTR is
  // retried inside.
  virtual int Ioctl(unsigned long request, void* argument) = 0;
};

// One picture control and its automatic mode, as the driver describes them.
struct V4l2PictureControl {
  V4l2ControlAnswer control;
  V4l2ControlAnswer automatic;  // not present when the control has no automatic mode
};

class V4l2Device {
 public:
  // Opens path with O_RDWR | O_NONBLOCK and checks that it answers as a V4L2 node.
  // Refused for an empty path, Gone when it does not exist (any more), Failed when it
  // cannot be opened or is not a V4L2 node; *device is empty then.
  static V4l2Status Open(const std::string& path, std::unique_ptr<V4l2Device>* device);

  explicit V4l2Device(std::unique_ptr<V4l2Driver> driver);
  ~V4l2Device();
  V4l2Device(const V4l2Device&) = delete;
  V4l2Device& operator=(const V4l2Device&) = delete;

  // The driver's card name and bus (VIDIOC_QUERYCAP).
  V4l2Status QueryCard(std::string* card_name, std::string* bus_info);

  // Every format, size and frame interval the node offers, in the driver's order of
  // formats, sizes and intervals (V4l2MediaTypes in v4l2_translation.h decides): discrete
  // sizes as listed; a stepwise or continuous range reduced to the common picture sizes
  // in it plus its largest size, except on an analog node, which offers the full picture
  // of each standard it lists (720x576 PAL, 720x480 NTSC); discrete intervals as listed,
  // a range as its shortest and longest interval. An analog node that does not enumerate
  // intervals runs at the frame period of its standard; each of its types carries the
  // standard of its height (576 or 288 lines PAL, 480 or 240 NTSC).
  V4l2Status QueryFormats(std::vector<MediaType>* types);

  // ---- Picture controls: a control id with the id of its automatic mode (0: none) ----

  // What the driver says of both; a control it refuses is not present.
  V4l2Status QueryPictureControl(std::uint32_t id, std::uint32_t auto_id,
                                 V4l2PictureControl* control);
  // The value, and whether the automatic mode is on. Unsupported when the control is not
  // usable.
  V4l2Status ReadPictureControl(std::uint32_t id, std::uint32_t auto_id, std::int32_t* value,
                                bool* automatic);
  // Sets the value by hand: the automatic mode goes off first, or the value would not
  // take. Drivers clamp silently, so a value outside the range is Refused instead.
  V4l2Status WritePictureControl(std::uint32_t id, std::uint32_t auto_id, std::int32_t value);
  // Switches the automatic mode on; Refused when the control has none.
  V4l2Status SwitchToAutomatic(std::uint32_t id, std::uint32_t auto_id);

  // The flags of the node's capture buffers (VIDIOC_QUERYBUF), which say how their time
  // stamps are taken. Asks for one buffer and gives it back, so only a node that is not
  // streaming can answer; Failed when it is busy.
  V4l2Status QueryBufferFlags(std::uint32_t* flags);

  // ---- Standards ----

  // Whether the node takes TV standards (V4l2IsAnalog); a camera does not.
  V4l2Status QueryAnalog(bool* analog);
  // The current standard (VIDIOC_G_STD).
  V4l2Status GetStandard(v4l2_std_id* standard);
  // The standard of the signal at the input, as the driver detects it (VIDIOC_QUERYSTD):
  // a mask of the standards it may be, empty when there is no signal.
  V4l2Status QueryStandard(v4l2_std_id* detected);
  // Sets the standard of a family the node lists (V4l2StandardOfFamily); Refused when it
  // lists none.
  V4l2Status SetStandardFamily(V4l2StandardFamily family);

 private:
  class Questions;

  V4l2Status Call(unsigned long request, void* argument);
  V4l2Status QueryUsable(std::uint32_t id, std::uint32_t auto_id, V4l2PictureControl* control);

  std::unique_ptr<V4l2Driver> driver_;
};

}  // namespace vesk
