#include "analysis/inserter/inserter_reader.h"

#include <utility>

namespace vesk::inserter {

InserterReader::InserterReader(std::array<LearntInserter, 2> learnt, double field_period_ms)
    : learnt_(std::move(learnt)),
      period_ms_(field_period_ms),
      sequence_(field_period_ms, static_cast<int>(learnt_[0].layout.fraction.size())) {}

FieldReading InserterReader::ReadField(const LumaView& frame, int parity) {
  const LearntInserter& learnt = learnt_[parity];
  const LumaView field = frame.Field(parity);
  const StampBand& band = learnt.band;
  FieldReading reading;
  reading.text.reserve(learnt.centres2.size());
  // A frame of another size than the one learnt from is never cut past its edges.
  if (band.right > field.width || band.bottom > field.height ||
      !CutStampLineAt(field, band, learnt.centres2, learnt.cell_width, &line_)) {
    reading.doubtful = true;
    return reading;
  }
  return ReadStampLine(line_, learnt);
}

void InserterReader::ReadFrame(const LumaView& frame, std::int64_t frame_number,
                               std::array<FieldReading, 2>* readings,
                               std::array<std::int64_t, 2>* field_numbers) {
  std::array<FieldReading, 2> by_parity = {ReadField(frame, 0), ReadField(frame, 1)};
  if (!order_known_ && by_parity[0].read && by_parity[1].read) {
    // The later field shows one field period more, across midnight too.
    order_known_ = true;
    first_parity_ =
        FollowsOn(by_parity[1], by_parity[0], period_ms_, fraction_digits()) &&
                !FollowsOn(by_parity[0], by_parity[1], period_ms_, fraction_digits())
            ? 1
            : 0;
  }
  for (int i = 0; i < 2; ++i) {
    const int parity = first_parity_ ^ i;
    (*readings)[i] = std::move(by_parity[parity]);
    (*field_numbers)[i] = 2 * frame_number + i;
    sequence_.Check((*field_numbers)[i], &(*readings)[i]);
  }
}

}  // namespace vesk::inserter
