#include "base/message_log_save.h"

#include "base/code_page.h"
#include "base/files.h"

namespace vesk {
namespace {

// Some reports end in a bare LF; the saved file has CR LF throughout, as every file the
// station writes.
std::string WithCrLfLineEnds(const std::string& text) {
  std::string out;
  out.reserve(text.size() + text.size() / 16);
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) out += '\r';
    out += text[i];
  }
  return out;
}

}  // namespace

bool SaveMessagesToFile(MessageLog& log, const std::string& file_name, bool clear) {
  if (file_name.empty()) {
    log.ReportMessage("WARNING: no log file name could be made, user messages were not saved\r\n",
                      true);
    return false;
  }
  // A character the code page lacks becomes '?' rather than ending the file there.
  const std::string bytes = Utf8ToWindows1252Lossy(WithCrLfLineEnds(log.Text()), nullptr);
  if (!files::WriteFileAtomically(file_name, bytes)) {
    log.ReportMessage(
        "WARNING: cannot write log file \"" + file_name + "\", user messages were not saved\r\n",
        true);
    return false;
  }
  if (clear) {
    log.Clear();
    log.ReportMessage(
        "User messages saved in log file \"" + file_name + "\" and all messages cleared\r\n", true);
  } else {
    log.ReportMessage("User messages saved in log file \"" + file_name + "\"\r\n", true);
  }
  return true;
}

}  // namespace vesk
