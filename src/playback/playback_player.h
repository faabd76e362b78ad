#pragma once

// The playback controls: their states and enabling, stepping, the slider, end of stream and
// the Information report. Positions are frame numbers: every frame of a file is stepped
// through and shown with its own number, whether or not it is a key frame.

#include <cstdint>
#include <string>
#include <vector>

#include "base/message_log.h"
#include "media/playback_media.h"
#include "playback/avi_reader.h"
#include "playback/playback_file_info.h"

namespace vesk {

enum class PlaybackState : int {
  Playing = 0,
  Paused = 1,
  AtBeginning = 2,
  AtEnd = 3,
  SteppedForward = 4,
  SteppedBack = 5,
  NoFile = 7,
};

// The buttons and the slider, then the playback menu's Open, Close and Information.
struct PlaybackEnabling {
  bool start, pause, beginning, back, forward, end, slider, open, close, information;
  friend bool operator==(const PlaybackEnabling&, const PlaybackEnabling&) = default;
};
PlaybackEnabling EnablingFor(PlaybackState state);

// What the playback windows show of the player.
class PlaybackView {
 public:
  virtual ~PlaybackView() = default;
  virtual void ShowSlider(std::int64_t last_position, std::int64_t position) = 0;
  virtual void ShowEnabling(const PlaybackEnabling& enabling) = 0;
  // The open file's frame size; 0 x 0 when no file is open (nothing of a closed file may
  // stay on show).
  virtual void ShowVideoSize(std::uint32_t width, std::uint32_t height) = 0;
  // The frame shown (PositionText); empty without a file.
  virtual void ShowPosition(const std::string&) {}
};

class PlaybackPlayer {
 public:
  PlaybackPlayer(PlaybackMedia& media, PlaybackView& view, MessageLog& log);

  // Reads the file's information and builds its graph, paused at frame 0 (AtBeginning).
  // False, with the state NoFile, when it cannot be read or played.
  bool Open(const std::string& path, AviFileAccess& file, VideoFrameTarget* target);
  void Close();

  // The six buttons.
  void StartPlayback();
  void Pause();
  void BeginningOfFile();
  void EndOfFile();
  void BackOneFrame();
  void ForwardOneFrame();
  // The slider moved by the user to a frame.
  void SeekTo(std::int64_t frame);
  // The graph played to the end, or lost its file.
  void EndOfStream(bool failed);
  // The position timer, while playing: the slider follows, short of the last frame.
  void PositionTick();
  // "Information": the report of the open file to the message log.
  void ReportInformation();
  // The open file's frames were found without its index: a repaired copy is worth offering.
  bool OffersRepairedCopy() const { return state_ != PlaybackState::NoFile && texts_.index_rebuilt; }
  // A recording starts: a playing file pauses. True when a file is open (its windows hide).
  bool PauseForRecording();

  PlaybackState state() const { return state_; }
  std::int64_t position() const { return position_; }
  std::int64_t last_position() const { return frame_count_ - 1; }
  const PlaybackFileInfo& info() const { return texts_; }
  bool timer_running() const { return state_ == PlaybackState::Playing; }
  // "Frame 12, last 299", and when a frame-time record lies beside the file, the frame's
  // capture time: "Frame 12, last 299   2026-12-07 03:05:09.123 UTC". Empty without a file.
  std::string PositionText(std::int64_t frame) const;

 private:
  void Show();
  void MoveTo(std::int64_t frame, PlaybackState state);
  bool OpenSer(const std::string& path, AviFileAccess& file, VideoFrameTarget* target);

  PlaybackMedia& media_;
  PlaybackView& view_;
  MessageLog& log_;
  PlaybackState state_ = PlaybackState::NoFile;
  std::int64_t frame_count_ = 0;
  std::int64_t position_ = 0;
  PlaybackFileInfo texts_;
  // The capture time of each frame, from the file's frame-time record or a SER file's
  // trailer; empty without one.
  std::vector<std::int64_t> frame_times_;
};

constexpr const char* kPlaybackFileLost = "ERROR: the playback file can no longer be read\r\n";

}  // namespace vesk
