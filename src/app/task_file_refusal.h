#pragma once
// Telling the user, once, that the task file was not loaded because someone else could have
// changed it.

#include "store/app_context.h"

// Shows ctx.taskFileRefusal in a refusal message box (standard error already has it) and clears
// it, so a second call shows nothing. Does nothing when the file was loaded. Call it once, after
// the list's initial update. On the offscreen platform, where nobody could answer a box, only
// standard error tells.
void reportTaskFileRefusal(AppContext& ctx);

// The same, with the choice of showing the box made by the caller.
void reportTaskFileRefusal(AppContext& ctx, bool showBox);
