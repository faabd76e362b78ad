#pragma once

// The capture graph's hold on the live analysis filter: preparing a run, taking the format
// the preview branch connected with, and releasing the integration buffer at each stop.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

#include "analysis/pixels/character_sets.h"
#include "analysis/pixels/live_analysis.h"
#include "analysis/pixels/stream_format.h"
#include "base/hresult.h"
#include "capture/capture_graph.h"
#include "media/media_graph.h"

namespace vesk {

// The filter refuses a media type it cannot analyse (the platform's VFW_E_TYPE_NOT_ACCEPTED).
inline constexpr HResult kTypeNotAcceptedResult = static_cast<HResult>(0x8004022Au);
// Asked for the connected format while its input is not connected (E_UNEXPECTED).
inline constexpr HResult kNotConnectedResult = static_cast<HResult>(0x8000FFFFu);

// The first media type the filter's output lists: the type its input is connected with
// (the output always carries the input's format). Failures as the pins give them;
// kNotConnectedResult when the filter has no output pin or lists nothing.
HResult ConnectedMediaType(MediaFilter& filter, MediaType* type);

// The stream format of a connected media type. rgb_rows_top_down: the platform stores RGB
// rows first row first (YUY2 always is). E_POINTER when the type has no format block;
// kTypeNotAcceptedResult for a subtype other than YUY2, RGB24 and ARGB32 or a size the
// stride rule cannot give.
HResult StreamFormatOf(const MediaType& type, bool rgb_rows_top_down, StreamFormat* format);

class LiveAnalysisControl final : public LiveFilterControl {
 public:
  // filter: the live analysis filter the graph splices in. settings: the application's
  // analysis settings at the moment of a start. sets: the recognition sets loaded at
  // start-up (their absence is reported at every start).
  LiveAnalysisControl(LiveAnalysis& analysis, std::shared_ptr<MediaFilter> filter,
                      bool rgb_rows_top_down, std::function<AnalysisSettings()> settings,
                      const RecognitionSets& sets);

  void PrepareStreaming(std::size_t accumulation_bytes, std::uint32_t frame_rate) override;
  HResult ReadStreamFormat() override;
  void ReleaseIntegrationBuffer() override;

  // The result of the last PrepareStreaming (E_OUTOFMEMORY when integration could not get
  // its buffer and frames pass unchanged).
  HResult last_prepare_result() const { return last_prepare_result_; }

 private:
  LiveAnalysis& analysis_;
  std::shared_ptr<MediaFilter> filter_;
  bool rgb_rows_top_down_;
  std::function<AnalysisSettings()> settings_;
  const RecognitionSets& sets_;
  HResult last_prepare_result_ = S_OK;
};

}  // namespace vesk
