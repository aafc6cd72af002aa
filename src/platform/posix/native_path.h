#pragma once
// Paths from task records (cp932) become the file system's UTF-8 here. The system's own paths
// (SystemPath) are native already and never pass through this.

#include <optional>
#include <string>
#include <string_view>

namespace platform {
// The UTF-8 path, or nothing when the cp932 bytes are not valid text.
std::optional<std::string> nativePath(std::string_view cp932Path);
} // namespace platform
