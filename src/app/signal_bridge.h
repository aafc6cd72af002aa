#pragma once
// Turns SIGTERM, SIGINT and SIGHUP into a Qt signal on the window thread, so that a logout, a
// closed terminal or a kill runs the same shutdown as the exit command. The handlers are put in
// place before the application object exists: a signal that arrives during start-up waits until
// the event loop (a start-up message box's included) reads it, and is never lost.

#include <QObject>

class QSocketNotifier;

class SignalBridge : public QObject {
    Q_OBJECT
public:
    // Installs the handlers. Call it once, first thing, before the application object.
    static void installHandlers();

    explicit SignalBridge(QObject* parent = nullptr);
    ~SignalBridge() override;

signals:
    void terminationRequested();

private:
    void drain();
    QSocketNotifier* notifier_ = nullptr;
};

// A file grown past the size limit (ulimit -f) then fails to be written, as on a full disk,
// instead of ending the program; the task file keeps its previous content. Started programs get
// the default back.
void ignoreFileSizeSignal();

// Closes the message box or dialog that is open, with its safe answer (No, Cancel): a start-up
// box that a termination interrupts.
void closeActiveModal();
