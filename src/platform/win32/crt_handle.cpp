#include "platform/win32/crt_handle.h"

#include <cerrno>
#include <io.h>
#include <vector>

namespace platform::win {

int wrapHandle(HANDLE handle, int flags) {
    int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(handle), flags);
    if (fd < 0) {
        ::CloseHandle(handle);
        errno = EMFILE;
        return -1;
    }
    // Standard stream numbers taken now would make later output go into this pipe or file.
    std::vector<int> low;
    while (fd >= 0 && fd <= 2) {
        low.push_back(fd);
        fd = ::_dup(fd);
    }
    for (const int l : low)
        ::_close(l);
    if (fd < 0) {
        errno = EMFILE;
        return -1;
    }
    // A duplicate may have come out inheritable; only a start hands the handle on, explicitly.
    ::SetHandleInformation(handleOf(fd), HANDLE_FLAG_INHERIT, 0);
    return fd;
}

HANDLE handleOf(int fd) {
    if (fd < 0)
        return INVALID_HANDLE_VALUE;
    return reinterpret_cast<HANDLE>(::_get_osfhandle(fd));
}

} // namespace platform::win
