#pragma once
// The entry that starts this program when the user's session starts.

#include "platform/system_path.h"

namespace platform {

// The entry's full path: "<startup folder>/Chorelin.desktop"; empty when there is no such folder.
SystemPath startupLinkPath();
bool createStartupLink(const SystemPath& linkPath, const SystemPath& targetProgram);

} // namespace platform
