#pragma once
// The CatchUpMissedRuns setting: whether runs that passed while the computer was off or asleep,
// or Chorelin was not running, are made up once. Off unless the user turns it on.

#include "store/app_context.h"

// Reads the setting into the context; a missing or unreadable value is off. Nothing is written.
void MyCatchUpSettingLoad(AppContext& ctx);

// Stores the setting and sets it in the context. 0 written, -866 the store could not be written.
int MyCatchUpSettingWrite(AppContext& ctx, bool on);
