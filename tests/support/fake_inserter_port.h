#pragma once

// The station's time inserter port as a test sets it, with a record of what was asked.

#include <optional>
#include <utility>
#include <vector>

#include "station/inserter_port.h"

namespace vesk::testing {

struct FakeInserterPort final : InserterPort {
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
    *luma = frame;
    *width = 720;
    *height = static_cast<int>(frame.size()) / 720;
    return !frame.empty();
  }
  // Learnt, with these doubtful digits in the top field.
  void Learnt(std::vector<int> doubtful_top) {
    status.phase = InserterStatus::Phase::kLearnt;
    status.frames_learnt = status.frames_to_learn;
    status.learnt.emplace();
    (*status.learnt)[0].doubtful_digits = std::move(doubtful_top);
  }

  InserterStatus status;
  std::vector<std::pair<int, std::optional<inserter::StampBand>>> started;
  int stops = 0;
  std::optional<std::array<inserter::LearntInserter, 2>> saved;
  std::string save_error;
  std::vector<std::uint8_t> frame;  // 720 pixels a row
};

}  // namespace vesk::testing
