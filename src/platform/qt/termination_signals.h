#pragma once

#include <QObject>

class QSocketNotifier;

namespace vesk::qt {

// SIGINT and SIGTERM as an event of the Qt loop. The handler only writes the signal's
// number into a pipe; the loop reads it and emits Requested, where the station exits as
// File > Exit does. One instance per process.
class TerminationSignals : public QObject {
  Q_OBJECT

 public:
  explicit TerminationSignals(QObject* parent = nullptr);
  ~TerminationSignals() override;

  // Installs the handlers; false when the pipe or a handler cannot be set up.
  bool Install();

 signals:
  void Requested(int signal_number);

 private:
  void ReadPipe();

  QSocketNotifier* notifier_ = nullptr;
};

}  // namespace vesk::qt
