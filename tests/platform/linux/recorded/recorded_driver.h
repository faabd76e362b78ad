#pragma once

// A V4L2 node as its driver answered, and a driver that replays those answers through
// V4l2Device. The recordings beside this file fill a RecordedNode with the values real
// drivers gave; tests change single answers to make the driver odd, or make it vanish.

#include <linux/videodev2.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "platform/linux/v4l2_device.h"

namespace vesk::testing {

// One answer of VIDIOC_ENUM_FRAMESIZES.
struct RecordedSize {
  std::uint32_t type = V4L2_FRMSIZE_TYPE_DISCRETE;
  std::uint32_t width = 0;  // discrete, or the range's minimum
  std::uint32_t height = 0;
  std::uint32_t max_width = 0;
  std::uint32_t max_height = 0;
  std::uint32_t step_width = 0;
  std::uint32_t step_height = 0;
};

inline RecordedSize DiscreteSize(std::uint32_t width, std::uint32_t height) {
  return {V4L2_FRMSIZE_TYPE_DISCRETE, width, height, 0, 0, 0, 0};
}

// One answer of VIDIOC_ENUM_FRAMEINTERVALS.
struct RecordedInterval {
  std::uint32_t type = V4L2_FRMIVAL_TYPE_DISCRETE;
  v4l2_fract value{};  // discrete, or the range's minimum
  v4l2_fract maximum{};
  v4l2_fract step{};
};

inline RecordedInterval DiscreteInterval(std::uint32_t numerator, std::uint32_t denominator) {
  return {V4L2_FRMIVAL_TYPE_DISCRETE, {numerator, denominator}, {}, {}};
}

// The intervals of one size of one format.
struct RecordedSizeIntervals {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::vector<RecordedInterval> intervals;
};

struct RecordedFormat {
  std::uint32_t pixel_format = 0;
  std::string description;
  std::uint32_t flags = 0;
  // Empty: the driver does not enumerate sizes (ENOTTY).
  std::vector<RecordedSize> sizes;
  // Sizes without an entry have no interval enumeration (ENOTTY).
  std::vector<RecordedSizeIntervals> intervals;
};

struct RecordedStandard {
  v4l2_std_id id = 0;
  std::string name;
  v4l2_fract frame_period{};
  std::uint32_t frame_lines = 0;
};

struct RecordedControl {
  std::uint32_t id = 0;
  std::uint32_t type = V4L2_CTRL_TYPE_INTEGER;
  std::string name;
  std::int32_t minimum = 0;
  std::int32_t maximum = 0;
  std::int32_t step = 1;
  std::int32_t default_value = 0;
  std::uint32_t flags = 0;
  std::int32_t value = 0;
};

struct RecordedInput {
  std::string name;
  std::uint32_t type = V4L2_INPUT_TYPE_CAMERA;
  v4l2_std_id std = 0;
  std::uint32_t capabilities = 0;
};

struct RecordedNode {
  std::string driver;
  std::string card;
  std::string bus_info;
  std::uint32_t capabilities = 0;
  std::uint32_t device_caps = 0;
  std::vector<RecordedFormat> formats;
  // Empty: VIDIOC_ENUMSTD answers ENODATA, as for every node without standards.
  std::vector<RecordedStandard> standards;
  bool has_current_standard = false;
  v4l2_std_id current_standard = 0;
  std::vector<RecordedInput> inputs;
  std::uint32_t current_input = 0;
  std::vector<RecordedControl> controls;
  // VIDIOC_G_FMT.
  std::uint32_t current_pixel_format = 0;
  std::uint32_t current_width = 0;
  std::uint32_t current_height = 0;
};

template <std::size_t N>
void CopyText(const std::string& text, __u8 (&bytes)[N]) {
  std::memset(bytes, 0, N);
  std::memcpy(bytes, text.data(), std::min(text.size(), N));
}

// Replays a RecordedNode. The node is shared with the test, which may change it between
// calls, read what was written and make the device vanish.
class RecordedDriver : public V4l2Driver {
 public:
  explicit RecordedDriver(RecordedNode* node) : node_(node) {}

  // After this many more calls every call answers ENODEV, as an unplugged device does.
  void VanishAfter(int calls) { calls_left_ = calls; }
  // Every enumeration answers success for every index, as a broken driver might.
  void AnswerEndlessly() { endless_ = true; }
  int calls() const { return calls_; }
  const std::vector<v4l2_std_id>& standards_set() const { return standards_set_; }

  int Ioctl(unsigned long request, void* argument) override {
    ++calls_;
    if (calls_left_ == 0) return ENODEV;
    if (calls_left_ > 0) --calls_left_;
    switch (request) {
      case VIDIOC_QUERYCAP:
        return QueryCap(static_cast<v4l2_capability*>(argument));
      case VIDIOC_ENUM_FMT:
        return EnumFormat(static_cast<v4l2_fmtdesc*>(argument));
      case VIDIOC_ENUM_FRAMESIZES:
        return EnumSizes(static_cast<v4l2_frmsizeenum*>(argument));
      case VIDIOC_ENUM_FRAMEINTERVALS:
        return EnumIntervals(static_cast<v4l2_frmivalenum*>(argument));
      case VIDIOC_G_FMT:
      case VIDIOC_TRY_FMT:
        return Format(request, static_cast<v4l2_format*>(argument));
      case VIDIOC_ENUMSTD:
        return EnumStandard(static_cast<v4l2_standard*>(argument));
      case VIDIOC_G_STD:
        if (!node_->has_current_standard) return ENODATA;
        *static_cast<v4l2_std_id*>(argument) = node_->current_standard;
        return 0;
      case VIDIOC_S_STD:
        return SetStandard(*static_cast<v4l2_std_id*>(argument));
      case VIDIOC_G_INPUT:
        if (node_->inputs.empty()) return ENOTTY;
        *static_cast<int*>(argument) = static_cast<int>(node_->current_input);
        return 0;
      case VIDIOC_ENUMINPUT:
        return EnumInput(static_cast<v4l2_input*>(argument));
      case VIDIOC_QUERYCTRL:
        return QueryControl(static_cast<v4l2_queryctrl*>(argument));
      case VIDIOC_G_CTRL:
      case VIDIOC_S_CTRL:
        return Control(request, static_cast<v4l2_control*>(argument));
      default:
        return ENOTTY;
    }
  }

 private:
  int QueryCap(v4l2_capability* capability) {
    *capability = {};
    CopyText(node_->driver, capability->driver);
    CopyText(node_->card, capability->card);
    CopyText(node_->bus_info, capability->bus_info);
    capability->capabilities = node_->capabilities;
    capability->device_caps = node_->device_caps;
    return 0;
  }

  const RecordedFormat* FindFormat(std::uint32_t pixel_format) const {
    for (const RecordedFormat& format : node_->formats) {
      if (format.pixel_format == pixel_format) return &format;
    }
    return nullptr;
  }

  int EnumFormat(v4l2_fmtdesc* description) {
    if (description->type != V4L2_BUF_TYPE_VIDEO_CAPTURE) return EINVAL;
    if (endless_ && !node_->formats.empty()) {
      Fill(node_->formats.front(), description);
      return 0;
    }
    if (description->index >= node_->formats.size()) return EINVAL;
    Fill(node_->formats[description->index], description);
    return 0;
  }

  static void Fill(const RecordedFormat& format, v4l2_fmtdesc* description) {
    description->pixelformat = format.pixel_format;
    description->flags = format.flags;
    CopyText(format.description, description->description);
  }

  int EnumSizes(v4l2_frmsizeenum* size) {
    const RecordedFormat* format = FindFormat(size->pixel_format);
    if (format == nullptr) return EINVAL;
    if (format->sizes.empty()) return ENOTTY;
    std::size_t index = size->index;
    if (endless_) index = 0;
    if (index >= format->sizes.size()) return EINVAL;
    const RecordedSize& answer = format->sizes[index];
    size->type = answer.type;
    if (answer.type == V4L2_FRMSIZE_TYPE_DISCRETE) {
      size->discrete = {answer.width, answer.height};
    } else {
      size->stepwise = {answer.width,  answer.max_width,  answer.step_width,
                        answer.height, answer.max_height, answer.step_height};
    }
    return 0;
  }

  int EnumIntervals(v4l2_frmivalenum* interval) {
    const RecordedFormat* format = FindFormat(interval->pixel_format);
    if (format == nullptr) return EINVAL;
    for (const RecordedSizeIntervals& sized : format->intervals) {
      if (sized.width != interval->width || sized.height != interval->height) continue;
      std::size_t index = interval->index;
      if (endless_) index = 0;
      if (index >= sized.intervals.size()) return EINVAL;
      const RecordedInterval& answer = sized.intervals[index];
      interval->type = answer.type;
      if (answer.type == V4L2_FRMIVAL_TYPE_DISCRETE) {
        interval->discrete = answer.value;
      } else {
        interval->stepwise = {answer.value, answer.maximum, answer.step};
      }
      return 0;
    }
    return node_->formats.empty() ? EINVAL : ENOTTY;
  }

  int Format(unsigned long request, v4l2_format* format) {
    if (format->type != V4L2_BUF_TYPE_VIDEO_CAPTURE) return EINVAL;
    if (request == VIDIOC_G_FMT) {
      format->fmt.pix.pixelformat = node_->current_pixel_format;
    } else if (FindFormat(format->fmt.pix.pixelformat) == nullptr) {
      format->fmt.pix.pixelformat = node_->current_pixel_format;
    }
    format->fmt.pix.width = node_->current_width;
    format->fmt.pix.height = node_->current_height;
    return 0;
  }

  int EnumStandard(v4l2_standard* standard) {
    if (node_->standards.empty()) return ENODATA;
    std::size_t index = standard->index;
    if (endless_) index = 0;
    if (index >= node_->standards.size()) return EINVAL;
    const RecordedStandard& answer = node_->standards[index];
    standard->id = answer.id;
    CopyText(answer.name, standard->name);
    standard->frameperiod = answer.frame_period;
    standard->framelines = answer.frame_lines;
    return 0;
  }

  int SetStandard(v4l2_std_id id) {
    if (node_->standards.empty()) return ENODATA;
    v4l2_std_id all = 0;
    for (const RecordedStandard& standard : node_->standards) all |= standard.id;
    if ((id & all) == 0) return EINVAL;
    standards_set_.push_back(id);
    node_->current_standard = id & all;
    node_->has_current_standard = true;
    return 0;
  }

  int EnumInput(v4l2_input* input) {
    if (input->index >= node_->inputs.size()) return EINVAL;
    const RecordedInput& answer = node_->inputs[input->index];
    CopyText(answer.name, input->name);
    input->type = answer.type;
    input->std = answer.std;
    input->capabilities = answer.capabilities;
    return 0;
  }

  RecordedControl* FindControl(std::uint32_t id) {
    for (RecordedControl& control : node_->controls) {
      if (control.id == id) return &control;
    }
    return nullptr;
  }

  int QueryControl(v4l2_queryctrl* query) {
    const RecordedControl* control = FindControl(query->id);
    if (control == nullptr) return EINVAL;
    query->type = control->type;
    CopyText(control->name, query->name);
    query->minimum = control->minimum;
    query->maximum = control->maximum;
    query->step = control->step;
    query->default_value = control->default_value;
    query->flags = control->flags;
    return 0;
  }

  int Control(unsigned long request, v4l2_control* setting) {
    RecordedControl* control = FindControl(setting->id);
    if (control == nullptr) return EINVAL;
    if (request == VIDIOC_G_CTRL) {
      setting->value = control->value;
    } else {
      // Like the drivers: clamp to the range.
      control->value = std::clamp(setting->value, control->minimum, control->maximum);
    }
    return 0;
  }

  RecordedNode* node_;
  int calls_ = 0;
  int calls_left_ = -1;
  bool endless_ = false;
  std::vector<v4l2_std_id> standards_set_;
};

}  // namespace vesk::testing
