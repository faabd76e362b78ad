#include "platform/linux/kernel_clock_discipline.h"

#include <sys/timex.h>

#include <cerrno>
#include <cstring>

namespace vesk {

ClockState KernelClockDiscipline::Read() const {
  struct timex tx {};
  tx.modes = 0;  // read only
  const int result = ntp_adjtime(&tx);
  ClockState state;
  if (result == -1) {
    state.readable = false;
    state.error = std::string("ntp_adjtime: ") + std::strerror(errno);
    return state;
  }
  // TIME_ERROR also stands for a lost PPS signal; STA_UNSYNC is the time service's own word.
  state.synchronised = result != TIME_ERROR && (tx.status & STA_UNSYNC) == 0;
  state.estimated_error_us = tx.esterror;
  state.maximum_error_us = tx.maxerror;
  return state;
}

}  // namespace vesk
