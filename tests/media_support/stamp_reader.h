#pragma once

// Reads the time inserter's text back from a simulated camera's picture, matching each
// character cell against the cameras' font, so a test can tell which frame it is looking at.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "media_support/recorded_avi.h"
#include "platform/gst/bitmap_font.h"
#include "platform/gst/star_field_painter.h"

namespace vesk::testing {

// The stamp of a width x height picture from an 8-bit plane whose pixels are `step` bytes
// apart (2 for the luma of YUY2); a negative stride reads a bottom-up picture from its top
// row. Cells that match no glyph read as '?'. field 0 or 1 reads that field's own stamp from
// an interlaced picture.
inline std::string ReadStamp(const std::uint8_t* top_row, int width, int height, int stride,
                             int step, int field = -1) {
  using namespace vesk::simcam;
  StarFieldPainter geometry;  // where the cameras put the text at this size
  geometry.Configure(width, height, 1, field >= 0);
  if (field >= 0) {  // the field as a picture of its own
    top_row += field * stride;
    height /= 2;
    stride *= 2;
  }
  TextStyle style;
  const int scale = style.scale = geometry.text_scale();
  std::string text;
  for (int i = 0; i < 20; ++i) {  // "HH:MM:SS.mmm NNNNNNN"
    const int x = geometry.text_x() + (style.margin + i * (kGlyphColumns + style.spacing)) * scale;
    const int y = (field >= 0 ? geometry.text_y() / 2 : geometry.text_y()) + style.margin * scale;
    GlyphRows seen{};  // the middle of each dot: ink is bright, paper dark
    for (int r = 0; r < kGlyphRows; ++r) {
      for (int c = 0; c < kGlyphColumns; ++c) {
        const int px = x + c * scale + scale / 2, py = y + r * scale + scale / 2;
        if (px < width && py < height && top_row[py * stride + px * step] > 128) {
          seen[r] |= static_cast<std::uint8_t>(0x10 >> c);
        }
      }
    }
    char found = '?';
    for (char candidate : FontCharacters()) found = GlyphOf(candidate) == seen ? candidate : found;
    text += found;
  }
  return text;
}

// The time of day in milliseconds and the counter burnt into one recorded frame of raw
// pixels of an AVI file; of an interlaced frame, its first field's (the frame's instant).
inline std::pair<long, long> FrameStampOf(const std::string& path, const AviFileInfo& file,
                                          std::size_t index) {
  const std::vector<std::uint8_t> data = ReadFrameBytes(path, file.frames.at(index));
  const int width = static_cast<int>(file.width), height = static_cast<int>(file.height);
  const int step = static_cast<int>(data.size()) / std::max(1, width * height);
  int stride = width * step;
  const std::uint8_t* top = data.data();
  if (IsRgbDib(file)) {  // a DIB stores its bottom row first
    top += static_cast<std::ptrdiff_t>(height - 1) * stride;
    stride = -stride;
  }
  std::string text = data.empty() ? "" : ReadStamp(top, width, height, stride, step);
  if (text.find('?') != std::string::npos) {  // combed: PAL's top field comes first, NTSC's bottom
    text = ReadStamp(top, width, height, stride, step, height == 480 ? 1 : 0);
  }
  int hour = 0, minute = 0, second = 0, milli = 0;
  long counter = 0;  // "HH:MM:SS.mmm NNNNNNN"
  const int read =
      std::sscanf(text.c_str(), "%2d:%2d:%2d.%3d %7ld", &hour, &minute, &second, &milli, &counter);
  EXPECT_EQ(read, 5) << index << ": " << text;
  const long milliseconds = ((hour * 60L + minute) * 60L + second) * 1000L + milli;
  return {milliseconds, counter};
}

}  // namespace vesk::testing
