#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "analysis/pixels/stream_format.h"

namespace vesk {

// The background level per channel that frame integration subtracts from every frame it
// adds: one for YUY2 luma, one each for blue, green and red. Each is 0 to 74.
struct DarkLevels {
  std::uint32_t luma = 0;
  std::uint32_t blue = 0;
  std::uint32_t green = 0;
  std::uint32_t red = 0;
};

// Only values 0 to 74 can become a dark level; brighter bins are counted but never chosen.
constexpr std::size_t kDarkLevelCandidates = 75;

// One count per byte value. YUY2 frames fill luma; RGB24 and ARGB32 fill blue, green, red.
struct DarkHistograms {
  using Bins = std::array<std::uint32_t, 256>;
  Bins luma{};
  Bins blue{};
  Bins green{};
  Bins red{};
};

enum class DarkEstimate {
  Done,
  // Not YUY2, RGB24 or ARGB32; nothing changed. The caller reports it.
  UnsupportedFormat,
  // The frame holds fewer than stride x height bytes; nothing changed.
  ShortFrame,
};

// The report for a format the estimate cannot handle.
inline constexpr char kDarkLevelUnsupportedText[] =
    "Frame integration not supported for this device format\r\n";

// The most frequent value among 0 to 74; ties go to the lower value, and a histogram
// without counts there gives 0.
std::uint32_t DarkLevelOf(const DarkHistograms::Bins& bins);

// Clears the histograms of the frame's colour model, counts every pixel of every row
// (luma of both YUY2 pixels; blue, green and red of RGB pixels, never chroma or alpha)
// and sets the levels of that colour model. The other model's levels stay as they are.
DarkEstimate EstimateDarkLevels(const StreamFormat& format, const std::uint8_t* frame,
                                std::size_t frame_size, DarkHistograms* histograms,
                                DarkLevels* levels);

}  // namespace vesk
