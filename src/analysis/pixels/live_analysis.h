#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "analysis/pixels/character_sets.h"
#include "analysis/pixels/frame_integration.h"
#include "analysis/pixels/stream_format.h"
#include "base/hresult.h"
#include "base/message_log.h"

namespace vesk {

// The application's analysis settings at the moment the graph starts.
struct AnalysisSettings {
  // 0 or 1 = integration off; 2 to 30 = frames per integrated output.
  std::uint32_t integration_frame_count = 0;
  // -1 = highlighting off; otherwise 50 to 255.
  std::int32_t saturation_value = -1;
};

// Frame rate recorded when the format gives none.
inline constexpr std::uint32_t kDefaultFrameRate = 30;

// What the live transform filter keeps between frames, and its per-frame work. The
// filter element binds this to the media framework; the pixel rules live here.
//
// Threads: TransformFrame runs on the streaming thread; everything else on the
// user-interface thread while the graph is stopped, except the saturation threshold,
// which the saturation window may rewrite at any time (a frame sees the old or the new
// value, read once).
class LiveAnalysis {
 public:
  explicit LiveAnalysis(MessageLog& log) : log_(log) {}

  // The connected format, once the preview branch passes through the filter.
  void SetStreamFormat(const StreamFormat& format) { format_ = format; }
  const StreamFormat& stream_format() const { return format_; }

  // At each graph start with the filter in it, before the first frame: records the frame
  // rate, takes the integration count, and either the saturation threshold (integration
  // off) or a fresh zeroed accumulation buffer of accumulation_size + 32 bytes (integration
  // on; highlighting then stays off). Then starts a new integration group, clears the
  // YUY2 dark level, asks for a new dark estimate and resets recognition.
  // E_OUTOFMEMORY when the buffer cannot be had; integration then stays off for the run.
  HResult PrepareStreaming(std::size_t accumulation_size, std::uint32_t frame_rate,
                           const AnalysisSettings& settings, const RecognitionSets& sets);

  // When the camera stops: the buffer goes, so every run starts from a zeroed one.
  void ReleaseAccumulationBuffer();

  // -1 switches highlighting off; 0 to 255 is the threshold of the next frame.
  void SetSaturationThreshold(std::int32_t threshold) {
    saturation_threshold_.store(threshold, std::memory_order_relaxed);
  }
  std::int32_t saturation_threshold() const {
    return saturation_threshold_.load(std::memory_order_relaxed);
  }

  // One frame: integration when on, otherwise a copy, highlighted when the threshold is
  // 0 or more. S_OK: deliver `output` with *output_length bytes; S_FALSE: drop it (frames
  // absorbed by integration, and frames that do not fit the buffers); E_POINTER when a
  // buffer is missing. Allocates nothing.
  HResult TransformFrame(const std::uint8_t* input, std::size_t input_length, std::uint8_t* output,
                         std::size_t output_size, std::size_t* output_length);

  std::uint32_t frame_rate() const { return frame_rate_; }
  const FrameIntegration& integration() const { return integration_; }

 private:
  MessageLog& log_;
  StreamFormat format_;
  std::uint32_t frame_rate_ = 0;
  std::atomic<std::int32_t> saturation_threshold_{-1};
  FrameIntegration integration_;
};

}  // namespace vesk
