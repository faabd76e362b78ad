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
  out_ << TerminalText(entry);
  // Reports arrive seconds apart; whoever watches the station sees each at once.
  out_.flush();
}

void StreamMessageBox::Show(std::string_view caption, std::string_view text) {
  std::string line = TerminalText(text);
  if (line.empty() || line.back() != '\n') line += '\n';
  out_ << caption << ": " << line;
  out_.flush();
}

}  // namespace vesk
