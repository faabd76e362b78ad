#pragma once

#include <string>
#include <string_view>

namespace vesk {

// Reports made when typing dropped characters: for asteroid and star names, and for the
// Event comment.
constexpr std::string_view kNameCharactersText =
    "Allowed characters are 'a' thru 'z', 'A' thru 'Z', '0' thru '9', '-', '_' or blank\r\n";
constexpr std::string_view kCommentCharactersText =
    "Allowed characters are 'a' thru 'z', 'A' thru 'Z', '0' thru '9', or {}()[].:_-+#* or "
    "blank\r\n";

// Keeps only the characters allowed in name parts of file names (a-z, A-Z, 0-9, '-', '_',
// blank); extended (the Event comment) also keeps { } ( ) [ ] . : + # and *. Every other
// character, including each byte of a non-ASCII character, is removed in place. Returns
// whether anything was removed.
bool FilterNameCharacters(std::string* text, bool extended);

}  // namespace vesk
