#pragma once
// The seam's int descriptors on Windows are the C runtime's: a kernel handle wrapped with
// _open_osfhandle, which CreateProcess callers and _close understand alike.

#include <windows.h>

namespace platform::win {

// Wraps `handle` in a descriptor above the standard streams' numbers (a window program may
// have none of those, and the runtime would hand them out). The descriptor owns the handle;
// on failure the handle is closed and -1 returned (errno set).
int wrapHandle(HANDLE handle, int flags);
// The kernel handle of a descriptor, or INVALID_HANDLE_VALUE.
HANDLE handleOf(int fd);

} // namespace platform::win
