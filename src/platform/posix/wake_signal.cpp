#include "platform/wake_signal.h"

#include <cerrno>
#include <cstdint>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace platform {

WakeSignal::WakeSignal() : fd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

WakeSignal::~WakeSignal() {
    if (fd_ >= 0)
        ::close(fd_);
}

void WakeSignal::signal() {
    if (fd_ < 0)
        return;
    const uint64_t one = 1;
    // A full counter (never reached) still leaves the signal given.
    (void)!::write(fd_, &one, sizeof one);
}

void WakeSignal::clear() {
    if (fd_ < 0)
        return;
    uint64_t count = 0;
    (void)!::read(fd_, &count, sizeof count);
}

int waitForProcessesOrWake(const std::vector<int>& handles, const WakeSignal& wake, int timeoutMs) {
    std::vector<pollfd> fds;
    fds.reserve(handles.size() + 1);
    for (const int handle : handles)
        fds.push_back(pollfd{handle, POLLIN, 0});
    if (wake.fd_ >= 0)
        fds.push_back(pollfd{wake.fd_, POLLIN, 0});
    int rc;
    do {
        rc = ::poll(fds.data(), fds.size(), timeoutMs);
    } while (rc < 0 && errno == EINTR);
    if (rc < 0)
        return -1;
    return rc > 0 ? 1 : 0;
}

} // namespace platform
