#include "platform/output_pipe.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/wait.h>
#include <unistd.h>

namespace platform {
namespace {

// A descriptor that could become a standard stream of this program is moved up.
int aboveStandard(int fd) {
    if (fd < 0 || fd > 2)
        return fd;
    const int moved = ::fcntl(fd, F_DUPFD_CLOEXEC, 3);
    ::close(fd);
    return moved;
}

// Room for bursts, so that a program writing fast rarely waits for the next read.
constexpr int kPipeBytes = 1 << 20;

} // namespace

bool makeOutputPipe(int& readEnd, int& writeEnd) {
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0)
        return false;
    readEnd = aboveStandard(ends[0]);
    writeEnd = aboveStandard(ends[1]);
    if (readEnd < 0 || writeEnd < 0 || ::fcntl(readEnd, F_SETFL, O_NONBLOCK) != 0) {
        const int saved = errno;
        closeDescriptor(readEnd);
        closeDescriptor(writeEnd);
        errno = saved;
        return false;
    }
    ::fcntl(readEnd, F_SETPIPE_SZ, kPipeBytes); // a smaller pipe only costs speed
    return true;
}

long readAvailable(int fd, void* buffer, size_t size) {
    for (;;) {
        const ssize_t n = ::read(fd, buffer, size);
        if (n >= 0 || errno != EINTR)
            return static_cast<long>(n);
    }
}

bool appendAll(int fd, const void* data, size_t size) {
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = ::write(fd, p, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = ENOSPC;
            return false;
        }
        p += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

void closeDescriptor(int fd) {
    if (fd >= 0)
        ::close(fd);
}

struct ReadWaiter::State {
    int poll = -1;
    int wake = -1;
};

ReadWaiter::ReadWaiter() : state_(std::make_unique<State>()) {
    state_->poll = ::epoll_create1(EPOLL_CLOEXEC);
    state_->wake = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (valid()) {
        epoll_event event{};
        event.events = EPOLLIN;
        event.data.fd = state_->wake;
        ::epoll_ctl(state_->poll, EPOLL_CTL_ADD, state_->wake, &event);
    }
}

ReadWaiter::~ReadWaiter() {
    closeDescriptor(state_->poll);
    closeDescriptor(state_->wake);
}

bool ReadWaiter::valid() const {
    return state_->poll >= 0 && state_->wake >= 0;
}

bool ReadWaiter::add(int fd) {
    epoll_event event{};
    event.events = EPOLLIN;
    event.data.fd = fd;
    return ::epoll_ctl(state_->poll, EPOLL_CTL_ADD, fd, &event) == 0;
}

void ReadWaiter::remove(int fd) {
    ::epoll_ctl(state_->poll, EPOLL_CTL_DEL, fd, nullptr);
}

void ReadWaiter::wake() {
    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = ::write(state_->wake, &one, sizeof one);
}

std::vector<int> ReadWaiter::wait(int timeoutMs) {
    epoll_event events[64];
    std::vector<int> ready;
    const int n = ::epoll_wait(state_->poll, events, 64, timeoutMs);
    for (int i = 0; i < n; ++i) {
        if (events[i].data.fd == state_->wake) {
            uint64_t count;
            [[maybe_unused]] const ssize_t r = ::read(state_->wake, &count, sizeof count);
            continue;
        }
        ready.push_back(events[i].data.fd);
    }
    return ready;
}

void drainAfterExit(const std::vector<int>& pipes, const std::vector<int>& files,
                    const std::vector<int64_t>& room) {
    const size_t count = pipes.size();
    if (count == 0)
        return;
    // Everything the drainer needs is made before the fork: it only makes system calls.
    std::vector<pollfd> polls(count);
    std::vector<int64_t> left(room);
    std::vector<int> kept(pipes);
    kept.insert(kept.end(), files.begin(), files.end());
    std::sort(kept.begin(), kept.end());
    kept.push_back(~0U >> 1);
    for (size_t i = 0; i < count; ++i)
        polls[i] = pollfd{pipes[i], POLLIN, 0};
    const pid_t pid = ::fork();
    if (pid == 0) {
        // A process of its own, which the session's end or a force-terminate of a task does
        // not take along, and which nobody waits for.
        ::setsid();
        if (::fork() != 0)
            ::_exit(0);
        // Nothing else of this program stays open here: above all not its instance locks.
        unsigned from = 3;
        for (const int fd : kept) {
            if (static_cast<unsigned>(fd) > from)
                ::close_range(from, static_cast<unsigned>(fd) - 1, 0);
            from = static_cast<unsigned>(fd) + 1;
        }
        struct sigaction defaults {};
        defaults.sa_handler = SIG_DFL;
        for (const int sig : {SIGTERM, SIGINT, SIGHUP, SIGPIPE})
            ::sigaction(sig, &defaults, nullptr);
        sigset_t none;
        sigemptyset(&none);
        ::sigprocmask(SIG_SETMASK, &none, nullptr);
        for (int fd = 0; fd < 3; ++fd) {
            const int null = ::open("/dev/null", O_RDWR);
            if (null >= 0 && null != fd) {
                ::dup2(null, fd);
                ::close(null);
            }
        }
        char buffer[65536];
        size_t open = count;
        while (open > 0) {
            if (::poll(polls.data(), count, -1) < 0 && errno != EINTR)
                break;
            for (size_t i = 0; i < count; ++i) {
                if (polls[i].fd < 0 || polls[i].revents == 0)
                    continue;
                const ssize_t n = ::read(polls[i].fd, buffer, sizeof buffer);
                if (n < 0 && (errno == EAGAIN || errno == EINTR))
                    continue;
                if (n <= 0) {
                    ::close(polls[i].fd);
                    polls[i].fd = -1;
                    --open;
                    continue;
                }
                const int64_t keep = n < left[i] ? n : left[i];
                if (keep > 0 && ::write(files[i], buffer, static_cast<size_t>(keep)) == keep)
                    left[i] -= keep;
                else
                    left[i] = 0;
            }
        }
        ::_exit(0);
    }
    if (pid > 0) {
        while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
        }
    }
    for (size_t i = 0; i < count; ++i) {
        closeDescriptor(pipes[i]);
        closeDescriptor(files[i]);
    }
}

} // namespace platform
