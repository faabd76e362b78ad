#pragma once

// The station's time inserter: the learnt characters loaded at start, the live video of an
// interlaced device read with them (the capture graph's frame tap), learning from that video
// for the inserter's window, and the reading an Event's announcement checks the computer
// clock against.

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "analysis/inserter/live_inserter.h"
#include "analysis/pixels/character_sets.h"
#include "base/clock.h"
#include "base/message_log.h"
#include "station/inserter_port.h"

namespace vesk {

class StationInserter final : public InserterPort {
 public:
  // folder: where the character sets are read from and the learnt ones saved ("" for the
  // current directory).
  StationInserter(std::string folder, const Clock& clock, MessageLog& log);

  // At start, after the character sets: the learnt line beside them; the live video is read
  // once both are there. A line that does not fit the sets is reported.
  void LoadLearnt(const RecognitionSets& sets);

  // The capture graph's tap and the recordings' source of field times.
  const std::shared_ptr<inserter::LiveInserter>& live() const { return live_; }
  // The computer clock minus the inserter when a field was read in the last seconds.
  std::optional<double> RecentClockMinusInserterMs() const;

  void StartLearning(int seconds, std::optional<inserter::StampBand> frame_rect) override;
  void StopLearning() override;
  InserterStatus Status() const override;
  bool SaveLearnt(const std::array<inserter::LearntInserter, 2>& learnt,
                  std::string* why) override;
  bool LatestFrame(std::vector<std::uint8_t>* luma, int* width, int* height) const override;

 private:
  std::string folder_;
  const Clock& clock_;
  MessageLog& log_;
  std::shared_ptr<inserter::LiveInserter> live_ = std::make_shared<inserter::LiveInserter>();
};

}  // namespace vesk
