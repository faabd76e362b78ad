#include "base/message_log_save.h"

#include "base/code_page.h"
#include "base/files.h"

namespace vesk {

bool SaveMessagesToFile(MessageLog& log, const std::string& file_name, bool clear) {
  if (file_name.empty()) {
    log.ReportMessage("WARNING: no log file name could be made, user messages were not saved\r\n",
                      true);
    return false;
  }
  // A character the code page lacks becomes '?' rather than ending the file there.
  const std::string bytes = Utf8ToWindows1252Lossy(log.Text(), nullptr);
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
