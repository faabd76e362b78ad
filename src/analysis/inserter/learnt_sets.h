#pragma once

// The digits learnt from the video as the three character-set files hold them. An
// interlaced set's 1200-byte cell is a CellImage: 30 columns by 40 rows of one field, row by
// row, 255 for ink and 0 for paper; the number after each character is 1 for a digit seen
// often enough to be sure of and 0 for one the observer is asked to confirm. The plain set's
// 20 x 28 cells are the even field's, scaled down.

#include <string>

#include "analysis/inserter/inserter_layout.h"
#include "analysis/pixels/character_sets.h"

namespace vesk::inserter {

InterlacedSet InterlacedSetOf(const LearntInserter& learnt);
CharacterSet PlainSetOf(const LearntInserter& even);

// Writes the three files, and the layout file beside them, into folder ("" for the current directory), each whole or not at
// all; false, with why, when one cannot be written.
bool SaveLearntSets(const std::string& folder, const LearntInserter& even,
                    const LearntInserter& odd, std::string* why);

}  // namespace vesk::inserter
