#pragma once

// A small fixed bitmap font for the time inserter of the simulated cameras: digits, ':',
// '.', ' ' and '-' in 5x7 cells, drawn scaled so a recorded frame can be read by eye and
// decoded back by a test.

#include <array>
#include <cstdint>
#include <string_view>

namespace vesk::simcam {

constexpr int kGlyphColumns = 5;
constexpr int kGlyphRows = 7;

// Rows of a glyph, top first; bit 4 is the leftmost column.
using GlyphRows = std::array<std::uint8_t, kGlyphRows>;

// The glyph of a character; characters without one are drawn blank.
const GlyphRows& GlyphOf(char c);

// The characters the font can draw, in a fixed order.
std::string_view FontCharacters();

struct TextStyle {
  int scale = 2;            // pixels per glyph dot
  int spacing = 1;          // blank dot columns between glyphs
  std::uint8_t ink = 235;   // luma of the text
  std::uint8_t paper = 16;  // luma of the box behind the text
  int margin = 1;           // box border in dots
};

// Width and height in pixels of the box that DrawText fills for text.
int TextBoxWidth(std::string_view text, const TextStyle& style);
int TextBoxHeight(const TextStyle& style);

// Draws text into an 8-bit plane with its box's top-left corner at (x, y); parts outside
// the plane are clipped.
void DrawText(std::uint8_t* plane, int width, int height, int stride, int x, int y,
              std::string_view text, const TextStyle& style);

}  // namespace vesk::simcam
