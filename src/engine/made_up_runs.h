#pragma once
// What the catch-up asks before it makes a missed run: whether a make-up of that run was made
// already, by this or an earlier instance. The task file records a make-up through the task's
// last run; when it could not be written, only the run history still knows. The run history
// implements it; without one installed every make-up counts as not made.
//
// Installing: set AppContext::madeUpRuns before the workers are let run (nullptr: none); it
// must outlive them. It is asked under taskLock, from the scheduler worker, only for runs about
// to be made up, which are rare.

#include <cstdint>
#include <string>

class MadeUpRuns {
public:
    virtual ~MadeUpRuns() = default;

    // True when a make-up run of the task named `taskName` (the record's cp932 bytes) for the
    // missed minute dueMs (ms since the epoch) was already made. Must not throw.
    virtual bool alreadyMade(const std::string& taskName, int64_t dueMs) = 0;

protected:
    MadeUpRuns() = default;
    MadeUpRuns(const MadeUpRuns&) = default;
    MadeUpRuns& operator=(const MadeUpRuns&) = default;
};
