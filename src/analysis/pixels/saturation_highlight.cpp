#include "analysis/pixels/saturation_highlight.h"

#include <cstring>

#include "analysis/pixels/frame_copy.h"
#include "analysis/pixels/pixel_words.h"

namespace vesk {
namespace {

using pixel_words::ByteOf;
using pixel_words::LoadBlock;
using pixel_words::LoadWord;
using pixel_words::PackBytes;
using pixel_words::StoreBlock;
using pixel_words::StoreWord;

constexpr std::uint32_t kYuy2Magenta = PackBytes(kMagentaY, kMagentaU, kMagentaY, kMagentaV);
constexpr std::uint32_t kArgbMagenta = PackBytes(kMagentaBlue, kMagentaGreen, kMagentaRed, 0);
constexpr std::uint32_t kAlphaByte = PackBytes(0, 0, 0, 0xFF);

// One pixel pair: painted whole when either luma reaches t.
std::uint32_t PaintYuy2Group(std::uint32_t group, std::int32_t t) {
  const auto saturated = static_cast<std::uint32_t>(ByteOf(group, 0) >= t) |
                         static_cast<std::uint32_t>(ByteOf(group, 2) >= t);
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
template <class Block>
VESK_ALWAYS_INLINE void PaintYuy2Blocks(std::uint8_t* destination, const std::uint8_t* source,
                                        std::size_t bytes, std::uint8_t t) {
  using U8 = typename Block::U8;
  using U32 = typename Block::U32;
  const U8 threshold = U8{} + t;
  const U32 luma = U32{} + PackBytes(0xFF, 0, 0xFF, 0);
  const U32 magenta = U32{} + kYuy2Magenta;
  std::size_t i = 0;
  for (; i + Block::kBytes <= bytes; i += Block::kBytes) {
    U8 block;
    LoadBlock(&block, source + i);
    const auto reached = reinterpret_cast<U32>(block >= threshold);
    const U32 painted = (reached & luma) != 0 ? magenta : reinterpret_cast<U32>(block);
    StoreBlock(destination + i, &painted);
  }
  for (; i + 4 <= bytes; i += 4) {
    StoreWord(destination + i, PaintYuy2Group(LoadWord(source + i), t));
  }
}

template <class Block>
VESK_ALWAYS_INLINE void PaintArgb32Blocks(std::uint8_t* destination, const std::uint8_t* source,
                                          std::size_t bytes, std::uint8_t t) {
  using U32 = typename Block::U32;
  using I32 = typename Block::I32;
  const std::int32_t t3 = 3 * static_cast<std::int32_t>(t);
  const I32 threshold = I32{} + t3;
  const U32 alpha = U32{} + kAlphaByte;
  const U32 magenta = U32{} + kArgbMagenta;
  constexpr unsigned kBlue = pixel_words::ByteShift(0);
  constexpr unsigned kGreen = pixel_words::ByteShift(1);
  constexpr unsigned kRed = pixel_words::ByteShift(2);
  std::size_t i = 0;
  for (; i + Block::kBytes <= bytes; i += Block::kBytes) {
    U32 pixels;
    LoadBlock(&pixels, source + i);
    const U32 sum =
        ((pixels >> kBlue) & 0xFF) + ((pixels >> kGreen) & 0xFF) + ((pixels >> kRed) & 0xFF);
    const U32 painted =
        reinterpret_cast<I32>(sum) >= threshold ? (pixels & alpha) | magenta : pixels;
    StoreBlock(destination + i, &painted);
  }
  for (; i + 4 <= bytes; i += 4) {
    StoreWord(destination + i, PaintArgb32Pixel(LoadWord(source + i), t3));
  }
}

// RGB24 pixels straddle words; byte selects keep it free of branches all the same.
VESK_ALWAYS_INLINE void PaintRgb24Pixels(std::uint8_t* destination, const std::uint8_t* source,
                                         std::size_t bytes, std::uint8_t t) {
  for (std::size_t i = 0; i < bytes; i += 3) {
    const std::uint8_t b = source[i];
    const std::uint8_t g = source[i + 1];
    const std::uint8_t r = source[i + 2];
    // Bitwise on purpose: no branch per channel.
    const bool saturated =
        static_cast<int>(b >= t) | static_cast<int>(g >= t) | static_cast<int>(r >= t);
    destination[i] = saturated ? kMagentaBlue : b;
    destination[i + 1] = saturated ? kMagentaGreen : g;
    destination[i + 2] = saturated ? kMagentaRed : r;
  }
}

using RowPainter = void (*)(std::uint8_t*, const std::uint8_t*, std::size_t, std::uint8_t);

void PaintYuy2Row(std::uint8_t* d, const std::uint8_t* s, std::size_t n, std::uint8_t t) {
  PaintYuy2Blocks<pixel_words::Block16>(d, s, n, t);
}
void PaintArgb32Row(std::uint8_t* d, const std::uint8_t* s, std::size_t n, std::uint8_t t) {
  PaintArgb32Blocks<pixel_words::Block16>(d, s, n, t);
}
void PaintRgb24Row(std::uint8_t* d, const std::uint8_t* s, std::size_t n, std::uint8_t t) {
  PaintRgb24Pixels(d, s, n, t);
}

#if VESK_HAVE_AVX2_LOOPS
VESK_TARGET_AVX2 void PaintYuy2RowAvx2(std::uint8_t* d, const std::uint8_t* s, std::size_t n,
                                       std::uint8_t t) {
  PaintYuy2Blocks<pixel_words::Block32>(d, s, n, t);
}
VESK_TARGET_AVX2 void PaintArgb32RowAvx2(std::uint8_t* d, const std::uint8_t* s, std::size_t n,
                                         std::uint8_t t) {
  PaintArgb32Blocks<pixel_words::Block32>(d, s, n, t);
}
#endif

// The loop for the frame's format, in the widest build the processor runs; null for
// formats that are not analysed.
RowPainter ChooseRowPainter(SubtypeCode subtype) {
#if VESK_HAVE_AVX2_LOOPS
  if (pixel_words::WideLoopsEnabled()) {
    if (subtype == SubtypeCode::YUY2) return PaintYuy2RowAvx2;
    if (subtype == SubtypeCode::ARGB32) return PaintArgb32RowAvx2;
  }
#endif
  switch (subtype) {
    case SubtypeCode::YUY2:
      return PaintYuy2Row;
    case SubtypeCode::ARGB32:
      return PaintArgb32Row;
    case SubtypeCode::RGB24:
      return PaintRgb24Row;
    default:
      return nullptr;
  }
}

}  // namespace

bool HighlightSaturatedPixels(const StreamFormat& format, std::uint8_t* frame,
                              std::size_t frame_size, std::uint8_t threshold) {
  const std::size_t frame_bytes = FrameBytes(format);
  if (frame == nullptr || frame_bytes == 0 || frame_size < frame_bytes) return false;
  const auto stride = static_cast<std::size_t>(format.stride);
  const std::size_t row_bytes = PixelBytesPerRow(format);
  const RowPainter paint = ChooseRowPainter(format.subtype);
  if (row_bytes == 0 || paint == nullptr) return true;  // not analysed: left as it is
  for (std::size_t y = 0; y < static_cast<std::size_t>(format.height); ++y) {
    std::uint8_t* row = frame + y * stride;
    paint(row, row, row_bytes, threshold);
  }
  return true;
}

bool CopyFrameHighlighted(const StreamFormat& format, std::uint8_t* destination,
                          std::size_t destination_size, const std::uint8_t* source,
                          std::size_t length, std::uint8_t threshold) {
  const std::size_t frame_bytes = FrameBytes(format);
  const std::size_t row_bytes = PixelBytesPerRow(format);
  const RowPainter paint = ChooseRowPainter(format.subtype);
  // One pass needs a whole source frame; otherwise copy, then paint the destination.
  if (destination == nullptr || source == nullptr || frame_bytes == 0 || row_bytes == 0 ||
      paint == nullptr || length < frame_bytes || destination_size < frame_bytes ||
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
    paint(to, from, row_bytes, threshold);
    if (row_bytes < stride) std::memcpy(to + row_bytes, from + row_bytes, stride - row_bytes);
  }
  // A block copy also carries whatever follows the rows.
  if (format.top_down == 1 && length > frame_bytes) {
    std::memcpy(destination + frame_bytes, source + frame_bytes, length - frame_bytes);
  }
  return true;
}

}  // namespace vesk
