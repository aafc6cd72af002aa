#pragma once
// Turns the system's requests to end the program into a Qt signal on the window thread, so that
// a logout, a closed terminal or a kill runs the same shutdown as the exit command: SIGTERM,
// SIGINT and SIGHUP on Linux; on Windows the console's Ctrl+C, Ctrl+Break, close, logoff and
// shutdown, and the session's end (WM_ENDSESSION). The handlers are put in place before the
// application object exists: a request that arrives during start-up waits until the event loop
// (a start-up message box's included) reads it, and is never lost.
//
// How the requests come is the system's matter; each has its own source file (linux/,
// windows/).

#include <QObject>

class SignalBridge : public QObject {
    Q_OBJECT
public:
    // Installs the handlers. Call it once, first thing, before the application object.
    static void installHandlers();

    explicit SignalBridge(QObject* parent = nullptr);
    ~SignalBridge() override;

signals:
    // On the window thread. At a session's end the shutdown must be over before the handler
    // returns, so the signal is emitted from within that message; otherwise it is queued.
    void terminationRequested();

private:
    // The system's source of requests, owned by the bridge.
    QObject* source_ = nullptr;
};

// A file grown past the size limit (ulimit -f) then fails to be written, as on a full disk,
// instead of ending the program; the task file keeps its previous content. Started programs get
// the default back. Windows has no such limit.
void ignoreFileSizeSignal();

// Closes the message box or dialog that is open, with its safe answer (No, Cancel): a start-up
// box that a termination interrupts.
void closeActiveModal();
