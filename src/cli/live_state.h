#pragma once
// The state a task has in a running window, told from the task file and the history. The
// window writes the task file when a run starts, but not when its process ends nor when its
// scheduler sees a file go or come back; the command line tells those changes as the window
// shows them.

#include "history/run_record.h"
#include "store/task_record.h"

#include <cstdint>

namespace cli {

// `lastRun`: the task's newest run in the history, or null when it has none.
int32_t liveState(const TaskRecord& task, const history::RunRecord* lastRun);

} // namespace cli
