#pragma once
// A run history in memory for the catch-up tests: it hears of every make-up run the engine
// starts and answers, as the real one does, whether one was already made.

#include "engine/made_up_runs.h"
#include "recording_observer.h"

#include <set>
#include <utility>

namespace engine_test {

class MadeUpLog : public RecordingObserver, public MadeUpRuns {
public:
    RunPreparation prepareRun(const RunAttempt& attempt) override {
        if (attempt.trigger == RunTrigger::CatchUp)
            made_.insert({attempt.taskName, attempt.dueMs});
        return RecordingObserver::prepareRun(attempt);
    }
    bool alreadyMade(const std::string& taskName, int64_t dueMs) override {
        return made_.count({taskName, dueMs}) != 0;
    }

private:
    std::set<std::pair<std::string, int64_t>> made_;
};

} // namespace engine_test
