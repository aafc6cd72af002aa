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
    std::unique_lock<std::mutex> lock(eventMutex());
    int found = -1;
    auto anySet = [&] {
        int index = 0;
        for (const ManualResetEvent* e : events) {
            if (e->signalled_) {
                found = index;
                return true;
            }
            ++index;
        }
        return false;
    };
    if (timeoutMs < 0)
        eventCondition().wait(lock, anySet);
    else
        eventCondition().wait_for(lock, std::chrono::milliseconds(timeoutMs), anySet);
    return found;
}

} // namespace platform
