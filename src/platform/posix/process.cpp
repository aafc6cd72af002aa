#include "platform/process.h"

#include "platform/posix/native_path.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace platform {
namespace {

int pidfdOpen(pid_t pid) {
    return static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
}

// A record treats 0 as "no process", so a descriptor must never be 0 (or any standard one).
int lifted(int fd) {
    if (fd < 0 || fd > 2)
        return fd;
    const int moved = ::fcntl(fd, F_DUPFD_CLOEXEC, 3);
    ::close(fd);
    return moved;
}

class SpawnAttributes {
  public:
    SpawnAttributes() { ok_ = posix_spawnattr_init(&attr_) == 0; }
    ~SpawnAttributes() {
        if (ok_)
            posix_spawnattr_destroy(&attr_);
    }
    SpawnAttributes(const SpawnAttributes&) = delete;
    SpawnAttributes& operator=(const SpawnAttributes&) = delete;
    bool ok() const { return ok_; }
    posix_spawnattr_t* get() { return &attr_; }

  private:
    posix_spawnattr_t attr_{};
    bool ok_ = false;
};

} // namespace

SpawnResult spawnProcess(const std::string& executable, const std::string& argument) {
    SpawnResult result;
    std::optional<std::string> program = nativePath(executable);
    std::optional<std::string> arg =
        argument.empty() ? std::optional<std::string>("") : nativePath(argument);
    if (!program || !arg) {
        result.error = EILSEQ;
        return result;
    }
    SpawnAttributes attributes;
    if (!attributes.ok()) {
        result.error = ENOMEM;
        return result;
    }
    // A new process group of its own, so that force-terminate ends the task's children too;
    // the default signal dispositions and mask, whatever this program changed for itself.
    sigset_t none;
    sigemptyset(&none);
    sigset_t all;
    sigfillset(&all);
    posix_spawnattr_setpgroup(attributes.get(), 0);
    posix_spawnattr_setsigmask(attributes.get(), &none);
    posix_spawnattr_setsigdefault(attributes.get(), &all);
    posix_spawnattr_setflags(attributes.get(), POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK |
                                                   POSIX_SPAWN_SETSIGDEF);
    char* argv[3] = {program->data(), argument.empty() ? nullptr : arg->data(), nullptr};
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, program->c_str(), nullptr, attributes.get(), argv, environ);
    if (rc != 0) {
        result.error = rc;
        return result;
    }
    const int fd = lifted(pidfdOpen(pid));
    if (fd < 0) {
        // Without a handle the process cannot be watched, so it is not left running unwatched:
        // it is killed and reaped at once and the start counts as failed.
        result.error = errno;
        ::kill(-pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
        return result;
    }
    ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    result.started = true;
    result.handle = fd;
    result.pid = pid;
    return result;
}

void terminateProcess(int handle, int pid) {
    (void)handle;
    if (pid <= 0)
        return;
    ::kill(-pid, SIGKILL);
    ::kill(pid, SIGKILL);
    reapProcess(pid);
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

int duplicateHandle(int handle) {
    return ::fcntl(handle, F_DUPFD_CLOEXEC, 3);
}

void closeHandle(int handle) {
    if (handle > 2)
        ::close(handle);
}

unsigned currentThreadId() { return static_cast<unsigned>(::gettid()); }

} // namespace platform
