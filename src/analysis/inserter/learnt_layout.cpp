#include "analysis/inserter/learnt_layout.h"

#include <charconv>
#include <vector>

#include "base/files.h"

namespace vesk::inserter {
namespace {

constexpr char kHeader[] = "VESK time inserter layout 1";
constexpr std::size_t kMaxLayoutBytes = 64 * 1024;
constexpr int kMaxCoordinate = 100000;

void AppendList(const char* key, const std::vector<int>& values, std::string* text) {
  text->append(key);
  for (int value : values) {
    text->push_back(' ');
    text->append(std::to_string(value));
  }
  text->push_back('\n');
}

// Splits a line into its key and numbers; false when a word is not a number in range.
bool Numbers(std::string_view line, std::string_view* key, std::vector<int>* numbers) {
  numbers->clear();
  std::size_t at = line.find(' ');
  *key = line.substr(0, at);
  while (at != std::string_view::npos) {
    const std::size_t begin = at + 1;
    at = line.find(' ', begin);
    const std::string_view word = line.substr(begin, at == std::string_view::npos ? at : at - begin);
    if (word.empty()) continue;
    int value = 0;
    const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
    if (error != std::errc() || end != word.data() + word.size() || value < 0 ||
        value > kMaxCoordinate || numbers->size() >= kMaxLayoutCells) {
      return false;
    }
    numbers->push_back(value);
  }
  return true;
}

bool Whole(const LearntInserter& field) {
  const StampLayout& layout = field.layout;
  if (field.band.empty() || field.cell_width <= 0 || field.centres2.empty() ||
      layout.cells != static_cast<int>(field.centres2.size()) || layout.hours.empty() ||
      layout.minutes.empty() || layout.seconds.empty() ||
      field.cell_width > field.band.right - field.band.left) {
    return false;
  }
  // Every cell stands inside the band, as learning put it.
  for (int centre2 : field.centres2) {
    if (centre2 < 2 * field.band.left || centre2 > 2 * field.band.right) return false;
  }
  for (const auto* group : {&layout.hours, &layout.minutes, &layout.seconds, &layout.fraction,
                            &layout.counter}) {
    for (int cell : *group) {
      if (cell >= layout.cells) return false;
    }
  }
  return true;
}

}  // namespace

std::string LearntLayoutText(const LearntInserter& even, const LearntInserter& odd) {
  std::string text = std::string(kHeader) + "\n";
  int parity = 0;
  for (const LearntInserter* field : {&even, &odd}) {
    text.append("field ").append(std::to_string(parity++)).push_back('\n');
    AppendList("band", {field->band.left, field->band.top, field->band.right, field->band.bottom},
               &text);
    AppendList("cell_width", {field->cell_width}, &text);
    AppendList("centres", field->centres2, &text);
    AppendList("hours", field->layout.hours, &text);
    AppendList("minutes", field->layout.minutes, &text);
    AppendList("seconds", field->layout.seconds, &text);
    AppendList("fraction", field->layout.fraction, &text);
    AppendList("counter", field->layout.counter, &text);
    AppendList("cells", {field->layout.cells}, &text);
  }
  return text;
}

bool ParseLearntLayout(std::string_view text, std::array<LearntInserter, 2>* learnt,
                       std::string* why) {
  std::array<LearntInserter, 2> read;
  LearntInserter* field = nullptr;
  bool header = false;
  std::vector<int> numbers;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty()) continue;
    if (!header) {
      if (line != kHeader) {
        *why = "not a time inserter layout";
        return false;
      }
      header = true;
      continue;
    }
    std::string_view key;
    if (!Numbers(line, &key, &numbers)) {
      *why = "a value out of range in \"" + std::string(line.substr(0, 40)) + "\"";
      return false;
    }
    if (key == "field" && numbers.size() == 1 && numbers[0] < 2) {
      field = &read[static_cast<std::size_t>(numbers[0])];
    } else if (field == nullptr) {
      *why = "a line before the first field";
      return false;
    } else if (key == "band" && numbers.size() == 4) {
      field->band = {numbers[0], numbers[1], numbers[2], numbers[3]};
    } else if (key == "cell_width" && numbers.size() == 1) {
      field->cell_width = numbers[0];
    } else if (key == "cells" && numbers.size() == 1) {
      field->layout.cells = numbers[0];
    } else if (key == "centres") {
      field->centres2 = numbers;
    } else if (key == "hours") {
      field->layout.hours = numbers;
    } else if (key == "minutes") {
      field->layout.minutes = numbers;
    } else if (key == "seconds") {
      field->layout.seconds = numbers;
    } else if (key == "fraction") {
      field->layout.fraction = numbers;
    } else if (key == "counter") {
      field->layout.counter = numbers;
    }
    // Other keys are a later version's additions and are skipped.
  }
  if (!header || !Whole(read[0]) || !Whole(read[1])) {
    *why = header ? "the layout of a field is incomplete" : "the file is empty";
    return false;
  }
  *learnt = std::move(read);
  return true;
}

bool LearntInsertersOf(const RecognitionSets& sets, std::string_view layout_text,
                       std::array<LearntInserter, 2>* learnt, std::string* why) {
  if (sets.interlaced.size() < 2) {
    *why = "the interlaced character sets are missing";
    return false;
  }
  std::array<LearntInserter, 2> read;
  if (!ParseLearntLayout(layout_text, &read, why)) return false;
  for (std::size_t parity = 0; parity < 2; ++parity) {
    bool seen[10] = {};
    for (const InterlacedCell& cell : sets.interlaced[parity].cells) {
      if (cell.digit_value < 0 || cell.digit_value > 9) continue;
      const auto digit = static_cast<std::size_t>(cell.digit_value);
      static_assert(std::tuple_size_v<CellImage> == kInterlacedImageBytes);
      for (std::size_t i = 0; i < cell.image.size(); ++i) {
        read[parity].digits[digit][i] = cell.image[i] >= 128 ? 1 : 0;
      }
      if (cell.number == 0) read[parity].doubtful_digits.push_back(cell.digit_value);
      seen[digit] = true;
    }
    for (bool digit_seen : seen) {
      if (!digit_seen) {
        *why = "a character set lacks one of the digits 0 to 9";
        return false;
      }
    }
  }
  *learnt = std::move(read);
  return true;
}

bool LoadLearntInserters(const std::string& folder, const RecognitionSets& sets,
                         std::array<LearntInserter, 2>* learnt, std::string* why) {
  const std::string prefix = folder.empty() || folder.back() == '/' ? folder : folder + "/";
  std::string text;
  if (!files::ReadWholeFile(prefix + kLearntLayoutFile, &text, kMaxLayoutBytes, why)) {
    return false;
  }
  return LearntInsertersOf(sets, text, learnt, why);
}

}  // namespace vesk::inserter
