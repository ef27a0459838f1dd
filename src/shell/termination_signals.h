// SIGTERM, SIGHUP and SIGINT as a Qt signal on the GUI thread.
//
// The handler itself only writes the signal number into a socket pair; a
// socket notifier reads it in the event loop and emits received(), where
// the main window can close as if the user had chosen "&Beenden". The
// window never waits for the line, so a signal is handled at once, also in
// the middle of an upload; the running exchange ends at its next byte.
#pragma once

#include <QObject>

class QSocketNotifier;

class TerminationSignals : public QObject {
    Q_OBJECT

public:
    // Installs the handlers; one instance per process. Returns without them
    // (and received() never comes) when the socket pair cannot be made.
    explicit TerminationSignals(QObject* parent = nullptr);
    // Restores the default actions.
    ~TerminationSignals() override;

signals:
    void received(int signalNumber);

private:
    void readSignal();

    QSocketNotifier* m_notifier = nullptr;
};
