#include "base/message_log.h"

namespace vesk {

void MessageLog::AttachView(MessageView* view) {
  std::lock_guard lock(mutex_);
  view_ = view;
  ready_ = true;
}

void MessageLog::ReportMessage(std::string_view text, bool with_timestamp) {
  std::lock_guard lock(mutex_);
  if (ready_) {
    AppendLocked(text, with_timestamp);
  } else {
    pending_.emplace_back(text);
  }
}

void MessageLog::AppendMessage(std::string_view text, bool with_timestamp) {
  std::lock_guard lock(mutex_);
  AppendLocked(text, with_timestamp);
}

void MessageLog::QueueMessage(std::string_view text) {
  std::lock_guard lock(mutex_);
  pending_.emplace_back(text);
}

void MessageLog::FlushPending() {
  std::lock_guard lock(mutex_);
  bool first = true;
  for (const std::string& text : pending_) {
    AppendLocked(text, first);
    first = false;
  }
  pending_.clear();
}

std::string MessageLog::Text() const {
  std::lock_guard lock(mutex_);
  return text_;
}

void MessageLog::Clear() {
  std::lock_guard lock(mutex_);
  text_.clear();
  if (view_ != nullptr) view_->Clear();
}

bool MessageLog::IsReady() const {
  std::lock_guard lock(mutex_);
  return ready_;
}

std::size_t MessageLog::PendingCount() const {
  std::lock_guard lock(mutex_);
  return pending_.size();
}

std::string MessageLog::MakeEntry(std::string_view text, bool with_timestamp) const {
  std::string entry = "\r\n";
  if (with_timestamp) {
    entry += FormatTimeOfDay(clock_.UtcSystemTime());
    entry += " (UTC)\r\n";
  }
  entry += text;
  return entry;
}

void MessageLog::AppendLocked(std::string_view text, bool with_timestamp) {
  const std::string entry = MakeEntry(text, with_timestamp);
  text_ += entry;
  if (view_ != nullptr) view_->AppendEntry(entry);
}

}  // namespace vesk
