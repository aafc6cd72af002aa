// Starting a program. The child is made with clone(CLONE_VM | CLONE_VFORK) as the C library's
// own posix_spawn does, because posix_spawn cannot give the child back the descriptor limit this
// program was given, nor hand it an output descriptor without file actions that fail silently.
// CLONE_PIDFD gives the process descriptor with the child, so there is no moment in which a
// started process exists without a handle, and a start that finds no free descriptor makes no
// process at all.
//
// The child shares this program's memory and the calling thread's TLS until it calls execve, so
// it runs only raw system calls, on its own small stack, with every signal blocked until its
// dispositions are back at their defaults, and without sanitizer instrumentation: nothing in
// it may touch a lock or state of the C library or of a sanitizer runtime. What it has to tell
// the parent goes through a shared mapping, which also serves when the child gets a copy of
// the memory instead (see kShareMemory).

#include "platform/process.h"

#include "platform/posix/native_path.h"
#include "platform/posix/unique_fd.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <fcntl.h>
#include <new>
#include <optional>
#include <sched.h>
#include <sys/eventfd.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace platform {
namespace {

// The soft limit this program was given, before raiseDescriptorLimit; 0 while not raised.
std::atomic<rlim_t> givenSoftLimit{0};

// ThreadSanitizer takes every clone for a fork and resets its own bookkeeping in the child,
// which a child sharing this memory would do to the parent's: there the child gets a copy.
#if defined(__SANITIZE_THREAD__)
constexpr int kShareMemory = 0;
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
constexpr int kShareMemory = 0;
#else
constexpr int kShareMemory = CLONE_VM;
#endif
#else
constexpr int kShareMemory = CLONE_VM;
#endif

constexpr size_t kChildStack = 64 * 1024;
constexpr int kKernelSigsetBytes = 8; // the kernel's sigset_t, not the C library's

struct KernelLimit {
    uint64_t soft;
    uint64_t hard;
};

struct ChildArgs {
    const char* path;
    char* const* argv;
    char* const* envp;
    int outputFd;
    int inputFd; // /dev/null, close-on-exec
    bool restoreLimit;
    KernelLimit limit;
    bool restoreCpus;
    cpu_set_t cpus;  // the starting thread's own CPUs, which the child gets back before execve
    cpu_set_t aside; // those without the child's, where the starting thread wakes after it
    pid_t thread;    // the starting thread
    int error;       // written by the child when it cannot run the program
};

// The kernel's own sigaction record, as rt_sigaction takes it.
struct KernelSigaction {
    void (*handler)(int);
    unsigned long flags;
    void (*restorer)();
    unsigned long mask;
};

#define CHORELIN_CHILD_CODE __attribute__((no_sanitize("address", "thread", "undefined")))

// Everything the child does before execve; false (errno set) when a step failed.
CHORELIN_CHILD_CODE bool prepareChild(const ChildArgs* args) {
    // A handler of this program must never run in the child, which still shares its memory:
    // every signal goes back to its default before any is unblocked.
    KernelSigaction defaults{SIG_DFL, 0, nullptr, 0};
    for (long sig = 1; sig < 65; ++sig) {
        if (sig != SIGKILL && sig != SIGSTOP)
            ::syscall(SYS_rt_sigaction, sig, &defaults, nullptr, kKernelSigsetBytes);
    }
    // A session of its own, and so a group of its own, so that force-terminate ends whatever
    // the task starts, and no terminal this program was started from is the task's: a task
    // that reads it would be stopped (SIGTTIN) or wait for a typist for ever.
    if (::syscall(SYS_setsid) < 0)
        return false;
    // Nothing to read: a read gets end of file at once. dup3 leaves the copy inheritable; one
    // that is 0 already (this program's own input was closed) must lose the flag itself.
    const long input = args->inputFd == 0 ? ::syscall(SYS_fcntl, 0, F_SETFD, 0)
                                          : ::syscall(SYS_dup3, args->inputFd, 0, 0);
    if (input < 0)
        return false;
    if (args->restoreLimit &&
        ::syscall(SYS_prlimit64, 0, RLIMIT_NOFILE, &args->limit, nullptr) != 0)
        return false;
    if (args->restoreCpus) {
        if (::syscall(SYS_sched_setaffinity, 0, sizeof args->cpus, &args->cpus) != 0)
            return false;
        // The starting thread is moved off this CPU before the exec wakes it: the exec wakes
        // it from here, and the scheduler would put it here, where it would take the CPU from
        // the program it has just started, whose first steps would wait for its work after the
        // start. It gets its own CPUs back itself once awake, so this may fail.
        ::syscall(SYS_sched_setaffinity, args->thread, sizeof args->aside, &args->aside);
    }
    if (args->outputFd < 0)
        return true;
    for (long target = 1; target <= 2; ++target) {
        // The descriptor is close-on-exec here; a copy made by dup3 is not, and one that
        // already has the target number must lose the flag itself.
        const long rc = args->outputFd == target ? ::syscall(SYS_fcntl, target, F_SETFD, 0)
                                                 : ::syscall(SYS_dup3, args->outputFd, target, 0);
        if (rc < 0)
            return false;
    }
    return true;
}

CHORELIN_CHILD_CODE int childMain(void* raw) {
    auto* args = static_cast<ChildArgs*>(raw);
    if (prepareChild(args)) {
        const unsigned long none = 0;
        ::syscall(SYS_rt_sigprocmask, SIG_SETMASK, &none, nullptr, kKernelSigsetBytes);
        ::syscall(SYS_execve, args->path, args->argv, args->envp);
    }
    args->error = errno != 0 ? errno : EINVAL;
    return 127;
}

// A record treats 0 as "no process", so a descriptor must never be 0 (or any standard one).
int lifted(int fd) {
    if (fd < 0 || fd > 2)
        return fd;
    const int moved = ::fcntl(fd, F_DUPFD_CLOEXEC, 3);
    ::close(fd);
    return moved;
}

// False when a new descriptor would take one of the last kReservedDescriptors: descriptors are
// handed out lowest first, so the lowest free number tells how far up the table is used.
bool descriptorsToSpare() {
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
        return true;
    const int probe = ::eventfd(0, EFD_CLOEXEC);
    if (probe < 0)
        return false;
    ::close(probe);
    return static_cast<rlim_t>(probe) + kReservedDescriptors < limit.rlim_cur;
}

// The starting thread is kept on the CPU it runs on while it makes a child, so that the child
// (which inherits that) runs at once on the CPU its parent leaves to wait for the exec rather
// than on another that must first be woken, which on a virtual machine costs more than the
// child's own work before its exec. Before its exec the child takes the thread's CPUs back for
// itself and moves the thread to the others; the thread takes its own back once awake.
class KeptOnThisCpu {
public:
    // own gets the thread's CPUs, aside the same without the one it is kept on (all of them
    // when that is the only one).
    KeptOnThisCpu(cpu_set_t& own, cpu_set_t& aside) : own_(own) {
        const int cpu = ::sched_getcpu();
        if (cpu < 0 || ::sched_getaffinity(0, sizeof own_, &own_) != 0)
            return;
        cpu_set_t one;
        CPU_ZERO(&one);
        CPU_SET(cpu, &one);
        aside = own_;
        CPU_CLR(cpu, &aside);
        if (CPU_COUNT(&aside) == 0)
            aside = own_;
        kept_ = ::sched_setaffinity(0, sizeof one, &one) == 0;
    }
    ~KeptOnThisCpu() {
        if (kept_)
            ::sched_setaffinity(0, sizeof own_, &own_);
    }
    KeptOnThisCpu(const KeptOnThisCpu&) = delete;
    KeptOnThisCpu& operator=(const KeptOnThisCpu&) = delete;
    bool kept() const { return kept_; }

private:
    cpu_set_t& own_;
    bool kept_ = false;
};

// Every signal blocked for the calling thread while it lives, so that none is handled in the
// child before its dispositions are reset; the previous mask comes back afterwards.
class SignalsBlocked {
public:
    SignalsBlocked() {
        sigset_t all;
        sigfillset(&all);
        pthread_sigmask(SIG_SETMASK, &all, &previous_);
    }
    ~SignalsBlocked() { pthread_sigmask(SIG_SETMASK, &previous_, nullptr); }
    SignalsBlocked(const SignalsBlocked&) = delete;
    SignalsBlocked& operator=(const SignalsBlocked&) = delete;

private:
    sigset_t previous_{};
};

// The child's stack, with the arguments it is given at its far end; shared, so that what the
// child writes there reaches the parent even when the child has a copy of the memory.
class ChildBlock {
public:
    ChildBlock() { map(); }
    // Maps the block when it is not mapped yet; false when it cannot be.
    bool map() {
        if (base_)
            return true;
        void* p = ::mmap(nullptr, kChildStack, PROT_READ | PROT_WRITE,
                         MAP_SHARED | MAP_ANONYMOUS | MAP_STACK, -1, 0);
        base_ = p == MAP_FAILED ? nullptr : static_cast<char*>(p);
        return base_ != nullptr;
    }
    ~ChildBlock() {
        if (base_)
            ::munmap(base_, kChildStack);
    }
    ChildBlock(const ChildBlock&) = delete;
    ChildBlock& operator=(const ChildBlock&) = delete;
    ChildArgs* args() const { return reinterpret_cast<ChildArgs*>(base_); }
    // The stack grows down on every platform this runs on, towards the arguments.
    void* top() const { return base_ + kChildStack; }

private:
    char* base_ = nullptr;
};

void reapChild(int pidfd) {
    siginfo_t info{};
    while (::waitid(P_PIDFD, static_cast<id_t>(pidfd), &info, WEXITED) != 0 && errno == EINTR) {
    }
}

} // namespace

void raiseDescriptorLimit() {
    rlimit limit{};
    if (givenSoftLimit.load() != 0 || ::getrlimit(RLIMIT_NOFILE, &limit) != 0)
        return;
    if (limit.rlim_cur >= limit.rlim_max)
        return;
    const rlim_t given = limit.rlim_cur;
    limit.rlim_cur = limit.rlim_max;
    if (::setrlimit(RLIMIT_NOFILE, &limit) == 0)
        givenSoftLimit.store(given);
}

SpawnResult spawnProcess(const std::string& executable, const std::string& argument, int outputFd) {
    SpawnResult result;
    std::optional<std::string> program = nativePath(executable);
    std::optional<std::string> arg =
        argument.empty() ? std::optional<std::string>("") : nativePath(argument);
    if (!program || !arg) {
        result.error = EILSEQ;
        return result;
    }
    // Opened before the descriptors are counted: it takes the hole the previous start's input
    // left, and the count then sees how far up the table really is used.
    const UniqueFd input(::open("/dev/null", O_RDONLY | O_CLOEXEC));
    if (!input.valid()) {
        result.error = errno;
        return result;
    }
    if (!descriptorsToSpare()) {
        result.error = EMFILE;
        return result;
    }
    // Only the child may see the output descriptor, never another program started meanwhile
    // (0..2 are this program's own streams and stay as they are). One that is not open at all
    // costs the output, not the start.
    if (outputFd > 2 && ::fcntl(outputFd, F_SETFD, FD_CLOEXEC) != 0)
        outputFd = -1;
    // One stack per starting thread, made at its first start: a burst of starts maps nothing.
    // The child is done with it when clone returns (CLONE_VFORK).
    thread_local ChildBlock block;
    if (!block.map()) {
        result.error = ENOMEM;
        return result;
    }
    char* argv[3] = {program->data(), argument.empty() ? nullptr : arg->data(), nullptr};
    ChildArgs& args = *new (block.args()) ChildArgs{
        program->c_str(), argv, environ, outputFd, input.get(), false, {}, false, {}, {}, 0, 0};
    rlimit current{};
    const rlim_t given = givenSoftLimit.load();
    if (given != 0 && ::getrlimit(RLIMIT_NOFILE, &current) == 0 && given < current.rlim_cur) {
        args.limit = KernelLimit{given, current.rlim_max};
        args.restoreLimit = true;
    }

    int pidfd = -1;
    pid_t pid;
    {
        KeptOnThisCpu onThisCpu(args.cpus, args.aside);
        args.restoreCpus = onThisCpu.kept();
        args.thread = static_cast<pid_t>(::syscall(SYS_gettid));
        SignalsBlocked blocked;
        pid = ::clone(&childMain, block.top(), kShareMemory | CLONE_VFORK | CLONE_PIDFD | SIGCHLD,
                      &args, &pidfd);
    }
    if (pid < 0) {
        result.error = errno;
        return result;
    }
    // CLONE_VFORK: the child has called execve or ended by now.
    const int childError = args.error;
    if (childError != 0) {
        reapChild(pidfd);
        ::close(pidfd);
        result.error = childError;
        return result;
    }
    const int fd = lifted(pidfd);
    if (fd < 0) {
        // Without a handle the process cannot be watched, so it is not left running unwatched.
        result.error = errno;
        ::kill(-pid, SIGKILL);
        ::kill(pid, SIGKILL);
        while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
        }
        return result;
    }
    result.started = true;
    result.handle = fd;
    result.pid = pid;
    return result;
}

} // namespace platform
