#include "platform/system_names.h"

#include <cstring>

namespace platform {

std::string errorText(int error) {
    // strerrordesc_np, unlike strerror, uses no buffer that another thread could overwrite.
    if (const char* text = strerrordesc_np(error))
        return text;
    return "error " + std::to_string(error);
}

std::string signalAbbreviation(int signal) {
    // Real-time signals have no abbreviation.
    const char* name = sigabbrev_np(signal);
    return name ? std::string(name) : std::string();
}

} // namespace platform
