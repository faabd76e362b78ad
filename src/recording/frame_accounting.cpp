#include "recording/frame_accounting.h"

namespace vesk {
namespace {

// Frames a delivered stream may still have in flight when it is stopped.
constexpr FileTime kFramesInFlight = 3;

}  // namespace

std::int64_t FramesLostAtEnd(FileTime last_frame, FileTime end, FileTime interval) {
  if (last_frame == 0 || interval == 0 || end <= last_frame) return 0;
  const FileTime gap = end - last_frame;
  if (gap <= kFramesInFlight * interval) return 0;
  // Frames were due at last + interval, last + 2 interval, ... up to end.
  return static_cast<std::int64_t>((gap - interval / 2) / interval);
}

std::int64_t FramesDue(FileTime begin, FileTime end, FileTime interval) {
  if (begin == 0 || interval == 0 || end <= begin) return 0;
  return static_cast<std::int64_t>((end - begin + interval / 2) / interval);
}

bool FarFewerFramesThanDue(std::int64_t recorded, std::int64_t due) {
  return due - recorded > 1 && recorded * 10 < due * 9;
}

}  // namespace vesk
