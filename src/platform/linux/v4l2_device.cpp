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

HResult V4l2ResultOf(int error) {
  if (error == 0) return S_OK;
  if (Gone(error)) return kV4l2DeviceGone;
  return E_FAIL;
}

// Reads what the driver says about the node; every method answers 0 or an errno value.
class V4l2Device::Questions {
 public:
  explicit Questions(V4l2Driver& driver) : driver_(driver) {}

  int Standards(V4l2StandardAnswers* answers, bool* current_known, std::uint64_t* current) {
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

class V4l2Device::ProcAmp : public VideoProcAmp {
 public:
  explicit ProcAmp(V4l2Device& device) : device_(device) {}

  HResult GetRange(ProcAmpProperty property, ProcAmpRange* range) override {
    if (range == nullptr) return E_POINTER;
    V4l2ControlAnswer control;
    V4l2ControlAnswer automatic;
    const HResult result = Controls(property, &control, &automatic);
    if (Failed(result)) return result;
    return ProcAmpRangeOf(control, automatic, range);
  }

  HResult Get(ProcAmpProperty property, std::int32_t* value, std::int32_t* flags) override {
    if (value == nullptr || flags == nullptr) return E_POINTER;
    V4l2ControlAnswer control;
    V4l2ControlAnswer automatic;
    HResult result = Controls(property, &control, &automatic);
    if (Failed(result)) return result;
    if (!V4l2ControlUsable(control)) return kV4l2PropertyUnsupported;
    v4l2_control current{};
    current.id = ControlId(property);
    result = device_.Call(VIDIOC_G_CTRL, &current);
    if (Failed(result)) return result;
    bool automatic_known = false;
    std::int32_t automatic_value = 0;
    if (V4l2ControlUsable(automatic)) {
      v4l2_control mode{};
      mode.id = V4l2AutoControlIdOf(property);
      const int error = device_.driver_->Ioctl(VIDIOC_G_CTRL, &mode);
      if (Gone(error)) return kV4l2DeviceGone;
      automatic_known = error == 0;
      automatic_value = mode.value;
    }
    *value = current.value;
    *flags = ProcAmpFlagsOf(automatic, automatic_known, automatic_value);
    return S_OK;
  }

  HResult Set(ProcAmpProperty property, std::int32_t value, std::int32_t flags) override {
    V4l2ControlAnswer control;
    V4l2ControlAnswer automatic;
    HResult result = Controls(property, &control, &automatic);
    if (Failed(result)) return result;
    if (!V4l2ControlUsable(control)) return kV4l2PropertyUnsupported;
    if (flags == kProcAmpFlagsAuto) {
      if (!V4l2ControlUsable(automatic)) return E_INVALIDARG;
      v4l2_control mode{};
      mode.id = V4l2AutoControlIdOf(property);
      mode.value = 1;
      return device_.Call(VIDIOC_S_CTRL, &mode);
    }
    if (flags != kProcAmpFlagsManual) return E_INVALIDARG;
    // Drivers clamp silently; a value outside the range is refused instead.
    if (!ProcAmpValueAllowed(control, value)) return E_INVALIDARG;
    if (V4l2ControlUsable(automatic)) {
      // The value would not take while the automatic mode is on.
      v4l2_control mode{};
      mode.id = V4l2AutoControlIdOf(property);
      mode.value = 0;
      result = device_.Call(VIDIOC_S_CTRL, &mode);
      if (Failed(result)) return result;
    }
    v4l2_control setting{};
    setting.id = ControlId(property);
    setting.value = value;
    return device_.Call(VIDIOC_S_CTRL, &setting);
  }

 private:
  static std::uint32_t ControlId(ProcAmpProperty property) {
    std::uint32_t id = 0;
    V4l2ControlIdOf(property, &id);
    return id;
  }

  HResult Controls(ProcAmpProperty property, V4l2ControlAnswer* control,
                   V4l2ControlAnswer* automatic) {
    std::uint32_t id = 0;
    if (!V4l2ControlIdOf(property, &id)) return kV4l2PropertyUnsupported;
    Questions questions(*device_.driver_);
    int error = questions.Control(id, control);
    if (error == 0) error = questions.Control(V4l2AutoControlIdOf(property), automatic);
    return V4l2ResultOf(error);
  }

  V4l2Device& device_;
};

class V4l2Device::Decoder : public AnalogVideoDecoder {
 public:
  explicit Decoder(V4l2Device& device) : device_(device) {}

  HResult GetTvFormat(std::int32_t* format) override {
    if (format == nullptr) return E_POINTER;
    v4l2_std_id standard = 0;
    const HResult result = device_.Call(VIDIOC_G_STD, &standard);
    if (Failed(result)) return result;
    *format = TvFormatOfStandard(standard);
    return S_OK;
  }

  HResult PutTvFormat(std::int32_t format) override {
    V4l2StandardAnswers answers;
    bool current_known = false;
    std::uint64_t current = 0;
    const int error = Questions(*device_.driver_).Standards(&answers, &current_known, &current);
    if (error != 0) return V4l2ResultOf(error);
    std::uint64_t standard = 0;
    if (!StandardForTvFormat(format, answers.standards, &standard)) return E_INVALIDARG;
    v4l2_std_id id = standard;
    return device_.Call(VIDIOC_S_STD, &id);
  }

 private:
  V4l2Device& device_;
};

HResult V4l2Device::Open(const std::string& path, std::unique_ptr<V4l2Device>* device) {
  if (device == nullptr) return E_POINTER;
  device->reset();
  if (path.empty()) return E_INVALIDARG;
  const int fd = ::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return Gone(errno) || errno == ENOENT ? kV4l2DeviceGone : E_FAIL;
  auto opened = std::make_unique<V4l2Device>(std::make_unique<FileDriver>(fd));
  // Anything that does not answer as a V4L2 node is not one.
  v4l2_capability capability{};
  const HResult result = opened->Call(VIDIOC_QUERYCAP, &capability);
  if (Failed(result)) return result;
  *device = std::move(opened);
  return S_OK;
}

V4l2Device::V4l2Device(std::unique_ptr<V4l2Driver> driver)
    : driver_(std::move(driver)),
      proc_amp_(std::make_unique<ProcAmp>(*this)),
      decoder_(std::make_unique<Decoder>(*this)) {}

V4l2Device::~V4l2Device() = default;

HResult V4l2Device::Call(unsigned long request, void* argument) {
  return V4l2ResultOf(driver_->Ioctl(request, argument));
}

HResult V4l2Device::QueryCard(std::string* card_name, std::string* bus_info) {
  if (card_name == nullptr || bus_info == nullptr) return E_POINTER;
  v4l2_capability capability{};
  const HResult result = Call(VIDIOC_QUERYCAP, &capability);
  if (Failed(result)) return result;
  *card_name = TextOf(capability.card);
  *bus_info = TextOf(capability.bus_info);
  return S_OK;
}

HResult V4l2Device::QueryFormats(std::vector<MediaType>* types) {
  if (types == nullptr) return E_POINTER;
  types->clear();
  Questions questions(*driver_);
  V4l2DeviceAnswers answers;
  int error = questions.Standards(&answers.standards, &answers.current_standard_known,
                                  &answers.current_standard);
  if (error != 0) return V4l2ResultOf(error);
  for (std::uint32_t index = 0; index < kMaxEntries; ++index) {
    v4l2_fmtdesc description{};
    description.index = index;
    description.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    error = driver_->Ioctl(VIDIOC_ENUM_FMT, &description);
    if (Gone(error)) return V4l2ResultOf(error);
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
    if (error != 0) return V4l2ResultOf(error);
    V4l2FrameSize tried;
    if (sizes.kind == V4l2Enumeration::NotSupported && !V4l2IsAnalog(answers.standards)) {
      error = questions.TriedSize(format.pixel_format, &tried);
      if (error != 0) return V4l2ResultOf(error);
    }
    for (const V4l2FrameSize& size : V4l2SizesToOffer(sizes, answers.standards, tried)) {
      V4l2SizeWithIntervals sized;
      sized.size = size;
      error = questions.FrameIntervals(format.pixel_format, size, &sized.intervals);
      if (error != 0) return V4l2ResultOf(error);
      format.sized.push_back(std::move(sized));
    }
    answers.formats.push_back(std::move(format));
  }
  *types = V4l2MediaTypes(answers);
  return S_OK;
}

HResult V4l2Device::QueryVideoProcAmp(VideoProcAmp** proc_amp) {
  if (proc_amp == nullptr) return E_POINTER;
  *proc_amp = proc_amp_.get();
  return S_OK;
}

HResult V4l2Device::QueryAnalogVideoDecoder(AnalogVideoDecoder** decoder) {
  if (decoder == nullptr) return E_POINTER;
  *decoder = nullptr;
  V4l2StandardAnswers answers;
  bool current_known = false;
  std::uint64_t current = 0;
  const int error = Questions(*driver_).Standards(&answers, &current_known, &current);
  if (error != 0) return V4l2ResultOf(error);
  if (!V4l2IsAnalog(answers)) return E_NOINTERFACE;
  *decoder = decoder_.get();
  return S_OK;
}

}  // namespace vesk
