// Feeds arbitrary serial data to the $GPGGA search and parse: the first two bytes choose
// how many bytes count as just received, the rest is the receive buffer.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "base/message_log.h"
#include "gps/gga_parser.h"

namespace {

class FixedClock final : public vesk::Clock {
 public:
  vesk::FileTime UtcNow() const override { return 133'000'000'000'000'000; }
  vesk::FileTime LocalNow() const override { return UtcNow(); }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const std::size_t r =
      static_cast<std::size_t>(data[0]) | (static_cast<std::size_t>(data[1]) << 8);
  // An exact-size vector, so the sanitizer sees any read past the buffer.
  std::vector<std::uint8_t> buffer(data + 2, data + size);
  FixedClock clock;
  vesk::MessageLog log(clock);
  vesk::GpsFix fix;
  vesk::FindAndParseGga(buffer, r, r / 2, clock, log, &fix);
  return 0;
}
