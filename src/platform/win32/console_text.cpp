#include "platform/console_text.h"

#include "platform/win32/win_util.h"

#include <algorithm>
#include <mutex>
#include <string>

namespace platform {
namespace {

std::mutex consoleMutex;
bool attached = false;
// The attached console's output, for the streams the parent left unset.
win::UniqueHandle& consoleOutput() {
    static win::UniqueHandle handle;
    return handle;
}

std::wstring wideLossy(std::string_view utf8) {
    if (utf8.empty())
        return {};
    // Without MB_ERR_INVALID_CHARS a stray byte becomes U+FFFD instead of losing the line.
    const int n =
        ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0)
        ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(),
                              n);
    return wide;
}

HANDLE target(TextStream stream) {
    HANDLE handle =
        ::GetStdHandle(stream == TextStream::Out ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
    if (handle != nullptr && handle != INVALID_HANDLE_VALUE)
        return handle;
    if (!attached)
        return nullptr;
    win::UniqueHandle& console = consoleOutput();
    if (!console.valid())
        console.reset(::CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                    nullptr));
    return console.valid() ? console.get() : nullptr;
}

} // namespace

void attachParentConsole() {
    const std::lock_guard<std::mutex> lock(consoleMutex);
    // A console program has one already; a window program started from a console joins it.
    if (::GetConsoleWindow() != nullptr || ::AttachConsole(ATTACH_PARENT_PROCESS))
        attached = true;
}

void writeText(TextStream stream, std::string_view utf8) {
    const std::lock_guard<std::mutex> lock(consoleMutex);
    HANDLE handle = target(stream);
    if (!handle)
        return;
    DWORD mode = 0;
    if (::GetConsoleMode(handle, &mode)) {
        // Characters, so that Japanese reads right whatever code page the console uses.
        const std::wstring wide = wideLossy(utf8);
        size_t done = 0;
        while (done < wide.size()) {
            DWORD written = 0;
            const DWORD chunk = static_cast<DWORD>(std::min<size_t>(wide.size() - done, 8192));
            if (!::WriteConsoleW(handle, wide.data() + done, chunk, &written, nullptr) ||
                written == 0)
                return;
            done += written;
        }
        return;
    }
    // A file or a pipe: the bytes as they are, for whatever reads them.
    size_t done = 0;
    while (done < utf8.size()) {
        DWORD written = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(utf8.size() - done, 1 << 20));
        if (!::WriteFile(handle, utf8.data() + done, chunk, &written, nullptr) || written == 0)
            return;
        done += written;
    }
    // WriteFile keeps nothing back; a flush would wait for a pipe's reader.
}

} // namespace platform
