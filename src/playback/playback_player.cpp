#include "playback/playback_player.h"

#include <algorithm>

#include "base/files.h"
#include "media/ser_file.h"
#include "playback/ser_file_info.h"
#include "recording/frame_time_record.h"

namespace vesk {

PlaybackEnabling EnablingFor(PlaybackState state) {
  switch (state) {
    case PlaybackState::Playing:
      return {false, true, false, false, false, false, false, false, false, false};
    case PlaybackState::Paused:
    case PlaybackState::SteppedForward:
    case PlaybackState::SteppedBack:
      return {true, false, true, true, true, true, true, false, true, true};
    case PlaybackState::AtBeginning:
      return {true, false, false, false, true, true, true, false, true, true};
    case PlaybackState::AtEnd:
      return {false, false, true, true, false, false, true, false, true, true};
    case PlaybackState::NoFile:
      break;
  }
  return {false, false, false, false, false, false, false, true, false, false};
}

PlaybackPlayer::PlaybackPlayer(PlaybackMedia& media, PlaybackView& view, MessageLog& log)
    : media_(media), view_(view), log_(log) {}

namespace {

// A record far larger than any recording's would not be read for a display line.
constexpr std::size_t kMaxFrameTimeRecordBytes = 256u << 20;

}  // namespace

std::string PlaybackPlayer::PositionText(std::int64_t frame) const {
  if (state_ == PlaybackState::NoFile || frame < 0 || frame >= frame_count_) return {};
  std::string text =
      "Frame " + std::to_string(frame) + ", last " + std::to_string(frame_count_ - 1);
  if (static_cast<std::size_t>(frame) < frame_times_.size()) {
    text += "   " + FormatUtcMilliseconds(frame_times_[static_cast<std::size_t>(frame)]);
  }
  return text;
}

void PlaybackPlayer::Show() {
  view_.ShowSlider(std::max<std::int64_t>(frame_count_ - 1, 0), position_);
  view_.ShowPosition(PositionText(position_));
  view_.ShowEnabling(EnablingFor(state_));
}

bool PlaybackPlayer::Open(const std::string& path, AviFileAccess& file,
                          VideoFrameTarget* target) {
  Close();
  if (LooksLikeSer(file)) return OpenSer(path, file, target);
  AviFileInfo info;
  if (ReadAviFile(file, &info) != AviReadStatus::Ok || info.frames.empty() ||
      Failed(media_.Open(path, info.rate, info.scale, target))) {
    media_.Close();
    Show();
    return false;
  }
  texts_ = DescribeAviFile(path, info);
  frame_count_ = static_cast<std::int64_t>(info.frames.size());
  std::string record;
  const std::string record_name = FrameTimeRecordName(path);
  if (!record_name.empty() &&
      files::ReadWholeFile(record_name, &record, kMaxFrameTimeRecordBytes)) {
    frame_times_ = ReadFrameTimes(record);
  }
  view_.ShowVideoSize(info.width, info.height);
  MoveTo(0, PlaybackState::AtBeginning);
  return true;
}

bool PlaybackPlayer::OpenSer(const std::string& path, AviFileAccess& file,
                             VideoFrameTarget* target) {
  SerFileInfo info;
  // The rate the trailer's times give, to the thousandth of a frame a second; 25 without.
  std::uint32_t rate = 25, scale = 1;
  const bool read = ReadSerFile(file, &info) == SerReadStatus::Ok && info.frames > 0;
  if (read && info.times.size() > 1 && info.times.back() > info.times.front()) {
    const double fps = static_cast<double>(info.times.size() - 1) * 1e7 /
                       static_cast<double>(info.times.back() - info.times.front());
    if (fps >= 0.001 && fps < 4000) {
      rate = static_cast<std::uint32_t>(fps * 1000 + 0.5);
      scale = 1000;
    }
  }
  if (!read || Failed(media_.Open(path, rate, scale, target))) {
    media_.Close();
    Show();
    return false;
  }
  texts_ = DescribeSerFile(path, info);
  // The trailer's times, shown with the frame as a frame-time record's are.
  for (const std::int64_t ticks : info.times) frame_times_.push_back(UnixNsFromSerTicks(ticks));
  frame_count_ = info.frames;
  view_.ShowVideoSize(static_cast<std::uint32_t>(info.header.width),
                      static_cast<std::uint32_t>(info.header.height));
  MoveTo(0, PlaybackState::AtBeginning);
  return true;
}

void PlaybackPlayer::Close() {
  media_.Close();
  state_ = PlaybackState::NoFile;
  frame_count_ = 0;
  position_ = 0;
  texts_ = PlaybackFileInfo{};
  frame_times_.clear();
  view_.ShowVideoSize(0, 0);
  Show();
}

void PlaybackPlayer::MoveTo(std::int64_t frame, PlaybackState state) {
  if (state_ == PlaybackState::Playing) media_.Pause();
  state_ = state;
  position_ = std::clamp<std::int64_t>(frame, 0, frame_count_ - 1);
  media_.SeekToFrame(position_);
  Show();
}

void PlaybackPlayer::StartPlayback() {
  if (!EnablingFor(state_).start) return;
  state_ = PlaybackState::Playing;
  media_.Run();
  Show();
}

void PlaybackPlayer::Pause() {
  if (state_ != PlaybackState::Playing) return;
  media_.Pause();
  state_ = PlaybackState::Paused;
  const std::int64_t frame = media_.CurrentFrame();
  if (frame >= 0) position_ = std::min(frame, frame_count_ - 1);
  Show();
}

void PlaybackPlayer::BeginningOfFile() {
  if (EnablingFor(state_).beginning) MoveTo(0, PlaybackState::AtBeginning);
}

void PlaybackPlayer::EndOfFile() {
  if (EnablingFor(state_).end) MoveTo(frame_count_ - 1, PlaybackState::AtEnd);
}

void PlaybackPlayer::BackOneFrame() {
  if (!EnablingFor(state_).back) return;
  if (position_ == 0) {  // stays, as a step below the first frame does
    state_ = PlaybackState::SteppedBack;
    Show();
    return;
  }
  MoveTo(position_ - 1,
         position_ == 1 ? PlaybackState::AtBeginning : PlaybackState::SteppedBack);
}

void PlaybackPlayer::ForwardOneFrame() {
  if (!EnablingFor(state_).forward) return;
  const std::int64_t next = std::min(position_ + 1, frame_count_ - 1);
  MoveTo(next, next == frame_count_ - 1 ? PlaybackState::AtEnd : PlaybackState::SteppedForward);
}

void PlaybackPlayer::SeekTo(std::int64_t frame) {
  if (!EnablingFor(state_).slider) return;
  position_ = std::clamp<std::int64_t>(frame, 0, frame_count_ - 1);
  media_.SeekToFrame(position_);
  Show();
}

void PlaybackPlayer::EndOfStream(bool failed) {
  if (state_ == PlaybackState::NoFile) return;
  if (failed) {
    log_.ReportMessage(kPlaybackFileLost);
    Close();
    return;
  }
  MoveTo(frame_count_ - 1, PlaybackState::AtEnd);
}

void PlaybackPlayer::PositionTick() {
  if (state_ != PlaybackState::Playing) return;
  const std::int64_t frame = media_.CurrentFrame();
  if (frame >= 0 && frame < frame_count_ - 1) {
    position_ = frame;
    Show();
  }
}

void PlaybackPlayer::ReportInformation() {
  if (EnablingFor(state_).information) ReportFileInformation(log_, texts_);
}

bool PlaybackPlayer::PauseForRecording() {
  if (state_ == PlaybackState::Playing) Pause();
  return state_ != PlaybackState::NoFile;
}

}  // namespace vesk
