#include "platform/gst/bitmap_font.h"

#include <algorithm>

namespace vesk::simcam {
namespace {

struct Glyph {
  char character;
  GlyphRows rows;
};

constexpr Glyph kGlyphs[] = {
    {'0', {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E}},
    {'1', {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E}},
    {'2', {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F}},
    {'3', {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E}},
    {'4', {0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02}},
    {'5', {0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E}},
    {'6', {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E}},
    {'7', {0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08}},
    {'8', {0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E}},
    {'9', {0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C}},
    {':', {0x00, 0x0C, 0x0C, 0x00, 0x0C, 0x0C, 0x00}},
    {'.', {0x00, 0x00, 0x00, 0x00, 0x00, 0x0C, 0x0C}},
    {'-', {0x00, 0x00, 0x00, 0x1F, 0x00, 0x00, 0x00}},
    {' ', {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}},
};

constexpr GlyphRows kBlank = {0, 0, 0, 0, 0, 0, 0};

}  // namespace

const GlyphRows& GlyphOf(char c) {
  for (const Glyph& glyph : kGlyphs) {
    if (glyph.character == c) return glyph.rows;
  }
  return kBlank;
}

std::string_view FontCharacters() { return "0123456789:.- "; }

int TextBoxWidth(std::string_view text, const TextStyle& style) {
  const int dots = 2 * style.margin + static_cast<int>(text.size()) * kGlyphColumns +
                   std::max(0, static_cast<int>(text.size()) - 1) * style.spacing;
  return dots * style.scale;
}

int TextBoxHeight(const TextStyle& style) { return (2 * style.margin + kGlyphRows) * style.scale; }

void DrawText(std::uint8_t* plane, int width, int height, int stride, int x, int y,
              std::string_view text, const TextStyle& style) {
  const int box_width = TextBoxWidth(text, style);
  const int box_height = TextBoxHeight(style);
  const int x0 = std::max(0, x);
  const int x1 = std::min(width, x + box_width);
  const int y0 = std::max(0, y);
  const int y1 = std::min(height, y + box_height);
  if (x0 >= x1 || y0 >= y1) return;
  for (int row = y0; row < y1; ++row) {
    std::fill(plane + row * stride + x0, plane + row * stride + x1, style.paper);
  }
  const int glyph_step = (kGlyphColumns + style.spacing) * style.scale;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const GlyphRows& rows = GlyphOf(text[i]);
    const int gx = x + style.margin * style.scale + static_cast<int>(i) * glyph_step;
    const int gy = y + style.margin * style.scale;
    for (int r = 0; r < kGlyphRows; ++r) {
      for (int c = 0; c < kGlyphColumns; ++c) {
        if ((rows[r] & (0x10 >> c)) == 0) continue;
        for (int dy = 0; dy < style.scale; ++dy) {
          const int py = gy + r * style.scale + dy;
          if (py < 0 || py >= height) continue;
          for (int dx = 0; dx < style.scale; ++dx) {
            const int px = gx + c * style.scale + dx;
            if (px >= 0 && px < width) plane[py * stride + px] = style.ink;
          }
        }
      }
    }
  }
}

}  // namespace vesk::simcam
