#pragma once

// What the station learns of a time inserter from its own video, and how it reads a field
// with it: the characters (reference images of the digits 0 to 9) and the layout of the
// line (which cells are digits, and which groups of digits are the hours, minutes,
// seconds, fraction and field counter).

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "analysis/inserter/stamp_cells.h"

namespace vesk::inserter {

// The groups of digits of a stamp's line, by cell index.
struct StampLayout {
  std::vector<int> hours, minutes, seconds, fraction;
  std::vector<int> counter;  // empty: the inserter shows no field counter
  int cells = 0;             // cells on the line
};

// What was learnt for one field parity.
struct LearntInserter {
  StampBand band;
  // Where the cells stand on the line (twice their centres, in field columns) and the
  // window each is read in, for CutStampLineAt.
  std::vector<int> centres2;
  int cell_width = 0;
  StampLayout layout;
  std::array<CellImage, 10> digits{};
  // Digits seen too rarely to be sure of, for the observer to confirm.
  std::vector<int> doubtful_digits;
};

// One field's reading.
struct FieldReading {
  bool read = false;               // every digit cell matched a digit
  std::int64_t time_of_day_100us = 0;  // hours to fraction, in 0.1 ms
  std::int64_t counter = -1;           // -1: none shown or not read
  double confidence = 0;           // of the least certain digit, 0 to 1
  bool doubtful = false;           // not read, unsure, or not one field after the last
  std::string text;                // the digits as read, '?' for a cell not matched
};

// Reads a cut line with what was learnt; the sequence check is the caller's.
FieldReading ReadStampLine(const CutLine& line, const LearntInserter& learnt);

// Learns from the cut lines of consecutive fields of one parity, in order: the digits are
// named by the video itself, since one digit position steps through 0 to 9 in turn and the
// position left of it moves on as it comes round to 0. Empty, with why, when the fields do
// not show that.
std::optional<LearntInserter> LearnInserter(const std::vector<CutLine>& lines,
                                            const StampBand& band, std::string* why);

// Whether a reading follows the one `fields` field periods before (its counter `fields`
// on), within half a unit of the stamp's last fraction digit and a millisecond; across
// midnight too.
bool FollowsOn(const FieldReading& previous, const FieldReading& next, double field_period_ms,
               int fraction_digits, int fields = 1);

// Readings in the order of their fields: one that does not follow the last trusted reading
// is marked doubtful, never passed off as read. Two doubtful readings in a row that follow
// each other become the new anchor (the trusted one was the misread).
class ReadingSequence {
 public:
  ReadingSequence(double field_period_ms, int fraction_digits)
      : period_ms_(field_period_ms), fraction_digits_(fraction_digits) {}
  // field: the field's number since the video began.
  void Check(std::int64_t field, FieldReading* reading);

 private:
  double period_ms_;
  int fraction_digits_;
  std::optional<FieldReading> trusted_, candidate_;
  std::int64_t trusted_field_ = 0, candidate_field_ = 0;
};

}  // namespace vesk::inserter
