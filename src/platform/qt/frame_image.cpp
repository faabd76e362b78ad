#include "platform/qt/frame_image.h"

#include <cstddef>
#include <cstring>

namespace vesk::qt {

bool IsCopyableFrame(const VideoFrame& frame) {
  return frame.pixels != nullptr && frame.width > 0 && frame.height > 0 &&
         frame.stride >= frame.width * 4;
}

void CopyFrameToImage(const VideoFrame& frame, QImage* image) {
  if (image->width() != frame.width || image->height() != frame.height) {
    *image = QImage(frame.width, frame.height, QImage::Format_RGB32);
  }
  const std::size_t row_bytes = static_cast<std::size_t>(frame.width) * 4;
  for (int y = 0; y < frame.height; ++y) {
    std::memcpy(image->scanLine(y), frame.pixels + static_cast<std::size_t>(y) * frame.stride,
                row_bytes);
  }
}

}  // namespace vesk::qt
