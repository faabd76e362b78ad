#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vesk {

// Files the station writes are Windows-1252 text, so stations on either platform can
// exchange them; in memory all text is UTF-8.

// Decodes Windows-1252 bytes. The five bytes the code page leaves undefined decode to
// the control characters of the same value, as the original platform does.
std::string Windows1252ToUtf8(std::string_view bytes);

// Encodes UTF-8 text. Returns false, leaving out untouched, when a character has no
// Windows-1252 byte or the text is not valid UTF-8.
bool TryUtf8ToWindows1252(std::string_view utf8, std::string* out);

// Encodes UTF-8 text, writing '?' for each character without a Windows-1252 byte.
// replaced (if given) tells whether any character was replaced.
std::string Utf8ToWindows1252Lossy(std::string_view utf8, bool* replaced);

// Number of characters (code points) in UTF-8 text; an invalid byte counts as one.
std::size_t CharacterCount(std::string_view utf8);

// The longest prefix of at most max_characters characters, never cutting a character.
std::string_view TruncateToCharacters(std::string_view utf8, std::size_t max_characters);

// Text fields have a capacity that counts the terminator of the original buffers:
// a field of capacity 21 holds 20 characters. Over-long values are cut when read.
inline std::string FitToCapacity(std::string_view utf8, std::size_t capacity) {
  return std::string(TruncateToCharacters(utf8, capacity == 0 ? 0 : capacity - 1));
}

}  // namespace vesk
