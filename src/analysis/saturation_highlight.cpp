#include "analysis/saturation_highlight.h"

#include <cstring>

#include "analysis/frame_copy.h"
#include "analysis/pixel_words.h"

namespace vesk {
namespace {

using pixel_words::ByteOf;
using pixel_words::LoadWord;
using pixel_words::PackBytes;
using pixel_words::StoreWord;

// Each painter maps one pixel (group) to its output; a mask replaces the branch.
struct Yuy2Painter {
  static constexpr std::size_t kStep = 4;
  static std::uint32_t Paint(std::uint32_t group, std::int32_t t) {
    constexpr std::uint32_t kMagenta = PackBytes(kMagentaY, kMagentaU, kMagentaY, kMagentaV);
    const std::uint32_t saturated = (ByteOf(group, 0) >= t) | (ByteOf(group, 2) >= t);
    const std::uint32_t mask = 0u - saturated;
    return (group & ~mask) | (kMagenta & mask);
  }
};

struct Argb32Painter {
  static constexpr std::size_t kStep = 4;
  static std::uint32_t Paint(std::uint32_t pixel, std::int32_t t) {
    constexpr std::uint32_t kMagenta = PackBytes(kMagentaBlue, kMagentaGreen, kMagentaRed, 0);
    constexpr std::uint32_t kAlpha = PackBytes(0, 0, 0, 0xFF);
    const std::int32_t sum = ByteOf(pixel, 0) + ByteOf(pixel, 1) + ByteOf(pixel, 2);
    const std::uint32_t mask = 0u - static_cast<std::uint32_t>(sum >= 3 * t);
    return (pixel & ~mask) | (((pixel & kAlpha) | kMagenta) & mask);
  }
};

template <class Painter>
void PaintRowInPlace(std::uint8_t* row, std::size_t bytes, std::int32_t t) {
  for (std::size_t i = 0; i < bytes; i += Painter::kStep) {
    StoreWord(row + i, Painter::Paint(LoadWord(row + i), t));
  }
}

template <class Painter>
void PaintRowCopy(std::uint8_t* __restrict destination, const std::uint8_t* __restrict source,
                  std::size_t bytes, std::int32_t t) {
  for (std::size_t i = 0; i < bytes; i += Painter::kStep) {
    StoreWord(destination + i, Painter::Paint(LoadWord(source + i), t));
  }
}

// RGB24 pixels straddle words; byte selects keep it free of branches all the same.
void PaintRgb24Row(std::uint8_t* destination, const std::uint8_t* source, std::size_t bytes,
                   std::int32_t t) {
  for (std::size_t i = 0; i < bytes; i += 3) {
    const std::uint8_t b = source[i];
    const std::uint8_t g = source[i + 1];
    const std::uint8_t r = source[i + 2];
    const bool saturated = (b >= t) | (g >= t) | (r >= t);
    destination[i] = saturated ? kMagentaBlue : b;
    destination[i + 1] = saturated ? kMagentaGreen : g;
    destination[i + 2] = saturated ? kMagentaRed : r;
  }
}

// Paints `bytes` (whole pixels) of one row from source into destination, which may be
// the same row.
void PaintRow(SubtypeCode subtype, std::uint8_t* destination, const std::uint8_t* source,
              std::size_t bytes, std::int32_t t) {
  switch (subtype) {
    case SubtypeCode::YUY2:
      if (destination == source) {
        PaintRowInPlace<Yuy2Painter>(destination, bytes, t);
      } else {
        PaintRowCopy<Yuy2Painter>(destination, source, bytes, t);
      }
      break;
    case SubtypeCode::ARGB32:
      if (destination == source) {
        PaintRowInPlace<Argb32Painter>(destination, bytes, t);
      } else {
        PaintRowCopy<Argb32Painter>(destination, source, bytes, t);
      }
      break;
    case SubtypeCode::RGB24:
      PaintRgb24Row(destination, source, bytes, t);
      break;
    default:
      break;
  }
}

}  // namespace

bool HighlightSaturatedPixels(const StreamFormat& format, std::uint8_t* frame,
                              std::size_t frame_size, std::uint8_t threshold) {
  const std::size_t frame_bytes = FrameBytes(format);
  if (frame == nullptr || frame_bytes == 0 || frame_size < frame_bytes) return false;
  const auto stride = static_cast<std::size_t>(format.stride);
  const std::size_t row_bytes = PixelBytesPerRow(format);
  if (row_bytes == 0) return true;  // a format that is not analysed stays as it is
  for (std::size_t y = 0; y < static_cast<std::size_t>(format.height); ++y) {
    std::uint8_t* row = frame + y * stride;
    PaintRow(format.subtype, row, row, row_bytes, threshold);
  }
  return true;
}

bool CopyFrameHighlighted(const StreamFormat& format, std::uint8_t* destination,
                          std::size_t destination_size, const std::uint8_t* source,
                          std::size_t length, std::uint8_t threshold) {
  const std::size_t frame_bytes = FrameBytes(format);
  const std::size_t row_bytes = PixelBytesPerRow(format);
  // One pass needs a whole source frame; otherwise copy, then paint the destination.
  if (destination == nullptr || source == nullptr || frame_bytes == 0 || row_bytes == 0 ||
      length < frame_bytes || destination_size < frame_bytes ||
      (format.top_down == 1 && destination_size < length)) {
    if (!CopyFrame(format, destination, destination_size, source, length, CopyMode::Copy)) {
      return false;
    }
    // A top-down copy succeeds without a whole frame; the destination decides, as it would
    // for the two calls.
    HighlightSaturatedPixels(format, destination, destination_size, threshold);
    return true;
  }
  const auto stride = static_cast<std::size_t>(format.stride);
  const auto height = static_cast<std::size_t>(format.height);
  for (std::size_t i = 0; i < height; ++i) {
    std::uint8_t* to = destination + (format.top_down == 1 ? i : height - 1 - i) * stride;
    const std::uint8_t* from = source + i * stride;
    PaintRow(format.subtype, to, from, row_bytes, threshold);
    if (row_bytes < stride) std::memcpy(to + row_bytes, from + row_bytes, stride - row_bytes);
  }
  // A block copy also carries whatever follows the rows.
  if (format.top_down == 1 && length > frame_bytes) {
    std::memcpy(destination + frame_bytes, source + frame_bytes, length - frame_bytes);
  }
  return true;
}

}  // namespace vesk
