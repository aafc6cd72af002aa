#pragma once
// The messages of the window system that Chorelin acts on. Windows sends them to every
// top-level window; Linux tells the same through logind and signals instead.

#include <cstdint>

namespace platform {

enum class SystemMessage {
    Other,
    Resumed,       // the machine woke from sleep
    SessionEnding, // the user logs off or the machine shuts down: this is the last word
};

// What a native message means when it was sent to `window` (the native id of the window that
// listens, so that a broadcast counts once); `message` is what Qt hands a native event filter.
SystemMessage classifySystemMessage(const void* message, uintptr_t window);

} // namespace platform
