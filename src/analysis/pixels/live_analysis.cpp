#include "analysis/pixels/live_analysis.h"

#include <limits>
#include <new>
#include <stdexcept>

#include "analysis/pixels/frame_copy.h"
#include "analysis/pixels/saturation_highlight.h"

namespace vesk {

namespace {

// Room beyond the frame, as the accumulation buffer has always had.
constexpr std::size_t kAccumulationSlack = 32;

// A fresh buffer of zeros; false (and an empty buffer) when memory cannot be had.
bool AllocateZeroed(std::size_t bytes, std::vector<std::uint8_t>* buffer) {
  *buffer = {};
  if (bytes > std::numeric_limits<std::size_t>::max() - kAccumulationSlack) return false;
  try {
    buffer->assign(bytes + kAccumulationSlack, 0);
  } catch (const std::bad_alloc&) {
    return false;
  } catch (const std::length_error&) {
    return false;
  }
  return true;
}

}  // namespace

HResult LiveAnalysis::PrepareStreaming(std::size_t accumulation_size, std::uint32_t frame_rate,
                                       const AnalysisSettings& settings,
                                       const RecognitionSets& sets) {
  frame_rate_ = frame_rate == 0 ? kDefaultFrameRate : frame_rate;
  SetSaturationThreshold(-1);
  integration_.frame_count = settings.integration_frame_count;
  bool allocated = true;
  if (integration_.frame_count <= 1) {
    SetSaturationThreshold(settings.saturation_value);
  } else if (!AllocateZeroed(accumulation_size, &integration_.accumulation)) {
    // Without its buffer integration cannot run: frames pass through unchanged.
    integration_.frame_count = 0;
    allocated = false;
  }
  integration_.position = 0;
  integration_.dark_levels.luma = 0;
  integration_.dark_level_request = true;
  ResetRecognition(sets, log_);
  return allocated ? S_OK : E_OUTOFMEMORY;
}

void LiveAnalysis::ReleaseAccumulationBuffer() { integration_.accumulation = {}; }

HResult LiveAnalysis::TransformFrame(const std::uint8_t* input, std::size_t input_length,
                                     std::uint8_t* output, std::size_t output_size,
                                     std::size_t* output_length) {
  if (input == nullptr || output == nullptr || output_length == nullptr) return E_POINTER;
  if (integration_.frame_count > 1) {
    return IntegrateFrame(format_, &integration_, input, input_length, output, output_size,
                          output_length, log_);
  }
  const std::int32_t threshold = saturation_threshold();
  const bool copied =
      threshold >= 0 ? CopyFrameHighlighted(format_, output, output_size, input, input_length,
                                            static_cast<std::uint8_t>(threshold))
                     : CopyFrame(format_, output, output_size, input, input_length, CopyMode::Copy);
  // A frame the output cannot hold is dropped rather than written past the buffer.
  if (!copied) return S_FALSE;
  *output_length = input_length;
  return S_OK;
}

}  // namespace vesk
