#include "base/stream_message_view.h"

#include <string>

namespace vesk {

std::string TerminalText(std::string_view entry) {
  std::string text;
  text.reserve(entry.size());
  for (std::size_t i = 0; i < entry.size(); ++i) {
    const char c = entry[i];
    if (c == '\r') {
      text += '\n';
      if (i + 1 < entry.size() && entry[i + 1] == '\n') ++i;
    } else {
      text += c;
    }
  }
  return text;
}

void StreamMessageView::AppendEntry(std::string_view entry) {
  std::string text = TerminalText(entry);
  // An entry begins with the line end of the one before it. A pipe, a journal or tee shows
  // a line only once it is ended, so each entry's last line is ended at once, and the line
  // end the next entry brings for it is then left out: the lines are the same as before.
  if (line_ended_early_ && !text.empty() && text.front() == '\n') text.erase(0, 1);
  line_ended_early_ = !text.empty() && text.back() != '\n';
  if (line_ended_early_) text += '\n';
  out_ << text;
  out_.flush();
}

void StreamMessageBox::Show(std::string_view caption, std::string_view text) {
  std::string line = TerminalText(text);
  if (line.empty() || line.back() != '\n') line += '\n';
  out_ << caption << ": " << line;
  out_.flush();
}

}  // namespace vesk
