#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/error_table.h"
#include "base/message_log.h"

namespace vesk {

// Reference images of a video time inserter's characters, loaded once at start-up.
// Nothing matches frames against them yet; their presence is checked and reported.

inline constexpr char kPlainCharacterSetFile[] = "VESK_VTI_Charset.iff";
inline constexpr char kInterlacedEvenSetFile[] = "VESK_VTI_Interlaced_Even.iff";
inline constexpr char kInterlacedOddSetFile[] = "VESK_VTI_Interlaced_Odd.iff";

// The graph-table entry of "Character recognition sets are missing from install
// directory" (shown as 1029).
inline constexpr int kRecognitionSetsMissingError = 29;

inline constexpr char kOcrUnavailableText[] =
    "As reported at application startup, character recognition sets are missing.  You cannot "
    "do OCR.\r\n";

// Said after the missing-sets warning: how the station makes them.
inline constexpr char kMakeRecognitionSetsText[] =
    "NOTE: the station makes these sets itself by learning the time inserter from live "
    "video: run it with --headless --learn-inserter 10 while the camera and its inserter "
    "run\r\n";

inline constexpr std::size_t kCellRows = 28;
inline constexpr std::size_t kCellColumns = 20;
inline constexpr std::size_t kInterlacedImageBytes = 1200;

// One character of the plain set. A '#' in the file stands for a blank.
struct CharacterCell {
  char16_t character = u' ';
  std::int32_t digit_value = -1;                               // 0 to 9 for the digits, else -1
  std::array<std::uint8_t, kCellRows * kCellColumns> image{};  // row by row
};

// One character of an interlaced set.
struct InterlacedCell {
  std::int32_t number = 0;  // the one-digit number after the character
  char16_t character = u' ';
  std::int32_t digit_value = -1;
  std::array<std::uint8_t, kInterlacedImageBytes> image{};  // in file order
};

struct CharacterSet {
  std::int32_t kind = 1;
  std::vector<CharacterCell> cells;  // in file order
};

struct InterlacedSet {
  std::int32_t kind = 1;
  std::vector<InterlacedCell> cells;  // in file order
};

struct RecognitionSets {
  // The even set, then the odd set, each only when its file could be opened.
  std::vector<InterlacedSet> interlaced;
  CharacterSet plain;  // empty when its file is missing
};

// Fill a set from the text of a character-set file. The declared number of cells is
// always appended; values a short or malformed file does not supply keep their initial
// values (blank character, digit value -1, zero image bytes).
void ParseCharacterSet(std::string_view text, CharacterSet* set);
void ParseInterlacedSet(std::string_view text, InterlacedSet* set);

// The text of a character-set file, as the parsers above read it: lower-case hex values,
// each followed by a blank; a blank character written as '#'.
std::string CharacterSetText(const CharacterSet& set);
std::string InterlacedSetText(const InterlacedSet& set);

// Load from the current directory; false only when the file cannot be read.
bool LoadCharacterSet(CharacterSet* set);
bool LoadInterlacedSet(const std::string& file_name, InterlacedSet* set);

// Start-up: both interlaced sets (error 1029 when either is missing, and how to make
// them), then the plain set.
void LoadRecognitionSets(RecognitionSets* sets, ErrorReporter& errors, MessageLog& log);

// At each start of the live analysis: repeats the warning while a set is missing.
void ResetRecognition(const RecognitionSets& sets, MessageLog& log);

}  // namespace vesk
