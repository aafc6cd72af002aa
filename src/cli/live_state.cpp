#include "cli/live_state.h"

#include "engine/file_state.h"

namespace cli {

int32_t liveState(const TaskRecord& task, const history::RunRecord* lastRun) {
    int32_t state = task.state;
    // A run that has ended leaves the task as the watcher does.
    if (state == StateRunning && lastRun && lastRun->ending != history::RunEnding::Running)
        state = task.once ? StateCompleted : StateWaiting;
    // A few steps reach the state that the scheduler's passes settle on.
    TaskRecord settled = task;
    settled.state = state;
    for (int step = 0; step < 3 && MyUpdateFileState(settled); ++step) {
    }
    return settled.state;
}

} // namespace cli
