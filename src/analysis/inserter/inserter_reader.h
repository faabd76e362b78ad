#pragma once

// Reading the time inserter's stamp in every field of a video with what was learnt: both
// fields of each frame, in the order they were exposed, each reading checked against the
// last trusted one. Works in buffers of its own, kept from frame to frame.

#include <array>
#include <cstdint>

#include "analysis/inserter/inserter_layout.h"
#include "analysis/inserter/stamp_cells.h"

namespace vesk::inserter {

class InserterReader {
 public:
  // field_period_ms: half the frame interval (20 ms PAL, 16.68 ms NTSC).
  InserterReader(std::array<LearntInserter, 2> learnt, double field_period_ms);

  // Reads the frame's two fields. readings[0] is the field exposed first; field_numbers
  // receives each field's number since the video began (2 x frame_number, plus one for the
  // later field). Which parity comes first is found from the first frame both of whose
  // fields read: top first until then, as PAL and most grabbers send.
  void ReadFrame(const LumaView& frame, std::int64_t frame_number,
                 std::array<FieldReading, 2>* readings, std::array<std::int64_t, 2>* field_numbers);

  double field_period_ms() const { return period_ms_; }
  int fraction_digits() const { return static_cast<int>(learnt_[0].layout.fraction.size()); }
  int first_parity() const { return first_parity_; }
  const LearntInserter& learnt(int parity) const { return learnt_[parity & 1]; }

 private:
  FieldReading ReadField(const LumaView& frame, int parity);

  std::array<LearntInserter, 2> learnt_;
  double period_ms_;
  ReadingSequence sequence_;
  CutLine line_;
  int first_parity_ = 0;
  bool order_known_ = false;
};

}  // namespace vesk::inserter
