#pragma once

// A V4L2 node as its driver answered (the recordings beside this file hold what real drivers
// gave), and a driver that replays it, changed by tests to be odd or to vanish.

#include <linux/videodev2.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/linux/v4l2_device.h"

namespace vesk::testing {

// A discrete size and its discrete frame intervals (none: not enumerated, ENOTTY).
struct RecordedSize {
  std::uint32_t width = 0, height = 0;
  std::vector<v4l2_fract> intervals{};
};

// A format's sizes are either discrete or one range; with neither the driver does not
// enumerate them (ENOTTY).
struct RecordedFormat {
  std::uint32_t pixel_format = 0;
  std::vector<RecordedSize> sizes{};
  std::uint32_t range_type = 0;  // V4L2_FRMSIZE_TYPE_STEPWISE or _CONTINUOUS
  v4l2_frmsize_stepwise range{};
};

struct RecordedStandard {
  v4l2_std_id id = 0;
  v4l2_fract frame_period{};
};

struct RecordedControl {
  v4l2_queryctrl query{};
  std::int32_t value = 0;
};

struct RecordedNode {
  std::string card;
  std::uint32_t capabilities = 0, device_caps = 0;
  std::vector<RecordedFormat> formats;
  // Empty: VIDIOC_ENUMSTD and VIDIOC_G_STD answer ENODATA, as on every node without standards.
  std::vector<RecordedStandard> standards;
  v4l2_std_id current_standard = 0;
  // VIDIOC_QUERYSTD: the detected mask (0: no signal) or an error; neither: ENOTTY.
  std::optional<v4l2_std_id> detected_standard;
  int querystd_error = 0;
  // VIDIOC_ENUMINPUT of the current (and only) input.
  v4l2_std_id input_std = 0;
  std::uint32_t input_capabilities = 0;
  std::vector<RecordedControl> controls;
  // VIDIOC_QUERYBUF's flags; VIDIOC_REQBUFS answers reqbufs_error when set (EBUSY: the node
  // streams for another holder).
  std::uint32_t buffer_flags = V4L2_BUF_FLAG_TIMESTAMP_MONOTONIC;
  int reqbufs_error = 0;
  std::uint32_t buffers_held = 0;
};

// Replays a RecordedNode, which the test may change between calls.
struct RecordedDriver : V4l2Driver {
  explicit RecordedDriver(RecordedNode* recorded) : node_(recorded) {}

  // After this many more calls every call answers ENODEV, as an unplugged device does.
  void VanishAfter(int calls) { calls_left = calls; }

  int Ioctl(unsigned long request, void* argument) override {
    ++calls;
    if (calls_left == 0) return ENODEV;
    if (calls_left > 0) --calls_left;
    switch (request) {
      case VIDIOC_ENUM_FMT: {
        auto* description = static_cast<v4l2_fmtdesc*>(argument);
        if (description->index >= node_->formats.size()) return EINVAL;
        description->pixelformat = node_->formats[description->index].pixel_format;
        return 0;
      }
      case VIDIOC_ENUM_FRAMESIZES: {
        auto* size = static_cast<v4l2_frmsizeenum*>(argument);
        const RecordedFormat* format = FindFormat(size->pixel_format);
        if (format == nullptr) return EINVAL;
        if (format->range_type != 0) {
          size->type = format->range_type;
          size->stepwise = format->range;
          return size->index == 0 ? 0 : EINVAL;
        }
        if (format->sizes.empty()) return ENOTTY;
        if (size->index >= format->sizes.size()) return EINVAL;
        size->type = V4L2_FRMSIZE_TYPE_DISCRETE;
        size->discrete = {format->sizes[size->index].width, format->sizes[size->index].height};
        return 0;
      }
      case VIDIOC_ENUM_FRAMEINTERVALS: {
        auto* interval = static_cast<v4l2_frmivalenum*>(argument);
        const RecordedFormat* format = FindFormat(interval->pixel_format);
        if (format == nullptr) return EINVAL;
        for (const RecordedSize& sized : format->sizes) {
          if (sized.width != interval->width || sized.height != interval->height) continue;
          if (sized.intervals.empty()) return ENOTTY;
          if (interval->index >= sized.intervals.size()) return EINVAL;
          interval->type = V4L2_FRMIVAL_TYPE_DISCRETE;
          interval->discrete = sized.intervals[interval->index];
          return 0;
        }
        return ENOTTY;
      }
      case VIDIOC_ENUMSTD: {
        auto* standard = static_cast<v4l2_standard*>(argument);
        if (node_->standards.empty()) return ENODATA;
        if (standard->index >= node_->standards.size()) return EINVAL;
        standard->id = node_->standards[standard->index].id;
        standard->frameperiod = node_->standards[standard->index].frame_period;
        return 0;
      }
      case VIDIOC_G_STD:
        if (node_->standards.empty()) return ENODATA;
        *static_cast<v4l2_std_id*>(argument) = node_->current_standard;
        return 0;
      case VIDIOC_S_STD: {
        const v4l2_std_id id = *static_cast<v4l2_std_id*>(argument);
        v4l2_std_id all = 0;
        for (const RecordedStandard& standard : node_->standards) all |= standard.id;
        if ((id & all) == 0) return node_->standards.empty() ? ENODATA : EINVAL;
        standards_set.push_back(id);
        node_->current_standard = id & all;
        return 0;
      }
      case VIDIOC_QUERYSTD:
        if (node_->querystd_error != 0) return node_->querystd_error;
        if (!node_->detected_standard) return ENOTTY;
        *static_cast<v4l2_std_id*>(argument) = *node_->detected_standard;
        return 0;
      case VIDIOC_G_INPUT:
        *static_cast<int*>(argument) = 0;
        return 0;
      case VIDIOC_REQBUFS:
        if (node_->reqbufs_error != 0) return node_->reqbufs_error;
        node_->buffers_held = static_cast<v4l2_requestbuffers*>(argument)->count;
        return 0;
      case VIDIOC_QUERYBUF: {
        auto* buffer = static_cast<v4l2_buffer*>(argument);
        if (buffer->index >= node_->buffers_held) return EINVAL;
        buffer->flags = node_->buffer_flags;
        return 0;
      }
      case VIDIOC_ENUMINPUT: {
        auto* input = static_cast<v4l2_input*>(argument);
        if (input->index != 0) return EINVAL;
        input->std = node_->input_std;
        input->capabilities = node_->input_capabilities;
        return 0;
      }
      case VIDIOC_QUERYCTRL:
      case VIDIOC_G_CTRL:
      case VIDIOC_S_CTRL: {
        // Both arguments begin with the control's id.
        const std::uint32_t id = *static_cast<std::uint32_t*>(argument);
        auto control = std::find_if(node_->controls.begin(), node_->controls.end(),
                                    [&](const RecordedControl& c) { return c.query.id == id; });
        if (control == node_->controls.end()) return EINVAL;
        auto* setting = static_cast<v4l2_control*>(argument);
        if (request == VIDIOC_QUERYCTRL) {
          *static_cast<v4l2_queryctrl*>(argument) = control->query;
        } else if (request == VIDIOC_G_CTRL) {
          setting->value = control->value;
        } else {  // like the drivers: clamp to the range
          control->value =
              std::clamp(setting->value, control->query.minimum, control->query.maximum);
        }
        return 0;
      }
      default:
        return ENOTTY;
    }
  }

  int calls = 0;
  int calls_left = -1;
  std::vector<v4l2_std_id> standards_set;

 private:
  const RecordedFormat* FindFormat(std::uint32_t pixel_format) const {
    for (const RecordedFormat& format : node_->formats) {
      if (format.pixel_format == pixel_format) return &format;
    }
    return nullptr;
  }

  RecordedNode* node_;
};

// A device on a recorded node; the node stays with the test so it can be changed.
struct RecordedDevice {
  explicit RecordedDevice(RecordedNode recorded) : node(std::move(recorded)) {
    auto owned = std::make_unique<RecordedDriver>(&node);
    driver = owned.get();
    device = std::make_unique<V4l2Device>(std::move(owned));
  }
  RecordedDevice(RecordedDevice&&) = delete;  // the driver points at this node
  RecordedNode node;
  RecordedDriver* driver = nullptr;
  std::unique_ptr<V4l2Device> device;
};

}  // namespace vesk::testing
