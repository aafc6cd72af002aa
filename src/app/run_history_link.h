#pragma once
// The engine's run observer over the run history: every start attempt, start, failed start and
// end the engine reports becomes a row of the history, and every run that is over (a failed
// start or an end) goes to the failure notices, which tell the user about the failed ones.
//
// The engine calls it with taskLock held, from a worker or the window thread; the store only
// queues (its own thread writes) and the notifier only posts to the window thread, so each
// call returns at once and never throws: a history that cannot keep up costs rows, never a
// start.
//
// Texts arrive as the record's cp932 bytes and are stored as UTF-8, converted exactly as the
// window and the command line show them (bytes that are no cp932 become U+FFFD), so the
// history of a task is found under the name the list shows.

#include "engine/made_up_runs.h"
#include "engine/run_observer.h"
#include "history/history_store.h"

#include <memory>

class FailureNotifier;

class RunHistoryLink final : public RunObserver, public MadeUpRuns {
public:
    // `notifier` may be null (runs are then only recorded); it must outlive the link.
    RunHistoryLink(std::unique_ptr<history::HistoryStore> store, FailureNotifier* notifier);
    // Closes the store, which first writes every run still queued.
    ~RunHistoryLink() override;

    history::HistoryStore& store() { return *store_; }

    void runsComing() override;
    RunPreparation prepareRun(const RunAttempt& attempt) override;
    void runStarted(int64_t runId, int pid, int64_t startMs) override;
    void runFailed(int64_t runId, int64_t startMs, const std::string& reasonUtf8,
                   const std::string& errorCode) override;
    void runEnded(int64_t runId, RunEnd how, int value, int64_t endMs) override;

    // Whether the history holds that make-up run (asked under taskLock, rarely: one read).
    bool alreadyMade(const std::string& taskName, int64_t dueMs) override;

private:
    void finished(const std::optional<history::RunRecord>& run);

    std::unique_ptr<history::HistoryStore> store_;
    FailureNotifier* notifier_;
};
