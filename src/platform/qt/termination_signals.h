#pragma once

#include <signal.h>

#include <QObject>
#include <utility>
#include <vector>

class QSocketNotifier;

namespace vesk::qt {

// SIGINT, SIGTERM, SIGHUP and SIGQUIT as an event of the Qt loop (a SIGHUP ignored by the
// starter, as under nohup, stays ignored); SIGXFSZ is ignored so a file-size limit fails the
// write instead of killing the station. The handler only writes the signal's
// number into a pipe; the loop reads it and emits Requested, where the station exits as
// File > Exit does. One instance per process.
class TerminationSignals : public QObject {
  Q_OBJECT

 public:
  explicit TerminationSignals(QObject* parent = nullptr);
  ~TerminationSignals() override;

  // Installs the handlers; false when the pipe or a handler cannot be set up.
  bool Install();
  // After Install: another signal arrives as Received instead of ending the station.
  bool Watch(int signal_number);

 signals:
  void Requested(int signal_number);
  void Received(int signal_number);

 private:
  void ReadPipe();

  QSocketNotifier* notifier_ = nullptr;
  // The handlers in place before Install, given back at destruction.
  std::vector<std::pair<int, struct sigaction>> replaced_;
};

}  // namespace vesk::qt
