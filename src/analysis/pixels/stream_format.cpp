#include "analysis/pixels/stream_format.h"

#include <limits>

namespace vesk {

std::int32_t BitCountOf(SubtypeCode subtype) {
  switch (subtype) {
    case SubtypeCode::YUY2:
      return 16;
    case SubtypeCode::RGB24:
      return 24;
    case SubtypeCode::ARGB32:
      return 32;
    default:
      return 0;
  }
}

std::int32_t ComputeStride(std::int32_t bit_count, std::int32_t width) {
  // 64-bit arithmetic: a hostile header must not overflow into a small positive stride.
  const std::int64_t bits = static_cast<std::int64_t>(bit_count) * width + 31;
  const std::int64_t stride = (bits >> 3) & ~std::int64_t{3};
  if (stride < 0 || stride > std::numeric_limits<std::int32_t>::max()) return 0;
  return static_cast<std::int32_t>(stride);
}

StreamFormat MakeStreamFormat(SubtypeCode subtype, std::int32_t bit_count, std::int32_t width,
                              std::int32_t declared_height) {
  StreamFormat format;
  format.subtype = subtype;
  format.width = width;
  format.stride = ComputeStride(bit_count, width);
  format.top_down = (subtype == SubtypeCode::YUY2 || declared_height < 0) ? 1 : 0;
  const std::int64_t height = declared_height < 0 ? -static_cast<std::int64_t>(declared_height)
                                                  : static_cast<std::int64_t>(declared_height);
  // INT32_MIN has no positive counterpart: such a format has no rows.
  format.height =
      height > std::numeric_limits<std::int32_t>::max() ? 0 : static_cast<std::int32_t>(height);
  return format;
}

std::size_t PixelStep(SubtypeCode subtype) {
  switch (subtype) {
    case SubtypeCode::YUY2:
    case SubtypeCode::ARGB32:
      return 4;
    case SubtypeCode::RGB24:
      return 3;
    default:
      return 0;
  }
}

std::size_t PixelBytesPerRow(const StreamFormat& format) {
  const std::size_t step = PixelStep(format.subtype);
  if (step == 0 || format.stride <= 0) return 0;
  const auto stride = static_cast<std::size_t>(format.stride);
  return stride / step * step;
}

std::size_t FrameBytes(const StreamFormat& format) {
  if (format.stride <= 0 || format.height <= 0) return 0;
  // Both factors are below 2^31, so the product fits 64 bits; it may not fit a 32-bit size.
  const std::uint64_t bytes =
      static_cast<std::uint64_t>(format.stride) * static_cast<std::uint64_t>(format.height);
  if (bytes > std::numeric_limits<std::size_t>::max()) return 0;
  return static_cast<std::size_t>(bytes);
}

}  // namespace vesk
