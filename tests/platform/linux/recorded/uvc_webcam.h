#pragma once

// A UVC webcam (uvcvideo driver), as it answered: Motion-JPEG and YUYV at discrete sizes,
// each with discrete frame intervals (YUYV at 1280x720 limited by the USB bandwidth), no
// standards, a camera input, the six picture controls with automatic gain on and an
// automatic hue mode that is off.

#include <linux/videodev2.h>

#include "recorded_driver.h"

namespace vesk::testing {

inline RecordedNode UvcWebcam() {
  RecordedNode node;
  node.card = "USB2.0 HD UVC WebCam";
  node.capabilities = V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_META_CAPTURE | V4L2_CAP_STREAMING |
                      V4L2_CAP_EXT_PIX_FORMAT | V4L2_CAP_DEVICE_CAPS;
  node.device_caps = V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_STREAMING | V4L2_CAP_EXT_PIX_FORMAT;
  // uvcvideo stamps a frame when its first packet arrives.
  node.buffer_flags = V4L2_BUF_FLAG_TIMESTAMP_MONOTONIC | V4L2_BUF_FLAG_TSTAMP_SRC_SOE;
  const std::vector<v4l2_fract> full_rates = {{1, 30}, {1, 15}, {1, 5}};
  node.formats = {
      {V4L2_PIX_FMT_MJPEG,
       {{1280, 720, full_rates}, {640, 480, full_rates}, {320, 240, full_rates}}},
      {V4L2_PIX_FMT_YUYV,
       {{640, 480, full_rates}, {320, 240, full_rates}, {1280, 720, {{1, 10}, {1, 5}}}}}};
  node.controls = {
      {{V4L2_CID_BRIGHTNESS, V4L2_CTRL_TYPE_INTEGER, "Brightness", -64, 64, 1, 0, 0, {}}, 10},
      {{V4L2_CID_CONTRAST, V4L2_CTRL_TYPE_INTEGER, "Contrast", 0, 64, 1, 32, 0, {}}, 32},
      {{V4L2_CID_SATURATION, V4L2_CTRL_TYPE_INTEGER, "Saturation", 0, 128, 1, 64, 0, {}}, 60},
      {{V4L2_CID_HUE, V4L2_CTRL_TYPE_INTEGER, "Hue", -40, 40, 1, 0, 0, {}}, 0},
      {{V4L2_CID_HUE_AUTO, V4L2_CTRL_TYPE_BOOLEAN, "Hue, Auto", 0, 1, 1, 0, 0, {}}, 0},
      {{V4L2_CID_SHARPNESS, V4L2_CTRL_TYPE_INTEGER, "Sharpness", 0, 6, 1, 3, 0, {}}, 3},
      {{V4L2_CID_GAIN, V4L2_CTRL_TYPE_INTEGER, "Gain", 0, 100, 1, 0, V4L2_CTRL_FLAG_INACTIVE, {}},
       37},
      {{V4L2_CID_AUTOGAIN, V4L2_CTRL_TYPE_BOOLEAN, "Gain, Automatic", 0, 1, 1, 1, 0, {}}, 1},
  };
  return node;
}

}  // namespace vesk::testing
