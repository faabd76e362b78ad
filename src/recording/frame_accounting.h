#pragma once

// What a stopped recording's frame counts leave out: frames its source never delivered
// after the last one kept (a stall that ran into the stop leaves no gap between delivered
// frames to count), and how many frames its span called for.

#include <cstdint>

#include "base/system_time.h"

namespace vesk {

// Frames lost between the last frame kept and end (the stop, or the Event's planned end
// when that came first), each interval long. A normal stop, whose last frames are still on
// their way, loses none.
std::int64_t FramesLostAtEnd(FileTime last_frame, FileTime end, FileTime interval);

// Frames a recording from begin to end should hold at one frame per interval.
std::int64_t FramesDue(FileTime begin, FileTime end, FileTime interval);

// A recording holding fewer than nine in ten of the frames due has lost a good part of its
// span, which the observer must hear about before relying on it.
bool FarFewerFramesThanDue(std::int64_t recorded, std::int64_t due);

}  // namespace vesk
