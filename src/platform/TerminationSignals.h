#pragma once

#include <QObject>

class QSocketNotifier;

// Turns SIGTERM, SIGINT and SIGHUP (log-out, Ctrl+C, a closed terminal) into a
// Qt signal on the GUI thread, so that the program can close its window and
// save its state instead of dying mid-way. One instance per process.
class TTerminationSignals : public QObject {
  Q_OBJECT
public:
  explicit TTerminationSignals(QObject *parent = nullptr);
  ~TTerminationSignals() override;

Q_SIGNALS:
  void received(int signalNumber);

private:
  void drain();
  QSocketNotifier *FNotifier = nullptr;
};
