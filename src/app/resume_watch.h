#pragma once
// After the machine wakes from sleep, the scheduler looks for the runs the sleep made it miss.
// Where the system cannot tell, nothing is done; the scheduler still notices the wall clock's
// jump.

#include "store/app_context.h"

class QObject;

// Listens for the wake for as long as `owner` lives.
void watchForResume(AppContext& ctx, QObject* owner);
