#include "platform/script_head.h"

namespace platform {

// Windows starts a script by its extension's association, never by a "#!" line, so no script
// names an interpreter that could be missing.
std::optional<std::string> scriptInterpreter(const std::string&) {
    return std::nullopt;
}

} // namespace platform
