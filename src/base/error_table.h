#pragma once

#include <string>

#include "base/message_box.h"
#include "base/message_log.h"

namespace vesk {

// Codes of the application table (0..99); graph errors are raised by index and shown
// as index + 1000.
enum class ErrorCode : int {
  CannotCreateMainWindow = 1,
  CannotCreateCountdownFont = 2,
  CannotCreateControlButtonsFont = 3,
  CannotCreateListFont = 4,
  CannotCreateEventListFont = 5,
  CannotCreateHibernationFont = 6,
  CannotCreateVideoDisplayWindow = 7,
  CannotCreateControlsWindow = 8,
  CannotCreateUserMessagesWindow = 9,
  CannotCreateRichEditWindow = 10,
  CannotCreateBrightnessSliderChild = 11,
  CannotCreateContrastSliderChild = 12,
  CannotCreateBrightnessSliderParent = 13,
  CannotCreateContrastSliderParent = 14,
  CannotDeleteEventFiles = 16,
  CannotSaveOptions = 17,
};

constexpr int kErrorTableSize = 100;
constexpr int kGraphCodeOffset = 1000;

struct ErrorTableEntry {
  std::string text;
  MessageLevel level = MessageLevel::FatalError;
  bool present = false;
};

// The one formatted line, e.g. "WARNING: Cannot create font for codec or camera lists,  warning
// 4\r\n".
std::string FormatErrorLine(MessageLevel level, const std::string& text, int shown_code);

// Table lookups; entries not listed are absent (never raised).
const ErrorTableEntry& AppErrorEntry(int code);
const ErrorTableEntry& GraphErrorEntry(int index);

// Raises numbered errors: fatal ones in a message box (and not in the log), errors and
// warnings to the log with a timestamp, notes nowhere.
class ErrorReporter {
 public:
  ErrorReporter(MessageLog& log, MessageBox& box) : log_(log), box_(box) {}
  void RaiseAppError(ErrorCode code);
  void RaiseGraphError(int index);

 private:
  MessageLog& log_;
  MessageBox& box_;
};

}  // namespace vesk
