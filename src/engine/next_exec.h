#pragma once
// The next run of one task: the calendar day on which it runs next.

#include "store/app_context.h"

// index may equal ctx.taskCount (the slot prepared just past the end). Returns 0, or -9 when
// index is greater than the count (nothing read or written). The caller holds taskLock.
int MySetNextExec(AppContext& ctx, int index);
