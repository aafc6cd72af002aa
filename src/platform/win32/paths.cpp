#include "platform/paths.h"

#include "platform/win32/win_util.h"

#include <shlobj.h>

namespace platform {
namespace {

std::optional<SystemPath> knownFolder(REFKNOWNFOLDERID id) {
    PWSTR raw = nullptr;
    // KF_FLAG_CREATE: a folder that was never made (a fresh profile) is made, as the shell does.
    const HRESULT hr = ::SHGetKnownFolderPath(id, KF_FLAG_CREATE, nullptr, &raw);
    std::optional<SystemPath> path;
    if (SUCCEEDED(hr) && raw)
        path = win::systemPath(raw);
    ::CoTaskMemFree(raw);
    return path;
}

} // namespace

std::optional<SystemPath> programPath() {
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n =
            ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0)
            return std::nullopt;
        if (n < buffer.size()) {
            buffer.resize(n);
            return win::systemPath(buffer);
        }
        buffer.resize(buffer.size() * 2);
    }
}

std::optional<SystemPath> documentsFolder() {
    return knownFolder(FOLDERID_Documents);
}

std::optional<SystemPath> startupFolder() {
    return knownFolder(FOLDERID_Startup);
}

PathParts splitPath(const std::string& path) {
    // Record paths are cp932, where the trail byte of a double-byte character may be '\' (0x5C,
    // as in "表"): only a byte that starts a character can be a separator.
    size_t lastSeparator = std::string::npos;
    for (size_t i = 0; i < path.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(path[i]);
        if (::IsDBCSLeadByteEx(932, c) && i + 1 < path.size()) {
            ++i;
            continue;
        }
        if (c == '\\' || c == '/')
            lastSeparator = i;
    }
    return splitPathAt(path, lastSeparator);
}

} // namespace platform
