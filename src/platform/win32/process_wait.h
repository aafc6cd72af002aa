#pragma once
// Waiting for the first of any number of handles, in list order, although one
// WaitForMultipleObjects takes at most 64.

#include <windows.h>

#include <vector>

namespace platform::win {

// Index of the first signalled handle in list order, -1 on time-out (timeoutMs < 0 waits
// without limit), -2 when a wait failed (last error kept).
int waitForFirst(const std::vector<HANDLE>& handles, int timeoutMs);

} // namespace platform::win
