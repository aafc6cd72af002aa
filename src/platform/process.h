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

// Starts `executable` with `argument` as its one argument when `argument` is not empty, in a new
// process group, with this program's environment and working folder. Paths are cp932.
SpawnResult spawnProcess(const std::string& executable, const std::string& argument);

// Kills the process group of a started process and reaps its leader.
void terminateProcess(int handle, int pid);

// Waits up to timeoutMs for any of the process handles to end. Returns the index of the first
// ended one in list order, -1 on time-out, -2 when the wait itself failed (errno kept).
int waitForAnyProcess(const std::vector<int>& handles, int timeoutMs);

// Reaps an ended child so that no zombie remains.
void reapProcess(int pid);

// Duplicates a handle so that it can be waited on while the original may be closed. -1 on failure.
int duplicateHandle(int handle);
void closeHandle(int handle);

// The system's id of the calling thread.
unsigned currentThreadId();

} // namespace platform
