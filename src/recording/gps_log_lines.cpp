#include "recording/gps_log_lines.h"

#include <cstdio>

#include "recording/gps_time.h"

namespace vesk {
namespace {

constexpr long long kUnitsPerMinute = 10'000;
constexpr long long kUnitsPerDegree = 60 * kUnitsPerMinute;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::optional<PackedCoordinate> ParsePackedCoordinate(std::string_view text) {
  // Degrees, a point, two digits of minutes and four of a minute, a blank, the letter.
  const std::size_t point = text.find('.');
  if (point == 0 || point > 3 || text.size() != point + 9 || text[point + 7] != ' ') {
    return std::nullopt;
  }
  const char hemisphere = text[point + 8];
  if (std::string_view("NSEW").find(hemisphere) == std::string_view::npos) return std::nullopt;
  long long degrees = 0;
  long long minutes = 0;
  for (std::size_t i = 0; i < point + 7; ++i) {
    if (i == point) continue;
    if (!IsDigit(text[i])) return std::nullopt;
    if (i < point) {
      degrees = degrees * 10 + (text[i] - '0');
    } else {
      minutes = minutes * 10 + (text[i] - '0');
    }
  }
  if (minutes >= 60 * kUnitsPerMinute) return std::nullopt;
  return PackedCoordinate{degrees * kUnitsPerDegree + minutes, hemisphere};
}

std::string DecimalDegreesText(const PackedCoordinate& coordinate) {
  // Millionths of a degree, rounded.
  const long long millionths = (coordinate.ten_thousandths_of_minute * 10 + 3) / 6;
  char text[48];
  std::snprintf(text, sizeof text, "%lld.%06lld %c", millionths / 1'000'000, millionths % 1'000'000,
                coordinate.hemisphere);
  return text;
}

std::string DegreesMinutesSecondsText(const PackedCoordinate& coordinate) {
  const long long degrees = coordinate.ten_thousandths_of_minute / kUnitsPerDegree;
  const long long rest = coordinate.ten_thousandths_of_minute % kUnitsPerDegree;
  const long long minutes = rest / kUnitsPerMinute;
  // Hundredths of a second, rounded: 0.9999 of a minute is 59.99 s, so nothing carries.
  const long long hundredths = ((rest % kUnitsPerMinute) * 6 + 5) / 10;
  char text[64];
  std::snprintf(text, sizeof text, "%lld\u00b0 %02lld' %02lld.%02lld\" %c", degrees, minutes,
                hundredths / 100, hundredths % 100, coordinate.hemisphere);
  return text;
}

std::vector<std::string> GpsLogLines(const LastGpsPosition& gps) {
  std::vector<std::string> lines;
  if (!gps.valid) return lines;
  const auto latitude = ParsePackedCoordinate(gps.latitude);
  const auto longitude = ParsePackedCoordinate(gps.longitude);
  if (latitude && longitude) {
    lines.push_back("Latitude in decimal degrees: " + DecimalDegreesText(*latitude));
    lines.push_back("Longitude in decimal degrees: " + DecimalDegreesText(*longitude));
    lines.push_back("Latitude in degrees, minutes and seconds: " +
                    DegreesMinutesSecondsText(*latitude));
    lines.push_back("Longitude in degrees, minutes and seconds: " +
                    DegreesMinutesSecondsText(*longitude));
  }
  if (gps.clock_offset) lines.push_back(ClockOffsetLogLine(*gps.clock_offset));
  return lines;
}

}  // namespace vesk
