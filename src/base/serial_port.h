#pragma once

// Serial ports as the GPS receiver needs them: the candidate ports, opening one at a rate
// (8 data bits, no parity, one stop bit, read only, not shared) and waiting reads.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace vesk {

class SerialPort {
 public:
  virtual ~SerialPort() = default;
  // Waits at most timeout for bytes and reads those that are there, up to into.size().
  // The count read (0: nothing came in time), or -1 when the port has failed (the device
  // was unplugged); a failed port gives nothing more.
  virtual std::ptrdiff_t ReadSome(std::span<std::uint8_t> into,
                                  std::chrono::milliseconds timeout) = 0;
};

enum class SerialOpenError {
  kNone,
  kNotFound,          // no such device (any more)
  kPermissionDenied,  // the user may not open it (not in the group that owns it)
  kBusy,              // another program holds it
  kFailed,            // not a serial port, or it refused the settings
};

struct SerialOpenResult {
  std::unique_ptr<SerialPort> port;  // null when the open failed
  SerialOpenError error = SerialOpenError::kNone;
};

class SerialPorts {
 public:
  virtual ~SerialPorts() = default;
  // The ports a receiver may be on, in the order to try them.
  virtual std::vector<std::string> CandidatePorts() = 0;
  virtual SerialOpenResult Open(const std::string& path, int baud_rate) = 0;
};

}  // namespace vesk
