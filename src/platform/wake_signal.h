#pragma once
// A wake-up that one thread gives another which waits on process handles: the watcher waits
// for the processes of running tasks or for this, whichever comes first, so that a start, a
// force-terminate or the close reaches it at once instead of after its pause.

#include <vector>

namespace platform {

class WakeSignal {
public:
    // Without a descriptor to spare the signal does nothing, and a wait ends only by a process
    // or its time-out.
    WakeSignal();
    ~WakeSignal();
    WakeSignal(const WakeSignal&) = delete;
    WakeSignal& operator=(const WakeSignal&) = delete;

    // Any thread; stays given until cleared.
    void signal();
    void clear();
    bool valid() const { return fd_ >= 0; }

private:
    friend int waitForProcessesOrWake(const std::vector<int>& handles, const WakeSignal& wake,
                                      int timeoutMs);
    int fd_ = -1;
};

// Waits up to timeoutMs for any of the process handles to end or for the wake signal. 1 when
// either happened (or a handle is no longer open), 0 on time-out, -1 when the wait failed
// (errno kept).
int waitForProcessesOrWake(const std::vector<int>& handles, const WakeSignal& wake, int timeoutMs);

} // namespace platform
