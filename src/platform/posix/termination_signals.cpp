#include "platform/termination_signals.h"

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace platform {
namespace {

int pipeFds[2] = {-1, -1};

constexpr int kTerminationSignals[] = {SIGTERM, SIGINT, SIGHUP};

void onSignal(int) {
    const char byte = 1;
    // Only async-signal-safe work here; the window thread does the rest.
    [[maybe_unused]] const ssize_t n = ::write(pipeFds[1], &byte, 1);
}

} // namespace

int installTerminationSignals() {
    if (pipeFds[0] >= 0)
        return pipeFds[0];
    if (::pipe2(pipeFds, O_CLOEXEC | O_NONBLOCK) != 0)
        return -1;
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int sig : kTerminationSignals)
        ::sigaction(sig, &action, nullptr);
    return pipeFds[0];
}

void drainTerminationSignals() {
    char buffer[64];
    while (pipeFds[0] >= 0 && ::read(pipeFds[0], buffer, sizeof buffer) > 0) {
    }
}

void removeTerminationSignals() {
    for (int sig : kTerminationSignals)
        ::signal(sig, SIG_DFL);
    for (int& fd : pipeFds) {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
}

void ignoreFileSizeSignal() {
    // Ignored rather than handled, so a write past the limit returns EFBIG at once; the spawn
    // of a task restores every signal's default.
    ::signal(SIGXFSZ, SIG_IGN);
}

} // namespace platform
