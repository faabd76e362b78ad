#pragma once

// The AVI tools (information, repaired copies) on the files of this computer.

#include "playback/avi_tools.h"

namespace vesk {

AviToolFiles PosixAviToolFiles();

}  // namespace vesk
