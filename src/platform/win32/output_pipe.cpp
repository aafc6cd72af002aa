// Output pipes are anonymous pipes, their ends C runtime descriptors. Neither end is
// inheritable: a start hands the write end on as the program's standard output through an
// explicit handle list, so no other program keeps a pipe open.

#include "platform/output_pipe.h"

#include "platform/win32/crt_handle.h"
#include "platform/win32/win_util.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <io.h>

namespace platform {
namespace {

// Room for bursts, so that a program writing fast rarely waits for the next read.
constexpr DWORD kPipeBytes = 1 << 20;

} // namespace

bool makeOutputPipe(int& readEnd, int& writeEnd) {
    HANDLE reading = nullptr;
    HANDLE writing = nullptr;
    if (!::CreatePipe(&reading, &writing, nullptr, kPipeBytes)) {
        errno = win::errnoOf(::GetLastError());
        return false;
    }
    readEnd = win::wrapHandle(reading, _O_RDONLY | _O_BINARY);
    writeEnd = win::wrapHandle(writing, _O_WRONLY | _O_BINARY);
    if (readEnd < 0 || writeEnd < 0) {
        const int saved = errno;
        closeDescriptor(readEnd);
        closeDescriptor(writeEnd);
        errno = saved;
        return false;
    }
    return true;
}

long readAvailable(int fd, void* buffer, size_t size) {
    const HANDLE pipe = win::handleOf(fd);
    if (pipe == INVALID_HANDLE_VALUE) {
        errno = EBADF;
        return -1;
    }
    // ReadFile on an anonymous pipe waits for data: it is asked only for what is there.
    DWORD available = 0;
    if (!::PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr)) {
        const DWORD error = ::GetLastError();
        if (error == ERROR_BROKEN_PIPE)
            return 0; // every writer has closed it
        errno = win::errnoOf(error);
        return -1;
    }
    if (available == 0) {
        errno = EAGAIN;
        return -1;
    }
    const DWORD want = static_cast<DWORD>(std::min<size_t>(size, available));
    DWORD got = 0;
    if (!::ReadFile(pipe, buffer, want, &got, nullptr)) {
        const DWORD error = ::GetLastError();
        if (error == ERROR_BROKEN_PIPE)
            return 0;
        errno = win::errnoOf(error);
        return -1;
    }
    return static_cast<long>(got);
}

bool appendAll(int fd, const void* data, size_t size) {
    const HANDLE file = win::handleOf(fd);
    if (file == INVALID_HANDLE_VALUE) {
        errno = EBADF;
        return false;
    }
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(size, 1u << 30));
        DWORD written = 0;
        if (!::WriteFile(file, p, chunk, &written, nullptr)) {
            errno = win::errnoOf(::GetLastError());
            return false;
        }
        if (written == 0) {
            errno = ENOSPC;
            return false;
        }
        p += written;
        size -= written;
    }
    return true;
}

void closeDescriptor(int fd) {
    if (fd >= 0)
        ::_close(fd);
}

} // namespace platform
