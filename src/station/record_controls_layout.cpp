#include "station/record_controls_layout.h"

#include <algorithm>
#include <limits>

namespace vesk {
namespace {

int ClampToInt(long long value) {
  return static_cast<int>(std::clamp<long long>(value, std::numeric_limits<int>::min(),
                                                std::numeric_limits<int>::max()));
}

}  // namespace

PixelSize VideoRecordWindowSize(PixelSize format_size, bool x2_magnification) {
  const long long factor = x2_magnification ? 2 : 1;
  return {ClampToInt(factor * format_size.width + kVideoWindowMargin.width),
          ClampToInt(factor * format_size.height + kVideoWindowMargin.height)};
}

RecordControlsGeometry RecordControlsLayout(bool record_buttons_space) {
  const std::int32_t s = record_buttons_space ? kRecordButtonsSpacing : 0;
  RecordControlsGeometry geometry;
  geometry.window = record_buttons_space ? PixelSize{264, 164} : PixelSize{224, 144};
  geometry.start_button = {3 + s, 3 + s, 100, 100};
  geometry.stop_button = {106 + s, 3 + s, 100, 100};
  return geometry;
}

RecordButtonStates RecordButtonsFor(bool recording) { return {!recording, recording}; }

CountdownPaneLayout CountdownPaneLayoutOf(CountdownPane pane) {
  switch (pane) {
    case CountdownPane::Label:
      return {{0, 0, 306, 29}, false, {10, 12}, CountdownFont::Consolas18};
    case CountdownPane::BigDisplay:
      return {{0, 29, 306, 110}, false, {25, 17}, CountdownFont::Tahoma72};
    case CountdownPane::StartLine:
      return {{0, 139, 306, 30}, true, {10, 5}, CountdownFont::Consolas18};
    case CountdownPane::EventLine:
      return {{0, 168, 306, 30}, true, {10, 5}, CountdownFont::Consolas18};
    case CountdownPane::EndLine:
      return {{0, 197, 306, 30}, true, {10, 5}, CountdownFont::Consolas18};
  }
  return {};
}

std::string_view CountdownLabelText(CountdownTimeBase time_base) {
  return time_base == CountdownTimeBase::Utc ? kUtcTimeLabel : kCountdownLabel;
}

std::string CountdownPaneText(CountdownPane pane, const CountdownTexts& texts) {
  switch (pane) {
    case CountdownPane::Label:
      return std::string(CountdownLabelText(texts.time_base));
    case CountdownPane::BigDisplay:
      return texts.countdown;
    case CountdownPane::StartLine:
      return SplitEventHeader(texts.event_header).first;
    case CountdownPane::EventLine:
      return SplitEventHeader(texts.event_header).second;
    case CountdownPane::EndLine:
      return texts.end;
  }
  return {};
}

FirstLineEnd FindEndOfFirstLine(std::string_view text) {
  if (!text.empty() && text[0] == '\r') return {true, 1};
  std::size_t i = 1;
  for (; i <= kFirstLineScanLimit && i < text.size(); ++i) {
    if (text[i] == '\r') return {true, i + 1};
  }
  // Never past the text's end, also for an empty text.
  return {false, std::min(i, text.size())};
}

EventHeaderLines SplitEventHeader(std::string_view header) {
  EventHeaderLines lines;
  const FirstLineEnd first = FindEndOfFirstLine(header);
  if (!first.found) return lines;
  lines.first = std::string(header.substr(0, first.position - 1));

  std::size_t start = first.position;
  if (start < header.size() && header[start] == '\n') ++start;
  const std::string_view rest = header.substr(start);
  const FirstLineEnd second = FindEndOfFirstLine(rest);
  if (second.found) lines.second = std::string(rest.substr(0, second.position - 1));
  return lines;
}

}  // namespace vesk
