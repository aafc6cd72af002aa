#include "platform/state_files.h"

#include "platform/win32/folders.h"
#include "platform/win32/win_util.h"

#include <shlobj.h>

namespace platform {

std::optional<std::string> stateFolder(std::string_view name) {
    // %LOCALAPPDATA%: state that belongs to this machine and is not roamed with the profile.
    PWSTR raw = nullptr;
    std::optional<std::string> folder;
    if (SUCCEEDED(::SHGetKnownFolderPath(FOLDERID_LocalAppData, 0, nullptr, &raw)) && raw)
        folder = win::systemPath(raw).child(name).str();
    ::CoTaskMemFree(raw);
    return folder;
}

} // namespace platform
