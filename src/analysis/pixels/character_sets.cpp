#include "analysis/pixels/character_sets.h"

#include <algorithm>
#include <string>

#include "base/files.h"

namespace vesk {
namespace {

// Set files hold a few thousand values per cell; anything far larger is not one of them.
constexpr std::size_t kMaxSetFileBytes = 64u << 20;

// Formatted input over the text of a set file, with the conversions' rules: a conversion
// that fails leaves its target alone and consumes nothing that could start the next
// value, and the rest of that call's directives are skipped.
class FormattedReader {
 public:
  explicit FormattedReader(std::string_view text) : text_(text) {}

  // A blank or line end in a format: any run of whitespace, possibly none.
  void SkipWhitespace() {
    while (pos_ < text_.size() && IsSpace(text_[pos_])) ++pos_;
  }

  // "%3u": an unsigned decimal of at most three characters, sign included.
  bool ReadCount(std::uint32_t* value) {
    SkipWhitespace();
    std::size_t width = 3;
    bool negative = false;
    if (pos_ < text_.size() && (text_[pos_] == '+' || text_[pos_] == '-')) {
      negative = text_[pos_] == '-';
      ++pos_;
      --width;
    }
    std::uint32_t result = 0;
    std::size_t digits = 0;
    while (digits < width && pos_ < text_.size() && IsDigit(text_[pos_])) {
      result = result * 10 + static_cast<std::uint32_t>(text_[pos_] - '0');
      ++pos_;
      ++digits;
    }
    if (digits == 0) return false;
    // A count cannot be negative; as an unsigned value it would ask for billions of cells.
    *value = negative ? 0 : result;
    return true;
  }

  // "%lc": exactly one character, whitespace included.
  bool ReadCharacter(char16_t* value) {
    if (pos_ >= text_.size()) return false;
    *value = static_cast<char16_t>(static_cast<unsigned char>(text_[pos_]));
    ++pos_;
    return true;
  }

  // "%1d": one character, which must be a digit.
  bool ReadOneDigit(std::int32_t* value) {
    SkipWhitespace();
    if (pos_ >= text_.size()) return false;
    const char c = text_[pos_];
    if (c == '+' || c == '-') {
      ++pos_;  // the sign fills the field, leaving no room for a digit
      return false;
    }
    if (!IsDigit(c)) return false;
    *value = c - '0';
    ++pos_;
    return true;
  }

  // "%x": a hexadecimal integer (optional sign and 0x prefix); the caller keeps the low
  // byte, so only the low bits of a long value matter.
  bool ReadHex(std::uint32_t* value) {
    SkipWhitespace();
    bool negative = false;
    if (pos_ < text_.size() && (text_[pos_] == '+' || text_[pos_] == '-')) {
      negative = text_[pos_] == '-';
      ++pos_;
    }
    bool have_digits = false;
    if (pos_ + 1 < text_.size() && text_[pos_] == '0' &&
        (text_[pos_ + 1] == 'x' || text_[pos_ + 1] == 'X')) {
      pos_ += 2;
      have_digits = true;  // the leading 0 is itself a value
    }
    std::uint32_t result = 0;
    while (pos_ < text_.size() && HexDigit(text_[pos_]) >= 0) {
      result = (result << 4) | static_cast<std::uint32_t>(HexDigit(text_[pos_]));
      ++pos_;
      have_digits = true;
    }
    if (!have_digits) return false;
    *value = negative ? 0u - result : result;
    return true;
  }

 private:
  static bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
  }
  static bool IsDigit(char c) { return c >= '0' && c <= '9'; }
  static int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  }

  std::string_view text_;
  std::size_t pos_ = 0;
};

std::uint32_t ReadCellCount(FormattedReader& in) {
  std::uint32_t count = 0;
  if (in.ReadCount(&count)) in.SkipWhitespace();  // "%3u\n"
  return count;
}

// "%x " for each byte, the low byte of each value stored.
template <std::size_t kBytes>
void ReadImageBytes(FormattedReader& in, std::uint8_t* image) {
  for (std::size_t i = 0; i < kBytes; ++i) {
    std::uint32_t value = 0;
    if (in.ReadHex(&value)) {
      image[i] = static_cast<std::uint8_t>(value & 0xFFu);
      in.SkipWhitespace();
    }
  }
}

std::int32_t DigitValueOf(char16_t character) {
  return character >= u'0' && character <= u'9' ? static_cast<std::int32_t>(character - u'0') : -1;
}

bool ReadSetFile(const std::string& file_name, std::string* text) {
  return files::ReadWholeFile(file_name, text, kMaxSetFileBytes);
}

}  // namespace

void ParseCharacterSet(std::string_view text, CharacterSet* set) {
  FormattedReader in(text);
  const std::uint32_t count = ReadCellCount(in);
  set->cells.reserve(set->cells.size() + count);
  for (std::uint32_t n = 0; n < count; ++n) {
    CharacterCell cell;
    char16_t character = u' ';
    if (in.ReadCharacter(&character)) {  // "%lc\n"
      cell.character = character == u'#' ? u' ' : character;
      in.SkipWhitespace();
    }
    for (std::size_t row = 0; row < kCellRows; ++row) {
      ReadImageBytes<kCellColumns>(in, cell.image.data() + row * kCellColumns);
      in.SkipWhitespace();  // "\n"
    }
    cell.digit_value = DigitValueOf(cell.character);
    set->cells.push_back(cell);
  }
}

void ParseInterlacedSet(std::string_view text, InterlacedSet* set) {
  FormattedReader in(text);
  const std::uint32_t count = ReadCellCount(in);
  set->cells.reserve(set->cells.size() + count);
  for (std::uint32_t n = 0; n < count; ++n) {
    InterlacedCell cell;
    // "%lc %1d\n": a failed conversion ends the call.
    if (in.ReadCharacter(&cell.character)) {
      in.SkipWhitespace();
      if (in.ReadOneDigit(&cell.number)) in.SkipWhitespace();
    }
    ReadImageBytes<kInterlacedImageBytes>(in, cell.image.data());
    in.SkipWhitespace();  // "\n"
    cell.digit_value = DigitValueOf(cell.character);
    set->cells.push_back(cell);
  }
}

namespace {

void AppendHexBytes(const std::uint8_t* bytes, std::size_t count, std::size_t per_line,
                    std::string* text) {
  static constexpr char kDigits[] = "0123456789abcdef";
  for (std::size_t i = 0; i < count; ++i) {
    if (bytes[i] >= 16) text->push_back(kDigits[bytes[i] >> 4]);
    text->push_back(kDigits[bytes[i] & 15]);
    text->push_back(' ');
    if ((i + 1) % per_line == 0) text->push_back('\n');
  }
}

// Only the characters a set holds: digits, signs and letters of the basic range.
char NarrowCharacter(char16_t character) {
  return character == u' ' || character > 0x7E || character < 0x21 ? '#'
                                                                    : static_cast<char>(character);
}

}  // namespace

std::string CharacterSetText(const CharacterSet& set) {
  std::string text = std::to_string(set.cells.size()) + "\n";
  for (const CharacterCell& cell : set.cells) {
    text.push_back(NarrowCharacter(cell.character));
    text.push_back('\n');
    AppendHexBytes(cell.image.data(), cell.image.size(), kCellColumns, &text);
  }
  return text;
}

std::string InterlacedSetText(const InterlacedSet& set) {
  std::string text = std::to_string(set.cells.size()) + "\n";
  for (const InterlacedCell& cell : set.cells) {
    text.push_back(NarrowCharacter(cell.character));
    text.push_back(' ');
    text.push_back(static_cast<char>('0' + std::clamp(cell.number, 0, 9)));
    text.push_back('\n');
    AppendHexBytes(cell.image.data(), cell.image.size(), cell.image.size(), &text);
  }
  return text;
}

bool LoadCharacterSet(CharacterSet* set) {
  std::string text;
  if (!ReadSetFile(kPlainCharacterSetFile, &text)) return false;
  ParseCharacterSet(text, set);
  return true;
}

bool LoadInterlacedSet(const std::string& file_name, InterlacedSet* set) {
  std::string text;
  if (!ReadSetFile(file_name, &text)) return false;
  ParseInterlacedSet(text, set);
  return true;
}

void LoadRecognitionSets(RecognitionSets* sets, ErrorReporter& errors, MessageLog& log) {
  sets->interlaced.clear();
  for (const char* file_name : {kInterlacedEvenSetFile, kInterlacedOddSetFile}) {
    InterlacedSet set;
    if (LoadInterlacedSet(file_name, &set)) sets->interlaced.push_back(std::move(set));
  }
  if (sets->interlaced.size() < 2) {
    errors.RaiseGraphError(kRecognitionSetsMissingError);
    log.ReportMessage(kMakeRecognitionSetsText, false);
  }
  sets->plain = CharacterSet{};
  LoadCharacterSet(&sets->plain);
}

void ResetRecognition(const RecognitionSets& sets, MessageLog& log) {
  if (sets.interlaced.size() < 2) log.ReportMessage(kOcrUnavailableText, true);
}

}  // namespace vesk
