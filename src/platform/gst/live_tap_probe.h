#pragma once

// The live frame tap's probe on the source's output: the format from the caps that pass, and
// every raw frame handed over in place, with its capture time.

#include <gst/gst.h>

#include <memory>

#include "media/live_frame_tap.h"

namespace vesk::gst {

void AttachLiveTapProbe(GstPad* pad, std::shared_ptr<LiveFrameTap> tap, GstElement* pipeline);

}  // namespace vesk::gst
