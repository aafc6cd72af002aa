#include "engine/file_state.h"

#include "platform/files.h"
#include "store/fields.h"

#include <string_view>

namespace {

// The program counts as missing only when it is a file of its own (not the registered file run
// directly) and is not there.
bool executableMissing(const TaskRecord& task) {
    const std::string_view executable = fieldView(task.executableFile);
    return !equalsIgnoringAsciiCase(executable, fieldView(task.registeredFile)) &&
           !platform::pathExists(executable);
}

} // namespace

// Moves a task among Waiting, NoRegisteredFile and NoExecutable as its files come and go.
// True when the state changed; the task then waits for the next pass to be considered again.
bool MyUpdateFileState(TaskRecord& task) {
    const auto become = [&task](int32_t state) {
        task.state = state;
        return true;
    };
    switch (task.state) {
    case StateWaiting:
        if (!platform::pathExists(fieldView(task.registeredFile)))
            return become(StateNoRegisteredFile);
        if (executableMissing(task))
            return become(StateNoExecutable);
        return false;
    case StateNoRegisteredFile:
        if (platform::pathExists(fieldView(task.registeredFile)))
            return become(executableMissing(task) ? StateNoExecutable : StateWaiting);
        if (executableMissing(task))
            return become(StateNoExecutable);
        return false;
    case StateNoExecutable:
        if (platform::pathExists(fieldView(task.executableFile)))
            return become(StateWaiting);
        // With both files gone the missing program wins, as it does when the file is loaded;
        // going back to NoRegisteredFile here would swap the two states on every pass.
        if (!platform::pathExists(fieldView(task.registeredFile)) && !executableMissing(task))
            return become(StateNoRegisteredFile);
        return false;
    default:
        return false;
    }
}
