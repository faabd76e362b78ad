#pragma once

#include <cstddef>
#include <cstdint>

#include "analysis/pixels/stream_format.h"

namespace vesk {

// The strong magenta that marks saturated pixels, in each colour model. YUY2 luma 106
// with chroma 202/222 converts to about red 255, green 0, blue 255.
inline constexpr std::uint8_t kMagentaY = 106;
inline constexpr std::uint8_t kMagentaU = 202;
inline constexpr std::uint8_t kMagentaV = 222;
inline constexpr std::uint8_t kMagentaBlue = 225;
inline constexpr std::uint8_t kMagentaGreen = 0;
inline constexpr std::uint8_t kMagentaRed = 225;

// Paints every saturated pixel of every row magenta; values equal to the threshold count
// as saturated. YUY2 pairs are painted whole when either luma reaches it; RGB24 pixels
// when any of blue, green and red does; ARGB32 pixels when blue + green + red reaches
// three times it (alpha is kept). Other formats are left alone. Pixels are visited from
// byte 0 of each row while a whole one fits inside the stride.
// Returns false, changing nothing, when the frame is shorter than stride x height.
bool HighlightSaturatedPixels(const StreamFormat& format, std::uint8_t* frame,
                              std::size_t frame_size, std::uint8_t threshold);

// CopyFrame in copy mode followed by HighlightSaturatedPixels over the destination, done
// in one pass over the frame where the buffers allow it. Same results and the same
// refusals as the two calls. The buffers must not overlap.
bool CopyFrameHighlighted(const StreamFormat& format, std::uint8_t* destination,
                          std::size_t destination_size, const std::uint8_t* source,
                          std::size_t length, std::uint8_t threshold);

}  // namespace vesk
