#include "engine/launch.h"

#include "engine/run_reports.h"
#include "engine/task_start.h"
#include "platform/association.h"
#include "platform/clock.h"
#include "platform/process.h"
#include "platform/text_codec.h"
#include "store/fields.h"
#include "store/trace.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string_view>

namespace {

// The extension of the file name with its dot, or empty; a dot in a folder name does not count.
std::string_view extensionOf(std::string_view path) {
    const size_t slash = path.rfind('/');
    const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    const size_t dot = name.rfind('.');
    return dot == std::string_view::npos ? std::string_view() : name.substr(dot);
}

bool runsItself(std::string_view extension) {
    return equalsIgnoringAsciiCase(extension, ".bat") ||
           equalsIgnoringAsciiCase(extension, ".cmd") || equalsIgnoringAsciiCase(extension, ".sh");
}

// Copies a resolved path into the caller's buffer, or refuses when it does not fit with its
// terminator (the buffer is then left as it was).
int deliver(std::string_view path, char* out, size_t capacity) {
    if (path.size() >= capacity)
        return -12;
    std::memset(out, 0, capacity);
    std::memcpy(out, path.data(), path.size());
    return 0;
}

int resultOfLookup(int code) {
    switch (code) {
    case platform::AssocNoAssociation:
        return -13;
    case platform::AssocFileNotFound:
        return -2;
    case platform::AssocPathNotFound:
        return -1;
    case platform::AssocBadFormat:
        return -10;
    default:
        return -8;
    }
}

} // namespace

int MyGetExecFile(const char* registeredFile, char* out, size_t capacity) {
    if (!registeredFile)
        return -2;
    if (!out || capacity == 0)
        return -12;
    const std::string path(registeredFile);

    // Batch files and shell scripts are started as they are; whether they exist is the
    // scheduler's concern, not the resolver's.
    const std::string_view extension = extensionOf(path);
    if (runsItself(extension))
        return deliver(path, out, capacity);

    // A program file must really be one: a text file named like a program, or a missing one,
    // is refused before the desktop is asked anything.
    if (equalsIgnoringAsciiCase(extension, ".exe") || platform::hasUserExecuteBit(path)) {
        if (!platform::isExecutableImage(path))
            return -10;
        return deliver(path, out, capacity);
    }

    std::string program;
    const int code = platform::findAssociatedProgram(path, program);
    if (code <= 32)
        return resultOfLookup(code);
    return deliver(program, out, capacity);
}

std::string taskCommandLine(const TaskRecord& task) {
    const std::string_view executable = fieldView(task.executableFile);
    const std::string_view registered = fieldView(task.registeredFile);
    std::string line;
    line.reserve(executable.size() + registered.size() + 5);
    line += '"';
    line += executable;
    line += '"';
    if (!equalsIgnoringAsciiCase(executable, registered)) {
        line += " \"";
        line += registered;
        line += '"';
    }
    return line;
}

void MyTaskExec(AppContext& ctx, int index, RunTrigger trigger, int64_t dueMs) {
    PreparedStart start = MyTaskPrepareStart(ctx, index, trigger, dueMs);
    MyTaskOpenRun(ctx, start);
    MyTaskSpawnPrepared(start);
    MyTaskFinishStart(ctx, start);
}

void MyReleaseTaskProcess(AppContext& ctx, int index, const platform::ProcessEnd& end,
                          bool closeHandle) {
    if (index < 0 || static_cast<size_t>(index) >= ctx.tasks.size())
        return;
    TaskRecord& task = ctx.tasks[static_cast<size_t>(index)];
    // Killed only when it ended by the signal force-terminate sent: a program that exited by
    // itself meanwhile ended as it says.
    const bool killSent = ctx.killsSent.erase(task.processInfo.processId) != 0;
    const bool killed = killSent && end.how == platform::ProcessEnd::How::Signalled &&
                        end.value == platform::kKillSignal;
    reportRunEnd(ctx, task.processInfo.processId, end, killed);
    if (closeHandle)
        platform::closeHandle(task.processInfo.processHandle);
    // No thread handle exists on this platform (it is always 0), so there is nothing else to
    // close; a stray number there must not close some unrelated descriptor.
    std::memset(&task.startupInfo, 0, sizeof task.startupInfo);
    std::memset(&task.processInfo, 0, sizeof task.processInfo);
    task.state = task.once ? StateCompleted : StateWaiting;
    // The watcher may be waiting on the closed handle; it looks at the table again.
    ctx.watcherWake.signal();
}

int MyTerminateTaskProcess(AppContext& ctx, int index) {
    if (index < 0 || static_cast<size_t>(index) >= ctx.tasks.size())
        return TerminateFailed;
    const ProcessBlock& process = ctx.tasks[static_cast<size_t>(index)].processInfo;
    // A start still under way has no process yet: it is killed as soon as it has one.
    if (isStartPlaceholder(process.processHandle)) {
        ctx.killsAtStart.insert(process.processHandle);
        return TerminateEnding;
    }
    const int handle = process.processHandle;
    const int pid = process.processId;
    // The whole process group goes, so children the task started end with it.
    switch (platform::killProcessGroup(handle, pid)) {
    case platform::KillResult::NotPermitted:
        tracef("!!!NG!!! pidfd_send_signal() LastError=%d", EPERM);
        return TerminateNotPermitted;
    case platform::KillResult::Failed:
        tracef("!!!NG!!! pidfd_send_signal() LastError=%d", errno);
        return TerminateFailed;
    case platform::KillResult::Sent:
        break;
    }
    ctx.killsSent.insert(pid);
    // A killed process ends at once; one that does not (stuck in the kernel) is not waited for
    // any longer under taskLock: the watcher records its end, as any other.
    if (platform::waitForAnyProcess({handle}, kTerminateWaitMs) != 0)
        return TerminateEnding;
    platform::ProcessEnd end;
    switch (platform::collectProcess(handle, end)) {
    case platform::ProcessState::Running:
        return TerminateEnding;
    case platform::ProcessState::Ended:
    case platform::ProcessState::Gone:
        MyReleaseTaskProcess(ctx, index, end);
        return TerminateDone;
    case platform::ProcessState::NotAProcess:
        break;
    }
    return TerminateEnding;
}
