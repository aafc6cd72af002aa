#include "platform/win32/jobs.h"

#include <map>
#include <mutex>

namespace platform::win {
namespace {
std::mutex& jobMutex() {
    static std::mutex m;
    return m;
}
std::map<HANDLE, HANDLE>& jobs() {
    static std::map<HANDLE, HANDLE> table;
    return table;
}
} // namespace

void rememberJob(HANDLE process, HANDLE job) {
    std::lock_guard<std::mutex> guard(jobMutex());
    HANDLE& slot = jobs()[process];
    if (slot)
        ::CloseHandle(slot);
    slot = job;
}

HANDLE jobOf(HANDLE process) {
    std::lock_guard<std::mutex> guard(jobMutex());
    const auto found = jobs().find(process);
    return found == jobs().end() ? nullptr : found->second;
}

void forgetJob(HANDLE process) {
    std::lock_guard<std::mutex> guard(jobMutex());
    const auto found = jobs().find(process);
    if (found == jobs().end())
        return;
    ::CloseHandle(found->second);
    jobs().erase(found);
}

} // namespace platform::win
