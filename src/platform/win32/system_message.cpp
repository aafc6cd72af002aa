#include "platform/system_message.h"

#include "platform/win32/win_util.h"

namespace platform {

SystemMessage classifySystemMessage(const void* message, uintptr_t window) {
    const MSG* msg = static_cast<const MSG*>(message);
    if (msg == nullptr || reinterpret_cast<uintptr_t>(msg->hwnd) != window)
        return SystemMessage::Other;
    switch (msg->message) {
    case WM_POWERBROADCAST:
        // Sent on every wake, also when nobody is at the machine; the resume that a user
        // caused (PBT_APMRESUMESUSPEND) always comes after it.
        return msg->wParam == PBT_APMRESUMEAUTOMATIC ? SystemMessage::Resumed
                                                     : SystemMessage::Other;
    case WM_ENDSESSION:
        // wParam is FALSE when another program refused and the session goes on. The query
        // before (WM_QUERYENDSESSION) may still be refused by someone else, so nothing ends
        // there.
        return msg->wParam != FALSE ? SystemMessage::SessionEnding : SystemMessage::Other;
    default:
        return SystemMessage::Other;
    }
}

} // namespace platform
