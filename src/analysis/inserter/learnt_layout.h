#pragma once

// Where the learnt time inserter's characters stand on the line, kept beside the three
// character-set files so that a later start reads the stamp without learning again. A text
// file of its own: the sets' documented formats hold the digits' images but not the line.
//
//   VESK time inserter layout 1
//   field 0
//   band <left> <top> <right> <bottom>        (field columns and rows, ends excluded)
//   cell_width <columns>
//   centres <twice each cell's centre> ...
//   hours|minutes|seconds|fraction|counter <cell index> ...
//   cells <cells on the line>
//   field 1
//   ...

#include <array>
#include <string>
#include <string_view>

#include "analysis/inserter/inserter_layout.h"
#include "analysis/pixels/character_sets.h"

namespace vesk::inserter {

inline constexpr char kLearntLayoutFile[] = "VESK_VTI_Layout.txt";
// A stamp line never holds more cells than this; a file that says more is not ours.
inline constexpr int kMaxLayoutCells = 64;

std::string LearntLayoutText(const LearntInserter& even, const LearntInserter& odd);

// Fills the band, cells and layout of both fields (digits untouched); false, with why, for a
// text that is not a whole layout of both fields.
bool ParseLearntLayout(std::string_view text, std::array<LearntInserter, 2>* learnt,
                       std::string* why);

// Both fields as learnt: the layout file's line, the interlaced sets' digit images (a digit
// whose cell says 0 is doubtful). False, with why, when the sets or the file do not give both.
bool LearntInsertersOf(const RecognitionSets& sets, std::string_view layout_text,
                       std::array<LearntInserter, 2>* learnt, std::string* why);

// Reads the layout file from folder ("" for the current directory) and joins it to sets.
bool LoadLearntInserters(const std::string& folder, const RecognitionSets& sets,
                         std::array<LearntInserter, 2>* learnt, std::string* why);

}  // namespace vesk::inserter
