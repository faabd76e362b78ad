// Feeds arbitrary serial data to the GGA search and parse, and to the checks the probe and
// the carrying of an unfinished sentence make. The data is an exact-size copy, so the
// sanitizer sees any read past the received bytes.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

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
  const std::string received(reinterpret_cast<const char*>(data), size);
  FixedClock clock;
  vesk::MessageLog log(clock);
  vesk::GpsFix fix;
  vesk::FindAndParseGga(received, clock, log, &fix);
  vesk::ContainsGgaTag(received);
  const std::size_t tail = vesk::UnfinishedSentenceStart(received);
  if (tail > received.size()) __builtin_trap();
  return 0;
}
