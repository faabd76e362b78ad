#pragma once

// The station's time inserter port as a test sets it: the status it gives, the frame, and a
// record of what the window asked.

#include <optional>
#include <utility>
#include <vector>

#include "station/inserter_port.h"

namespace vesk::testing {

class FakeInserterPort final : public InserterPort {
 public:
  void StartLearning(int seconds, std::optional<inserter::StampBand> frame_rect) override {
    started.emplace_back(seconds, frame_rect);
    status = {};
    status.phase = InserterStatus::Phase::kLearning;
    status.frames_to_learn = seconds * 25;
  }
  void StopLearning() override { ++stops; }
  InserterStatus Status() const override { return status; }
  bool SaveLearnt(const std::array<inserter::LearntInserter, 2>& learnt,
                  std::string* why) override {
    saved = learnt;
    *why = save_error;
    return save_error.empty();
  }
  bool LatestFrame(std::vector<std::uint8_t>* luma, int* width, int* height) const override {
    if (frame.empty()) return false;
    *luma = frame;
    *width = frame_width;
    *height = frame_height;
    return true;
  }

  // Learnt with these doubtful digits in each field.
  void Learnt(std::vector<int> doubtful_top, std::vector<int> doubtful_bottom) {
    status.phase = InserterStatus::Phase::kLearnt;
    status.frames_learnt = status.frames_to_learn;
    std::array<inserter::LearntInserter, 2> learnt{};
    learnt[0].doubtful_digits = std::move(doubtful_top);
    learnt[1].doubtful_digits = std::move(doubtful_bottom);
    status.learnt = learnt;
  }

  InserterStatus status;
  std::vector<std::pair<int, std::optional<inserter::StampBand>>> started;
  int stops = 0;
  std::optional<std::array<inserter::LearntInserter, 2>> saved;
  std::string save_error;
  std::vector<std::uint8_t> frame;
  int frame_width = 0, frame_height = 0;
};

}  // namespace vesk::testing
