#pragma once
// Started processes. A process is held by a process descriptor (pidfd), which is what the task
// record keeps as its process handle; the pid is its process id.

#include <string>
#include <vector>

namespace platform {

struct SpawnResult {
    bool started = false;
    int handle = 0; // pidfd, never 0..2
    int pid = 0;
    int error = 0; // errno when not started
};

// Starts `executable` with `argument` as its one argument when `argument` is not empty, in a
// session and process group of its own with /dev/null as its standard input (as cron and
// service managers start their jobs: no terminal to read from or be stopped by), with this
// program's environment and working folder, the default signal mask and dispositions, and the
// descriptor limit this program was given (raiseDescriptorLimit). With `outputFd` >= 0 that
// descriptor becomes the program's standard output and standard error (one that is not open is left
// out); the caller keeps it and closes it. Paths are cp932. A start that would leave this program
// fewer than kReservedDescriptors free descriptors fails with EMFILE, as one that finds none at
// all, so that the program's own files can still be opened.
SpawnResult spawnProcess(const std::string& executable, const std::string& argument,
                         int outputFd = -1);

inline constexpr int kReservedDescriptors = 32;

// Raises this program's soft limit on open descriptors to its hard limit, and remembers the
// soft limit it was given, which every program it starts gets back (many still use select()).
// Only the first call does anything; call it before processes are started.
void raiseDescriptorLimit();

// How a process ended, as reaping it tells.
struct ProcessEnd {
    enum class How { Exited, Signalled, Unknown };
    How how = How::Unknown;
    int value = 0; // the exit code, or the number of the signal that ended it
};

enum class ProcessState {
    Running,
    Ended,       // reaped; the end says how
    Gone,        // ended, but someone else reaped it: how is unknown
    NotAProcess, // the handle is no process descriptor of a child of this program
};

// Asks, without waiting, whether the process of a handle has ended; an ended one is reaped.
ProcessState collectProcess(int handle, ProcessEnd& end);

// Kills the process group of a started process and reaps its leader. `endedBefore`, when
// given, tells whether the leader had already ended on its own before the kill. It waits for
// the leader without limit: only for processes known to die (tests, cleanup).
ProcessEnd terminateProcess(int handle, int pid, bool* endedBefore = nullptr);

// The signal force-terminate ends a process with, by the number the run history keeps for it
// on every system (SIGKILL's).
inline constexpr int kKillSignal = 9;

enum class KillResult {
    Sent,         // SIGKILL went to the process (or it had ended already), then to its group
    NotPermitted, // the process runs as someone else (a set-user-ID program): nothing was sent
    Failed,       // the handle is no process descriptor; nothing was sent
};

// Sends SIGKILL to a started process through its descriptor, so that it can never reach a
// process that took over a reused pid, and then to the rest of its process group. Waits for
// nothing and reaps nothing: the end is collected like any other.
KillResult killProcessGroup(int handle, int pid);

// Signal dispositions inherited from the parent that would hide this program's children from
// it (SIGCHLD ignored: the kernel reaps them unasked, so no end could be collected) go back to
// their defaults. Call first thing in main, before any thread starts.
void resetInheritedSignals();

// Waits up to timeoutMs for any of the process handles to end. Returns the index of the first
// ended one in list order, -1 on time-out, -2 when the wait itself failed (errno kept).
int waitForAnyProcess(const std::vector<int>& handles, int timeoutMs);

// Reaps an ended child so that no zombie remains.
void reapProcess(int pid);

void closeHandle(int handle);

// The system's id of the calling thread.
unsigned currentThreadId();

} // namespace platform
