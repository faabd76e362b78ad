// Feeds arbitrary bytes to the options reader, then checks that what a load yields can be
// saved and that loading the saved file again gives the same file.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "config/options.h"
#include "config/xml_file.h"

namespace {

class FixedClock final : public vesk::Clock {
 public:
  vesk::FileTime UtcNow() const override { return 133'000'000'000'000'000; }
  vesk::FileTime LocalNow() const override { return UtcNow(); }
};

const std::vector<std::string> kCodecs = {"NONE", "My Codec", "Other Codec"};

bool LoadAndBuild(std::string_view bytes, std::string* file) {
  FixedClock clock;
  vesk::MessageLog log(clock);
  vesk::Options options;
  vesk::DerivedOptions derived;
  std::vector<vesk::VideoConfiguration> configurations;
  if (!vesk::LoadOptionsBytes(bytes, kCodecs, log, &options, &configurations)) return false;
  vesk::ApplyEventOptions(&options, &derived);
  std::vector<vesk::XmlEntry> entries;
  if (!vesk::BuildOptionsEntries(options, configurations, &entries)) return false;
  return vesk::BuildXmlFileBytes(vesk::kOptionsFileComment, entries, file);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  std::string first;
  if (!LoadAndBuild(bytes, &first)) return 0;
  std::string second;
  if (!LoadAndBuild(first, &second) || second != first) __builtin_trap();
  return 0;
}
