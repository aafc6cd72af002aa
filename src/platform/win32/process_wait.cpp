#include "platform/win32/process_wait.h"

#include <algorithm>

namespace platform::win {
namespace {

// With more handles than one wait takes, the groups are looked at in turn, each wait this long
// at most, until one is signalled or the time is up.
constexpr DWORD kSliceMs = 20;

// Index of the first signalled handle in one group of at most MAXIMUM_WAIT_OBJECTS.
int waitGroup(const HANDLE* handles, size_t count, DWORD timeoutMs) {
    const DWORD rc = ::WaitForMultipleObjects(static_cast<DWORD>(count), handles, FALSE, timeoutMs);
    if (rc < WAIT_OBJECT_0 + count)
        return static_cast<int>(rc - WAIT_OBJECT_0);
    if (rc >= WAIT_ABANDONED_0 && rc < WAIT_ABANDONED_0 + count)
        return static_cast<int>(rc - WAIT_ABANDONED_0);
    return rc == WAIT_TIMEOUT ? -1 : -2;
}

} // namespace

int waitForFirst(const std::vector<HANDLE>& handles, int timeoutMs) {
    const size_t count = handles.size();
    if (count == 0) {
        if (timeoutMs != 0)
            ::Sleep(timeoutMs < 0 ? INFINITE : static_cast<DWORD>(timeoutMs));
        return -1;
    }
    if (count <= MAXIMUM_WAIT_OBJECTS)
        return waitGroup(handles.data(), count,
                         timeoutMs < 0 ? INFINITE : static_cast<DWORD>(timeoutMs));

    const ULONGLONG deadline = ::GetTickCount64() + static_cast<ULONGLONG>(std::max(timeoutMs, 0));
    for (;;) {
        // Every group without waiting first, so the lowest index wins when several ended.
        for (size_t first = 0; first < count; first += MAXIMUM_WAIT_OBJECTS) {
            const size_t n = std::min<size_t>(MAXIMUM_WAIT_OBJECTS, count - first);
            const int found = waitGroup(handles.data() + first, n, 0);
            if (found == -2)
                return -2;
            if (found >= 0)
                return static_cast<int>(first) + found;
        }
        const ULONGLONG now = ::GetTickCount64();
        if (timeoutMs >= 0 && now >= deadline)
            return -1;
        DWORD slice = kSliceMs;
        if (timeoutMs >= 0)
            slice = static_cast<DWORD>(std::min<ULONGLONG>(slice, deadline - now));
        // Sleeping on the first group ends early when one of its processes ends.
        const int found = waitGroup(handles.data(), MAXIMUM_WAIT_OBJECTS, slice);
        if (found == -2)
            return -2;
        if (found >= 0)
            return found;
    }
}

} // namespace platform::win
