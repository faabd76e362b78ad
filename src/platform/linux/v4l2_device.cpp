#include "platform/linux/v4l2_device.h"

#include <fcntl.h>
#include <linux/videodev2.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

#include "platform/linux/v4l2_translation.h"

namespace vesk {
namespace {

// No driver lists more than this many formats, sizes, intervals or standards; a driver
// that keeps answering is cut off here instead of looping for ever. A list also ends at
// the first answer that repeats an earlier one (a driver that ignores the index).
constexpr std::uint32_t kMaxEntries = 256;

template <typename T>
bool Contains(const std::vector<T>& list, const T& item) {
  return std::find(list.begin(), list.end(), item) != list.end();
}

bool Gone(int error) { return error == ENODEV || error == ENXIO; }

class FileDriver : public V4l2Driver {
 public:
  explicit FileDriver(int fd) : fd_(fd) {}
  ~FileDriver() override { ::close(fd_); }
  FileDriver(const FileDriver&) = delete;
  FileDriver& operator=(const FileDriver&) = delete;

  int Ioctl(unsigned long request, void* argument) override {
    for (;;) {
      if (::ioctl(fd_, request, argument) == 0) return 0;
      if (errno != EINTR) return errno;
    }
  }

 private:
  int fd_;
};

template <std::size_t N>
std::string TextOf(const __u8 (&bytes)[N]) {
  std::size_t length = 0;
  while (length < N && bytes[length] != 0) ++length;
  return std::string(reinterpret_cast<const char*>(bytes), length);
}

V4l2ControlAnswer ControlAnswerOf(const v4l2_queryctrl& query) {
  V4l2ControlAnswer answer;
  answer.present = true;
  answer.type = query.type;
  answer.minimum = query.minimum;
  answer.maximum = query.maximum;
  answer.step = query.step;
  answer.default_value = query.default_value;
  answer.flags = query.flags;
  return answer;
}

}  // namespace

V4l2Status V4l2StatusOf(int error) {
  if (error == 0) return V4l2Status::Ok;
  if (Gone(error)) return V4l2Status::Gone;
  return V4l2Status::Failed;
}

// Reads what the driver says about the node; every method answers 0 or an errno value.
class V4l2Device::Questions {
 public:
  explicit Questions(V4l2Driver& driver) : driver_(driver) {}

  int Standards(V4l2StandardAnswers* answers, bool* current_known, v4l2_std_id* current) {
    *answers = {};
    for (std::uint32_t index = 0; index < kMaxEntries; ++index) {
      v4l2_standard standard{};
      standard.index = index;
      const int error = driver_.Ioctl(VIDIOC_ENUMSTD, &standard);
      if (Gone(error)) return error;
      if (error != 0) break;
      answers->enumerates_standards = true;
      const bool repeated =
          std::any_of(answers->standards.begin(), answers->standards.end(),
                      [&](const V4l2StandardEntry& entry) { return entry.id == standard.id; });
      if (repeated) break;
      answers->standards.push_back(
          {standard.id,
           TextOf(standard.name),
           {standard.frameperiod.numerator, standard.frameperiod.denominator},
           standard.framelines});
    }
    int input_index = 0;
    int error = driver_.Ioctl(VIDIOC_G_INPUT, &input_index);
    if (Gone(error)) return error;
    if (error == 0) {
      v4l2_input input{};
      input.index = static_cast<__u32>(input_index);
      error = driver_.Ioctl(VIDIOC_ENUMINPUT, &input);
      if (Gone(error)) return error;
      if (error == 0) {
        answers->input_known = true;
        answers->input_std = input.std;
        answers->input_capabilities = input.capabilities;
      }
    }
    v4l2_std_id standard_id = 0;
    error = driver_.Ioctl(VIDIOC_G_STD, &standard_id);
    if (Gone(error)) return error;
    *current_known = error == 0;
    *current = error == 0 ? standard_id : 0;
    return 0;
  }

  int FrameSizes(std::uint32_t pixel_format, V4l2FrameSizeAnswer* answer) {
    *answer = {};
    for (std::uint32_t index = 0; index < kMaxEntries; ++index) {
      v4l2_frmsizeenum size{};
      size.index = index;
      size.pixel_format = pixel_format;
      const int error = driver_.Ioctl(VIDIOC_ENUM_FRAMESIZES, &size);
      if (Gone(error)) return error;
      if (error != 0) break;
      if (size.type == V4L2_FRMSIZE_TYPE_DISCRETE) {
        const V4l2FrameSize discrete{size.discrete.width, size.discrete.height};
        if (Contains(answer->discrete, discrete)) break;
        answer->kind = V4l2Enumeration::Discrete;
        answer->discrete.push_back(discrete);
        continue;
      }
      if (index == 0) {
        answer->kind = size.type == V4L2_FRMSIZE_TYPE_CONTINUOUS ? V4l2Enumeration::Continuous
                                                                 : V4l2Enumeration::Stepwise;
        answer->min_width = size.stepwise.min_width;
        answer->max_width = size.stepwise.max_width;
        answer->step_width = size.stepwise.step_width;
        answer->min_height = size.stepwise.min_height;
        answer->max_height = size.stepwise.max_height;
        answer->step_height = size.stepwise.step_height;
      }
      break;  // a range is one answer; a range after discrete sizes is not valid
    }
    return 0;
  }

  int FrameIntervals(std::uint32_t pixel_format, const V4l2FrameSize& frame_size,
                     V4l2FrameIntervalAnswer* answer) {
    *answer = {};
    for (std::uint32_t index = 0; index < kMaxEntries; ++index) {
      v4l2_frmivalenum interval{};
      interval.index = index;
      interval.pixel_format = pixel_format;
      interval.width = frame_size.width;
      interval.height = frame_size.height;
      const int error = driver_.Ioctl(VIDIOC_ENUM_FRAMEINTERVALS, &interval);
      if (Gone(error)) return error;
      if (error != 0) break;
      if (interval.type == V4L2_FRMIVAL_TYPE_DISCRETE) {
        const V4l2Fraction discrete{interval.discrete.numerator, interval.discrete.denominator};
        if (Contains(answer->discrete, discrete)) break;
        answer->kind = V4l2Enumeration::Discrete;
        answer->discrete.push_back(discrete);
        continue;
      }
      if (index == 0) {
        answer->kind = interval.type == V4L2_FRMIVAL_TYPE_CONTINUOUS ? V4l2Enumeration::Continuous
                                                                     : V4l2Enumeration::Stepwise;
        const v4l2_frmival_stepwise& range = interval.stepwise;
        answer->minimum = {range.min.numerator, range.min.denominator};
        answer->maximum = {range.max.numerator, range.max.denominator};
        answer->step = {range.step.numerator, range.step.denominator};
      }
      break;
    }
    return 0;
  }

  // The size the driver settles on for a format at the current size, without changing
  // anything (for drivers that do not enumerate sizes).
  int TriedSize(std::uint32_t pixel_format, V4l2FrameSize* tried) {
    *tried = {};
    v4l2_format format{};
    format.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    int error = driver_.Ioctl(VIDIOC_G_FMT, &format);
    if (Gone(error)) return error;
    if (error != 0) return 0;
    format.fmt.pix.pixelformat = pixel_format;
    error = driver_.Ioctl(VIDIOC_TRY_FMT, &format);
    if (Gone(error)) return error;
    if (error == 0 && format.fmt.pix.pixelformat == pixel_format) {
      *tried = {format.fmt.pix.width, format.fmt.pix.height};
    }
    return 0;
  }

  int Control(std::uint32_t id, V4l2ControlAnswer* answer) {
    *answer = {};
    if (id == 0) return 0;
    v4l2_queryctrl query{};
    query.id = id;
    const int error = driver_.Ioctl(VIDIOC_QUERYCTRL, &query);
    if (Gone(error)) return error;
    // Drivers may answer a nearby id; only the one asked for counts.
    if (error == 0 && query.id == id) *answer = ControlAnswerOf(query);
    return 0;
  }

 private:
  V4l2Driver& driver_;
};

V4l2Status V4l2Device::Open(const std::string& path, std::unique_ptr<V4l2Device>* device) {
  if (device == nullptr) return V4l2Status::Refused;
  device->reset();
  if (path.empty()) return V4l2Status::Refused;
  const int fd = ::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return Gone(errno) || errno == ENOENT ? V4l2Status::Gone : V4l2Status::Failed;
  auto opened = std::make_unique<V4l2Device>(std::make_unique<FileDriver>(fd));
  // Anything that does not answer as a V4L2 node is not one.
  v4l2_capability capability{};
  const V4l2Status status = opened->Call(VIDIOC_QUERYCAP, &capability);
  if (status != V4l2Status::Ok) return status;
  *device = std::move(opened);
  return V4l2Status::Ok;
}

V4l2Device::V4l2Device(std::unique_ptr<V4l2Driver> driver) : driver_(std::move(driver)) {}

V4l2Device::~V4l2Device() = default;

V4l2Status V4l2Device::Call(unsigned long request, void* argument) {
  return V4l2StatusOf(driver_->Ioctl(request, argument));
}

V4l2Status V4l2Device::QueryCard(std::string* card_name, std::string* bus_info) {
  v4l2_capability capability{};
  const V4l2Status status = Call(VIDIOC_QUERYCAP, &capability);
  if (status != V4l2Status::Ok) return status;
  *card_name = TextOf(capability.card);
  *bus_info = TextOf(capability.bus_info);
  return V4l2Status::Ok;
}

V4l2Status V4l2Device::QueryFormats(std::vector<MediaType>* types) {
  types->clear();
  Questions questions(*driver_);
  V4l2DeviceAnswers answers;
  int error = questions.Standards(&answers.standards, &answers.current_standard_known,
                                  &answers.current_standard);
  if (error != 0) return V4l2StatusOf(error);
  for (std::uint32_t index = 0; index < kMaxEntries; ++index) {
    v4l2_fmtdesc description{};
    description.index = index;
    description.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    error = driver_->Ioctl(VIDIOC_ENUM_FMT, &description);
    if (Gone(error)) return V4l2StatusOf(error);
    if (error != 0) break;
    const bool repeated = std::any_of(
        answers.formats.begin(), answers.formats.end(),
        [&](const V4l2FormatAnswer& seen) { return seen.pixel_format == description.pixelformat; });
    if (repeated) break;
    V4l2FormatAnswer format;
    format.pixel_format = description.pixelformat;
    format.description = TextOf(description.description);
    format.flags = description.flags;
    V4l2FrameSizeAnswer sizes;
    error = questions.FrameSizes(format.pixel_format, &sizes);
    if (error != 0) return V4l2StatusOf(error);
    V4l2FrameSize tried;
    if (sizes.kind == V4l2Enumeration::NotSupported && !V4l2IsAnalog(answers.standards)) {
      error = questions.TriedSize(format.pixel_format, &tried);
      if (error != 0) return V4l2StatusOf(error);
    }
    for (const V4l2FrameSize& size : V4l2SizesToOffer(sizes, answers.standards, tried)) {
      V4l2SizeWithIntervals sized;
      sized.size = size;
      error = questions.FrameIntervals(format.pixel_format, size, &sized.intervals);
      if (error != 0) return V4l2StatusOf(error);
      format.sized.push_back(std::move(sized));
    }
    answers.formats.push_back(std::move(format));
  }
  *types = V4l2MediaTypes(answers);
  return V4l2Status::Ok;
}

V4l2Status V4l2Device::QueryPictureControl(std::uint32_t id, std::uint32_t auto_id,
                                           V4l2PictureControl* control) {
  Questions questions(*driver_);
  int error = questions.Control(id, &control->control);
  if (error == 0) error = questions.Control(auto_id, &control->automatic);
  return V4l2StatusOf(error);
}

V4l2Status V4l2Device::QueryUsable(std::uint32_t id, std::uint32_t auto_id,
                                   V4l2PictureControl* control) {
  const V4l2Status status = QueryPictureControl(id, auto_id, control);
  if (status != V4l2Status::Ok) return status;
  return V4l2ControlUsable(control->control) ? V4l2Status::Ok : V4l2Status::Unsupported;
}

V4l2Status V4l2Device::ReadPictureControl(std::uint32_t id, std::uint32_t auto_id,
                                          std::int32_t* value, bool* automatic) {
  V4l2PictureControl control;
  V4l2Status status = QueryUsable(id, auto_id, &control);
  if (status != V4l2Status::Ok) return status;
  v4l2_control current{};
  current.id = id;
  status = Call(VIDIOC_G_CTRL, &current);
  if (status != V4l2Status::Ok) return status;
  bool automatic_on = false;
  if (V4l2ControlUsable(control.automatic)) {
    // A mode that cannot be read counts as off.
    v4l2_control mode{};
    mode.id = auto_id;
    const int error = driver_->Ioctl(VIDIOC_G_CTRL, &mode);
    if (Gone(error)) return V4l2Status::Gone;
    automatic_on = error == 0 && mode.value != 0;
  }
  *value = current.value;
  *automatic = automatic_on;
  return V4l2Status::Ok;
}

V4l2Status V4l2Device::WritePictureControl(std::uint32_t id, std::uint32_t auto_id,
                                           std::int32_t value) {
  V4l2PictureControl control;
  V4l2Status status = QueryUsable(id, auto_id, &control);
  if (status != V4l2Status::Ok) return status;
  if (!V4l2ControlValueAllowed(control.control, value)) return V4l2Status::Refused;
  if (V4l2ControlUsable(control.automatic)) {
    v4l2_control mode{};
    mode.id = auto_id;
    mode.value = 0;
    status = Call(VIDIOC_S_CTRL, &mode);
    if (status != V4l2Status::Ok) return status;
  }
  v4l2_control setting{};
  setting.id = id;
  setting.value = value;
  return Call(VIDIOC_S_CTRL, &setting);
}

V4l2Status V4l2Device::SwitchToAutomatic(std::uint32_t id, std::uint32_t auto_id) {
  V4l2PictureControl control;
  const V4l2Status status = QueryUsable(id, auto_id, &control);
  if (status != V4l2Status::Ok) return status;
  if (!V4l2ControlUsable(control.automatic)) return V4l2Status::Refused;
  v4l2_control mode{};
  mode.id = auto_id;
  mode.value = 1;
  return Call(VIDIOC_S_CTRL, &mode);
}

V4l2Status V4l2Device::QueryBufferFlags(std::uint32_t* flags) {
  v4l2_requestbuffers request{};
  request.count = 1;
  request.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
  request.memory = V4L2_MEMORY_MMAP;
  V4l2Status status = Call(VIDIOC_REQBUFS, &request);
  if (status != V4l2Status::Ok) return status;
  if (request.count == 0) {
    status = V4l2Status::Failed;
  } else {
    v4l2_buffer buffer{};
    buffer.index = 0;
    buffer.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    buffer.memory = V4L2_MEMORY_MMAP;
    status = Call(VIDIOC_QUERYBUF, &buffer);
    if (status == V4l2Status::Ok) *flags = buffer.flags;
  }
  // The buffer goes back at once: the stream asks for its own.
  request.count = 0;
  const V4l2Status released = Call(VIDIOC_REQBUFS, &request);
  return status == V4l2Status::Ok ? released : status;
}

V4l2Status V4l2Device::QueryAnalog(bool* analog) {
  V4l2StandardAnswers answers;
  bool current_known = false;
  v4l2_std_id current = 0;
  const int error = Questions(*driver_).Standards(&answers, &current_known, &current);
  if (error != 0) return V4l2StatusOf(error);
  *analog = V4l2IsAnalog(answers);
  return V4l2Status::Ok;
}

V4l2Status V4l2Device::GetStandard(v4l2_std_id* standard) { return Call(VIDIOC_G_STD, standard); }

V4l2Status V4l2Device::QueryStandard(v4l2_std_id* detected) {
  return Call(VIDIOC_QUERYSTD, detected);
}

V4l2Status V4l2Device::SetStandardFamily(V4l2StandardFamily family) {
  V4l2StandardAnswers answers;
  bool current_known = false;
  v4l2_std_id current = 0;
  const int error = Questions(*driver_).Standards(&answers, &current_known, &current);
  if (error != 0) return V4l2StatusOf(error);
  v4l2_std_id standard = 0;
  if (!V4l2StandardOfFamily(family, answers.standards, &standard)) return V4l2Status::Refused;
  return Call(VIDIOC_S_STD, &standard);
}

}  // namespace vesk
