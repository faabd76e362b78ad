#pragma once

// A GPS receiver on a pseudo-terminal: the station opens its device like a serial port while
// a thread plays NMEA data into it (at one rate only, or noise at the others) until the
// test makes the device vanish.

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
#include <vector>

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
    close(slave_);
  }
  const std::string& path() const { return path_; }

  // The chunks in turn, each followed by its pause, over and over, while the line is at
  // speed (any when B0), from the first whenever it comes to that speed, so that a probe
  // hears it at once whatever its pauses; at other rates as many bytes of noise.
  void Play(std::vector<Chunk> chunks, speed_t speed = B0) {
    std::lock_guard<std::mutex> hold(mutex_);
    chunks_ = std::move(chunks);
    speed_ = speed;
  }
  void Silence() { Play({}); }
  void Vanish() {
    std::lock_guard<std::mutex> hold(mutex_);
    if (master_ >= 0) close(master_);
    master_ = -1;
  }

 private:
  void Run() {
    using namespace std::chrono_literals;
    auto due = std::chrono::steady_clock::now();
    bool was_at_rate = false;
    for (std::size_t next = 0; !stop_; std::this_thread::sleep_for(5ms)) {
      std::lock_guard<std::mutex> hold(mutex_);
      termios line{};
      if (master_ < 0 || chunks_.empty() || tcgetattr(master_, &line) != 0) continue;
      // A master reports the settings its terminal was given.
      const bool at_rate = speed_ == B0 || cfgetispeed(&line) == speed_;
      const auto now = std::chrono::steady_clock::now();
      // Starts over just after the station's flush of what came before its speed was set.
      if (at_rate && !was_at_rate) {
        next = 0;
        due = now + 10ms;
      }
      was_at_rate = at_rate;
      if (now < due) continue;
      const Chunk& chunk = chunks_[next++ % chunks_.size()];
      const std::string bytes = at_rate ? chunk.bytes : std::string(chunk.bytes.size(), '\xfe');
      [[maybe_unused]] const ssize_t written = write(master_, bytes.data(), bytes.size());
      due = now + chunk.pause;
    }
  }

  int master_ = -1;
  int slave_ = -1;
  std::string path_;
  std::mutex mutex_;
  std::vector<Chunk> chunks_;
  speed_t speed_ = B0;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

// The termios ports over a fixed list, counting each open; a port may refuse instead.
class CountingPorts final : public SerialPorts {
 public:
  explicit CountingPorts(std::vector<std::string> ports) : real_(std::move(ports)) {}
  std::vector<std::string> CandidatePorts() override { return real_.CandidatePorts(); }
  SerialOpenResult Open(const std::string& path, int baud_rate) override {
    opens.emplace_back(path, baud_rate);
    if (refuse.count(path) != 0) return {nullptr, refuse[path]};
    return real_.Open(path, baud_rate);
  }
  std::vector<std::pair<std::string, int>> opens;
  std::map<std::string, SerialOpenError> refuse;

 private:
  TermiosSerialPorts real_;
};

// Short waits: a probe of a silent port takes 60 ms instead of 1.2 s, of a noisy one 150 ms
// instead of 2 s.
inline SerialTimings FastTimings() {
  using namespace std::chrono_literals;
  return SerialTimings{20ms, 100us, 600ms, 10ms, 150ms};
}

}  // namespace vesk::testing
