#include "station/inserter_learning_model.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace vesk {
namespace {

using Phase = InserterStatus::Phase;

bool InRange(int field, int digit) { return field >= 0 && field < 2 && digit >= 0 && digit < 10; }

}  // namespace

std::optional<inserter::StampBand> FrameRectOfDrag(ViewPoint from, ViewPoint to, double scale,
                                                   int frame_width, int frame_height) {
  if (!(scale > 0) || frame_width <= 0 || frame_height <= 0) return std::nullopt;
  // The shown pixels the drag covers, ends included, to the frame pixels under them.
  const auto first = [scale](int shown, int limit) {
    return static_cast<int>(std::clamp(std::floor(shown / scale), 0.0, static_cast<double>(limit)));
  };
  const auto end = [scale](int shown, int limit) {
    return static_cast<int>(
        std::clamp(std::ceil((shown + 1) / scale), 0.0, static_cast<double>(limit)));
  };
  inserter::StampBand rect;
  rect.left = first(std::min(from.x, to.x), frame_width);
  rect.right = end(std::max(from.x, to.x), frame_width);
  rect.top = first(std::min(from.y, to.y), frame_height);
  rect.bottom = end(std::max(from.y, to.y), frame_height);
  if (rect.right - rect.left < kMinMarkPixels || rect.bottom - rect.top < kMinMarkPixels) {
    return std::nullopt;
  }
  return rect;
}

bool InserterLearningModel::TakeFrame(std::vector<std::uint8_t>* luma, int* width, int* height) {
  if (port_ == nullptr || !port_->LatestFrame(luma, width, height)) return false;
  if (*width <= 0 || *height <= 0 ||
      luma->size() < static_cast<std::size_t>(*width) * static_cast<std::size_t>(*height)) {
    return false;
  }
  // Another format: a mark beyond the new frame no longer shows the stamp.
  if (mark_ && (mark_->right > *width || mark_->bottom > *height)) mark_.reset();
  frame_width_ = *width;
  frame_height_ = *height;
  return true;
}

void InserterLearningModel::MarkDrag(ViewPoint from, ViewPoint to, double scale) {
  mark_ = FrameRectOfDrag(from, to, scale, frame_width_, frame_height_);
}

std::string InserterLearningModel::MarkText() const {
  if (!mark_) return "Stamp not marked: the station finds it.";
  return "Stamp marked: x " + std::to_string(mark_->left) + " to " +
         std::to_string(mark_->right - 1) + ", y " + std::to_string(mark_->top) + " to " +
         std::to_string(mark_->bottom - 1) + " (frame pixels).";
}

void InserterLearningModel::set_seconds(int seconds) {
  seconds_ = std::clamp(seconds, 1, kMaxLearningSeconds);
}

void InserterLearningModel::Learn() {
  if (!can_learn()) return;
  learnt_.reset();
  learnt_taken_ = false;
  confirmed_ = {};
  saved_ = false;
  save_text_.clear();
  port_->StartLearning(seconds_, mark_);
  status_ = port_->Status();
}

void InserterLearningModel::Stop() {
  if (port_ != nullptr) port_->StopLearning();
}

bool InserterLearningModel::Poll() {
  if (port_ == nullptr) return false;
  status_ = port_->Status();
  if (status_.phase != Phase::kLearnt || !status_.learnt || learnt_taken_) return false;
  learnt_ = status_.learnt;
  learnt_taken_ = true;
  confirmed_ = {};
  saved_ = false;
  save_text_.clear();
  return true;
}

std::string InserterLearningModel::ProgressText() const {
  if (!available()) return {};
  switch (status_.phase) {
    case Phase::kIdle:
      return "Not learning.";
    case Phase::kLearning:
      return "Learning: " + std::to_string(status_.frames_learnt) + " of " +
             std::to_string(status_.frames_to_learn) + " frames";
    case Phase::kLearnt:
      return "Learnt from " + std::to_string(status_.frames_learnt) + " frames.";
    case Phase::kFailed:
      return "Learning failed.";
  }
  return {};
}

bool InserterLearningModel::Doubtful(int field, int digit) const {
  if (!learnt_ || !InRange(field, digit)) return false;
  const std::vector<int>& doubtful = (*learnt_)[static_cast<std::size_t>(field)].doubtful_digits;
  return std::find(doubtful.begin(), doubtful.end(), digit) != doubtful.end();
}

bool InserterLearningModel::Confirmed(int field, int digit) const {
  return Doubtful(field, digit) &&
         confirmed_[static_cast<std::size_t>(field)][static_cast<std::size_t>(digit)];
}

void InserterLearningModel::SetConfirmed(int field, int digit, bool confirmed) {
  if (!Doubtful(field, digit)) return;
  bool& slot = confirmed_[static_cast<std::size_t>(field)][static_cast<std::size_t>(digit)];
  if (slot == confirmed) return;
  slot = confirmed;
  saved_ = false;  // what is saved changed
  save_text_.clear();
}

std::string InserterLearningModel::ConfirmText() const {
  if (!learnt_) return {};
  int doubtful = 0, left = 0;
  for (int field = 0; field < 2; ++field) {
    for (int digit = 0; digit < 10; ++digit) {
      if (!Doubtful(field, digit)) continue;
      ++doubtful;
      if (!Confirmed(field, digit)) ++left;
    }
  }
  if (doubtful == 0) return "Every digit was learnt with certainty.";
  if (left == 0) return "Every doubtful digit is confirmed.";
  return std::to_string(left) + (left == 1 ? " doubtful digit" : " doubtful digits") +
         " (framed in orange): tick OK under each whose picture shows that digit; those "
         "left unticked are saved as doubtful.";
}

std::array<inserter::LearntInserter, 2> InserterLearningModel::WithConfirmations() const {
  std::array<inserter::LearntInserter, 2> learnt{};
  if (!learnt_) return learnt;
  learnt = *learnt_;
  for (int field = 0; field < 2; ++field) {
    std::vector<int>& doubtful = learnt[static_cast<std::size_t>(field)].doubtful_digits;
    std::erase_if(doubtful, [&](int digit) { return Confirmed(field, digit); });
  }
  return learnt;
}

bool InserterLearningModel::Save(std::string* error) {
  std::string why;
  if (!available() || !learnt_) {
    why = "nothing was learnt";
  } else if (port_->SaveLearnt(WithConfirmations(), &why)) {
    saved_ = true;
    save_text_ = kSavedText;
    return true;
  } else if (why.empty()) {
    why = "the station gave no reason";
  }
  save_text_ = kSaveFailedText + why;
  if (error != nullptr) *error = save_text_;
  return false;
}

std::string InserterLearningModel::InserterTimeText() const {
  const std::string label = "Inserter time: ";
  if (!available() || !status_.reading) return label + "not read (no learnt characters in use)";
  if (status_.inserter_time.empty()) return label + "no field read yet";
  return label + status_.inserter_time + (status_.doubtful ? " (doubtful field)" : "");
}

std::string InserterLearningModel::ClockOffsetText() const {
  const std::string label = "Computer clock minus inserter: ";
  if (!available() || !status_.reading || !status_.clock_minus_inserter_ms) {
    return label + "not known";
  }
  char text[32];
  std::snprintf(text, sizeof text, "%+.1f ms", *status_.clock_minus_inserter_ms);
  return label + text;
}

}  // namespace vesk
