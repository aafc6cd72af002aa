#include "app/signal_bridge.h"

#include <QApplication>
#include <QDialog>
#include <QSocketNotifier>
#include <QWidget>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {
int pipeFds[2] = {-1, -1};

constexpr int kTerminationSignals[] = {SIGTERM, SIGINT, SIGHUP};

void onSignal(int) {
    const char byte = 1;
    // Only async-signal-safe work here; the window thread does the rest.
    [[maybe_unused]] const ssize_t n = ::write(pipeFds[1], &byte, 1);
}
} // namespace

void SignalBridge::installHandlers() {
    if (pipeFds[0] >= 0 || ::pipe2(pipeFds, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int sig : kTerminationSignals)
        ::sigaction(sig, &action, nullptr);
}

SignalBridge::SignalBridge(QObject* parent) : QObject(parent) {
    installHandlers();
    if (pipeFds[0] < 0)
        return;
    notifier_ = new QSocketNotifier(pipeFds[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &SignalBridge::drain);
}

SignalBridge::~SignalBridge() {
    for (int sig : kTerminationSignals)
        ::signal(sig, SIG_DFL);
    for (int& fd : pipeFds) {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
}

void SignalBridge::drain() {
    char buffer[64];
    while (::read(pipeFds[0], buffer, sizeof buffer) > 0) {
    }
    emit terminationRequested();
}

void ignoreFileSizeSignal() {
    // Ignored rather than handled, so a write past the limit returns EFBIG at once; the spawn
    // of a task restores every signal's default.
    ::signal(SIGXFSZ, SIG_IGN);
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
