#include "recording/frame_time_record.h"

#include <cinttypes>
#include <climits>
#include <cstdio>

namespace vesk {
namespace {

constexpr std::int64_t kNanosecondsPerSecond = 1000000000;
constexpr std::int64_t kSecondsPerDay = 86400;

struct CivilTime {
  std::int64_t year;
  unsigned month, day, hour, minute, second;
  std::int64_t nanoseconds;
};

// The calendar date and time of day of a Unix time (proleptic Gregorian, UTC).
CivilTime CivilOf(std::int64_t unix_ns) {
  std::int64_t seconds = unix_ns / kNanosecondsPerSecond;
  std::int64_t nanoseconds = unix_ns % kNanosecondsPerSecond;
  if (nanoseconds < 0) {
    nanoseconds += kNanosecondsPerSecond;
    --seconds;
  }
  std::int64_t days = seconds / kSecondsPerDay;
  std::int64_t of_day = seconds % kSecondsPerDay;
  if (of_day < 0) {
    of_day += kSecondsPerDay;
    --days;
  }
  // Days to a civil date, counted in 400-year eras from 0000-03-01.
  days += 719468;
  const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const auto day_of_era = static_cast<unsigned>(days - era * 146097);
  const unsigned year_of_era =
      (day_of_era - day_of_era / 1460 + day_of_era / 36524 - day_of_era / 146096) / 365;
  const unsigned day_of_year = day_of_era - (365 * year_of_era + year_of_era / 4 - year_of_era / 100);
  const unsigned month_index = (5 * day_of_year + 2) / 153;
  CivilTime civil{};
  civil.day = day_of_year - (153 * month_index + 2) / 5 + 1;
  civil.month = month_index < 10 ? month_index + 3 : month_index - 9;
  civil.year = static_cast<std::int64_t>(year_of_era) + era * 400 + (civil.month <= 2 ? 1 : 0);
  civil.hour = static_cast<unsigned>(of_day / 3600);
  civil.minute = static_cast<unsigned>(of_day % 3600 / 60);
  civil.second = static_cast<unsigned>(of_day % 60);
  civil.nanoseconds = nanoseconds;
  return civil;
}

std::string FormatLogTime(std::int64_t unix_ns) {
  const CivilTime t = CivilOf(unix_ns);
  char text[48];
  std::snprintf(text, sizeof text, "%04" PRId64 "-%02u-%02u %02u:%02u:%02u.%03" PRId64 " UTC", t.year,
                t.month, t.day, t.hour, t.minute, t.second, t.nanoseconds / 1000000);
  return text;
}

std::string Milliseconds(std::int64_t nanoseconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f", static_cast<double>(nanoseconds) / 1e6);
  return text;
}

std::string SignedSeconds(std::int64_t nanoseconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%+.3f s", static_cast<double>(nanoseconds) / 1e9);
  return text;
}

std::string FramesText(std::int64_t count) {
  return std::to_string(count) + (count == 1 ? " frame" : " frames");
}

void NotePlace(std::vector<FrameTimeSummary::Place>* places, std::int64_t* count,
               std::int64_t frame, std::int64_t amount) {
  if (places->size() < kLoggedPlaces) places->push_back({frame, amount});
  ++*count;
}

}  // namespace

std::string FrameTimeRecordName(std::string_view video_file_name) {
  const std::size_t dot = video_file_name.find_last_of('.');
  const std::size_t slash = video_file_name.find_last_of(files::kSeparator);
  if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash)) return {};
  return std::string(video_file_name.substr(0, dot)) + ".frames.csv";
}

namespace {

// Writes the ISO 8601 time into text (at least 32 bytes); its length.
int WriteIsoUtcMicroseconds(std::int64_t unix_ns, char* text, std::size_t size) {
  const CivilTime t = CivilOf(unix_ns);
  return std::snprintf(text, size, "%04" PRId64 "-%02u-%02uT%02u:%02u:%02u.%06" PRId64 "Z", t.year,
                       t.month, t.day, t.hour, t.minute, t.second, t.nanoseconds / 1000);
}

}  // namespace

std::string FormatIsoUtcMicroseconds(std::int64_t unix_ns) {
  char text[48];
  WriteIsoUtcMicroseconds(unix_ns, text, sizeof text);
  return text;
}

namespace {

// Unix nanoseconds of "YYYY-MM-DDTHH:MM:SS.uuuuuuZ"; false when the text is not one.
bool ParseIsoUtcMicroseconds(std::string_view text, std::int64_t* unix_ns) {
  if (text.size() != 27 || text[4] != '-' || text[7] != '-' || text[10] != 'T' ||
      text[13] != ':' || text[16] != ':' || text[19] != '.' || text[26] != 'Z') {
    return false;
  }
  auto number = [&text](std::size_t at, std::size_t digits, std::int64_t* value) {
    *value = 0;
    for (std::size_t i = at; i < at + digits; ++i) {
      if (text[i] < '0' || text[i] > '9') return false;
      *value = *value * 10 + (text[i] - '0');
    }
    return true;
  };
  std::int64_t y = 0, m = 0, d = 0, hh = 0, mm = 0, ss = 0, us = 0;
  if (!number(0, 4, &y) || !number(5, 2, &m) || !number(8, 2, &d) || !number(11, 2, &hh) ||
      !number(14, 2, &mm) || !number(17, 2, &ss) || !number(20, 6, &us) || m < 1 || m > 12 ||
      d < 1 || d > 31 || hh > 23 || mm > 59 || ss > 60) {
    return false;
  }
  // A civil date to days since 1970-01-01, counted in 400-year eras from 0000-03-01.
  y -= m <= 2 ? 1 : 0;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const std::int64_t year_of_era = y - era * 400;
  const std::int64_t day_of_year = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const std::int64_t day_of_era =
      year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
  const std::int64_t days = era * 146097 + day_of_era - 719468;
  *unix_ns = ((days * kSecondsPerDay + hh * 3600 + mm * 60 + ss) * 1000000 + us) * 1000;
  return true;
}

}  // namespace

bool ReadFrameTimeRecord(std::string_view text, FrameTimeSummary* summary,
                         std::vector<std::int64_t>* utc_ns) {
  *summary = FrameTimeSummary{};
  if (utc_ns != nullptr) utc_ns->clear();
  const std::size_t header_end = text.find('\n');
  std::string_view header = text.substr(0, header_end);
  if (!header.empty() && header.back() == '\r') header.remove_suffix(1);
  if (header != kFrameTimeRecordHeader &&
      header != std::string(kFrameTimeRecordHeader) + std::string(kInserterColumns)) {
    return false;
  }
  FrameTimeRecord reader;  // adds up the rows as the writer did
  std::size_t at = header_end;
  while (at != std::string_view::npos && at + 1 < text.size()) {
    const std::size_t end = text.find('\n', at + 1);
    if (end == std::string_view::npos) break;  // a row cut short
    std::string_view row = text.substr(at + 1, end - at - 1);
    at = end;
    if (!row.empty() && row.back() == '\r') row.remove_suffix(1);
    std::string_view fields[5];
    std::size_t count = 0;
    for (std::size_t start = 0; count < 5; ++count) {
      const std::size_t comma = row.find(',', start);
      fields[count] = row.substr(start, comma == std::string_view::npos ? row.npos : comma - start);
      if (comma == std::string_view::npos) {
        ++count;
        break;
      }
      start = comma + 1;
    }
    FrameStamp stamp;
    if (count < 5 || !ParseIsoUtcMicroseconds(fields[2], &stamp.utc_ns)) break;
    if (!fields[1].empty()) {
      stamp.sequence = 0;
      for (char c : fields[1]) {
        if (c < '0' || c > '9' || stamp.sequence > INT64_MAX / 10 - 9) return false;
        stamp.sequence = stamp.sequence * 10 + (c - '0');
      }
    }
    reader.TakeFrames(&stamp, 1);
    if (utc_ns != nullptr) utc_ns->push_back(stamp.utc_ns);
  }
  *summary = reader.summary();
  return true;
}

std::vector<std::int64_t> ReadFrameTimes(std::string_view text) {
  std::vector<std::int64_t> times;
  const std::size_t header_end = text.find('\n');
  std::string_view header = text.substr(0, header_end);
  if (!header.empty() && header.back() == '\r') header.remove_suffix(1);
  if (header != kFrameTimeRecordHeader &&
      header != std::string(kFrameTimeRecordHeader) + std::string(kInserterColumns)) {
    return times;
  }
  for (std::size_t at = header_end; at != std::string_view::npos && at + 1 < text.size();) {
    const std::size_t end = text.find('\n', at + 1);
    if (end == std::string_view::npos) break;  // a row cut short
    const std::string_view row = text.substr(at + 1, end - at - 1);
    at = end;
    // frame,sequence,utc,...: the frame must be the next one in the file.
    const std::size_t first = row.find(',');
    const std::size_t second = first == row.npos ? row.npos : row.find(',', first + 1);
    if (second == row.npos || row.substr(0, first) != std::to_string(times.size())) break;
    std::int64_t utc_ns = 0;
    if (!ParseIsoUtcMicroseconds(row.substr(second + 1, 27), &utc_ns)) break;
    times.push_back(utc_ns);
  }
  return times;
}

std::string FormatUtcMilliseconds(std::int64_t unix_ns) { return FormatLogTime(unix_ns); }

std::vector<std::string> FrameTimeInfoLines(const FrameTimeSummary& summary,
                                            std::string_view record_name) {
  std::vector<std::string> lines;
  if (summary.frames == 0) {
    lines.push_back("\tFrame times\tnone in " + std::string(record_name));
    return lines;
  }
  lines.push_back("\tFrame times\t" + FormatLogTime(summary.first_utc_ns) + " to " +
                  FormatLogTime(summary.last_utc_ns) + ", " + FramesText(summary.frames) +
                  " (" + std::string(record_name) + ")");
  lines.push_back("\tFrames lost\t" +
                  (summary.loss_places == 0
                       ? std::string("none")
                       : FramesText(summary.frames_lost) + " in " +
                             std::to_string(summary.loss_places) +
                             (summary.loss_places == 1 ? " place" : " places")));
  return lines;
}

bool FrameTimeRecord::Create(const std::string& path, std::string* reason,
                             inserter::FieldTimesSource* inserter) {
  path_ = path;
  inserter_ = inserter;
  if (!file_.Create(path, reason)) return false;
  std::string header(kFrameTimeRecordHeader);
  if (inserter_ != nullptr) header += kInserterColumns;
  header += "\r\n";
  if (!file_.Append(header, reason)) {
    file_.Close();
    return false;
  }
  return true;
}

bool FrameTimeRecord::CutToFrames(std::int64_t frames, std::string* reason) {
  if (frames < 0 || frames >= summary_.frames) return true;
  // A record is some 60 bytes a frame: a day at 60 frames a second stays far below this.
  constexpr std::size_t kLargestRecord = std::size_t{1} << 30;
  std::string text;
  if (!files::ReadWholeFile(path_, &text, kLargestRecord, reason)) return false;
  std::size_t end = text.find('\n');  // the header's
  for (std::int64_t row = 0; row < frames && end != std::string::npos; ++row) {
    end = text.find('\n', end + 1);
  }
  if (end == std::string::npos) return true;  // the record stopped before; it is shorter
  text.resize(end + 1);
  if (!files::TruncateFile(path_, text.size(), reason)) return false;
  FrameTimeSummary cut;
  ReadFrameTimeRecord(text, &cut);
  // The steps of the clock are known only to the writer; those before the cut stay.
  for (const FrameTimeSummary::Place& step : summary_.clock_steps) {
    if (step.frame < frames) cut.clock_steps.push_back(step);
  }
  cut.clock_step_places = static_cast<std::int64_t>(cut.clock_steps.size());
  cut.write_error = summary_.write_error;
  summary_ = std::move(cut);
  return true;
}

void FrameTimeRecord::TakeFrames(const FrameStamp* stamps, std::size_t count) {
  rows_.clear();
  for (std::size_t i = 0; i < count; ++i) AppendRow(stamps[i]);
  if (!file_.is_open() || rows_.empty()) return;
  std::string reason;
  if (!file_.Append(rows_, &reason)) {
    summary_.write_error = reason.empty() ? "the record could not be written" : reason;
    file_.Close();
  }
}

void FrameTimeRecord::AppendRow(const FrameStamp& stamp) {
  FrameTimeSummary& s = summary_;
  const std::int64_t frame = s.frames++;
  // A row is made in place; only a row with a note (frames lost, a clock step) allocates.
  char row[192];
  std::size_t length = static_cast<std::size_t>(std::snprintf(row, sizeof row, "%" PRId64 ",", frame));
  if (stamp.sequence >= 0) {
    length += static_cast<std::size_t>(
        std::snprintf(row + length, sizeof row - length, "%" PRId64, stamp.sequence));
  }
  row[length++] = ',';
  length += static_cast<std::size_t>(WriteIsoUtcMicroseconds(stamp.utc_ns, row + length, sizeof row - length));
  row[length++] = ',';
  if (frame == 0) {
    s.first_utc_ns = stamp.utc_ns;
  } else {
    const std::int64_t gap = stamp.utc_ns - last_utc_ns_;
    length += static_cast<std::size_t>(std::snprintf(row + length, sizeof row - length, "%.3f",
                                                     static_cast<double>(gap) / 1e6));
    if (gap > s.largest_interval_ns) {
      s.largest_interval_ns = gap;
      s.largest_interval_frame = frame;
    }
  }
  row[length++] = ',';
  rows_.append(row, length);
  // Frames the source numbered but never delivered, and steps of the clock.
  if (last_sequence_ >= 0 && stamp.sequence > last_sequence_ + 1) {
    const std::int64_t lost = stamp.sequence - last_sequence_ - 1;
    s.frames_lost += lost;
    NotePlace(&s.losses, &s.loss_places, frame, lost);
    rows_ += FramesText(lost) + " lost before this one";
  }
  if (stamp.clock_step_ns != 0) {
    NotePlace(&s.clock_steps, &s.clock_step_places, frame, stamp.clock_step_ns);
    if (rows_.back() != ',') rows_ += "; ";
    rows_ += "clock stepped by " + SignedSeconds(stamp.clock_step_ns);
  }
  if (inserter_ != nullptr) AppendInserterColumns(frame, stamp);
  rows_ += "\r\n";
  s.last_utc_ns = stamp.utc_ns;
  last_utc_ns_ = stamp.utc_ns;
  if (stamp.sequence >= 0) last_sequence_ = stamp.sequence;
}

void FrameTimeRecord::AppendInserterColumns(std::int64_t frame, const FrameStamp& stamp) {
  inserter::FrameFieldTimes times;
  const bool known = inserter_->FieldsOf(stamp.sequence, &times);
  if (known && !timing_) {
    // The fields before the first one read count as not read.
    timing_.emplace(times.field_period_ms);
    inserter::FieldReading unread;
    unread.doubtful = true;
    for (std::int64_t field = 0; field < 2 * frame; ++field) timing_->Add(field, 0, unread);
  }
  char columns[96];
  for (int i = 0; i < 2; ++i) {
    const inserter::FieldTime& field = times.fields[i];
    const bool read = known && field.read;
    if (read) {
      const std::int64_t t = field.time_of_day_100us;
      std::snprintf(columns, sizeof columns, ",%02d:%02d:%02d.%04d,%.2f",
                    static_cast<int>(t / 36000000), static_cast<int>(t / 600000 % 60),
                    static_cast<int>(t / 10000 % 60), static_cast<int>(t % 10000),
                    field.confidence);
      rows_ += columns;
    } else {
      rows_ += ",,";
    }
    // The fields of the file, numbered from its first: the second a field period after the
    // frame's time.
    if (timing_) {
      inserter::FieldReading reading;
      reading.read = read;
      reading.doubtful = !read;
      reading.time_of_day_100us = field.time_of_day_100us;
      const auto period_ns = static_cast<std::int64_t>(timing_->field_period_ms() * 1e6);
      timing_->Add(2 * frame + i, stamp.utc_ns + i * period_ns, reading);
    }
  }
}

std::vector<std::string> FrameTimeRecord::InserterLogLines() const {
  return timing_ ? timing_->LogLines() : std::vector<std::string>{};
}

std::vector<std::string> FrameTimeLogLines(const FrameTimeSummary& summary,
                                           FrameTimeOrigin origin, std::uint64_t stamps_lost,
                                           std::string_view record_name) {
  std::vector<std::string> lines;
  if (summary.frames == 0) return lines;
  lines.push_back("First frame: " + FormatLogTime(summary.first_utc_ns));
  lines.push_back("Last frame: " + FormatLogTime(summary.last_utc_ns));
  switch (origin) {
    case FrameTimeOrigin::kSimulatedCapture:
      lines.emplace_back("Frame times: the simulated camera's capture instants, on the computer clock");
      break;
    case FrameTimeOrigin::kDriverEndOfFrame:
      lines.emplace_back("Frame times: computer clock at the end of each frame, from the capture driver");
      break;
    case FrameTimeOrigin::kDriverStartOfExposure:
      lines.emplace_back(
          "Frame times: computer clock at the start of exposure of each frame, from the capture "
          "driver");
      break;
    case FrameTimeOrigin::kArrival:
      lines.emplace_back(
          "Frame times: computer clock when each frame arrived; the source gives no time stamps");
      break;
    case FrameTimeOrigin::kFilePlayback:
      lines.emplace_back("Frame times: the file camera's play-out instants, on the computer clock");
      break;
    case FrameTimeOrigin::kUnknown:
      break;
  }
  if (summary.frames > 1) {
    lines.push_back("Frame interval: mean " +
                    Milliseconds((summary.last_utc_ns - summary.first_utc_ns) / (summary.frames - 1)) +
                    " ms, largest " + Milliseconds(summary.largest_interval_ns) +
                    " ms before frame " + std::to_string(summary.largest_interval_frame));
  }
  std::string lost = "Frames lost: ";
  if (summary.loss_places == 0) lost += "none";
  for (std::size_t i = 0; i < summary.losses.size(); ++i) {
    if (i > 0) lost += ", ";
    lost += std::to_string(summary.losses[i].amount) + " before frame " +
            std::to_string(summary.losses[i].frame);
  }
  if (summary.loss_places > static_cast<std::int64_t>(summary.losses.size())) {
    std::int64_t listed = 0;
    for (const auto& place : summary.losses) listed += place.amount;
    lost += ", and " + FramesText(summary.frames_lost - listed) + " in " +
            std::to_string(summary.loss_places - static_cast<std::int64_t>(summary.losses.size())) +
            " more places";
  }
  lines.push_back(lost);
  if (summary.clock_step_places > 0) {
    std::string steps = "Computer clock stepped: ";
    for (std::size_t i = 0; i < summary.clock_steps.size(); ++i) {
      if (i > 0) steps += ", ";
      steps += "by " + SignedSeconds(summary.clock_steps[i].amount) + " before frame " +
               std::to_string(summary.clock_steps[i].frame);
    }
    if (summary.clock_step_places > static_cast<std::int64_t>(summary.clock_steps.size())) {
      steps += ", and " +
               std::to_string(summary.clock_step_places -
                              static_cast<std::int64_t>(summary.clock_steps.size())) +
               " more times";
    }
    lines.push_back(steps);
  }
  std::string record = "Frame-time record: " + std::string(record_name);
  if (!summary.write_error.empty()) record += " (stopped early: " + summary.write_error + ")";
  if (stamps_lost > 0) {
    record += " (" + FramesText(static_cast<std::int64_t>(stamps_lost)) +
              " missing: the record could not keep up)";
  }
  lines.push_back(record);
  return lines;
}

}  // namespace vesk
