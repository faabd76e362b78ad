#include "analysis/inserter/learnt_sets.h"

#include <algorithm>

#include "analysis/inserter/learnt_layout.h"
#include "base/files.h"

namespace vesk::inserter {
namespace {

// A set's cell for a digit, its image still blank.
template <typename Cell>
Cell DigitCell(int digit) {
  Cell cell;
  cell.character = static_cast<char16_t>(u'0' + digit);
  cell.digit_value = digit;
  return cell;
}

}  // namespace

InterlacedSet InterlacedSetOf(const LearntInserter& learnt) {
  InterlacedSet set;
  for (int digit = 0; digit < 10; ++digit) {
    auto cell = DigitCell<InterlacedCell>(digit);
    const bool doubtful = std::count(learnt.doubtful_digits.begin(), learnt.doubtful_digits.end(),
                                     digit) != 0;
    cell.number = doubtful ? 0 : 1;
    const CellImage& image = learnt.digits[static_cast<std::size_t>(digit)];
    static_assert(std::tuple_size_v<CellImage> == kInterlacedImageBytes);
    for (std::size_t i = 0; i < image.size(); ++i) cell.image[i] = image[i] != 0 ? 255 : 0;
    set.cells.push_back(cell);
  }
  return set;
}

CharacterSet PlainSetOf(const LearntInserter& even) {
  CharacterSet set;
  for (int digit = 0; digit < 10; ++digit) {
    auto cell = DigitCell<CharacterCell>(digit);
    const CellImage& image = even.digits[static_cast<std::size_t>(digit)];
    for (std::size_t r = 0; r < kCellRows; ++r) {
      for (std::size_t c = 0; c < kCellColumns; ++c) {
        const std::size_t y = (2 * r + 1) * kCellImageRows / (2 * kCellRows);
        const std::size_t x = (2 * c + 1) * kCellImageColumns / (2 * kCellColumns);
        cell.image[r * kCellColumns + c] = image[y * kCellImageColumns + x] != 0 ? 255 : 0;
      }
    }
    set.cells.push_back(cell);
  }
  return set;
}

bool SaveLearntSets(const std::string& folder, const LearntInserter& even,
                    const LearntInserter& odd, std::string* why) {
  const std::string prefix = folder.empty() || folder.back() == '/' ? folder : folder + "/";
  return files::WriteFileAtomically(prefix + kInterlacedEvenSetFile,
                                    InterlacedSetText(InterlacedSetOf(even)), why) &&
         files::WriteFileAtomically(prefix + kInterlacedOddSetFile,
                                    InterlacedSetText(InterlacedSetOf(odd)), why) &&
         files::WriteFileAtomically(prefix + kPlainCharacterSetFile,
                                    CharacterSetText(PlainSetOf(even)), why) &&
         files::WriteFileAtomically(prefix + kLearntLayoutFile, LearntLayoutText(even, odd), why);
}

}  // namespace vesk::inserter
