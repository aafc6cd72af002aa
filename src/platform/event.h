#pragma once
// Manual-reset events and a wait for the first signalled one of several, in list order.
// A signalled event stays signalled until it is reset, so a worker that waits on (run, stop)
// keeps seeing "run" until the close resets it.

#include <chrono>
#include <initializer_list>

namespace platform {

class ManualResetEvent {
public:
    void set();
    void reset();
    bool isSet() const;

private:
    friend int waitForAny(std::initializer_list<const ManualResetEvent*> events, int timeoutMs);
    friend int waitForAnyUntil(std::initializer_list<const ManualResetEvent*> events,
                               std::chrono::steady_clock::time_point deadline);
    // The index of the first signalled event in `found`; called with the event mutex held.
    static bool firstSignalled(std::initializer_list<const ManualResetEvent*> events, int& found);
    bool signalled_ = false; // guarded by the process-wide event mutex
};

// Index of the first signalled event in list order, or -1 on time-out (timeoutMs < 0 waits
// without limit).
int waitForAny(std::initializer_list<const ManualResetEvent*> events, int timeoutMs = -1);

// As waitForAny, but up to an absolute point of the monotonic clock, to the clock's own
// precision rather than whole milliseconds. -1 once the deadline has passed.
int waitForAnyUntil(std::initializer_list<const ManualResetEvent*> events,
                    std::chrono::steady_clock::time_point deadline);

} // namespace platform
