#pragma once

// The playback window and its controls side by side: the controls never cover the picture.

#include "base/window_geometry.h"

namespace vesk {

struct PlaybackPair {
  ScreenRect picture;   // the playback window's outer rectangle
  ScreenRect controls;  // the controls window's outer rectangle
  friend bool operator==(const PlaybackPair&, const PlaybackPair&) = default;
};

// Unchanged when the two do not overlap. Otherwise the controls move just below, above, right
// or left of the picture, the first of these that lies in the work area; when none does, the
// picture moves up (and is shortened, to scroll, when the two cannot stand one above the
// other) and the controls go below it.
PlaybackPair KeepControlsOffThePicture(PlaybackPair pair, const WorkArea& area);

}  // namespace vesk
