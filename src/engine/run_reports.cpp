#include "engine/run_reports.h"

#include "engine/start_failure.h"
#include "platform/clock.h"
#include "store/fields.h"

RunPreparation prepareRunReport(AppContext& ctx, const TaskRecord& task, RunTrigger trigger,
                                int64_t dueMs) {
    if (!ctx.runObserver)
        return RunPreparation{};
    RunAttempt attempt;
    attempt.taskName = fieldString(task.name);
    attempt.registeredFile = fieldString(task.registeredFile);
    attempt.executableFile = fieldString(task.executableFile);
    attempt.trigger = trigger;
    attempt.dueMs = trigger == RunTrigger::Manual ? 0 : dueMs;
    return ctx.runObserver->prepareRun(attempt);
}

void reportRunStart(AppContext& ctx, const RunPreparation& run,
                    const platform::SpawnResult& spawned, int64_t startMs,
                    const std::string& executable) {
    if (!ctx.runObserver || run.runId == 0)
        return;
    if (spawned.started) {
        ctx.runIds[spawned.pid] = run.runId;
        ctx.runObserver->runStarted(run.runId, spawned.pid, startMs);
    } else {
        const StartFailure failure = describeStartFailure(spawned.error, executable);
        ctx.runObserver->runFailed(run.runId, startMs, failure.text, failure.code);
    }
}

void reportRunEnd(AppContext& ctx, int32_t pid, const platform::ProcessEnd& end, bool killed) {
    const auto found = ctx.runIds.find(pid);
    if (found == ctx.runIds.end())
        return;
    const int64_t runId = found->second;
    ctx.runIds.erase(found);
    if (!ctx.runObserver)
        return;
    const int64_t endMs = platform::epochMsNow();
    if (killed)
        ctx.runObserver->runEnded(runId, RunEnd::Killed, platform::kKillSignal, endMs);
    else if (end.how == platform::ProcessEnd::How::Exited)
        ctx.runObserver->runEnded(runId, RunEnd::Exited, end.value, endMs);
    else if (end.how == platform::ProcessEnd::How::Signalled)
        ctx.runObserver->runEnded(runId, RunEnd::Signalled, end.value, endMs);
}
