#include "app/inserter_learning_run.h"

#include <utility>

namespace vesk {

InserterLearningRun::InserterLearningRun(int frames, std::function<void()> done)
    : learning_(frames), done_(std::move(done)), thread_([this] { Run(); }) {}

InserterLearningRun::~InserterLearningRun() {
  {
    std::lock_guard<std::mutex> hold(lock_);
    stopping_ = true;
  }
  wake_.notify_all();
  thread_.join();
}

void InserterLearningRun::PresentFrame(const VideoFrame& frame, const VideoRect&, bool) {
  std::unique_lock<std::mutex> hold(lock_, std::try_to_lock);
  if (!hold.owns_lock() || frame_ready_ || finished_ || frame.pixels == nullptr) return;
  const std::size_t size = static_cast<std::size_t>(frame.width) * frame.height;
  if (luma_.size() != size) luma_.resize(size);  // once, for the first frame's size
  width_ = frame.width;
  height_ = frame.height;
  for (int y = 0; y < frame.height; ++y) {
    const std::uint8_t* bgrx = frame.pixels + static_cast<std::ptrdiff_t>(y) * frame.stride;
    std::uint8_t* out = luma_.data() + static_cast<std::size_t>(y) * frame.width;
    for (int x = 0; x < frame.width; ++x, bgrx += 4) {
      // The luma of a studio-range picture, as the frame's Y plane held it.
      out[x] = static_cast<std::uint8_t>(((25 * bgrx[0] + 129 * bgrx[1] + 66 * bgrx[2] + 128) >> 8) + 16);
    }
  }
  frame_ready_ = true;
  hold.unlock();
  wake_.notify_one();
}

void InserterLearningRun::Run() {
  std::unique_lock<std::mutex> hold(lock_);
  while (true) {
    wake_.wait(hold, [this] { return frame_ready_ || stopping_; });
    if (stopping_) return;
    // The frame is learnt from with the lock held: the streaming thread only ever tries it.
    const bool over = learning_.AddFrame({luma_.data(), width_, height_, width_});
    frame_ready_ = false;
    if (over) {
      finished_ = true;
      hold.unlock();
      if (done_) done_();
      return;
    }
  }
}

}  // namespace vesk
