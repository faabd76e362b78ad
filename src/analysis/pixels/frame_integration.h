#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "analysis/pixels/dark_histogram.h"
#include "analysis/pixels/stream_format.h"
#include "base/hresult.h"
#include "base/message_log.h"

namespace vesk {

// What frame integration keeps between frames. Touched by the streaming thread while the
// graph runs, and by the user-interface thread only while it is stopped.
struct FrameIntegration {
  // N: frames per integrated output; 0 or 1 = integration off.
  std::uint32_t frame_count = 0;
  // p: frames taken into the current integrated frame.
  std::uint32_t position = 0;
  // Set at each graph start: the next frame is spent on the dark-level estimate.
  bool dark_level_request = false;
  DarkLevels dark_levels;
  DarkHistograms histograms;
  // Frame-sized with room to spare; allocated before streaming, never per frame.
  std::vector<std::uint8_t> accumulation;
};

// One input frame of an integration run. The first frame after a request goes to the dark
// estimate; then frame 1 of each group is copied into the accumulation buffer, frames 2 to
// N - 1 are added to it, and frame N only triggers the output: the accumulated frame,
// `input_length` bytes, goes into `output` and S_OK asks for it to be delivered. Every
// other frame gives S_FALSE (drop the output sample). A frame too short to take part is
// dropped without harm; an output that cannot hold the accumulated frame is dropped too.
HResult IntegrateFrame(const StreamFormat& format, FrameIntegration* integration,
                       const std::uint8_t* input, std::size_t input_length, std::uint8_t* output,
                       std::size_t output_size, std::size_t* output_length, MessageLog& log);

}  // namespace vesk
