#pragma once
// A task's file state: Waiting, NoRegisteredFile and NoExecutable follow its registered file and
// its program as they go and come back. The scheduler takes one step a pass; the command line
// takes the steps a running window would have taken by now.

#include "store/task_record.h"

// One step of the task's state among Waiting, NoRegisteredFile and NoExecutable as its files
// are now; other states stay. True when the state changed.
bool MyUpdateFileState(TaskRecord& task);
