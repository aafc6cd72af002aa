#include "cli/live_state.h"

#include "platform/files.h"
#include "store/fields.h"

namespace cli {
namespace {

// The program counts as missing only when it is a file of its own (not the registered file run
// directly) and is not there.
bool executableMissing(const TaskRecord& task) {
    const std::string_view executable = fieldView(task.executableFile);
    return !equalsIgnoringAsciiCase(executable, fieldView(task.registeredFile)) &&
           !platform::pathExists(executable);
}

// One step among Waiting, NoRegisteredFile and NoExecutable as the scheduler's pass takes it
// when the task's files go or come back.
int32_t fileStep(const TaskRecord& task, int32_t state) {
    const bool registeredThere = platform::pathExists(fieldView(task.registeredFile));
    switch (state) {
    case StateWaiting:
        if (!registeredThere)
            return StateNoRegisteredFile;
        return executableMissing(task) ? StateNoExecutable : StateWaiting;
    case StateNoRegisteredFile:
        if (registeredThere)
            return executableMissing(task) ? StateNoExecutable : StateWaiting;
        return executableMissing(task) ? StateNoExecutable : StateNoRegisteredFile;
    case StateNoExecutable:
        if (platform::pathExists(fieldView(task.executableFile)))
            return StateWaiting;
        return !registeredThere && !executableMissing(task) ? StateNoRegisteredFile
                                                            : StateNoExecutable;
    default:
        return state;
    }
}

} // namespace

int32_t liveState(const TaskRecord& task, const history::RunRecord* lastRun) {
    int32_t state = task.state;
    // A run that has ended leaves the task as the watcher does.
    if (state == StateRunning && lastRun && lastRun->ending != history::RunEnding::Running)
        state = task.once ? StateCompleted : StateWaiting;
    // A few steps reach the state that the scheduler's passes settle on.
    for (int step = 0; step < 3; ++step) {
        const int32_t next = fileStep(task, state);
        if (next == state)
            break;
        state = next;
    }
    return state;
}

} // namespace cli
