#include "platform/console_control.h"

#include "platform/win32/win_util.h"

#include <mutex>

namespace platform {
namespace {

std::mutex handlerMutex;
std::function<void()>& handler() {
    static std::function<void()> request;
    return request;
}

BOOL WINAPI onControl(DWORD type) {
    switch (type) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
        break;
    default:
        return FALSE;
    }
    {
        const std::lock_guard<std::mutex> lock(handlerMutex);
        if (handler())
            handler()();
    }
    if (type == CTRL_C_EVENT || type == CTRL_BREAK_EVENT)
        return TRUE;
    // Returning would end the process at once, in the middle of the shutdown the request
    // started; it ends the process itself when done, which ends this thread too.
    ::Sleep(INFINITE);
    return TRUE;
}

} // namespace

void onConsoleTermination(std::function<void()> request) {
    static std::once_flag installed;
    std::call_once(installed, [] { ::SetConsoleCtrlHandler(onControl, TRUE); });
    const std::lock_guard<std::mutex> lock(handlerMutex);
    handler() = std::move(request);
}

} // namespace platform
