#pragma once
// The entry that starts this program when the user's session starts.

#include <string>

namespace platform {

// The entry's full path: "<startup folder>/Chorelin.desktop".
std::string startupLinkPath();
bool createStartupLink(const std::string& linkPath, const std::string& targetProgram);

} // namespace platform
