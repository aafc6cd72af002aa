#pragma once
// Special folders and the program's own path: the system's own paths, never cp932.

#include "platform/system_path.h"

#include <optional>
#include <string>

namespace platform {

// Full path of the running program file.
std::optional<SystemPath> programPath();
// The user's documents folder (XDG DOCUMENTS), created when missing. A folder that cannot be
// created is still returned: whatever is to be made inside it then fails on its own. Nothing only
// when no documents folder is known at all.
std::optional<SystemPath> documentsFolder();
// The folder whose entries start with the user's session (XDG autostart), created when missing.
std::optional<SystemPath> startupFolder();

// The path separator used when the layers above compose paths.
inline constexpr char pathSeparator = '/';

struct PathParts {
    std::string folder;    // with a trailing separator, or empty
    std::string baseName;  // without extension
    std::string extension; // with its dot, or empty
};
PathParts splitPath(const std::string& path);
// The split of a path whose last separator stands at `lastSeparator` (npos: none).
PathParts splitPathAt(const std::string& path, size_t lastSeparator);

} // namespace platform
