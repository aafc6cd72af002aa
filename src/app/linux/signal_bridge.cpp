#include "app/signal_bridge.h"

#include "platform/termination_signals.h"

#include <QSocketNotifier>

void SignalBridge::installHandlers() {
    platform::installTerminationSignals();
}

SignalBridge::SignalBridge(QObject* parent) : QObject(parent) {
    const int fd = platform::installTerminationSignals();
    if (fd < 0)
        return;
    auto* notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, [this] {
        platform::drainTerminationSignals();
        emit terminationRequested();
    });
    source_ = notifier;
}

SignalBridge::~SignalBridge() {
    platform::removeTerminationSignals();
}

void ignoreFileSizeSignal() {
    platform::ignoreFileSizeSignal();
}
