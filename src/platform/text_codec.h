#pragma once
// cp932 <-> UTF-8. Records and every path that crosses the platform seam are cp932 bytes; the
// file system, GIO and Qt speak UTF-8. A character that cp932 cannot hold is an error, never "?".

#include <optional>
#include <string>
#include <string_view>

namespace platform {

std::optional<std::string> utf8ToCp932(std::string_view utf8);
std::optional<std::string> cp932ToUtf8(std::string_view cp932);

// For display and trace lines only: invalid bytes become U+FFFD instead of failing.
std::string cp932ToUtf8Lossy(std::string_view cp932);

} // namespace platform
