#include "analysis/pixels/frame_copy.h"

#include <algorithm>
#include <cstring>

#include "analysis/pixels/pixel_words.h"

namespace vesk {
namespace {

// The dark level of every byte position, repeated over a span that a whole number of
// 3- and 4-byte pixels and of 32-byte vectors fill. Bytes that never accumulate get 255,
// which nothing exceeds, so one saturating formula serves every byte of a row.
constexpr std::size_t kPatternBytes = 96;

void FillDarkPattern(SubtypeCode subtype, const DarkLevels& levels, std::uint8_t* pattern) {
  const auto level = [](std::uint32_t value) {
    return static_cast<std::uint8_t>(std::min<std::uint32_t>(value, 255));
  };
  for (std::size_t i = 0; i < kPatternBytes; ++i) {
    std::uint8_t k = 255;
    if (subtype == SubtypeCode::YUY2) {
      if (i % 2 == 0) k = level(levels.luma);  // Y0 U Y1 V
    } else {
      const std::size_t channel = subtype == SubtypeCode::RGB24 ? i % 3 : i % 4;
      if (channel == 0) k = level(levels.blue);
      if (channel == 1) k = level(levels.green);
      if (channel == 2) k = level(levels.red);
    }
    pattern[i] = k;
  }
}

// destination + (source - level), both steps saturating, in byte arithmetic only.
VESK_ALWAYS_INLINE std::uint8_t AccumulateByte(std::uint8_t destination, std::uint8_t source,
                                               std::uint8_t level) {
  const auto above = static_cast<std::uint8_t>(std::max(source, level) - level);
  const auto room = static_cast<std::uint8_t>(255 - destination);
  return static_cast<std::uint8_t>(destination + std::min(above, room));
}

VESK_ALWAYS_INLINE void AccumulateBytes(std::uint8_t* __restrict destination,
                                        const std::uint8_t* __restrict source, std::size_t bytes,
                                        const std::uint8_t* __restrict pattern) {
  std::size_t i = 0;
  for (; i + kPatternBytes <= bytes; i += kPatternBytes) {
    for (std::size_t j = 0; j < kPatternBytes; ++j) {
      destination[i + j] = AccumulateByte(destination[i + j], source[i + j], pattern[j]);
    }
  }
  for (std::size_t j = 0; i < bytes; ++i, ++j) {
    destination[i] = AccumulateByte(destination[i], source[i], pattern[j]);
  }
}

using RowAccumulator = void (*)(std::uint8_t*, const std::uint8_t*, std::size_t,
                                const std::uint8_t*);

void AccumulateRow(std::uint8_t* d, const std::uint8_t* s, std::size_t n,
                   const std::uint8_t* pattern) {
  AccumulateBytes(d, s, n, pattern);
}

#if VESK_HAVE_AVX2_LOOPS
VESK_TARGET_AVX2 void AccumulateRowAvx2(std::uint8_t* d, const std::uint8_t* s, std::size_t n,
                                        const std::uint8_t* pattern) {
  AccumulateBytes(d, s, n, pattern);
}
#endif

RowAccumulator ChooseRowAccumulator() {
#if VESK_HAVE_AVX2_LOOPS
  if (pixel_words::WideLoopsEnabled()) return AccumulateRowAvx2;
#endif
  return AccumulateRow;
}

}  // namespace

bool CopyFrame(const StreamFormat& format, std::uint8_t* destination, std::size_t destination_size,
               const std::uint8_t* source, std::size_t length, CopyMode mode,
               const DarkLevels& levels) {
  if (destination == nullptr || source == nullptr) return false;
  if (mode == CopyMode::Copy && format.top_down == 1) {
    if (length > destination_size) return false;
    if (length > 0) std::memcpy(destination, source, length);
    return true;
  }

  const std::size_t frame_bytes = FrameBytes(format);
  if (frame_bytes == 0 || length < frame_bytes || destination_size < frame_bytes) return false;
  const auto stride = static_cast<std::size_t>(format.stride);
  const auto height = static_cast<std::size_t>(format.height);
  const auto destination_row = [&](std::size_t i) {
    return destination + (format.top_down == 1 ? i : height - 1 - i) * stride;
  };

  if (mode == CopyMode::Copy) {
    for (std::size_t i = 0; i < height; ++i) {
      std::memcpy(destination_row(i), source + i * stride, stride);
    }
    return true;
  }

  const std::size_t row_bytes = PixelBytesPerRow(format);
  if (row_bytes == 0) return true;  // no analysed pixels: nothing accumulates
  std::uint8_t pattern[kPatternBytes];
  FillDarkPattern(format.subtype, levels, pattern);
  const RowAccumulator accumulate = ChooseRowAccumulator();
  for (std::size_t i = 0; i < height; ++i) {
    accumulate(destination_row(i), source + i * stride, row_bytes, pattern);
  }
  return true;
}

}  // namespace vesk
