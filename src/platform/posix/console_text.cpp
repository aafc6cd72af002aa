#include "platform/console_text.h"

#include <cstdio>

namespace platform {

void attachParentConsole() {
    // The terminal (or file, or pipe) is inherited as it is.
}

void writeText(TextStream stream, std::string_view utf8) {
    std::FILE* file = stream == TextStream::Out ? stdout : stderr;
    std::fwrite(utf8.data(), 1, utf8.size(), file);
    std::fflush(file);
}

} // namespace platform
