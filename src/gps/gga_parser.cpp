#include "gps/gga_parser.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

namespace vesk {
namespace {

// Fields of the GGA sentence, the tag first.
enum GgaField : std::size_t {
  kTag,
  kTime,
  kLatitude,
  kNorthSouth,
  kLongitude,
  kEastWest,
  kQuality,
  kSatellites,
  kDilution,
  kAltitude,
  kFieldsNeeded
};

constexpr std::size_t kMaxFields = 24;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsUpper(char c) { return c >= 'A' && c <= 'Z'; }

bool AllDigits(std::string_view text) {
  for (const char c : text) {
    if (!IsDigit(c)) return false;
  }
  return true;
}

int HexValue(char c) {
  if (IsDigit(c)) return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// The sentence's fields between its '$' and its end, or nothing when it is not intact.
std::optional<std::string_view> IntactBody(std::string_view data, std::size_t p) {
  const std::size_t limit = std::min(data.size(), p + kMaxSentenceBytes);
  std::uint8_t sum = 0;
  for (std::size_t i = p + 1; i < limit; ++i) {
    const char c = data[i];
    if (c == '\r' || c == '\n') return data.substr(p + 1, i - p - 1);
    if (c == '*') {
      if (i + 2 >= data.size()) return std::nullopt;  // the checksum has not arrived
      const int high = HexValue(data[i + 1]);
      const int low = HexValue(data[i + 2]);
      if (high < 0 || low < 0 || ((high << 4) | low) != sum) return std::nullopt;
      return data.substr(p + 1, i - p - 1);
    }
    // A '$' starts the next sentence: this one was cut off on the line.
    if (c < 0x20 || c > 0x7e || c == '$') return std::nullopt;
    sum ^= static_cast<std::uint8_t>(c);
  }
  return std::nullopt;
}

// "hhmmss" with an optional fraction of a second, or empty.
bool ParseTime(std::string_view field, GpsFix* fix) {
  if (field.empty()) return true;
  const std::string_view whole = field.substr(0, field.find('.'));
  const std::string_view fraction =
      whole.size() < field.size() ? field.substr(whole.size() + 1) : std::string_view();
  if (whole.size() != 6 || !AllDigits(whole) || !AllDigits(fraction)) return false;
  const auto two = [&](std::size_t at) {
    return static_cast<std::uint16_t>((whole[at] - '0') * 10 + (whole[at + 1] - '0'));
  };
  // The fraction is of a second: ".5" is 500 ms, ".05" 50 ms.
  std::uint16_t millisecond = 0;
  for (std::size_t i = 0; i < 3; ++i) {
    millisecond = static_cast<std::uint16_t>(millisecond * 10 +
                                             (i < fraction.size() ? fraction[i] - '0' : 0));
  }
  fix->gps_hour = two(0);
  fix->gps_minute = two(2);
  fix->gps_second = two(4);
  fix->gps_millisecond = millisecond;
  if (fix->gps_hour > 23 || fix->gps_minute > 59 || fix->gps_second > 60) return false;
  char text[32];
  std::snprintf(text, sizeof text, "%2.2hu:%2.2hu:%2.2hu.%3.3hu", fix->gps_hour, fix->gps_minute,
                fix->gps_second, fix->gps_millisecond);
  fix->gps_time = text;
  return true;
}

// "DDMM.mmmmm" (or "DDDMM.mmmmm") and its hemisphere letter as " DD.MMmmmm H": the digits
// of degrees and minutes, the point moved two places left, rounded to six decimals.
std::optional<std::string> FormatCoordinate(std::string_view field, std::string_view hemisphere,
                                            long long max_degrees, std::size_t max_whole_digits,
                                            std::string_view letters) {
  if (hemisphere.size() != 1 || letters.find(hemisphere[0]) == std::string_view::npos) {
    return std::nullopt;
  }
  const std::string_view whole = field.substr(0, field.find('.'));
  const std::string_view fraction =
      whole.size() < field.size() ? field.substr(whole.size() + 1) : std::string_view();
  if (whole.size() < 3 || whole.size() > max_whole_digits || fraction.size() > 12 ||
      !AllDigits(whole) || !AllDigits(fraction)) {
    return std::nullopt;
  }
  long long packed = 0;  // DDMM and four digits of a minute
  for (const char c : whole) packed = packed * 10 + (c - '0');
  const long long degrees = packed / 100;
  if (packed % 100 >= 60) return std::nullopt;
  for (std::size_t i = 0; i < 4; ++i) {
    packed = packed * 10 + (i < fraction.size() ? fraction[i] - '0' : 0);
  }
  if (fraction.size() > 4 && fraction[4] >= '5') ++packed;
  if (degrees > max_degrees || (degrees == max_degrees && packed % 1000000 != 0)) {
    return std::nullopt;
  }
  char text[64];
  std::snprintf(text, sizeof text, " %lld.%06lld %c", packed / 1000000, packed % 1000000,
                hemisphere[0]);
  return std::string(text);
}

// An altitude as the receiver sent it: optional sign, digits, optional fraction.
bool IsAltitude(std::string_view field) {
  if (!field.empty() && (field[0] == '-' || field[0] == '+')) field.remove_prefix(1);
  const std::string_view whole = field.substr(0, field.find('.'));
  const std::string_view fraction =
      whole.size() < field.size() ? field.substr(whole.size() + 1) : std::string_view();
  return !whole.empty() && whole.size() <= 8 && fraction.size() <= 8 && AllDigits(whole) &&
         AllDigits(fraction);
}

}  // namespace

bool IsGgaTagAt(std::string_view data, std::size_t p) {
  return p < data.size() && data.size() - p >= 7 && data[p] == '$' && IsUpper(data[p + 1]) &&
         IsUpper(data[p + 2]) && data.substr(p + 3, 4) == "GGA,";
}

bool ContainsGgaTag(std::string_view data) {
  for (std::size_t p = data.find('$'); p != std::string_view::npos; p = data.find('$', p + 1)) {
    if (IsGgaTagAt(data, p)) return true;
  }
  return false;
}

GgaResult ParseGgaSentence(std::string_view data, std::size_t p, const Clock& clock, GpsFix* fix) {
  *fix = GpsFix{};
  if (!IsGgaTagAt(data, p)) return GgaResult::kNone;
  const std::optional<std::string_view> body = IntactBody(data, p);
  if (!body) return GgaResult::kNone;

  std::array<std::string_view, kMaxFields> fields{};
  std::size_t count = 0;
  for (std::size_t start = 0; count < kMaxFields;) {
    const std::size_t comma = body->find(',', start);
    fields[count++] = body->substr(start, comma == std::string_view::npos ? comma : comma - start);
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  if (count < kFieldsNeeded) return GgaResult::kNone;

  fix->computer_time = clock.UtcSystemTime();
  const std::string_view quality = fields[kQuality];
  if (!ParseTime(fields[kTime], fix) || quality.size() > 1 || !AllDigits(quality)) {
    *fix = GpsFix{};
    return GgaResult::kNone;
  }
  // A receiver still searching sends the sentence with fix quality 0 and empty fields.
  if (quality.empty() || quality == "0" || fields[kLatitude].empty() ||
      fields[kLongitude].empty()) {
    return GgaResult::kNoPosition;
  }

  const auto latitude = FormatCoordinate(fields[kLatitude], fields[kNorthSouth], 90, 4, "NS");
  const auto longitude = FormatCoordinate(fields[kLongitude], fields[kEastWest], 180, 5, "EW");
  const std::string_view satellites = fields[kSatellites];
  const std::string_view altitude = fields[kAltitude];
  if (!latitude || !longitude || satellites.size() > 3 || !AllDigits(satellites) ||
      (!altitude.empty() && !IsAltitude(altitude))) {
    *fix = GpsFix{};
    return GgaResult::kNone;
  }
  fix->latitude = *latitude;
  fix->longitude = *longitude;
  if (!satellites.empty())
    fix->satellites = " " + std::to_string(std::stoi(std::string(satellites)));
  if (!altitude.empty()) fix->altitude = " " + std::string(altitude) + " M";
  return GgaResult::kPosition;
}

GgaResult FindAndParseGga(std::string_view received, const Clock& clock, MessageLog& log,
                          GpsFix* fix, std::size_t* sentence_at) {
  *fix = GpsFix{};
  for (std::size_t p = received.rfind('$'); p != std::string_view::npos;
       p = p == 0 ? std::string_view::npos : received.rfind('$', p - 1)) {
    const GgaResult result = ParseGgaSentence(received, p, clock, fix);
    if (result == GgaResult::kNone) continue;
    if (sentence_at != nullptr) *sentence_at = p;
    return result;
  }
  log.ReportMessage(kCannotFindGgaText, true);
  return GgaResult::kNone;
}

std::size_t UnfinishedSentenceStart(std::string_view data) {
  const std::size_t start = data.rfind('$');
  if (start == std::string_view::npos || data.size() - start >= kMaxSentenceBytes ||
      data.find_first_of("\r\n", start) != std::string_view::npos) {
    return data.size();
  }
  return start;
}

}  // namespace vesk
