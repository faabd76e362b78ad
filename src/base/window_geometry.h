#pragma once

#include <cstdint>

namespace vesk {

// Plain screen geometry shared by the layout rules and the windows that apply them.
// Rectangles are outer window rectangles (frame included) unless a name says otherwise.

struct PixelSize {
  std::int32_t width = 0;
  std::int32_t height = 0;
  friend bool operator==(const PixelSize&, const PixelSize&) = default;
};

struct PixelPoint {
  std::int32_t x = 0;
  std::int32_t y = 0;
  friend bool operator==(const PixelPoint&, const PixelPoint&) = default;
};

struct ScreenRect {
  std::int32_t x = 0;
  std::int32_t y = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;
  friend bool operator==(const ScreenRect&, const ScreenRect&) = default;
};

// The desktop area not taken by panels and task bars, as edges (right and bottom exclusive).
struct WorkArea {
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t right = 0;
  std::int32_t bottom = 0;
  std::int32_t Width() const { return right - left; }
  std::int32_t Height() const { return bottom - top; }
  friend bool operator==(const WorkArea&, const WorkArea&) = default;
};

}  // namespace vesk
