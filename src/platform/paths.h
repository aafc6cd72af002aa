#pragma once
// Special folders and the program's own path, as cp932 strings.

#include <optional>
#include <string>

namespace platform {

// Full path of the running program file.
std::optional<std::string> programPath();
// The user's documents folder (XDG DOCUMENTS), created when missing.
std::optional<std::string> documentsFolder();
// The folder whose entries start with the user's session (XDG autostart), created when missing.
std::optional<std::string> startupFolder();

// The path separator used when the layers above compose paths.
inline constexpr char pathSeparator = '/';

struct PathParts {
    std::string folder;    // with a trailing separator, or empty
    std::string baseName;  // without extension
    std::string extension; // with its dot, or empty
};
PathParts splitPath(const std::string& path);

} // namespace platform
