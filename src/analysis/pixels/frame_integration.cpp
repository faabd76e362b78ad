#include "analysis/pixels/frame_integration.h"

#include <cstring>

#include "analysis/pixels/frame_copy.h"

namespace vesk {

HResult IntegrateFrame(const StreamFormat& format, FrameIntegration* integration,
                       const std::uint8_t* input, std::size_t input_length, std::uint8_t* output,
                       std::size_t output_size, std::size_t* output_length, MessageLog& log) {
  FrameIntegration& state = *integration;
  if (state.dark_level_request) {
    const DarkEstimate estimate =
        EstimateDarkLevels(format, input, input_length, &state.histograms, &state.dark_levels);
    // A short frame cannot be measured; the next one is used instead.
    if (estimate == DarkEstimate::ShortFrame) return S_FALSE;
    if (estimate == DarkEstimate::UnsupportedFormat) {
      log.ReportMessage(kDarkLevelUnsupportedText, true);
    }
    state.dark_level_request = false;
    return S_FALSE;
  }

  ++state.position;
  std::vector<std::uint8_t>& buffer = state.accumulation;
  if (state.position >= state.frame_count) {
    state.position = 0;
    if (input_length > buffer.size() || input_length > output_size) return S_FALSE;
    if (input_length > 0) std::memcpy(output, buffer.data(), input_length);
    *output_length = input_length;
    return S_OK;
  }
  const CopyMode mode = state.position == 1 ? CopyMode::Copy : CopyMode::Accumulate;
  CopyFrame(format, buffer.data(), buffer.size(), input, input_length, mode, state.dark_levels);
  return S_FALSE;
}

}  // namespace vesk
