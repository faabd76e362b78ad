#include "analysis/inserter/live_inserter.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <utility>

namespace vesk::inserter {
namespace {

constexpr std::int64_t kDayMs = 24LL * 3600 * 1000;
constexpr std::int64_t kLatestFrameWantedNs = 2000000000;

std::int64_t SteadyNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// "hh:mm:ss.fff", with as many fraction digits as the stamp shows.
std::string TimeText(std::int64_t time_of_day_100us, int fraction_digits) {
  const std::int64_t seconds = time_of_day_100us / 10000;
  char text[32];
  if (fraction_digits >= 4) {
    std::snprintf(text, sizeof text, "%02d:%02d:%02d.%04d", static_cast<int>(seconds / 3600),
                  static_cast<int>(seconds / 60 % 60), static_cast<int>(seconds % 60),
                  static_cast<int>(time_of_day_100us % 10000));
  } else {
    std::snprintf(text, sizeof text, "%02d:%02d:%02d.%03d", static_cast<int>(seconds / 3600),
                  static_cast<int>(seconds / 60 % 60), static_cast<int>(seconds % 60),
                  static_cast<int>(time_of_day_100us % 10000 / 10));
  }
  return text;
}

// The computer clock's time of day minus the inserter's, across midnight too.
double ClockMinusInserterMs(std::int64_t utc_ns, std::int64_t time_of_day_100us) {
  const double computer_ms =
      static_cast<double>(((utc_ns / 1000000) % kDayMs + kDayMs) % kDayMs) +
      static_cast<double>(utc_ns % 1000000) / 1e6;
  double offset = computer_ms - static_cast<double>(time_of_day_100us) / 10.0;
  if (offset > kDayMs / 2) offset -= kDayMs;
  if (offset < -kDayMs / 2) offset += kDayMs;
  return offset;
}

}  // namespace

bool CopyLuma(const LiveFrame& frame, std::uint8_t* out) {
  int step = 1, first = 0;
  switch (frame.layout) {
    case LumaLayout::kGray:
    case LumaLayout::kPlanar: break;
    case LumaLayout::kYuy2: step = 2; break;
    case LumaLayout::kUyvy: step = 2; first = 1; break;
    case LumaLayout::kBgr: step = 3; break;
    case LumaLayout::kBgrx: step = 4; break;
    case LumaLayout::kNone: return false;
  }
  const auto row_bytes = static_cast<std::size_t>(frame.width) * step;
  if (frame.pixels == nullptr || frame.width <= 0 || frame.height <= 0 ||
      frame.stride < static_cast<std::ptrdiff_t>(row_bytes) ||
      static_cast<std::size_t>(frame.height - 1) * static_cast<std::size_t>(frame.stride) +
              row_bytes > frame.bytes) {
    return false;
  }
  for (int y = 0; y < frame.height; ++y) {
    const std::uint8_t* in = frame.pixels + static_cast<std::ptrdiff_t>(y) * frame.stride;
    std::uint8_t* row = out + static_cast<std::size_t>(y) * frame.width;
    if (step == 1) {
      std::memcpy(row, in, row_bytes);
    } else if (step == 2) {
      for (int x = 0; x < frame.width; ++x) row[x] = in[2 * x + first];
    } else {
      for (int x = 0; x < frame.width; ++x, in += step) {
        // The luma of a studio-range picture, as a Y plane would have held it.
        row[x] = static_cast<std::uint8_t>(((25 * in[0] + 129 * in[1] + 66 * in[2] + 128) >> 8) + 16);
      }
    }
  }
  return true;
}

LiveInserter::LiveInserter() : thread_([this] { Run(); }) {}

LiveInserter::~LiveInserter() {
  stopping_ = true;
  posted_.fetch_add(1, std::memory_order_release);
  posted_.notify_one();
  thread_.join();
}

void LiveInserter::BeginRun() {
  std::lock_guard<std::mutex> hold(lock_);
  generation_.fetch_add(1);
  done_sequence_ = -1;
}

void LiveInserter::TakeLiveFrame(const LiveFrame& frame) {
  offered_.fetch_add(1, std::memory_order_relaxed);
  if (frame.layout == LumaLayout::kNone || frame.width <= 0 || frame.height <= 0) return;
  // Nobody wants the frame: not copied at all.
  if (!engaged_.load(std::memory_order_relaxed) &&
      SteadyNs() - latest_asked_ns_.load(std::memory_order_relaxed) > kLatestFrameWantedNs) {
    return;
  }
  Slot* slot = nullptr;
  for (Slot& candidate : slots_) {
    int expected = kFree;
    if (candidate.state.compare_exchange_strong(expected, kFilling, std::memory_order_acquire)) {
      slot = &candidate;
      break;
    }
  }
  if (slot == nullptr) {
    unread_.fetch_add(1, std::memory_order_relaxed);
    return;
  }
  // A buffer grows once, for the first frame of a size; every later frame reuses it.
  const auto size = static_cast<std::size_t>(frame.width) * static_cast<std::size_t>(frame.height);
  if (slot->luma.size() < size) slot->luma.resize(size);
  if (!CopyLuma(frame, slot->luma.data())) {
    slot->state.store(kFree, std::memory_order_release);
    unread_.fetch_add(1, std::memory_order_relaxed);
    return;
  }
  slot->width = frame.width;
  slot->height = frame.height;
  slot->sequence = frame.sequence;
  slot->utc_ns = frame.utc_ns;
  slot->interval_ns = frame.frame_interval_ns;
  slot->generation = generation_.load();
  slot->order = next_order_.fetch_add(1, std::memory_order_relaxed);
  in_flight_.fetch_add(1);
  slot->state.store(kFull, std::memory_order_release);
  posted_.fetch_add(1, std::memory_order_release);
  posted_.notify_one();
}

void LiveInserter::Run() {
  while (true) {
    const std::uint64_t seen = posted_.load(std::memory_order_acquire);
    if (stopping_) return;
    // Every frame waiting, oldest first.
    while (true) {
      Slot* next = nullptr;
      for (Slot& slot : slots_) {
        if (slot.state.load(std::memory_order_acquire) == kFull &&
            (next == nullptr || slot.order < next->order)) {
          next = &slot;
        }
      }
      if (next == nullptr) break;
      Work(*next);
      next->state.store(kFree, std::memory_order_release);
      in_flight_.fetch_sub(1);
      read_.notify_all();
    }
    posted_.wait(seen, std::memory_order_acquire);
  }
}

void LiveInserter::Work(Slot& slot) {
  const LumaView view{slot.luma.data(), slot.width, slot.height, slot.width};
  std::optional<std::pair<double, std::optional<StampBand>>> asked;
  bool stop = false;
  {
    std::lock_guard<std::mutex> hold(lock_);
    if (learnt_changed_ || slot.generation != worker_generation_) reader_.reset();
    learnt_changed_ = false;
    if (!reader_ && learnt_ && slot.interval_ns > 0) {
      reader_ = std::make_unique<InserterReader>(*learnt_, static_cast<double>(slot.interval_ns) / 2e6);
    }
    asked = std::exchange(learning_asked_, std::nullopt);
    stop = std::exchange(stop_learning_, false);
    const std::size_t size = static_cast<std::size_t>(slot.width) * slot.height;
    latest_.assign(slot.luma.begin(), slot.luma.begin() + static_cast<std::ptrdiff_t>(size));
    latest_width_ = slot.width;
    latest_height_ = slot.height;
  }
  worker_generation_ = slot.generation;
  if (stop) learning_.reset();
  if (asked) {
    // The seconds asked for at the video's own frame rate (25 a second when it gives none).
    const double rate = slot.interval_ns > 0 ? 1e9 / static_cast<double>(slot.interval_ns) : 25.0;
    learning_ = std::make_unique<InserterLearning>(static_cast<int>(asked->first * rate + 0.5),
                                                   asked->second);
    std::lock_guard<std::mutex> hold(lock_);
    progress_.frames_to_learn = learning_->frames_to_learn();
  }
  if (learning_) {
    const bool over = learning_->AddFrame(view);
    std::lock_guard<std::mutex> hold(lock_);
    progress_.frames_learnt = learning_->frames_seen();
    if (over) {
      progress_.active = false;
      progress_.over = true;
      progress_.report = learning_->ReportLines();
      if (learning_->learnt()) {
        progress_.learnt = std::array<LearntInserter, 2>{learning_->field(0), learning_->field(1)};
      }
      learning_.reset();
      engaged_ = learnt_.has_value();
    }
  }
  const std::int64_t frame_number =
      slot.sequence >= 0 ? slot.sequence : static_cast<std::int64_t>(slot.order);
  std::array<FieldReading, 2> readings;
  std::array<std::int64_t, 2> numbers{};
  FrameFieldTimes times;
  if (reader_) {
    reader_->ReadFrame(view, frame_number, &readings, &numbers);
    times.field_period_ms = reader_->field_period_ms();
    times.fraction_digits = reader_->fraction_digits();
    for (int i = 0; i < 2; ++i) {
      times.fields[i] = {readings[i].read && !readings[i].doubtful, readings[i].time_of_day_100us,
                         readings[i].confidence};
    }
  }
  std::lock_guard<std::mutex> hold(lock_);
  if (slot.generation != generation_.load()) return;  // a run that has ended
  done_sequence_ = slot.sequence;
  if (!reader_) return;
  if (slot.sequence >= 0) {
    kept_[static_cast<std::size_t>(slot.sequence) % kKeptFrames] = {slot.generation, slot.sequence, times};
  }
  // The read-out shows the later field.
  const FieldReading& latest = readings[1];
  readout_.inserter_time = latest.read ? TimeText(latest.time_of_day_100us, times.fraction_digits)
                                       : latest.text;
  readout_.doubtful = latest.doubtful || !latest.read;
  readout_.field_utc_ns = slot.utc_ns + slot.interval_ns / 2;
  readout_.clock_minus_inserter_ms.reset();
  if (!readout_.doubtful) {
    readout_.clock_minus_inserter_ms =
        ClockMinusInserterMs(readout_.field_utc_ns, latest.time_of_day_100us);
  }
}

void LiveInserter::ReadWith(const std::array<LearntInserter, 2>& learnt) {
  std::lock_guard<std::mutex> hold(lock_);
  learnt_ = learnt;
  learnt_changed_ = true;
  engaged_ = true;
  readout_ = LiveReadout{};
  readout_.reading = true;
}

bool LiveInserter::reads() const {
  std::lock_guard<std::mutex> hold(lock_);
  return learnt_.has_value();
}

void LiveInserter::StartLearning(double seconds, std::optional<StampBand> frame_rect) {
  std::lock_guard<std::mutex> hold(lock_);
  learning_asked_ = std::make_pair(seconds, frame_rect);
  stop_learning_ = false;
  progress_ = LearningProgress{};
  progress_.active = true;
  engaged_ = true;
}

void LiveInserter::StopLearning() {
  std::lock_guard<std::mutex> hold(lock_);
  learning_asked_.reset();
  stop_learning_ = true;
  progress_.active = false;
  engaged_ = learnt_.has_value();
}

LearningProgress LiveInserter::Learning() const {
  std::lock_guard<std::mutex> hold(lock_);
  return progress_;
}

LiveReadout LiveInserter::Readout() const {
  std::lock_guard<std::mutex> hold(lock_);
  return readout_;
}

std::optional<double> LiveInserter::RecentClockMinusInserterMs(std::int64_t now_utc_ns) const {
  std::lock_guard<std::mutex> hold(lock_);
  const std::int64_t age = now_utc_ns - readout_.field_utc_ns;
  if (!readout_.reading || age > kRecentReadingNs || age < -kRecentReadingNs) return std::nullopt;
  return readout_.clock_minus_inserter_ms;
}

bool LiveInserter::LatestFrame(std::vector<std::uint8_t>* luma, int* width, int* height) const {
  latest_asked_ns_.store(SteadyNs(), std::memory_order_relaxed);
  std::lock_guard<std::mutex> hold(lock_);
  if (latest_.empty()) return false;
  *luma = latest_;
  *width = latest_width_;
  *height = latest_height_;
  return true;
}

bool LiveInserter::FieldsOf(std::int64_t sequence, FrameFieldTimes* fields) {
  if (sequence < 0) return false;
  std::unique_lock<std::mutex> hold(lock_);
  if (!learnt_) return false;
  const std::uint64_t generation = generation_.load();
  // The frame was copied for the worker (or passed over) before its stamp could reach the
  // recording; the worker is at most a few buffers behind, so this waits milliseconds.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(1);
  while (true) {
    const Kept& kept = kept_[static_cast<std::size_t>(sequence) % kKeptFrames];
    if (kept.generation == generation && kept.sequence == sequence) {
      *fields = kept.times;
      return true;
    }
    if (done_sequence_ >= sequence || in_flight_.load() == 0 ||
        std::chrono::steady_clock::now() >= deadline) {
      return false;
    }
    read_.wait_for(hold, std::chrono::milliseconds(10));
  }
}

}  // namespace vesk::inserter
