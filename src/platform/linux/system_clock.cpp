#include "platform/linux/system_clock.h"

#include <time.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>

#include "base/time_zone.h"

namespace vesk {
namespace {

// Seconds from 1601-01-01 to 1970-01-01.
constexpr FileTime kUnixEpochSeconds = 11'644'473'600LL;

std::string ZoneName(const struct tm& local) {
  if (const char* tz = std::getenv("TZ"); tz != nullptr && *tz != '\0') {
    return tz[0] == ':' ? tz + 1 : tz;
  }
  std::error_code ec;
  const auto target = std::filesystem::read_symlink("/etc/localtime", ec);
  if (!ec) {
    const std::string text = target.string();
    const auto pos = text.find("zoneinfo/");
    if (pos != std::string::npos) return text.substr(pos + 9);
  }
  std::ifstream timezone_file("/etc/timezone");
  std::string name;
  if (timezone_file && std::getline(timezone_file, name) && !name.empty()) return name;
  return local.tm_zone != nullptr ? local.tm_zone : "UTC";
}

}  // namespace

FileTime SystemClock::UtcNow() const {
  struct timespec now {};
  clock_gettime(CLOCK_REALTIME, &now);
  return (static_cast<FileTime>(now.tv_sec) + kUnixEpochSeconds) * kTicksPerSecond +
         now.tv_nsec / 100;
}

FileTime SystemClock::LocalNow() const {
  return UtcNow() - static_cast<FileTime>(bias_minutes_) * kTicksPerMinute;
}

TimeZoneInfo ReadTimeZone() {
  TimeZoneInfo info;
  tzset();
  const time_t now = time(nullptr);
  struct tm local {};
  if (localtime_r(&now, &local) == nullptr) return info;
  info.bias_minutes = static_cast<int>(-local.tm_gmtoff / 60);
  info.name = ZoneName(local);
  if (local.tm_isdst > 0) {
    info.kind = TimeZoneInfo::Kind::Daylight;
  } else if (local.tm_isdst == 0) {
    info.kind = TimeZoneInfo::Kind::Standard;
  } else {
    info.kind = TimeZoneInfo::Kind::Unknown;
  }
  return info;
}

}  // namespace vesk
