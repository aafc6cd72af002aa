#include "platform/wake_signal.h"

#include "platform/win32/process_wait.h"
#include "platform/win32/win_util.h"

#include <cerrno>

namespace platform {

// A manual-reset event: it stays given until it is cleared.
WakeSignal::WakeSignal() {
    HANDLE event = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    fd_ = event ? win::handleToInt(event) : -1;
}

WakeSignal::~WakeSignal() {
    if (fd_ >= 0)
        ::CloseHandle(win::intToHandle(fd_));
}

void WakeSignal::signal() {
    if (fd_ >= 0)
        ::SetEvent(win::intToHandle(fd_));
}

void WakeSignal::clear() {
    if (fd_ >= 0)
        ::ResetEvent(win::intToHandle(fd_));
}

int waitForProcessesOrWake(const std::vector<int>& handles, const WakeSignal& wake, int timeoutMs) {
    std::vector<HANDLE> native;
    native.reserve(handles.size() + 1);
    // The wake first: it is the one that must never wait behind a long list.
    if (wake.fd_ >= 0)
        native.push_back(win::intToHandle(wake.fd_));
    for (int h : handles)
        native.push_back(win::intToHandle(h));
    const int found = win::waitForFirst(native, timeoutMs);
    if (found == -2) {
        // A handle that is no longer open counts as an end, as a closed descriptor does.
        if (::GetLastError() == ERROR_INVALID_HANDLE)
            return 1;
        errno = win::errnoOf(::GetLastError());
        return -1;
    }
    return found >= 0 ? 1 : 0;
}

} // namespace platform
