#pragma once

// The time inserter's learning window without its widgets: the stamp's rectangle the observer
// marks on the live picture, learning and its progress, what was learnt with the observer's
// confirmations of doubtful digits, saving, and the live read-out. It reaches the station only
// through InserterPort, which may be missing (no live video to learn from).

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "analysis/inserter/inserter_layout.h"
#include "station/inserter_port.h"

namespace vesk {

inline constexpr int kDefaultLearningSeconds = 10;
// A few seconds show every digit; a minute is room for a slow field counter, and what is
// kept while learning grows with every second.
inline constexpr int kMaxLearningSeconds = 60;
// A drag narrower or lower than this (in frame pixels) is a click: it clears the mark.
inline constexpr int kMinMarkPixels = 4;

inline constexpr char kCannotLearnText[] =
    "The time inserter cannot be learnt: there is no live video from a camera.";
inline constexpr char kNoFrameYetText[] =
    "No live video yet: the picture comes with the first frame.";
inline constexpr char kMarkHintText[] =
    "Drag a rectangle around the time stamp, or leave it unmarked for the station to find it.";
inline constexpr char kSaveFailedText[] = "Could not save the learnt time inserter: ";
inline constexpr char kSavedText[] =
    "Saved: the live video is read with these characters from now on.";

// A point on the picture as shown, in its pixels.
struct ViewPoint {
  int x = 0, y = 0;
};

// The rectangle dragged from one point to another on a frame shown at `scale` shown pixels
// per frame pixel, in frame pixels (ends excluded) and within the frame; none for a drag too
// small to hold a character.
std::optional<inserter::StampBand> FrameRectOfDrag(ViewPoint from, ViewPoint to, double scale,
                                                   int frame_width, int frame_height);

class InserterLearningModel {
 public:
  explicit InserterLearningModel(InserterPort* port) : port_(port) {}

  bool available() const { return port_ != nullptr; }

  // The latest live frame's luma into *luma; false when there is none. Its size is kept for
  // marking.
  bool TakeFrame(std::vector<std::uint8_t>* luma, int* width, int* height);
  int frame_width() const { return frame_width_; }
  int frame_height() const { return frame_height_; }

  // A drag on the picture shown at scale marks the stamp; a click clears the mark.
  void MarkDrag(ViewPoint from, ViewPoint to, double scale);
  void ClearMark() { mark_.reset(); }
  const std::optional<inserter::StampBand>& mark() const { return mark_; }
  std::string MarkText() const;

  // Clamped to 1 ... kMaxLearningSeconds.
  void set_seconds(int seconds);
  int seconds() const { return seconds_; }

  // Learning with the marked rectangle (none: the station finds the stamp); what was learnt
  // before and its confirmations are dropped.
  void Learn();
  void Stop();

  // Reads the station's state. True when what was learnt changed (drawn anew).
  bool Poll();
  const InserterStatus& status() const { return status_; }

  bool can_learn() const {
    return available() && status_.phase != InserterStatus::Phase::kLearning;
  }
  bool can_stop() const { return available() && status_.phase == InserterStatus::Phase::kLearning; }
  bool can_save() const { return available() && learnt_.has_value() && !saved_; }
  std::string ProgressText() const;

  // What was learnt, as the station gave it (its doubtful_digits untouched).
  const std::optional<std::array<inserter::LearntInserter, 2>>& learnt() const { return learnt_; }
  bool Doubtful(int field, int digit) const;
  bool Confirmed(int field, int digit) const;
  // Only a doubtful digit can be confirmed.
  void SetConfirmed(int field, int digit, bool confirmed);
  std::string ConfirmText() const;
  // What is saved: confirmed digits are no longer doubtful.
  std::array<inserter::LearntInserter, 2> WithConfirmations() const;

  // Saves what was learnt with the confirmations. False, with the text to show and log, when
  // the station could not.
  bool Save(std::string* error);
  const std::string& save_text() const { return save_text_; }

  // The live read-out.
  std::string InserterTimeText() const;
  std::string ClockOffsetText() const;

 private:
  InserterPort* port_;
  int frame_width_ = 0, frame_height_ = 0;
  std::optional<inserter::StampBand> mark_;
  int seconds_ = kDefaultLearningSeconds;
  InserterStatus status_;
  std::optional<std::array<inserter::LearntInserter, 2>> learnt_;
  // Whether the station's learnt result is already the one shown.
  bool learnt_taken_ = false;
  std::array<std::array<bool, 10>, 2> confirmed_{};
  bool saved_ = false;
  std::string save_text_;
};

}  // namespace vesk
