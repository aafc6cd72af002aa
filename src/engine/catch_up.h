#pragma once
// The opt-in catch-up: a run missed while the computer was off or asleep, or Chorelin was not
// running, is made once when Chorelin next can, however many runs were missed. With the
// CatchUpMissedRuns setting off nothing here starts or changes a task.
//
// Runs of the current day that came while nobody looked are not made here: the due test starts
// them late by itself, once.

#include "platform/clock.h"
#include "store/app_context.h"

#include <optional>

// Start-up, holding taskLock, after the task file is loaded and before the next runs are
// computed afresh (which would move a passed run on without a trace of it): notes each missed
// run for the first pass to make, once the window is up. Marks where the program began to look.
void MyCatchUpAtStartup(AppContext& ctx);

// The machine has woken from sleep: the next pass looks for missed runs at once. Any thread.
void MyCatchUpAfterResume(AppContext& ctx);

// What one scheduler pass knows about the catch-up.
struct CatchUpLook {
    bool on = false;
    // The local seconds of the look before this pass; nullopt when there was none.
    std::optional<long long> lastLook;
    // The wall clock leapt forward a moment ago: what it passed over waits until it is steady.
    bool holding = false;
};

// The beginning of a pass, holding taskLock: records this look at the clock and makes the runs
// noted at start-up. A wall clock that moved on more than 90 seconds since the last look has its
// missed runs noted and held until it has run on steadily for 60 seconds (or a wake explains
// the leap); one set back more than 90 seconds drops what it held that never came, and has
// every next run computed again, as at start-up. After a wake every missed run is made, in
// table order. True when a task changed.
bool MyCatchUpBeginPass(AppContext& ctx, const platform::LocalTime& now, CatchUpLook& look);

// For task i of a pass: when the run its next run day stood for was missed on a past day, makes
// it once, or completes the task when its end date has passed. True when it did so (the task
// file is written); false leaves the task to the pass's ordinary recomputation.
bool MyCatchUpPastRun(AppContext& ctx, int index, const platform::LocalTime& now,
                      const CatchUpLook& look);
