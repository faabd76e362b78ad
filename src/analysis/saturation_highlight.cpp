#include "analysis/saturation_highlight.h"

#include <cstring>

#include "analysis/frame_copy.h"
#include "analysis/pixel_words.h"

namespace vesk {
namespace {

using pixel_words::ByteOf;
using pixel_words::I32x8;
using pixel_words::kBlockBytes;
using pixel_words::LoadBlock;
using pixel_words::LoadWord;
using pixel_words::PackBytes;
using pixel_words::StoreBlock;
using pixel_words::StoreWord;
using pixel_words::U32x8;
using pixel_words::U8x32;

constexpr std::uint32_t kYuy2Magenta = PackBytes(kMagentaY, kMagentaU, kMagentaY, kMagentaV);
constexpr std::uint32_t kArgbMagenta = PackBytes(kMagentaBlue, kMagentaGreen, kMagentaRed, 0);
constexpr std::uint32_t kAlphaByte = PackBytes(0, 0, 0, 0xFF);

// One pixel pair: painted whole when either luma reaches t.
std::uint32_t PaintYuy2Group(std::uint32_t group, std::int32_t t) {
  const std::uint32_t saturated = (ByteOf(group, 0) >= t) | (ByteOf(group, 2) >= t);
  const std::uint32_t mask = 0u - saturated;
  return (group & ~mask) | (kYuy2Magenta & mask);
}

// One pixel: painted, alpha kept, when blue + green + red reaches 3t.
std::uint32_t PaintArgb32Pixel(std::uint32_t pixel, std::int32_t t3) {
  const std::int32_t sum = ByteOf(pixel, 0) + ByteOf(pixel, 1) + ByteOf(pixel, 2);
  const std::uint32_t mask = 0u - static_cast<std::uint32_t>(sum >= t3);
  return (pixel & ~mask) | (((pixel & kAlphaByte) | kArgbMagenta) & mask);
}

// The row loops read each block before writing it, so destination may equal source;
// otherwise the two must not overlap.
VESK_PIXEL_LOOP
void PaintYuy2Row(std::uint8_t* destination, const std::uint8_t* source, std::size_t bytes,
                  std::uint8_t t) {
  const U8x32 threshold = U8x32{} + t;
  const U32x8 luma = U32x8{} + PackBytes(0xFF, 0, 0xFF, 0);
  const U32x8 magenta = U32x8{} + kYuy2Magenta;
  std::size_t i = 0;
  for (; i + kBlockBytes <= bytes; i += kBlockBytes) {
    U8x32 block;
    LoadBlock(&block, source + i);
    const auto reached = reinterpret_cast<U32x8>(block >= threshold);
    const U32x8 painted = (reached & luma) != 0 ? magenta : reinterpret_cast<U32x8>(block);
    StoreBlock(destination + i, &painted);
  }
  for (; i + 4 <= bytes; i += 4)
    StoreWord(destination + i, PaintYuy2Group(LoadWord(source + i), t));
}

VESK_PIXEL_LOOP
void PaintArgb32Row(std::uint8_t* destination, const std::uint8_t* source, std::size_t bytes,
                    std::uint8_t t) {
  const std::int32_t t3 = 3 * static_cast<std::int32_t>(t);
  const I32x8 threshold = I32x8{} + t3;
  const U32x8 alpha = U32x8{} + kAlphaByte;
  const U32x8 magenta = U32x8{} + kArgbMagenta;
  constexpr unsigned kBlue = pixel_words::ByteShift(0);
  constexpr unsigned kGreen = pixel_words::ByteShift(1);
  constexpr unsigned kRed = pixel_words::ByteShift(2);
  std::size_t i = 0;
  for (; i + kBlockBytes <= bytes; i += kBlockBytes) {
    U32x8 pixels;
    LoadBlock(&pixels, source + i);
    const U32x8 sum =
        ((pixels >> kBlue) & 0xFF) + ((pixels >> kGreen) & 0xFF) + ((pixels >> kRed) & 0xFF);
    const U32x8 painted =
        reinterpret_cast<I32x8>(sum) >= threshold ? (pixels & alpha) | magenta : pixels;
    StoreBlock(destination + i, &painted);
  }
  for (; i + 4 <= bytes; i += 4) {
    StoreWord(destination + i, PaintArgb32Pixel(LoadWord(source + i), t3));
  }
}

// RGB24 pixels straddle words; byte selects keep it free of branches all the same.
VESK_PIXEL_LOOP
void PaintRgb24Row(std::uint8_t* destination, const std::uint8_t* source, std::size_t bytes,
                   std::uint8_t t) {
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
              std::size_t bytes, std::uint8_t t) {
  switch (subtype) {
    case SubtypeCode::YUY2:
      PaintYuy2Row(destination, source, bytes, t);
      break;
    case SubtypeCode::ARGB32:
      PaintArgb32Row(destination, source, bytes, t);
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
