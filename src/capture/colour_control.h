#pragma once

// The brightness/contrast stage the capture graph splices in front of the renderer while
// the Brightness and Contrast window is in use. It acts on the display only.

#include <cstdint>
#include <memory>

#include "base/hresult.h"
#include "base/message_log.h"
#include "media/media_graph.h"

namespace vesk {

// The sliders' middle, where the picture is left as it is.
constexpr int kColourNeutralPercent = 50;

// The value a slider position (0 to 100) gives: trunc(position x 254 / 100) - 127.
std::int32_t ColourValueOfPercent(int percent);

// Finds the effect and makes its filter; nullptr, with the reason reported, when the
// platform has none or it cannot be controlled (brightness/contrast then has no effect).
std::shared_ptr<MediaFilter> CreateColourControl(MediaSystem& media, MessageLog& log);

// Sets brightness and contrast from percentages 0 to 100; a negative argument leaves that
// control as it is. Takes effect in the running graph at once.
HResult SetColourControl(MediaFilter* colour_filter, MessageLog& log, int brightness,
                         int contrast);

}  // namespace vesk
