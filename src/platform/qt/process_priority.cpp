#include "platform/qt/process_priority.h"

#include <sys/resource.h>

#include <cerrno>

namespace vesk::qt {
namespace {

// A clearly raised priority that still leaves the desktop responsive.
constexpr int kHighPriorityNice = -10;

}  // namespace

void RaiseProcessPriority() {
  errno = 0;
  const int current = getpriority(PRIO_PROCESS, 0);
  if (errno != 0) return;
  if (current > kHighPriorityNice) setpriority(PRIO_PROCESS, 0, kHighPriorityNice);
}

}  // namespace vesk::qt
