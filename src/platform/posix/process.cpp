// Watching, ending and reaping started processes through their process descriptors. A child is
// reaped with waitid on its descriptor, which also gives how it ended; the pid is used only for
// its process group, which cannot go to another process while its leader is not yet reaped.

#include "platform/process.h"

#include <cerrno>
#include <csignal>
#include <poll.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace platform {
namespace {

ProcessEnd endOf(const siginfo_t& info) {
    ProcessEnd end;
    if (info.si_code == CLD_EXITED) {
        end.how = ProcessEnd::How::Exited;
        end.value = info.si_status;
    } else if (info.si_code == CLD_KILLED || info.si_code == CLD_DUMPED) {
        end.how = ProcessEnd::How::Signalled;
        end.value = info.si_status;
    }
    return end;
}

int waitOn(int handle, siginfo_t& info, int options) {
    int rc;
    do {
        info = siginfo_t{};
        rc = ::waitid(P_PIDFD, static_cast<id_t>(handle), &info, options);
    } while (rc != 0 && errno == EINTR);
    return rc;
}

} // namespace

ProcessState collectProcess(int handle, ProcessEnd& end) {
    end = ProcessEnd{};
    if (handle < 0)
        return ProcessState::NotAProcess;
    siginfo_t info;
    if (waitOn(handle, info, WEXITED | WNOHANG) != 0)
        return errno == ECHILD ? ProcessState::Gone : ProcessState::NotAProcess;
    if (info.si_pid == 0)
        return ProcessState::Running;
    end = endOf(info);
    return ProcessState::Ended;
}

ProcessEnd terminateProcess(int handle, int pid, bool* endedBefore) {
    siginfo_t info;
    // Looked at without reaping, so the kill below still reaches the leader's group.
    const bool ended =
        handle > 0 && waitOn(handle, info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid != 0;
    if (endedBefore)
        *endedBefore = ended;
    if (pid > 0) {
        ::kill(-pid, SIGKILL);
        ::kill(pid, SIGKILL);
    }
    if (handle > 0 && waitOn(handle, info, WEXITED) == 0)
        return endOf(info);
    // No descriptor to ask (or it is not one): the pid is all there is.
    reapProcess(pid);
    return ProcessEnd{};
}

KillResult killProcessGroup(int handle, int pid) {
    if (handle <= 2 || pid <= 0)
        return KillResult::Failed;
    if (::syscall(SYS_pidfd_send_signal, handle, SIGKILL, nullptr, 0) != 0) {
        if (errno == EPERM)
            return KillResult::NotPermitted;
        // ESRCH: it has ended, and is not reaped yet (only this program reaps it); its group
        // still cannot belong to anybody else.
        if (errno != ESRCH)
            return KillResult::Failed;
    }
    // The leader is not reaped, so its pid still names this group: whatever the task started
    // ends with it (members that became another user stay, as they would anyway).
    ::kill(-pid, SIGKILL);
    return KillResult::Sent;
}

void resetInheritedSignals() {
    struct sigaction defaults {};
    defaults.sa_handler = SIG_DFL;
    sigemptyset(&defaults.sa_mask);
    ::sigaction(SIGCHLD, &defaults, nullptr);
    // A blocked SIGCHLD would not hide an end, but a mask inherited blocked stays for every
    // thread made later; it is taken off here too.
    sigset_t child;
    sigemptyset(&child);
    sigaddset(&child, SIGCHLD);
    ::sigprocmask(SIG_UNBLOCK, &child, nullptr);
}

int waitForAnyProcess(const std::vector<int>& handles, int timeoutMs) {
    std::vector<pollfd> fds(handles.size());
    for (size_t i = 0; i < handles.size(); ++i)
        fds[i] = pollfd{handles[i], POLLIN, 0};
    int rc;
    do {
        rc = ::poll(fds.data(), fds.size(), timeoutMs);
    } while (rc < 0 && errno == EINTR);
    if (rc < 0)
        return -2;
    if (rc == 0)
        return -1;
    for (size_t i = 0; i < fds.size(); ++i) {
        if (fds[i].revents != 0)
            return static_cast<int>(i);
    }
    return -1;
}

void reapProcess(int pid) {
    if (pid <= 0)
        return;
    while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
    }
}

void closeHandle(int handle) {
    if (handle > 2)
        ::close(handle);
}

unsigned currentThreadId() {
    return static_cast<unsigned>(::gettid());
}

} // namespace platform
