#pragma once

// The frame a renderer hands to a window, kept as the window's picture.

#include <QImage>

#include "media/video_frame_target.h"

namespace vesk::qt {

// Whether frame holds a picture a window can keep: pixels, a size, and rows at least as wide
// as the picture.
bool IsCopyableFrame(const VideoFrame& frame);

// Copies frame into *image, row by row, remaking the image when its size differs: the
// renderer's pixels live only for the call that hands them over. frame must be copyable.
void CopyFrameToImage(const VideoFrame& frame, QImage* image);

}  // namespace vesk::qt
