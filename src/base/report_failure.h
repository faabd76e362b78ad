#pragma once

#include <string_view>

#include "base/hresult.h"
#include "base/message_log.h"

namespace vesk {

// How a step of a long sequence gives up: text goes to the User Messages log with its time,
// and the sequence returns result.
inline HResult ReportFailure(MessageLog& log, std::string_view text, HResult result = E_FAIL) {
  log.ReportMessage(text, true);
  return result;
}

}  // namespace vesk
