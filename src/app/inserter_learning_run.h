#pragma once

// Learning the time inserter from the live video of a station without a screen: each frame
// that reaches the station's own renderer is turned into luma on the streaming thread (into
// a buffer of its own, so nothing is allocated per frame) and learnt from on a thread of the
// run's own, so the video never waits on the learning; a frame that comes while the last
// one is still being learnt from is left out.

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "analysis/inserter/inserter_session.h"
#include "media/video_frame_target.h"

namespace vesk {

class InserterLearningRun final : public VideoFrameTarget {
 public:
  // frames: how many frames to learn from. done is called once, on the run's thread, when
  // learning is over.
  InserterLearningRun(int frames, std::function<void()> done);
  ~InserterLearningRun() override;
  InserterLearningRun(const InserterLearningRun&) = delete;
  InserterLearningRun& operator=(const InserterLearningRun&) = delete;

  void PresentFrame(const VideoFrame& frame, const VideoRect& destination,
                    bool preserve_aspect) override;

  // Once done has been called.
  const inserter::InserterLearning& learning() const { return learning_; }

 private:
  void Run();

  inserter::InserterLearning learning_;
  std::function<void()> done_;
  std::mutex lock_;
  std::condition_variable wake_;
  std::vector<std::uint8_t> luma_;
  int width_ = 0, height_ = 0;
  bool frame_ready_ = false;
  bool finished_ = false;
  bool stopping_ = false;
  std::thread thread_;
};

}  // namespace vesk
