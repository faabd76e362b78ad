#pragma once

#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "base/clock.h"
#include "base/message_view.h"

namespace vesk {

enum class MessageLevel : int { FatalError = 0, Error = 1, Warning = 2, Note = 3 };

// The User Messages log: every report of the station goes here. Before the window exists
// reports wait in the pending queue. Safe to call from any thread: entries never interleave.
class MessageLog {
 public:
  explicit MessageLog(const Clock& clock) : clock_(clock) {}

  // The window exists from now on (the message-window-ready flag); reports go straight to it.
  void AttachView(MessageView* view);

  // Appends when the window exists, otherwise queues (dropping the timestamp choice).
  void ReportMessage(std::string_view text, bool with_timestamp = true);
  // One entry: an empty line, optionally "HH:mm:ss (UTC)" on its own line, then the text.
  void AppendMessage(std::string_view text, bool with_timestamp);
  void QueueMessage(std::string_view text);
  // Appends every queued report in order, the first with a timestamp, the others without.
  void FlushPending();

  // The whole log as the window shows it, and clearing it ("Save Messages and Clear").
  std::string Text() const;
  void Clear();

  bool IsReady() const;
  std::size_t PendingCount() const;

 private:
  std::string MakeEntry(std::string_view text, bool with_timestamp) const;
  void AppendLocked(std::string_view text, bool with_timestamp);

  const Clock& clock_;
  mutable std::mutex mutex_;
  MessageView* view_ = nullptr;
  bool ready_ = false;
  std::vector<std::string> pending_;
  std::string text_;
};

}  // namespace vesk
