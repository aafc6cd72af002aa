#pragma once
// cp932 paths of the layers above become the file system's UTF-8 here.

#include <optional>
#include <string>
#include <string_view>

namespace platform {
// The UTF-8 path, or nothing when the cp932 bytes are not valid text.
std::optional<std::string> nativePath(std::string_view cp932Path);
} // namespace platform
