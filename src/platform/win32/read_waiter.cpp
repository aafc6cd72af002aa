// Anonymous pipes cannot be waited on (WaitForMultipleObjects takes no pipe, and overlapped
// reads need named pipes), so the waiter looks into its pipes with PeekNamedPipe every few
// milliseconds and sleeps between looks on an event that wake() sets. With no pipe to watch it
// only sleeps on the event.

#include "platform/output_pipe.h"

#include "platform/win32/crt_handle.h"
#include "platform/win32/win_util.h"

#include <algorithm>
#include <mutex>

namespace platform {
namespace {

// Short enough that output reaches its file almost as it is written, long enough that a
// handful of runs cost nothing to watch.
constexpr DWORD kLookMs = 15;

// Something to read, or every writer gone (the read then says 0).
bool readable(int fd) {
    const HANDLE pipe = win::handleOf(fd);
    if (pipe == INVALID_HANDLE_VALUE)
        return false;
    DWORD available = 0;
    if (!::PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr))
        return true;
    return available > 0;
}

} // namespace

struct ReadWaiter::State {
    win::UniqueHandle wake{::CreateEventW(nullptr, FALSE, FALSE, nullptr)};
    std::mutex mutex;
    std::vector<int> pipes;
};

ReadWaiter::ReadWaiter() : state_(std::make_unique<State>()) {}

ReadWaiter::~ReadWaiter() = default;

bool ReadWaiter::valid() const {
    return state_->wake.valid();
}

bool ReadWaiter::add(int fd) {
    if (win::handleOf(fd) == INVALID_HANDLE_VALUE)
        return false;
    {
        std::lock_guard<std::mutex> lock(state_->mutex);
        state_->pipes.push_back(fd);
    }
    ::SetEvent(state_->wake.get()); // a wait in progress starts looking at it
    return true;
}

void ReadWaiter::remove(int fd) {
    std::lock_guard<std::mutex> lock(state_->mutex);
    std::erase(state_->pipes, fd);
}

void ReadWaiter::wake() {
    ::SetEvent(state_->wake.get());
}

std::vector<int> ReadWaiter::wait(int timeoutMs) {
    const ULONGLONG deadline = ::GetTickCount64() + static_cast<ULONGLONG>(std::max(timeoutMs, 0));
    for (;;) {
        std::vector<int> ready;
        bool watching = false;
        {
            std::lock_guard<std::mutex> lock(state_->mutex);
            watching = !state_->pipes.empty();
            for (const int fd : state_->pipes)
                if (readable(fd))
                    ready.push_back(fd);
        }
        const ULONGLONG now = ::GetTickCount64();
        if (!ready.empty() || now >= deadline)
            return ready;
        const DWORD left = static_cast<DWORD>(deadline - now);
        if (::WaitForSingleObject(state_->wake.get(), watching ? std::min(left, kLookMs) : left) ==
            WAIT_OBJECT_0) {
            // Woken: an added pipe is looked at once more; a plain wake() ends the wait.
            std::lock_guard<std::mutex> lock(state_->mutex);
            std::vector<int> again;
            for (const int fd : state_->pipes)
                if (readable(fd))
                    again.push_back(fd);
            return again;
        }
    }
}

} // namespace platform
