#include "station/station_inserter.h"

#include <utility>

#include "analysis/inserter/learnt_layout.h"
#include "analysis/inserter/learnt_sets.h"
#include "base/files.h"

namespace vesk {
namespace {

// FileTime counts 100 ns from 1601; the Unix epoch is 11,644,473,600 s later.
constexpr std::int64_t kUnixEpochTicks = 116444736000000000LL;

}  // namespace

StationInserter::StationInserter(std::string folder, const Clock& clock, MessageLog& log)
    : folder_(std::move(folder)), clock_(clock), log_(log) {}

void StationInserter::LoadLearnt(const RecognitionSets& sets) {
  const std::string layout = folder_ + inserter::kLearntLayoutFile;
  // Sets made another way come without a line: nothing is read, and nothing said.
  if (sets.interlaced.size() < 2 || !files::PathExists(layout)) return;
  std::array<inserter::LearntInserter, 2> learnt;
  std::string why;
  if (!inserter::LoadLearntInserters(folder_, sets, &learnt, &why)) {
    log_.ReportMessage("WARNING: the time inserter is not read: " + layout + " does not fit the "
                           "character sets (" + why + "); learn the inserter again\r\n",
                       true);
    return;
  }
  live_->ReadWith(learnt);
}

std::optional<double> StationInserter::RecentClockMinusInserterMs() const {
  const auto now_ns = (static_cast<std::int64_t>(clock_.UtcNow()) - kUnixEpochTicks) * 100;
  return live_->RecentClockMinusInserterMs(now_ns);
}

void StationInserter::StartLearning(int seconds, std::optional<inserter::StampBand> frame_rect) {
  live_->StartLearning(seconds, frame_rect);
}

void StationInserter::StopLearning() { live_->StopLearning(); }

InserterStatus StationInserter::Status() const {
  InserterStatus status;
  const inserter::LearningProgress learning = live_->Learning();
  status.frames_learnt = learning.frames_learnt;
  status.frames_to_learn = learning.frames_to_learn;
  status.report = learning.report;
  status.learnt = learning.learnt;
  status.phase = learning.active     ? InserterStatus::Phase::kLearning
                 : !learning.over    ? InserterStatus::Phase::kIdle
                 : learning.learnt   ? InserterStatus::Phase::kLearnt
                                     : InserterStatus::Phase::kFailed;
  const inserter::LiveReadout readout = live_->Readout();
  status.reading = readout.reading;
  status.inserter_time = readout.inserter_time;
  status.doubtful = readout.doubtful;
  status.clock_minus_inserter_ms = readout.clock_minus_inserter_ms;
  return status;
}

bool StationInserter::SaveLearnt(const std::array<inserter::LearntInserter, 2>& learnt,
                                 std::string* why) {
  if (!inserter::SaveLearntSets(folder_, learnt[0], learnt[1], why)) return false;
  live_->ReadWith(learnt);
  return true;
}

bool StationInserter::LatestFrame(std::vector<std::uint8_t>* luma, int* width, int* height) const {
  return live_->LatestFrame(luma, width, height);
}

}  // namespace vesk
