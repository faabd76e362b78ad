#pragma once

#include <string>

#include "base/message_log.h"

namespace vesk {

// "Save Messages" and "Save Messages and Clear": writes the whole log to file_name
// (Windows-1252, CR LF) and confirms in the log. The log is cleared only after the file
// is safely written, so a failed save never loses messages. Returns whether it was saved.
bool SaveMessagesToFile(MessageLog& log, const std::string& file_name, bool clear);

}  // namespace vesk
