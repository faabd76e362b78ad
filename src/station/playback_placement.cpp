#include "station/playback_placement.h"

#include <algorithm>

namespace vesk {
namespace {

bool Overlap(const ScreenRect& a, const ScreenRect& b) {
  return a.x < b.x + b.width && b.x < a.x + a.width && a.y < b.y + b.height && b.y < a.y + a.height;
}

bool Inside(const ScreenRect& r, const WorkArea& area) {
  return r.x >= area.left && r.y >= area.top && r.x + r.width <= area.right &&
         r.y + r.height <= area.bottom;
}

std::int32_t Clamp(std::int32_t value, std::int32_t low, std::int32_t high) {
  return std::max(low, std::min(value, high));
}

}  // namespace

PlaybackPair KeepControlsOffThePicture(PlaybackPair pair, const WorkArea& area) {
  ScreenRect& picture = pair.picture;
  ScreenRect& controls = pair.controls;
  if (!Overlap(picture, controls)) return pair;
  const std::int32_t x_along = Clamp(controls.x, area.left, area.right - controls.width);
  const std::int32_t y_along = Clamp(controls.y, area.top, area.bottom - controls.height);
  const ScreenRect candidates[] = {
      {x_along, picture.y + picture.height, controls.width, controls.height},
      {x_along, picture.y - controls.height, controls.width, controls.height},
      {picture.x + picture.width, y_along, controls.width, controls.height},
      {picture.x - controls.width, y_along, controls.width, controls.height},
  };
  for (const ScreenRect& place : candidates) {
    if (Inside(place, area) && !Overlap(place, picture)) {
      controls = place;
      return pair;
    }
  }
  // One above the other, as high as needed; the picture scrolls what it cannot show.
  picture.height = std::max(1, std::min(picture.height, area.Height() - controls.height));
  picture.y = Clamp(picture.y, area.top, area.bottom - picture.height - controls.height);
  controls.x = Clamp(picture.x, area.left, area.right - controls.width);
  controls.y = picture.y + picture.height;
  return pair;
}

}  // namespace vesk
