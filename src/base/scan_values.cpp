#include "base/scan_values.h"

#include <limits>

namespace vesk {
namespace {

bool IsCSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

enum class Conversion { Int32, Int64, Uint32, Invalid };

// Reads "%[width](d|ld|lld|u|lu)" starting after the '%'; advances *pos past it.
Conversion ReadConversion(std::string_view format, std::size_t* pos, std::size_t* width) {
  std::size_t p = *pos;
  std::size_t w = 0;
  while (p < format.size() && IsDigit(format[p])) {
    if (w < 1000000) w = w * 10 + static_cast<std::size_t>(format[p] - '0');
    ++p;
  }
  int longs = 0;
  while (p < format.size() && format[p] == 'l') {
    ++longs;
    ++p;
  }
  if (p >= format.size()) return Conversion::Invalid;
  const char kind = format[p++];
  *pos = p;
  *width = w;
  // long is 32 bits on the platform the files come from.
  if (kind == 'd')
    return longs <= 1 ? Conversion::Int32 : longs == 2 ? Conversion::Int64 : Conversion::Invalid;
  if (kind == 'u') return longs <= 1 ? Conversion::Uint32 : Conversion::Invalid;
  return Conversion::Invalid;
}

// One number: optional sign and digits within [*pos, limit). Returns false when there is
// no digit or the magnitude is beyond 64 bits; *pos then stays put only for the former.
bool ReadNumber(std::string_view text, std::size_t limit, std::size_t* pos, bool* negative,
                std::uint64_t* magnitude, bool* too_large) {
  std::size_t p = *pos;
  *negative = false;
  if (p < limit && (text[p] == '+' || text[p] == '-')) {
    *negative = text[p] == '-';
    ++p;
  }
  const std::size_t digits = p;
  std::uint64_t value = 0;
  bool overflow = false;
  while (p < limit && IsDigit(text[p])) {
    const auto digit = static_cast<std::uint64_t>(text[p] - '0');
    if (value > (std::numeric_limits<std::uint64_t>::max() - digit) / 10) {
      overflow = true;
    } else {
      value = value * 10 + digit;
    }
    ++p;
  }
  if (p == digits) return false;
  *pos = p;
  *magnitude = value;
  *too_large = overflow;
  return true;
}

bool StoreNumber(Conversion conversion, const ScanTarget& target, bool negative,
                 std::uint64_t magnitude) {
  switch (conversion) {
    case Conversion::Int32: {
      auto* const* out = std::get_if<std::int32_t*>(&target);
      if (out == nullptr) return false;
      const std::uint64_t limit = negative ? 2147483648ULL : 2147483647ULL;
      if (magnitude > limit) return false;
      **out = negative ? static_cast<std::int32_t>(-static_cast<std::int64_t>(magnitude))
                       : static_cast<std::int32_t>(magnitude);
      return true;
    }
    case Conversion::Int64: {
      auto* const* out = std::get_if<std::int64_t*>(&target);
      if (out == nullptr) return false;
      const std::uint64_t limit = negative ? 9223372036854775808ULL : 9223372036854775807ULL;
      if (magnitude > limit) return false;
      **out = negative ? static_cast<std::int64_t>(0 - magnitude)  // two's complement
                       : static_cast<std::int64_t>(magnitude);
      return true;
    }
    case Conversion::Uint32: {
      auto* const* out = std::get_if<std::uint32_t*>(&target);
      if (out == nullptr) return false;
      if (magnitude > 0xFFFFFFFFULL) return false;
      const auto value = static_cast<std::uint32_t>(magnitude);
      **out = negative ? static_cast<std::uint32_t>(0U - value) : value;
      return true;
    }
    case Conversion::Invalid:
      return false;
  }
  return false;
}

}  // namespace

int ScanValues(std::string_view text, std::string_view format,
               std::initializer_list<ScanTarget> targets) {
  std::size_t in = 0;
  std::size_t f = 0;
  int assigned = 0;
  auto target = targets.begin();
  while (f < format.size()) {
    const char fc = format[f];
    if (IsCSpace(fc)) {
      while (f < format.size() && IsCSpace(format[f])) ++f;
      while (in < text.size() && IsCSpace(text[in])) ++in;
      continue;
    }
    if (fc != '%') {
      if (in >= text.size() || text[in] != fc) return assigned;
      ++in;
      ++f;
      continue;
    }
    ++f;
    std::size_t width = 0;
    const Conversion conversion = ReadConversion(format, &f, &width);
    if (conversion == Conversion::Invalid || target == targets.end()) return assigned;
    while (in < text.size() && IsCSpace(text[in])) ++in;
    const std::size_t limit = width == 0 || width > text.size() - in ? text.size() : in + width;
    bool negative = false;
    bool too_large = false;
    std::uint64_t magnitude = 0;
    if (!ReadNumber(text, limit, &in, &negative, &magnitude, &too_large)) return assigned;
    if (too_large || !StoreNumber(conversion, *target, negative, magnitude)) return assigned;
    ++assigned;
    ++target;
  }
  return assigned;
}

}  // namespace vesk
