#include "platform/win32/folders.h"

#include "platform/win32/security.h"

#include <windows.h>

namespace platform::win {

std::wstring folderOf(const std::wstring& path) {
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring(L".") : path.substr(0, slash);
}

bool makeFolders(const std::wstring& folder) {
    if (folder.empty())
        return true;
    const DWORD attributes = ::GetFileAttributesW(folder.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES)
        return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    const size_t slash = folder.find_last_of(L"\\/");
    // A drive ("C:") or the top of a share is there or not; it is never made.
    if (slash != std::wstring::npos && slash > 2 && !makeFolders(folder.substr(0, slash)))
        return false;
    PrivateSecurity security;
    return ::CreateDirectoryW(folder.c_str(), security.attributes()) ||
           ::GetLastError() == ERROR_ALREADY_EXISTS;
}

} // namespace platform::win
