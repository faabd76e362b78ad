#pragma once

// Reads the time inserter's text back from a picture: each character cell is matched
// against the simulated cameras' font, so a test can tell which frame it is looking at.

#include <cstdint>
#include <string>

namespace vesk::testing {

// Reads `characters` glyphs of the stamp whose text box starts at (x, y) with the given
// glyph scale, from an 8-bit plane (pixel step `step` bytes, for packed formats). Cells
// that match no glyph read as '?'.
std::string ReadStamp(const std::uint8_t* plane, int width, int height, int stride, int step, int x,
                      int y, int scale, int characters);

// Parses "HH:MM:SS.mmm NNNNNNN" into milliseconds of the day and the counter.
bool ParseStamp(const std::string& text, long* milliseconds, long* counter);

}  // namespace vesk::testing
