// Watching and ending started processes through their process handles; a task's job object
// ends with it.

#include "platform/process.h"

#include "platform/win32/jobs.h"
#include "platform/win32/process_wait.h"
#include "platform/win32/win_util.h"

#include <cerrno>

namespace platform {

ProcessState collectProcess(int handle, ProcessEnd& end) {
    end = ProcessEnd{};
    HANDLE process = win::intToHandle(handle);
    if (handle <= 0)
        return ProcessState::NotAProcess;
    switch (::WaitForSingleObject(process, 0)) {
    case WAIT_TIMEOUT:
        return ProcessState::Running;
    case WAIT_OBJECT_0:
        break;
    default:
        return ProcessState::NotAProcess;
    }
    DWORD code = 0;
    if (!::GetExitCodeProcess(process, &code))
        return ProcessState::Gone;
    end.how = ProcessEnd::How::Exited;
    end.value = static_cast<int>(code);
    return ProcessState::Ended;
}

ProcessEnd terminateProcess(int handle, int, bool* endedBefore) {
    HANDLE process = win::intToHandle(handle);
    const bool ended = handle > 0 && ::WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
    if (endedBefore)
        *endedBefore = ended;
    // The whole job, so that what the program started ends too; a process outside any job of
    // ours is ended alone.
    if (HANDLE job = win::jobOf(process))
        ::TerminateJobObject(job, 1);
    if (!ended && handle > 0)
        ::TerminateProcess(process, 1);
    ProcessEnd end;
    if (handle > 0 && ::WaitForSingleObject(process, 5000) == WAIT_OBJECT_0)
        collectProcess(handle, end);
    return end;
}

int waitForAnyProcess(const std::vector<int>& handles, int timeoutMs) {
    std::vector<HANDLE> native;
    native.reserve(handles.size());
    for (int h : handles)
        native.push_back(win::intToHandle(h));
    const int found = win::waitForFirst(native, timeoutMs);
    if (found == -2)
        errno = win::errnoOf(::GetLastError());
    return found;
}

void reapProcess(int) {
    // Nothing stays behind an ended process on Windows but its handle, which closeHandle closes.
}

void closeHandle(int handle) {
    if (handle <= 0)
        return;
    HANDLE process = win::intToHandle(handle);
    win::forgetJob(process);
    ::CloseHandle(process);
}

unsigned currentThreadId() {
    return ::GetCurrentThreadId();
}

} // namespace platform
