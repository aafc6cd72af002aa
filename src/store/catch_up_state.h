#pragma once
// What the catch-up of missed runs keeps between the start-up and the scheduler's passes.

#include <atomic>
#include <cstdint>
#include <vector>

// One run that a task was due to make and did not: its day and its minute.
struct MissedRun {
    int32_t date = 0; // YYYYMMDD
    int32_t hour = 0;
    int32_t minute = 0;
};

// A run found missed at start-up, to be made once the workers run. The task is named rather
// than indexed: the table may change before the first pass.
struct PendingCatchUp {
    char name[128] = {};
    MissedRun run;
};

struct CatchUpState {
    // The CatchUpMissedRuns setting. Written by the window thread, read by the scheduler.
    std::atomic<bool> enabled{false};
    // Set from the window thread when the machine has woken; the next pass looks at once.
    std::atomic<bool> resumed{false};

    // Guarded by taskLock. The local time, in seconds, of the last look at the clock (start-up
    // or a pass): a run at or before it was seen to come, so it was not missed.
    bool looked = false;
    long long lastLook = 0;
    std::vector<PendingCatchUp> pending;

    // A wall clock that leapt forward may be wrong (a hardware clock put right by time sync a
    // moment later): the runs the leap passed over wait in `held` until the clock has run
    // steadily since `steadySince` for a while, and a leap back drops the ones it undoes.
    bool holding = false;
    long long steadySince = 0;
    std::vector<PendingCatchUp> held;
};
