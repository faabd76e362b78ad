#pragma once

// A GPS receiver on a pseudo-terminal: the station opens the terminal's device like a
// serial port while a thread plays NMEA data into it, at the rate the station set or as
// noise at any other rate, and can make the device vanish.

#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "base/serial_port.h"
#include "gps/gps_receiver.h"
#include "platform/linux/termios_serial_port.h"

namespace vesk::testing {

class PtyReceiver {
 public:
  struct Chunk {
    std::string bytes;
    std::chrono::milliseconds pause{30};
  };

  PtyReceiver() {
    char name[256] = {};
    if (openpty(&master_, &slave_, name, nullptr, nullptr) != 0) return;
    path_ = name;
    termios raw{};
    tcgetattr(slave_, &raw);
    cfmakeraw(&raw);
    tcsetattr(slave_, TCSANOW, &raw);
    fcntl(master_, F_SETFL, O_NONBLOCK);
    thread_ = std::thread([this] { Run(); });
  }
  ~PtyReceiver() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    Vanish();
    if (slave_ >= 0) close(slave_);
  }

  const std::string& path() const { return path_; }

  // The chunks in turn, each followed by its pause, over and over, while the line is at
  // baud (any rate when 0); at other rates the same number of bytes of noise.
  void Play(std::vector<Chunk> chunks, int baud = 0) {
    std::lock_guard<std::mutex> hold(mutex_);
    chunks_ = std::move(chunks);
    baud_ = baud;
    next_ = 0;
  }
  void Silence() { Play({}); }
  // The device goes: reads of the port fail from now on.
  void Vanish() {
    std::lock_guard<std::mutex> hold(mutex_);
    if (master_ >= 0) close(master_);
    master_ = -1;
  }

 private:
  static int BaudOf(speed_t speed) {
    const std::map<speed_t, int> rates = {
        {B1200, 1200}, {B4800, 4800}, {B9600, 9600}, {B19200, 19200}, {B38400, 38400}};
    const auto found = rates.find(speed);
    return found == rates.end() ? 0 : found->second;
  }

  void Run() {
    while (!stop_) {
      std::chrono::milliseconds pause{5};
      {
        std::lock_guard<std::mutex> hold(mutex_);
        if (master_ >= 0 && !chunks_.empty()) {
          const Chunk& chunk = chunks_[next_++ % chunks_.size()];
          termios line{};
          tcgetattr(master_, &line);  // a master reports its terminal's settings
          const bool at_rate = baud_ == 0 || BaudOf(cfgetispeed(&line)) == baud_;
          const std::string bytes =
              at_rate ? chunk.bytes : std::string(chunk.bytes.size(), '\xfe');
          [[maybe_unused]] const ssize_t written = write(master_, bytes.data(), bytes.size());
          pause = chunk.pause;
        }
      }
      std::this_thread::sleep_for(pause);
    }
  }

  int master_ = -1;
  int slave_ = -1;
  std::string path_;
  std::mutex mutex_;
  std::vector<Chunk> chunks_;
  int baud_ = 0;
  std::size_t next_ = 0;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

// The real termios ports over a fixed list, counting each open; a port may be made to
// refuse with an error instead.
class CountingPorts final : public SerialPorts {
 public:
  explicit CountingPorts(std::vector<std::string> ports) : real_(std::move(ports)) {}
  std::vector<std::string> CandidatePorts() override { return real_.CandidatePorts(); }
  SerialOpenResult Open(const std::string& path, int baud_rate) override {
    opens.emplace_back(path, baud_rate);
    const auto refused = refuse.find(path);
    if (refused != refuse.end()) return {nullptr, refused->second};
    return real_.Open(path, baud_rate);
  }

  std::vector<std::pair<std::string, int>> opens;
  std::map<std::string, SerialOpenError> refuse;

 private:
  TermiosSerialPorts real_;
};

// Short waits, so a probe of a silent port takes 60 ms instead of 1.2 s.
inline SerialTimings FastTimings() {
  SerialTimings timings;
  timings.read_interval = std::chrono::milliseconds(20);
  timings.total_per_byte = std::chrono::microseconds(100);
  timings.fix_time_limit = std::chrono::milliseconds(600);
  timings.slice = std::chrono::milliseconds(10);
  return timings;
}

}  // namespace vesk::testing
