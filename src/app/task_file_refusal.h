#pragma once
// Telling the user, once, that the task file was not loaded because someone else could have
// changed it.

#include "store/app_context.h"

// Shows ctx.taskFileRefusal in a refusal message box (standard error already has it) and clears
// it, so a second call shows nothing. Does nothing when the file was loaded. On the offscreen
// platform, where nobody could answer a box, only standard error tells.
void reportTaskFileRefusal(AppContext& ctx);
