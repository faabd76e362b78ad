#pragma once

#include <cstddef>
#include <cstdint>

#include "media/video_types.h"

namespace vesk {

// The layout of the frames that reach the live analysis: which of the three analysed
// pixel formats, the picture size, the bytes per row and the row order.
struct StreamFormat {
  std::int32_t stride = 0;  // bytes per row
  SubtypeCode subtype = SubtypeCode::Other;
  std::int32_t width = 0;
  std::int32_t height = 0;     // always the absolute value of the declared height
  std::uint32_t top_down = 0;  // 1 when the first row comes first in memory
};

// Bits per pixel of the analysed formats (YUY2 16, RGB24 24, ARGB32 32); 0 for the others.
std::int32_t BitCountOf(SubtypeCode subtype);

// Bytes per row: (bit count x width + 31) >> 3 with the two low bits cleared, which is
// the 4-byte-aligned row size. 0 when the result is negative or does not fit 32 bits.
std::int32_t ComputeStride(std::int32_t bit_count, std::int32_t width);

// The format of frames with this subtype, bit count, width and declared height (negative
// for RGB rows stored first row first). YUY2 rows always come first row first.
StreamFormat MakeStreamFormat(SubtypeCode subtype, std::int32_t bit_count, std::int32_t width,
                              std::int32_t declared_height);

// Bytes of one pixel, or of one group of two pixels for YUY2; 0 for formats not analysed.
std::size_t PixelStep(SubtypeCode subtype);

// Bytes of a row that belong to whole pixels (groups): the pixels of a row are visited
// from byte 0 while a whole one still fits inside the stride.
std::size_t PixelBytesPerRow(const StreamFormat& format);

// stride x height, the bytes a whole frame occupies; 0 for a format without rows.
std::size_t FrameBytes(const StreamFormat& format);

}  // namespace vesk
