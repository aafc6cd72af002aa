#pragma once
// The starts a scheduler pass prepared, made on a few threads at once. The kernel makes a new
// process while its parent waits for the exec (the child shares the parent's memory until
// then), so one thread can make only one process at a time; on a busy machine each of those
// waits is a wait for a core. Several starting threads keep both the machine's cores and the
// scheduler's share of them at work, so a burst of due tasks is not started one wait after
// another.

#include "engine/task_start.h"
#include "store/app_context.h"

#include <vector>

// Without taskLock: opens each start's run, creates its process and records how it went (each
// under a short hold of taskLock), at most kStartingThreads starts at a time, and returns when
// every one is recorded.
void MyTaskStartPrepared(AppContext& ctx, std::vector<PreparedStart>& starts);

// Four: two per core on the machines this is made for, so that while one thread waits for its
// child's exec, another has its own child to make; more only add threads that wait for cores.
inline constexpr unsigned kStartingThreads = 4;
