#pragma once

// Serial ports on termios: the device nodes of USB receivers and built-in ports, opened
// read only, exclusively and never as the controlling terminal.

#include <string>
#include <string_view>
#include <vector>

#include "base/serial_port.h"

namespace vesk {

// At most this many ports are tried.
constexpr std::size_t kMaxSerialCandidates = 9;

class TermiosSerialPorts final : public SerialPorts {
 public:
  // The ports are /dev/ttyACM*, /dev/ttyUSB*, then /dev/ttyS*, each group in number order.
  TermiosSerialPorts() = default;
  // These ports instead, in this order (pseudo-terminals in tests, an unusual device).
  explicit TermiosSerialPorts(std::vector<std::string> ports)
      : fixed_(std::move(ports)), use_fixed_(true) {}

  std::vector<std::string> CandidatePorts() override;
  SerialOpenResult Open(const std::string& path, int baud_rate) override;

 private:
  std::vector<std::string> fixed_;
  bool use_fixed_ = false;
};

// A list of ports separated by ':'; empty entries are dropped.
std::vector<std::string> SplitPortList(std::string_view list);

}  // namespace vesk
