#include "station/video_record_window.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QImage>
#include <cstring>
#include <thread>
#include <vector>

namespace vesk {
namespace {

// A frame of one colour, in the renderer's layout (B, G, R, unused), with padded rows.
struct SolidFrame {
  SolidFrame(int width, int height, std::uint8_t red, std::uint8_t green, std::uint8_t blue)
      : stride(width * 4 + 8), bytes(static_cast<std::size_t>(stride) * height) {
    const std::uint8_t pixel[4] = {blue, green, red, 0xff};
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        std::memcpy(bytes.data() + static_cast<std::size_t>(y) * stride + x * 4, pixel, 4);
      }
    }
    frame = VideoFrame{bytes.data(), width, height, stride, 0};
  }
  int stride;
  std::vector<std::uint8_t> bytes;
  VideoFrame frame;
};

TEST(VideoRecordWindowTest, PaintsTheFrameScaledIntoItsDestinationOnGray) {
  VideoRecordWindow window;
  window.resize(100, 60);
  const SolidFrame red(8, 4, 255, 0, 0);
  // The picture sits two pixels in and one down, magnified twice.
  window.PresentFrame(red.frame, VideoRect{2, 1, 18, 9}, true);
  EXPECT_EQ(window.PictureRect(), QRect(2, 1, 16, 8));
  const QImage shot = window.grab().toImage();
  for (const QPoint& p : {QPoint(10, 5), QPoint(17, 8)}) EXPECT_EQ(shot.pixelColor(p), Qt::red);
  for (const QPoint& p : {QPoint(0, 0), QPoint(19, 5)}) {
    EXPECT_EQ(shot.pixelColor(p), QColor(128, 128, 128));
  }
  // Proportions are kept only when asked.
  const SolidFrame wide(20, 10, 0, 255, 0);
  window.PresentFrame(wide.frame, VideoRect{0, 0, 40, 40}, true);
  EXPECT_EQ(window.PictureRect(), QRect(0, 10, 40, 20));
  window.PresentFrame(wide.frame, VideoRect{0, 0, 40, 40}, false);
  EXPECT_EQ(window.PictureRect(), QRect(0, 0, 40, 40));
}

TEST(VideoRecordWindowTest, TakesFramesFromAStreamingThreadAndIgnoresBadOnes) {
  VideoRecordWindow window;
  window.resize(50, 50);
  const SolidFrame blue(16, 16, 0, 0, 255);
  std::thread streaming([&] {
    for (int i = 0; i < 50; ++i) window.PresentFrame(blue.frame, VideoRect{0, 0, 16, 16}, true);
    VideoFrame bad = blue.frame;
    bad.stride = 4;  // shorter than a row: refused
    window.PresentFrame(bad, VideoRect{0, 0, 16, 16}, true);
    bad = blue.frame;
    bad.pixels = nullptr;
    window.PresentFrame(bad, VideoRect{0, 0, 16, 16}, true);
  });
  streaming.join();
  QCoreApplication::processEvents();
  EXPECT_EQ(window.frames_received(), 50);
  EXPECT_EQ(window.grab().toImage().pixelColor(8, 8), QColor(0, 0, 255));
}

}  // namespace
}  // namespace vesk
