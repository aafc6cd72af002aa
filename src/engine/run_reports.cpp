#include "engine/run_reports.h"

#include "platform/clock.h"
#include "store/fields.h"

#include <cerrno>
#include <csignal>
#include <cstring>

namespace {

// The history records a forced end as the signal that makes it on Linux, on every system.
#ifdef SIGKILL
constexpr int kKillSignal = SIGKILL;
#else
constexpr int kKillSignal = 9;
#endif

// Plain English from the C library, the same whatever the locale (always valid UTF-8).
std::string reasonText(int error) {
    if (error == EILSEQ)
        return "the program's path cannot be written in this system's file names";
#ifdef _WIN32
    // The C runtime of Windows has English texts only.
    const char* text = std::strerror(error);
#else
    const char* text = strerrordesc_np(error);
#endif
    return text ? text : "error " + std::to_string(error);
}

} // namespace

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
                    const platform::SpawnResult& spawned, int64_t startMs) {
    if (!ctx.runObserver || run.runId == 0)
        return;
    if (spawned.started) {
        ctx.runIds[spawned.pid] = run.runId;
        ctx.runObserver->runStarted(run.runId, spawned.pid, startMs);
    } else {
        ctx.runObserver->runFailed(run.runId, startMs, reasonText(spawned.error));
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
        ctx.runObserver->runEnded(runId, RunEnd::Killed, kKillSignal, endMs);
    else if (end.how == platform::ProcessEnd::How::Exited)
        ctx.runObserver->runEnded(runId, RunEnd::Exited, end.value, endMs);
    else if (end.how == platform::ProcessEnd::How::Signalled)
        ctx.runObserver->runEnded(runId, RunEnd::Signalled, end.value, endMs);
}
