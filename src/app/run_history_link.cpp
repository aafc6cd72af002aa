#include "app/run_history_link.h"

#include "history/made_up_query.h"
#include "platform/clock.h"
#include "platform/text_codec.h"
#include "ui/failure_notifier.h"

namespace {

history::RunTrigger historyTrigger(RunTrigger trigger) {
    switch (trigger) {
    case RunTrigger::Manual:
        return history::RunTrigger::Manual;
    case RunTrigger::CatchUp:
        return history::RunTrigger::CatchUp;
    case RunTrigger::Scheduled:
        break;
    }
    return history::RunTrigger::Scheduled;
}

history::RunEnd historyEnd(RunEnd how, int value, int64_t endMs) {
    history::RunEnd end;
    end.endMs = endMs;
    switch (how) {
    case RunEnd::Exited:
        end.kind = history::RunEnd::Kind::Exited;
        end.exitCode = value;
        break;
    case RunEnd::Signalled:
        end.kind = history::RunEnd::Kind::Signalled;
        end.signal = value;
        break;
    case RunEnd::Killed:
        end.kind = history::RunEnd::Kind::Killed;
        end.signal = value;
        break;
    }
    return end;
}

} // namespace

RunHistoryLink::RunHistoryLink(std::unique_ptr<history::HistoryStore> store,
                               FailureNotifier* notifier)
    : store_(std::move(store)), notifier_(notifier) {}

RunHistoryLink::~RunHistoryLink() = default;

// Each call swallows whatever the conversion or the store might throw (memory running out):
// the engine goes on with the start or the end it is recording, only this run's row suffers.

void RunHistoryLink::runsComing() {
    store_->runsComing();
}

RunPreparation RunHistoryLink::prepareRun(const RunAttempt& attempt) {
    try {
        history::RunAttempt run;
        run.task = platform::cp932ToUtf8Lossy(attempt.taskName);
        run.registeredFile = platform::cp932ToUtf8Lossy(attempt.registeredFile);
        run.program = platform::cp932ToUtf8Lossy(attempt.executableFile);
        run.trigger = historyTrigger(attempt.trigger);
        if (attempt.trigger != RunTrigger::Manual && attempt.dueMs != 0)
            run.dueMs = attempt.dueMs;
        // The engine's clock, which its end times come from too (a test may replace it).
        run.startMs = platform::epochMsNow();
        const history::RunTicket ticket = store_->prepareRun(run);
        return RunPreparation{ticket.id, ticket.outputFd};
    } catch (...) {
        return RunPreparation{};
    }
}

void RunHistoryLink::runStarted(int64_t runId, int pid, int64_t) {
    try {
        store_->runStarted(runId, pid);
    } catch (...) {
    }
}

void RunHistoryLink::runFailed(int64_t runId, int64_t, const std::string& reasonUtf8,
                               const std::string& errorCode) {
    try {
        finished(store_->runFailed(runId, reasonUtf8, errorCode));
    } catch (...) {
    }
}

void RunHistoryLink::runEnded(int64_t runId, RunEnd how, int value, int64_t endMs) {
    try {
        finished(store_->runEnded(runId, historyEnd(how, value, endMs)));
    } catch (...) {
    }
}

void RunHistoryLink::finished(const std::optional<history::RunRecord>& run) {
    // The notifier decides which runs are failures and posts those to the window thread.
    if (run && notifier_)
        notifier_->reportRun(*run);
}

bool RunHistoryLink::alreadyMade(const std::string& taskName, int64_t dueMs) {
    try {
        return history::catchUpRunRecorded(store_->paths(), platform::cp932ToUtf8Lossy(taskName),
                                           dueMs);
    } catch (...) {
        return false;
    }
}
