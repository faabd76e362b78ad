#include "platform/linux/termios_serial_port.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>

namespace vesk {
namespace {

class TermiosSerialPort final : public SerialPort {
 public:
  explicit TermiosSerialPort(int fd) : fd_(fd) {}
  ~TermiosSerialPort() override {
    // The exclusive flag belongs to the device, not to this descriptor.
    ioctl(fd_, TIOCNXCL);
    close(fd_);
  }
  TermiosSerialPort(const TermiosSerialPort&) = delete;
  TermiosSerialPort& operator=(const TermiosSerialPort&) = delete;

  std::ptrdiff_t ReadSome(std::span<std::uint8_t> into,
                          std::chrono::milliseconds timeout) override {
    if (failed_) return -1;
    pollfd waiting{fd_, POLLIN, 0};
    const int ready = poll(&waiting, 1, static_cast<int>(std::max<long long>(0, timeout.count())));
    if (ready == 0 || (ready < 0 && errno == EINTR)) return 0;
    if (ready < 0 || (waiting.revents & POLLIN) == 0) return Fail();
    const ssize_t count = read(fd_, into.data(), into.size());
    if (count > 0) return count;
    if (count < 0 && (errno == EAGAIN || errno == EINTR)) return 0;
    // Readable with nothing to read: the line hung up.
    return Fail();
  }

 private:
  std::ptrdiff_t Fail() {
    failed_ = true;
    return -1;
  }

  int fd_;
  bool failed_ = false;
};

speed_t SpeedOf(int baud_rate) {
  switch (baud_rate) {
    case 4800:
      return B4800;
    case 9600:
      return B9600;
    case 19200:
      return B19200;
    case 38400:
      return B38400;
    case 57600:
      return B57600;
    case 115200:
      return B115200;
    default:
      return B0;
  }
}

SerialOpenError ErrorOf(int error) {
  switch (error) {
    case ENOENT:
    case ENODEV:
    case ENXIO:
      return SerialOpenError::kNotFound;
    case EACCES:
    case EPERM:
      return SerialOpenError::kPermissionDenied;
    case EBUSY:
      return SerialOpenError::kBusy;
    default:
      return SerialOpenError::kFailed;
  }
}

// The device nodes named prefix followed by a number, in number order.
std::vector<std::string> NumberedNodes(const char* prefix) {
  std::vector<std::pair<long, std::string>> found;
  const std::string_view wanted(prefix);
  if (DIR* dev = opendir("/dev")) {
    while (const dirent* entry = readdir(dev)) {
      const std::string_view name(entry->d_name);
      if (name.size() <= wanted.size() || name.substr(0, wanted.size()) != wanted) continue;
      const std::string_view digits = name.substr(wanted.size());
      if (!std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
        continue;
      found.emplace_back(std::strtol(std::string(digits).c_str(), nullptr, 10),
                         "/dev/" + std::string(name));
    }
    closedir(dev);
  }
  std::sort(found.begin(), found.end());
  std::vector<std::string> paths;
  for (auto& node : found) paths.push_back(std::move(node.second));
  return paths;
}

}  // namespace

std::vector<std::string> TermiosSerialPorts::CandidatePorts() {
  std::vector<std::string> ports;
  if (use_fixed_) {
    ports = fixed_;
  } else {
    for (const char* prefix : {"ttyACM", "ttyUSB", "ttyS"}) {
      for (std::string& path : NumberedNodes(prefix)) ports.push_back(std::move(path));
    }
  }
  if (ports.size() > kMaxSerialCandidates) ports.resize(kMaxSerialCandidates);
  return ports;
}

SerialOpenResult TermiosSerialPorts::Open(const std::string& path, int baud_rate) {
  const int fd = open(path.c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return {nullptr, ErrorOf(errno)};
  // From here the port closes (and gives up its exclusive flag) whatever happens.
  auto port = std::make_unique<TermiosSerialPort>(fd);
  if (ioctl(fd, TIOCEXCL) != 0) return {nullptr, SerialOpenError::kFailed};
  termios settings{};
  const speed_t speed = SpeedOf(baud_rate);
  if (speed == B0 || tcgetattr(fd, &settings) != 0) return {nullptr, SerialOpenError::kFailed};
  cfsetispeed(&settings, speed);
  cfsetospeed(&settings, speed);
  // 8 data bits, no parity, one stop bit; the bytes as they come, no echo or line editing.
  settings.c_cflag = (settings.c_cflag & ~(CSIZE | PARENB | CSTOPB)) | CS8 | CREAD | CLOCAL;
  settings.c_lflag &= ~(ICANON | ECHO | ECHOE | ECHONL | ISIG | IEXTEN);
  settings.c_iflag &= ~(IXON | IXOFF | IXANY | ICRNL | INLCR | IGNCR | ISTRIP | INPCK | PARMRK);
  settings.c_cc[VMIN] = 1;
  settings.c_cc[VTIME] = 0;
  termios applied{};
  if (tcsetattr(fd, TCSANOW, &settings) != 0 || tcgetattr(fd, &applied) != 0 ||
      cfgetispeed(&applied) != speed || (applied.c_cflag & CSIZE) != CS8) {
    return {nullptr, SerialOpenError::kFailed};
  }
  // Bytes that came in before the rate was set are noise.
  tcflush(fd, TCIFLUSH);
  return {std::move(port), SerialOpenError::kNone};
}

std::vector<std::string> SplitPortList(std::string_view list) {
  std::vector<std::string> ports;
  while (!list.empty()) {
    const std::size_t colon = list.find(':');
    const std::string_view entry = list.substr(0, colon);
    if (!entry.empty()) ports.emplace_back(entry);
    if (colon == std::string_view::npos) break;
    list.remove_prefix(colon + 1);
  }
  return ports;
}

}  // namespace vesk
