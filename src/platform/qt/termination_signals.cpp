#include "platform/qt/termination_signals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <algorithm>
#include <cerrno>
#include <iterator>

namespace vesk::qt {
namespace {

int g_pipe[2] = {-1, -1};

// The signals that end the station as File > Exit does: Ctrl+C, a stop request, the terminal
// or SSH session closing, and Ctrl+\. Each would otherwise kill the process mid-recording,
// leaving an AVI without its header counts and no log.
constexpr int kEndingSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

// A hang-up that the starter chose to ignore (nohup) stays ignored: the recording goes on
// after the terminal closes, which is why the observer used it.
bool HangUpIgnoredByStarter() {
  struct sigaction current = {};
  return sigaction(SIGHUP, nullptr, &current) == 0 && current.sa_handler == SIG_IGN;
}

void OnSignal(int signal_number) {
  const int saved_errno = errno;
  const unsigned char byte = static_cast<unsigned char>(signal_number);
  // A full pipe already holds a request; dropping this one loses nothing.
  [[maybe_unused]] const ssize_t written = write(g_pipe[1], &byte, 1);
  errno = saved_errno;
}

}  // namespace

TerminationSignals::TerminationSignals(QObject* parent) : QObject(parent) {}

TerminationSignals::~TerminationSignals() {
  if (notifier_ == nullptr) return;
  for (const auto& [signal_number, previous] : replaced_)
    sigaction(signal_number, &previous, nullptr);
}

bool TerminationSignals::Install() {
  if (notifier_ != nullptr) return true;
  if (g_pipe[0] < 0 && pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) return false;
  notifier_ = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, &TerminationSignals::ReadPipe);
  // A file-size limit must make the write fail, as a full disk does, rather than kill the
  // station with the recording's header and log unwritten.
  signal(SIGXFSZ, SIG_IGN);
  struct sigaction action = {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  bool installed = true;
  for (const int signal_number : kEndingSignals) {
    if (signal_number == SIGHUP && HangUpIgnoredByStarter()) continue;
    struct sigaction previous = {};
    if (sigaction(signal_number, &action, &previous) == 0) {
      replaced_.emplace_back(signal_number, previous);
    } else {
      installed = false;
    }
  }
  return installed;
}

bool TerminationSignals::Watch(int signal_number) {
  if (notifier_ == nullptr) return false;
  struct sigaction action = {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  struct sigaction previous = {};
  if (sigaction(signal_number, &action, &previous) != 0) return false;
  replaced_.emplace_back(signal_number, previous);
  return true;
}

void TerminationSignals::ReadPipe() {
  unsigned char byte = 0;
  while (read(g_pipe[0], &byte, 1) == 1) {
    const bool ending = std::find(std::begin(kEndingSignals), std::end(kEndingSignals), byte) !=
                        std::end(kEndingSignals);
    if (ending) {
      emit Requested(byte);
    } else {
      emit Received(byte);
    }
  }
}

}  // namespace vesk::qt
