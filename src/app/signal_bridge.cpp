#include "app/signal_bridge.h"

#include "platform/termination_signals.h"

#include <QApplication>
#include <QDialog>
#include <QSocketNotifier>
#include <QWidget>

void SignalBridge::installHandlers() {
    platform::installTerminationSignals();
}

SignalBridge::SignalBridge(QObject* parent) : QObject(parent) {
    const int fd = platform::installTerminationSignals();
    if (fd < 0)
        return;
    notifier_ = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &SignalBridge::drain);
}

SignalBridge::~SignalBridge() {
    platform::removeTerminationSignals();
}

void SignalBridge::drain() {
    platform::drainTerminationSignals();
    emit terminationRequested();
}

void ignoreFileSizeSignal() {
    platform::ignoreFileSizeSignal();
}

void closeActiveModal() {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal)
        return;
    if (auto* dialog = qobject_cast<QDialog*>(modal))
        dialog->reject();
    else
        modal->close();
}
