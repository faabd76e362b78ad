#include "base/code_page.h"

#include <cstdint>

namespace vesk {
namespace {

// Code points of bytes 0x80..0x9F; the rest of the page equals Latin-1.
constexpr char32_t kHighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

void AppendUtf8(char32_t c, std::string* out) {
  if (c < 0x80) {
    out->push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out->push_back(static_cast<char>(0xC0 | (c >> 6)));
    out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out->push_back(static_cast<char>(0xE0 | (c >> 12)));
    out->push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out->push_back(static_cast<char>(0xF0 | (c >> 18)));
    out->push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

// Decodes one UTF-8 character at text[*pos]; returns false for an invalid sequence, in
// which case *pos advances by one byte.
bool DecodeUtf8(std::string_view text, std::size_t* pos, char32_t* c) {
  const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(text[i]); };
  const std::uint8_t lead = byte(*pos);
  std::size_t length = 0;
  char32_t value = 0;
  if (lead < 0x80) {
    *c = lead;
    ++*pos;
    return true;
  } else if ((lead & 0xE0) == 0xC0) {
    length = 2;
    value = lead & 0x1F;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3;
    value = lead & 0x0F;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4;
    value = lead & 0x07;
  } else {
    ++*pos;
    return false;
  }
  if (*pos + length > text.size()) {
    ++*pos;
    return false;
  }
  for (std::size_t i = 1; i < length; ++i) {
    const std::uint8_t next = byte(*pos + i);
    if ((next & 0xC0) != 0x80) {
      ++*pos;
      return false;
    }
    value = (value << 6) | (next & 0x3F);
  }
  static constexpr char32_t kMinimum[5] = {0, 0, 0x80, 0x800, 0x10000};
  if (value < kMinimum[length] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
    ++*pos;
    return false;
  }
  *pos += length;
  *c = value;
  return true;
}

bool EncodeWindows1252(char32_t c, char* byte) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
    *byte = static_cast<char>(c);
    return true;
  }
  for (int i = 0; i < 32; ++i) {
    if (kHighControls[i] == c) {
      *byte = static_cast<char>(0x80 + i);
      return true;
    }
  }
  return false;
}

}  // namespace

std::string Windows1252ToUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (const char b : bytes) {
    const auto u = static_cast<std::uint8_t>(b);
    AppendUtf8(u >= 0x80 && u < 0xA0 ? kHighControls[u - 0x80] : char32_t{u}, &out);
  }
  return out;
}

bool TryUtf8ToWindows1252(std::string_view utf8, std::string* out) {
  std::string result;
  result.reserve(utf8.size());
  std::size_t pos = 0;
  while (pos < utf8.size()) {
    char32_t c = 0;
    char byte = 0;
    if (!DecodeUtf8(utf8, &pos, &c) || !EncodeWindows1252(c, &byte)) return false;
    result.push_back(byte);
  }
  *out = std::move(result);
  return true;
}

std::string Utf8ToWindows1252Lossy(std::string_view utf8, bool* replaced) {
  std::string result;
  result.reserve(utf8.size());
  bool any = false;
  std::size_t pos = 0;
  while (pos < utf8.size()) {
    char32_t c = 0;
    char byte = '?';
    if (!DecodeUtf8(utf8, &pos, &c) || !EncodeWindows1252(c, &byte)) {
      byte = '?';
      any = true;
    }
    result.push_back(byte);
  }
  if (replaced != nullptr) *replaced = any;
  return result;
}

std::size_t CharacterCount(std::string_view utf8) {
  std::size_t count = 0;
  std::size_t pos = 0;
  char32_t c = 0;
  while (pos < utf8.size()) {
    DecodeUtf8(utf8, &pos, &c);
    ++count;
  }
  return count;
}

std::string_view TruncateToCharacters(std::string_view utf8, std::size_t max_characters) {
  std::size_t pos = 0;
  char32_t c = 0;
  for (std::size_t count = 0; count < max_characters && pos < utf8.size(); ++count) {
    DecodeUtf8(utf8, &pos, &c);
  }
  return utf8.substr(0, pos);
}

}  // namespace vesk
