#include "analysis/live_filter_control.h"

#include <climits>
#include <cstdlib>
#include <utility>
#include <vector>

namespace vesk {

HResult ConnectedMediaType(MediaFilter& filter, MediaType* type) {
  if (type == nullptr) return E_POINTER;
  PinList pins;
  if (HResult result = filter.EnumPins(&pins); Failed(result)) return result;
  for (const auto& pin : pins) {
    PinDirection direction = PinDirection::Input;
    if (!pin || Failed(pin->QueryDirection(&direction)) || direction != PinDirection::Output) {
      continue;
    }
    std::vector<MediaType> types;
    if (HResult result = pin->EnumMediaTypes(&types); Failed(result)) return result;
    if (types.empty()) return kNotConnectedResult;
    *type = types.front();
    return S_OK;
  }
  return kNotConnectedResult;
}

HResult StreamFormatOf(const MediaType& type, bool rgb_rows_top_down, StreamFormat* format) {
  if (format == nullptr || !type.has_format) return E_POINTER;
  const std::int32_t bit_count = BitCountOf(type.subtype);
  // A declared height of INT32_MIN has no positive counterpart.
  if (bit_count == 0 || type.width <= 0 || type.height == 0 || type.height == INT32_MIN) {
    return kTypeNotAcceptedResult;
  }
  const std::int32_t rows = std::abs(type.height);
  const StreamFormat made =
      MakeStreamFormat(type.subtype, bit_count, type.width, rgb_rows_top_down ? -rows : rows);
  if (made.stride <= 0) return kTypeNotAcceptedResult;
  *format = made;
  return S_OK;
}

LiveAnalysisControl::LiveAnalysisControl(LiveAnalysis& analysis,
                                         std::shared_ptr<MediaFilter> filter,
                                         bool rgb_rows_top_down,
                                         std::function<AnalysisSettings()> settings,
                                         const RecognitionSets& sets)
    : analysis_(analysis),
      filter_(std::move(filter)),
      rgb_rows_top_down_(rgb_rows_top_down),
      settings_(std::move(settings)),
      sets_(sets) {}

void LiveAnalysisControl::PrepareStreaming(std::size_t accumulation_bytes,
                                           std::uint32_t frame_rate) {
  const AnalysisSettings settings = settings_ ? settings_() : AnalysisSettings{};
  last_prepare_result_ =
      analysis_.PrepareStreaming(accumulation_bytes, frame_rate, settings, sets_);
}

HResult LiveAnalysisControl::ReadStreamFormat() {
  if (!filter_) return E_POINTER;
  MediaType type;
  if (HResult result = ConnectedMediaType(*filter_, &type); Failed(result)) return result;
  StreamFormat format;
  if (HResult result = StreamFormatOf(type, rgb_rows_top_down_, &format); Failed(result)) {
    return result;
  }
  analysis_.SetStreamFormat(format);
  return S_OK;
}

void LiveAnalysisControl::ReleaseIntegrationBuffer() { analysis_.ReleaseAccumulationBuffer(); }

}  // namespace vesk
