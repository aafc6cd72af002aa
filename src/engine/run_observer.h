#pragma once
// How the engine tells the rest of the program about the runs of tasks: each start it attempts,
// whether the program started, and how its process ended. The run history implements it; with
// none installed the engine works exactly the same.
//
// Installing: set AppContext::runObserver before the workers are let run (nullptr: none); it
// must outlive them. The engine keeps the run id of each running process itself.
//
// Every call is made with taskLock held, from whichever thread starts or watches the process
// (the scheduler worker, the watcher worker, or the window's thread for run-now and
// force-terminate), in this order for one run: prepareRun, then runStarted or runFailed, then
// (for a started one) runEnded once, unless the program closes first or the end could not be
// collected (someone else reaped the process); such a run is left running, as after a close. An
// implementation must only note what it is told and return at once: no database round trip,
// no waiting, no call back into the engine and no taskLock of its own; it must not throw.
// Nothing it does can stop a task from starting or its end from being recorded.

#include <cstdint>
#include <string>

enum class RunTrigger {
    Scheduled, // the scheduler, at the task's minute
    Manual,    // run-now
    CatchUp,   // a run made up for one that was missed
};

// A start about to be attempted. Texts are the record's own bytes (cp932).
struct RunAttempt {
    std::string taskName;
    std::string registeredFile;
    std::string executableFile;
    RunTrigger trigger = RunTrigger::Scheduled;
    int64_t dueMs = 0; // the minute the run was due, ms since the epoch; 0 for run-now
};

struct RunPreparation {
    // 0: this run is not recorded, and no later call names it.
    int64_t runId = 0;
    // Becomes the program's standard output and standard error (opened close-on-exec, above 2);
    // -1: the program inherits this program's own. The engine closes it after the start.
    int outputFd = -1;
};

enum class RunEnd {
    Exited,    // value: the exit code
    Signalled, // value: the number of the signal that ended it
    Killed,    // ended by force-terminate; value: the signal sent (SIGKILL)
};

class RunObserver {
public:
    virtual ~RunObserver() = default;

    // A moment before a minute in which tasks are due, without taskLock: a chance to get ready
    // for their prepareRun() calls.
    virtual void runsComing() {}
    // Just before the start; quick (queue, do not write).
    virtual RunPreparation prepareRun(const RunAttempt& attempt) = 0;
    // The program started as process `pid` at startMs (ms since the epoch).
    virtual void runStarted(int64_t runId, int pid, int64_t startMs) = 0;
    // The program could not be started; the reason as UTF-8 text in the interface's words, and
    // the symbolic name of the error ("ENOENT").
    virtual void runFailed(int64_t runId, int64_t startMs, const std::string& reasonUtf8,
                           const std::string& errorCode) = 0;
    // The started process ended and was reaped at endMs.
    virtual void runEnded(int64_t runId, RunEnd how, int value, int64_t endMs) = 0;

protected:
    RunObserver() = default;
    RunObserver(const RunObserver&) = default;
    RunObserver& operator=(const RunObserver&) = default;
};
