// Watching and ending started processes through their process handles; a task's job object
// ends with it.

#include "platform/process.h"

#include "platform/win32/jobs.h"
#include "platform/win32/process_wait.h"
#include "platform/win32/win_util.h"

#include <cerrno>
#include <mutex>
#include <unordered_set>

namespace platform {
namespace {

// Processes killProcessGroup ended: their end is told as the kill signal's, as on Linux, so
// that force-terminate records "killed" only for an end it caused.
std::mutex killedMutex;
std::unordered_set<int> killedHandles;

bool takeKilled(int handle) {
    const std::lock_guard<std::mutex> guard(killedMutex);
    return killedHandles.erase(handle) != 0;
}

} // namespace

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
    const bool killed = takeKilled(handle);
    DWORD code = 0;
    if (!::GetExitCodeProcess(process, &code))
        return ProcessState::Gone;
    end.how = killed ? ProcessEnd::How::Signalled : ProcessEnd::How::Exited;
    end.value = killed ? kKillSignal : static_cast<int>(code);
    return ProcessState::Ended;
}

KillResult killProcessGroup(int handle, int) {
    HANDLE process = win::intToHandle(handle);
    if (handle <= 0)
        return KillResult::Failed;
    // A process that ended by itself meanwhile keeps its own end.
    if (::WaitForSingleObject(process, 0) == WAIT_OBJECT_0)
        return KillResult::Sent;
    {
        const std::lock_guard<std::mutex> guard(killedMutex);
        killedHandles.insert(handle);
    }
    // The whole job, so that what the program started ends too; a process outside any job of
    // ours is ended alone.
    HANDLE job = win::jobOf(process);
    const bool ended = job ? ::TerminateJobObject(job, 1) : ::TerminateProcess(process, 1);
    if (ended)
        return KillResult::Sent;
    const DWORD error = ::GetLastError();
    takeKilled(handle);
    return error == ERROR_ACCESS_DENIED ? KillResult::NotPermitted : KillResult::Failed;
}

void resetInheritedSignals() {
    // Windows passes no signal dispositions to a new process.
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
    takeKilled(handle);
    HANDLE process = win::intToHandle(handle);
    win::forgetJob(process);
    ::CloseHandle(process);
}

unsigned currentThreadId() {
    return ::GetCurrentThreadId();
}

} // namespace platform
