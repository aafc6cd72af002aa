#include "platform/posix/native_path.h"

#include "platform/text_codec.h"

namespace platform {
std::optional<std::string> nativePath(std::string_view cp932Path) {
    // A path with an embedded zero cannot name a file.
    if (cp932Path.find('\0') != std::string_view::npos)
        return std::nullopt;
    return cp932ToUtf8(cp932Path);
}
} // namespace platform
