#include "platform/state_files.h"

#include <cstdlib>

namespace platform {

std::optional<std::string> stateFolder(std::string_view name) {
    const char* state = std::getenv("XDG_STATE_HOME");
    std::string base;
    if (state && state[0] == '/') {
        base = state;
    } else {
        const char* home = std::getenv("HOME");
        if (!home || home[0] != '/')
            return std::nullopt;
        base = std::string(home) + "/.local/state";
    }
    return base + "/" + std::string(name);
}

} // namespace platform
