#pragma once
// The state texts live in the store, where the command line reads them too.

#include "store/state_text.h"
