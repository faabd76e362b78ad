#pragma once

// An analog USB frame grabber (em28xx driver with a SAA711x decoder) set to PAL-B, as it
// answered: a size range that follows the current standard, no frame-interval
// enumeration, standards NTSC-M and PAL-B in the kernel's order, the decoder's four
// picture controls without automatic modes and without gain or sharpness.

#include <linux/videodev2.h>

#include "recorded_driver.h"

namespace vesk::testing {

inline RecordedNode Usb2861Grabber() {
  RecordedNode node;
  node.card = "USB 2861 Device";
  node.capabilities = V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_AUDIO | V4L2_CAP_READWRITE |
                      V4L2_CAP_STREAMING | V4L2_CAP_VBI_CAPTURE | V4L2_CAP_DEVICE_CAPS;
  node.device_caps =
      V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_AUDIO | V4L2_CAP_READWRITE | V4L2_CAP_STREAMING;
  const v4l2_frmsize_stepwise range{48, 720, 1, 38, 576, 1};
  node.formats = {{V4L2_PIX_FMT_YUYV, {}, V4L2_FRMSIZE_TYPE_STEPWISE, range},
                  {V4L2_PIX_FMT_RGB565, {}, V4L2_FRMSIZE_TYPE_STEPWISE, range}};
  node.standards = {{V4L2_STD_NTSC_M, {1001, 30000}}, {V4L2_STD_PAL_B, {1, 25}}};
  node.current_standard = V4L2_STD_PAL_B;
  // Composite 1, which calls itself a camera input.
  node.input_std = V4L2_STD_NTSC_M | V4L2_STD_PAL_B;
  node.input_capabilities = V4L2_IN_CAP_STD;
  node.controls = {
      {{V4L2_CID_BRIGHTNESS, V4L2_CTRL_TYPE_INTEGER, "Brightness", 0, 255, 1, 128, 0, {}}, 128},
      {{V4L2_CID_CONTRAST, V4L2_CTRL_TYPE_INTEGER, "Contrast", 0, 127, 1, 64, 0, {}}, 64},
      {{V4L2_CID_SATURATION, V4L2_CTRL_TYPE_INTEGER, "Saturation", 0, 127, 1, 64, 0, {}}, 64},
      {{V4L2_CID_HUE, V4L2_CTRL_TYPE_INTEGER, "Hue", -128, 127, 1, 0, 0, {}}, 0},
  };
  return node;
}

}  // namespace vesk::testing
