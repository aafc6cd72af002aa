#include "platform/event.h"

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace platform {
namespace {
std::mutex& eventMutex() {
    static std::mutex m;
    return m;
}
std::condition_variable& eventCondition() {
    static std::condition_variable c;
    return c;
}
} // namespace

bool ManualResetEvent::firstSignalled(std::initializer_list<const ManualResetEvent*> events,
                                      int& found) {
    int index = 0;
    for (const ManualResetEvent* e : events) {
        if (e->signalled_) {
            found = index;
            return true;
        }
        ++index;
    }
    return false;
}

void ManualResetEvent::set() {
    {
        std::lock_guard<std::mutex> guard(eventMutex());
        signalled_ = true;
    }
    eventCondition().notify_all();
}

void ManualResetEvent::reset() {
    std::lock_guard<std::mutex> guard(eventMutex());
    signalled_ = false;
}

bool ManualResetEvent::isSet() const {
    std::lock_guard<std::mutex> guard(eventMutex());
    return signalled_;
}

int waitForAny(std::initializer_list<const ManualResetEvent*> events, int timeoutMs) {
    if (timeoutMs >= 0)
        return waitForAnyUntil(events, std::chrono::steady_clock::now() +
                                           std::chrono::milliseconds(timeoutMs));
    std::unique_lock<std::mutex> lock(eventMutex());
    int found = -1;
    eventCondition().wait(lock, [&] { return ManualResetEvent::firstSignalled(events, found); });
    return found;
}

int waitForAnyUntil(std::initializer_list<const ManualResetEvent*> events,
                    std::chrono::steady_clock::time_point deadline) {
    std::unique_lock<std::mutex> lock(eventMutex());
    int found = -1;
    // The monotonic clock's absolute deadline: no rounding and no drift when the wall clock is
    // set meanwhile.
    eventCondition().wait_until(lock, deadline,
                                [&] { return ManualResetEvent::firstSignalled(events, found); });
    return found;
}

} // namespace platform
