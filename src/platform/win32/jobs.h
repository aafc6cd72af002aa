#pragma once
// The job object of every started process, found by its process handle: ending a task ends
// the job, so whatever the program started goes with it, as a process group does on Linux.

#include <windows.h>

namespace platform::win {

void rememberJob(HANDLE process, HANDLE job);
// The job of a process (still owned by the table), or nullptr.
HANDLE jobOf(HANDLE process);
// Closes and forgets the job of a process.
void forgetJob(HANDLE process);

} // namespace platform::win
