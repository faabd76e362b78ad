#include "analysis/inserter/inserter_layout.h"

#include <algorithm>
#include <cmath>
#include <map>

namespace vesk::inserter {
namespace {

// Cells this close are one character: about 6 % of a cell's pixels.
constexpr int kSameCharacter = 72;
// More distinct characters than this is no stamp but noise.
constexpr std::size_t kMostCharacters = 64;
// A character seen fewer times than this is shown to the observer to confirm.
constexpr int kSureSightings = 3;
constexpr std::int64_t kDay100us = 24LL * 3600 * 10000;

struct Characters {
  std::vector<CellImage> images;
  std::vector<int> sightings;
  // The character of an image, a new one when none is close; -1 when there are too many.
  int Of(const CellImage& image) {
    int best = -1, best_distance = kSameCharacter + 1;
    for (std::size_t i = 0; i < images.size(); ++i) {
      const int distance = CellDistance(images[i], image);
      if (distance < best_distance) {
        best = static_cast<int>(i);
        best_distance = distance;
      }
    }
    if (best < 0) {
      if (images.size() >= kMostCharacters) return -1;
      images.push_back(image);
      sightings.push_back(0);
      best = static_cast<int>(images.size()) - 1;
    }
    ++sightings[static_cast<std::size_t>(best)];
    return best;
  }
};

// Digit cells as groups: runs of digit cells, also broken where a blank stands between two
// cells (their centres more than one and a half pitches apart).
std::vector<std::vector<int>> DigitGroups(const std::vector<bool>& is_digit,
                                          const std::vector<CellSpan>& spans) {
  std::vector<int> pitches;
  auto centre2 = [&](std::size_t i) { return spans[i].left + spans[i].right; };
  for (std::size_t i = 1; i < spans.size(); ++i) pitches.push_back(centre2(i) - centre2(i - 1));
  std::sort(pitches.begin(), pitches.end());
  const int pitch2 = pitches.empty() ? 0 : pitches[pitches.size() / 2];
  std::vector<std::vector<int>> groups;
  for (std::size_t i = 0; i < is_digit.size(); ++i) {
    if (!is_digit[i]) continue;
    const bool apart = i > 0 && 2 * (centre2(i) - centre2(i - 1)) > 3 * pitch2;
    if (i == 0 || !is_digit[i - 1] || apart) groups.emplace_back();
    groups.back().push_back(static_cast<int>(i));
  }
  return groups;
}

std::int64_t ValueOf(const std::vector<int>& cells, const std::vector<int>& digits) {
  std::int64_t value = 0;
  for (int cell : cells) value = value * 10 + digits[static_cast<std::size_t>(cell)];
  return value;
}

}  // namespace

std::optional<LearntInserter> LearnInserter(const std::vector<CutLine>& lines,
                                            const StampBand& band, std::string* why) {
  // The lines with the usual number of cells.
  std::map<std::size_t, int> counts;
  for (const CutLine& line : lines) ++counts[line.images.size()];
  const auto usual = std::max_element(counts.begin(), counts.end(),
                                      [](auto& a, auto& b) { return a.second < b.second; });
  if (usual == counts.end() || usual->first < 8 || usual->second < 20) {
    *why = "no line of at least eight characters was seen in twenty fields";
    return std::nullopt;
  }
  const std::size_t cells = usual->first;
  Characters characters;
  std::vector<std::vector<int>> seen;  // the characters of each usable line
  for (const CutLine& line : lines) {
    if (line.images.size() != cells) continue;
    std::vector<int> ids;
    for (const CellImage& image : line.images) ids.push_back(characters.Of(image));
    if (std::find(ids.begin(), ids.end(), -1) != ids.end()) {
      *why = "the stamp's characters vary too much to be told apart";
      return std::nullopt;
    }
    seen.push_back(std::move(ids));
  }

  // The digit that steps through ten characters in a cycle, with a carry to its left.
  std::vector<bool> changes(cells, false);
  for (std::size_t i = 1; i < seen.size(); ++i) {
    for (std::size_t p = 0; p < cells; ++p) changes[p] = changes[p] || seen[i][p] != seen[i - 1][p];
  }
  std::vector<int> label(characters.images.size(), -1);
  for (std::size_t p = cells; p-- > 1 && std::count(label.begin(), label.end(), 0) == 0;) {
    // The digit it carries into: the nearest cell to its left that ever changes.
    std::size_t left = p;
    while (left > 0 && !changes[left - 1]) --left;
    if (left == 0) continue;
    --left;
    std::map<int, std::map<int, int>> steps;  // from -> to -> times
    std::map<int, int> carries;               // the character it came round to
    for (std::size_t i = 1; i < seen.size(); ++i) {
      const int from = seen[i - 1][p], to = seen[i][p];
      if (from == to) continue;
      ++steps[from][to];
      if (seen[i - 1][left] != seen[i][left]) ++carries[to];
    }
    if (steps.size() != 10 || carries.empty()) continue;
    std::map<int, int> next;
    for (const auto& [from, to] : steps) {
      next[from] = std::max_element(to.begin(), to.end(), [](auto& a, auto& b) {
                     return a.second < b.second;
                   })->first;
    }
    const int zero = std::max_element(carries.begin(), carries.end(), [](auto& a, auto& b) {
                       return a.second < b.second;
                     })->first;
    std::vector<int> cycle{zero};
    while (cycle.size() < 11 && next.count(cycle.back()) != 0) cycle.push_back(next[cycle.back()]);
    if (cycle.size() != 11 || cycle.back() != zero) continue;
    for (int d = 0; d < 10; ++d) label[static_cast<std::size_t>(cycle[static_cast<std::size_t>(d)])] = d;
  }
  if (std::count(label.begin(), label.end(), 0) == 0) {
    *why = "no digit was seen stepping through 0 to 9; learn for longer (at least two seconds)";
    return std::nullopt;
  }

  // Digit cells: those that only ever show digits.
  std::vector<bool> is_digit(cells, true);
  for (const std::vector<int>& ids : seen) {
    for (std::size_t p = 0; p < cells; ++p) {
      if (label[static_cast<std::size_t>(ids[p])] < 0) is_digit[p] = false;
    }
  }
  const CutLine* sample = nullptr;
  for (const CutLine& line : lines) sample = line.spans.size() == cells ? &line : sample;
  const std::vector<std::vector<int>> groups = DigitGroups(is_digit, sample->spans);
  if (groups.size() < 4 || groups.size() > 5 || groups[0].size() != 2 || groups[1].size() != 2 ||
      groups[2].size() != 2 || groups[3].size() < 3 || groups[3].size() > 4) {
    *why = "the line does not read as hours, minutes, seconds and three or four fraction digits";
    return std::nullopt;
  }
  LearntInserter learnt;
  learnt.band = band;
  // Each cell's centre on average; the window the widest character's width.
  learnt.centres2.assign(cells, 0);
  int lines_used = 0;
  for (const CutLine& line : lines) {
    if (line.spans.size() != cells) continue;
    ++lines_used;
    for (std::size_t p = 0; p < cells; ++p) {
      learnt.centres2[p] += line.spans[p].left + line.spans[p].right;
    }
    learnt.cell_width = std::max(learnt.cell_width, line.window);
  }
  for (int& centre2 : learnt.centres2) centre2 /= lines_used;
  learnt.layout = {groups[0], groups[1], groups[2], groups[3],
                   groups.size() == 5 ? groups[4] : std::vector<int>{}, static_cast<int>(cells)};
  for (std::size_t c = 0; c < label.size(); ++c) {
    if (label[c] < 0) continue;
    learnt.digits[static_cast<std::size_t>(label[c])] = characters.images[c];
    if (characters.sightings[c] < kSureSightings) learnt.doubtful_digits.push_back(label[c]);
  }
  std::sort(learnt.doubtful_digits.begin(), learnt.doubtful_digits.end());
  return learnt;
}

FieldReading ReadStampLine(const CutLine& line, const LearntInserter& learnt) {
  FieldReading reading;
  const StampLayout& layout = learnt.layout;
  if (static_cast<int>(line.images.size()) != layout.cells) {
    reading.doubtful = true;
    reading.text.assign(1, '?');
    return reading;
  }
  std::vector<int> digits(line.images.size(), -1);
  double confidence = 1;
  bool all = true;
  auto read_group = [&](const std::vector<int>& group, char before) {
    if (group.empty()) return;
    if (before != 0) reading.text.push_back(before);
    for (int cell : group) {
      int best = 0, best_distance = 1 << 30, second_distance = 1 << 30;
      for (int d = 0; d < 10; ++d) {
        const int distance = CellDistance(learnt.digits[static_cast<std::size_t>(d)],
                                          line.images[static_cast<std::size_t>(cell)]);
        if (distance < best_distance) {
          second_distance = best_distance;
          best_distance = distance;
          best = d;
        } else if (distance < second_distance) {
          second_distance = distance;
        }
      }
      // Certain when the best match is close and clearly closer than the next.
      const double margin = 1.0 - static_cast<double>(best_distance) / std::max(1, second_distance);
      const bool matched = best_distance <= 4 * kSameCharacter && margin >= 0.3;
      confidence = std::min(confidence, std::max(0.0, margin));
      all = all && matched;
      digits[static_cast<std::size_t>(cell)] = best;
      reading.text.push_back(matched ? static_cast<char>('0' + best) : '?');
    }
  };
  read_group(layout.hours, 0);
  read_group(layout.minutes, ':');
  read_group(layout.seconds, ':');
  read_group(layout.fraction, '.');
  read_group(layout.counter, ' ');
  reading.confidence = confidence;
  reading.read = all;
  reading.doubtful = !all;
  if (!all) return reading;
  const std::int64_t hours = ValueOf(layout.hours, digits);
  const std::int64_t minutes = ValueOf(layout.minutes, digits);
  const std::int64_t seconds = ValueOf(layout.seconds, digits);
  if (hours > 23 || minutes > 59 || seconds > 59) {
    reading.read = false;
    reading.doubtful = true;
    return reading;
  }
  std::int64_t fraction = ValueOf(layout.fraction, digits);
  for (std::size_t n = layout.fraction.size(); n < 4; ++n) fraction *= 10;
  reading.time_of_day_100us = ((hours * 60 + minutes) * 60 + seconds) * 10000 + fraction;
  if (!layout.counter.empty()) reading.counter = ValueOf(layout.counter, digits);
  return reading;
}

bool FollowsOn(const FieldReading& previous, const FieldReading& next, double field_period_ms,
               int fraction_digits, int fields) {
  if (!previous.read || !next.read) return false;
  std::int64_t step = next.time_of_day_100us - previous.time_of_day_100us;
  if (step < -kDay100us / 2) step += kDay100us;  // past midnight
  const double unit = std::pow(10.0, 4 - std::clamp(fraction_digits, 1, 4));  // in 0.1 ms
  const double expected = field_period_ms * 10 * fields;
  if (std::abs(static_cast<double>(step) - expected) > unit / 2 + 10) return false;
  return previous.counter < 0 || next.counter < 0 || next.counter == previous.counter + fields;
}

void ReadingSequence::Check(std::int64_t field, FieldReading* reading) {
  if (!reading->read) {
    reading->doubtful = true;
    return;
  }
  const auto follows = [&](const FieldReading& before, std::int64_t before_field) {
    return FollowsOn(before, *reading, period_ms_, fraction_digits_,
                     static_cast<int>(field - before_field));
  };
  if (!trusted_ || follows(*trusted_, trusted_field_)) {
    trusted_ = *reading;
    trusted_field_ = field;
    candidate_.reset();
    return;
  }
  reading->doubtful = true;
  if (candidate_ && follows(*candidate_, candidate_field_)) {
    trusted_ = *reading;
    trusted_field_ = field;
    candidate_.reset();
    return;
  }
  candidate_ = *reading;
  candidate_field_ = field;
}

}  // namespace vesk::inserter
