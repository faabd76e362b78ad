#pragma once

#include <ostream>
#include <string>
#include <string_view>

#include "base/message_box.h"
#include "base/message_view.h"

namespace vesk {

// The User Messages window of the headless station: every entry goes to a stream (standard
// output) as it is appended, its last line ended at once, with the log's CR LF line ends
// written as plain line feeds.
// The message log calls it under its own lock, so entries never interleave.
class StreamMessageView final : public MessageView {
 public:
  explicit StreamMessageView(std::ostream& out) : out_(out) {}
  void AppendEntry(std::string_view entry) override;
  // A cleared log shows nothing more on a stream; the lines already printed stay.
  void Clear() override {}

 private:
  std::ostream& out_;
  // The last entry's last line was ended here rather than by the next entry.
  bool line_ended_early_ = false;
};

// The fatal error box of the headless station: the caption and the line on a stream
// (standard error), so a script sees why start-up ended.
class StreamMessageBox final : public MessageBox {
 public:
  explicit StreamMessageBox(std::ostream& out) : out_(out) {}
  void Show(std::string_view caption, std::string_view text) override;

 private:
  std::ostream& out_;
};

// The entry as a terminal shows it: CR LF and lone CR become LF.
std::string TerminalText(std::string_view entry);

}  // namespace vesk
