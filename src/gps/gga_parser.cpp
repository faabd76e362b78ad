#include "gps/gga_parser.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <optional>

#include "base/code_page.h"

namespace vesk {
namespace {

// Reads numbers the way the sentence's fields were always read (scanf conversions), but
// by hand so that nothing past the text is touched and no overflow is undefined: each
// conversion skips white space, then needs at least one digit.
class FieldScanner {
 public:
  FieldScanner(std::string_view text, std::size_t pos)
      : text_(text), pos_(std::min(pos, text.size())) {}

  // "%<width>hu": up to width digits, no sign (a sign matches nothing: time fields never
  // carry one, and a wrapped negative would only make a nonsense time).
  bool ScanUnsigned(std::size_t width, std::uint16_t* value) {
    SkipSpace();
    unsigned result = 0;
    std::size_t digits = 0;
    while (digits < width && pos_ < text_.size() && IsDigit(text_[pos_])) {
      result = result * 10 + static_cast<unsigned>(text_[pos_] - '0');
      ++pos_;
      ++digits;
    }
    if (digits == 0) return false;
    // width is at most 3 here, so the value fits.
    *value = static_cast<std::uint16_t>(result);
    return true;
  }

  // "%d": optional sign and digits; values beyond int saturate at INT_MAX / INT_MIN.
  bool ScanInt(int* value) {
    SkipSpace();
    bool negative = false;
    if (pos_ < text_.size() && (text_[pos_] == '+' || text_[pos_] == '-')) {
      negative = text_[pos_] == '-';
      ++pos_;
    }
    constexpr long long kLimit = static_cast<long long>(INT_MAX) + 1;
    long long magnitude = 0;
    std::size_t digits = 0;
    while (pos_ < text_.size() && IsDigit(text_[pos_])) {
      magnitude = std::min(kLimit, magnitude * 10 + (text_[pos_] - '0'));
      ++pos_;
      ++digits;
    }
    if (digits == 0) return false;
    const long long signed_value = negative ? -magnitude : std::min(magnitude, kLimit - 1);
    *value = static_cast<int>(signed_value);
    return true;
  }

  // A literal character of the format.
  bool Match(char c) {
    if (pos_ >= text_.size() || text_[pos_] != c) return false;
    ++pos_;
    return true;
  }

 private:
  static bool IsDigit(char c) { return c >= '0' && c <= '9'; }
  static bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
  }
  void SkipSpace() {
    while (pos_ < text_.size() && IsSpace(text_[pos_])) ++pos_;
  }

  std::string_view text_;
  std::size_t pos_;
};

// "%d.%d" into whole part and fraction digits, both 0 when they do not scan.
void ScanDecimal(std::string_view text, std::size_t pos, int* whole, int* fraction) {
  *whole = 0;
  *fraction = 0;
  FieldScanner scanner(text, pos);
  if (scanner.ScanInt(whole) && scanner.Match('.')) scanner.ScanInt(fraction);
}

// The next ',' at or after from.
std::optional<std::size_t> FindComma(std::string_view text, std::size_t from) {
  if (from >= text.size()) return std::nullopt;
  const std::size_t comma = text.find(',', from);
  if (comma == std::string_view::npos) return std::nullopt;
  return comma;
}

// The character at pos as text; nothing past the end of the text (the original's
// terminator ends the text there).
std::string CharacterAt(std::string_view text, std::size_t pos) {
  if (pos >= text.size()) return std::string();
  return Windows1252ToUtf8(text.substr(pos, 1));
}

// DDMM.mmmm packed into DD.MMmmmm: the fraction digits are taken as four digits of a minute.
std::string FormatCoordinate(int whole, int fraction, std::string_view hemisphere) {
  const long long degrees = whole / 100;
  const long long minutes = whole - 100 * degrees;
  const double value =
      static_cast<double>(minutes * 10000 + fraction) / 1000000.0 + static_cast<double>(degrees);
  char number[64];
  std::snprintf(number, sizeof number, " %.6f ", value);
  std::string text = number;
  text += hemisphere;
  return text;
}

}  // namespace

bool ParseGgaSentence(std::string_view text, std::size_t p, const Clock& clock, GpsFix* fix) {
  fix->computer_time = clock.UtcSystemTime();

  // Time: hhmmss.sss
  const std::size_t time_pos = p + kGgaTag.size() + 1;
  {
    std::uint16_t hour = 0, minute = 0, second = 0, millisecond = 0;
    FieldScanner scanner(text, time_pos);
    if (scanner.ScanUnsigned(2, &hour) && scanner.ScanUnsigned(2, &minute) &&
        scanner.ScanUnsigned(2, &second) && scanner.Match('.')) {
      scanner.ScanUnsigned(3, &millisecond);
    }
    fix->gps_hour = hour;
    fix->gps_minute = minute;
    fix->gps_second = second;
    fix->gps_millisecond = millisecond;
    char time_text[32];
    std::snprintf(time_text, sizeof time_text, "%2.2hu:%2.2hu:%2.2hu.%3.3hu", hour, minute, second,
                  millisecond);
    fix->gps_time = time_text;
  }

  int whole = 0;
  int fraction = 0;

  const auto c1 = FindComma(text, time_pos);
  if (!c1) return false;
  ScanDecimal(text, *c1 + 1, &whole, &fraction);
  const auto c2 = FindComma(text, *c1 + 1);
  if (!c2) return false;
  fix->latitude = FormatCoordinate(whole, fraction, CharacterAt(text, *c2 + 1));

  // The hemisphere field is taken to be one letter; its comma is skipped unchecked.
  ScanDecimal(text, *c2 + 3, &whole, &fraction);
  const auto c3 = FindComma(text, *c2 + 3);
  if (!c3) return false;
  fix->longitude = FormatCoordinate(whole, fraction, CharacterAt(text, *c3 + 1));

  const auto c4 = FindComma(text, *c3 + 1);
  if (!c4) return false;
  const auto c5 = FindComma(text, *c4 + 1);
  if (!c5) return false;
  {
    int satellites = 0;
    FieldScanner scanner(text, *c5 + 1);
    scanner.ScanInt(&satellites);
    char satellites_text[32];
    std::snprintf(satellites_text, sizeof satellites_text, " %d", satellites);
    fix->satellites = satellites_text;
  }

  const auto c6 = FindComma(text, *c5 + 1);
  if (!c6) return false;
  const auto c7 = FindComma(text, *c6 + 1);
  if (!c7) return false;
  ScanDecimal(text, *c7 + 1, &whole, &fraction);
  char altitude[64];
  std::snprintf(altitude, sizeof altitude, " %d.%d M", whole, fraction);
  fix->altitude = altitude;
  return true;
}

bool FindAndParseGga(std::span<std::uint8_t> buffer, std::size_t r, std::size_t read_size,
                     const Clock& clock, MessageLog& log, GpsFix* fix) {
  *fix = GpsFix{};
  r = std::min(r, buffer.size());
  const auto zero = std::find(buffer.begin(), buffer.end(), std::uint8_t{0});
  const std::string_view text(reinterpret_cast<const char*>(buffer.data()),
                              static_cast<std::size_t>(zero - buffer.begin()));

  std::optional<std::size_t> sentence;
  if (r > 0) {
    const std::size_t last = text.rfind(kGgaTag, r - 1);
    if (last != std::string_view::npos) {
      if (last + kMinGgaSentenceBytes <= r) {
        sentence = last;
      } else if (last > 0) {
        const std::size_t previous = text.rfind(kGgaTag, last - 1);
        if (previous != std::string_view::npos) sentence = previous;
      }
    }
  }
  if (!sentence) {
    log.ReportMessage(kCannotFindGgaText, true);
    return false;
  }
  if (!ParseGgaSentence(text, *sentence, clock, fix)) {
    *fix = GpsFix{};
    return false;
  }
  const std::size_t clear = read_size >= buffer.size()
                                ? buffer.size()
                                : std::min(buffer.size(), read_size + kGgaClearMargin);
  std::fill_n(buffer.begin(), clear, std::uint8_t{0});
  return true;
}

}  // namespace vesk
