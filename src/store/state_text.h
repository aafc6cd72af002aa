#pragma once
// The text the list (and the command line) shows for a task's state.

#include <cstdint>

// UTF-8 text of a TaskState code; "不明" for any value outside 1..6.
const char* stateText(int32_t state);
