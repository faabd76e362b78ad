#include "media_support/stamp_reader.h"

#include <cstdio>

#include "platform/gst/bitmap_font.h"

namespace vesk::testing {

std::string ReadStamp(const std::uint8_t* plane, int width, int height, int stride, int step, int x,
                      int y, int scale, int characters) {
  using namespace vesk::simcam;
  TextStyle style;
  style.scale = scale;
  std::string text;
  const int glyph_step = (kGlyphColumns + style.spacing) * scale;
  for (int i = 0; i < characters; ++i) {
    const int gx = x + style.margin * scale + i * glyph_step;
    const int gy = y + style.margin * scale;
    // Sample the middle of each dot: ink is bright, paper dark.
    GlyphRows seen{};
    for (int r = 0; r < kGlyphRows; ++r) {
      for (int c = 0; c < kGlyphColumns; ++c) {
        const int px = gx + c * scale + scale / 2;
        const int py = gy + r * scale + scale / 2;
        if (px < 0 || px >= width || py < 0 || py >= height) continue;
        if (plane[py * stride + px * step] > 128) seen[r] |= static_cast<std::uint8_t>(0x10 >> c);
      }
    }
    char found = '?';
    for (char candidate : FontCharacters()) {
      if (GlyphOf(candidate) == seen) {
        found = candidate;
        break;
      }
    }
    text += found;
  }
  return text;
}

bool ParseStamp(const std::string& text, long* milliseconds, long* counter) {
  int hour = 0, minute = 0, second = 0, milli = 0;
  long count = 0;
  if (std::sscanf(text.c_str(), "%2d:%2d:%2d.%3d %7ld", &hour, &minute, &second, &milli, &count) !=
      5) {
    return false;
  }
  *milliseconds = ((hour * 60L + minute) * 60L + second) * 1000L + milli;
  *counter = count;
  return true;
}

}  // namespace vesk::testing
