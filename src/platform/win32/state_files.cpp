#include "platform/state_files.h"

#include "platform/win32/folders.h"
#include "platform/win32/security.h"
#include "platform/win32/win_util.h"

#include <cerrno>
#include <fcntl.h>
#include <io.h>
#include <shlobj.h>

namespace platform {
namespace {

std::wstring native(const std::string& path) {
    return win::nativePath(SystemPath(path));
}

} // namespace

std::optional<std::string> stateFolder(std::string_view name) {
    // %LOCALAPPDATA%: state that belongs to this machine and is not roamed with the profile.
    PWSTR raw = nullptr;
    std::optional<std::string> folder;
    if (SUCCEEDED(::SHGetKnownFolderPath(FOLDERID_LocalAppData, 0, nullptr, &raw)) && raw)
        folder = win::systemPath(raw).child(name).str();
    ::CoTaskMemFree(raw);
    return folder;
}

bool makePrivateFolder(const std::string& path) {
    if (win::makeFolders(native(path)))
        return true;
    errno = win::errnoOf(::GetLastError());
    return false;
}

bool makePrivateFile(const std::string& path) {
    win::PrivateSecurity security;
    win::UniqueHandle file(::CreateFileW(native(path).c_str(), GENERIC_WRITE,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE, security.attributes(),
                                         OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) {
        errno = win::errnoOf(::GetLastError());
        return false;
    }
    return true;
}

int openPrivateOutput(const std::string& path) {
    win::PrivateSecurity security;
    // FILE_FLAG_OPEN_REPARSE_POINT: a link in the output's place is replaced, never followed.
    win::UniqueHandle file(::CreateFileW(native(path).c_str(), FILE_APPEND_DATA | SYNCHRONIZE,
                                         FILE_SHARE_READ, security.attributes(), CREATE_ALWAYS,
                                         FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT,
                                         nullptr));
    if (!file.valid()) {
        errno = win::errnoOf(::GetLastError());
        return -1;
    }
    // A C runtime descriptor, as the Linux side gives; the handle itself is not inheritable, the
    // start of a program duplicates it for the program.
    const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(file.get()), _O_APPEND | _O_BINARY);
    if (fd < 0)
        return -1;
    file.release();
    return fd;
}

int64_t privateFileSize(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExW(native(path).c_str(), GetFileExInfoStandard, &data))
        return -1;
    return (static_cast<int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

} // namespace platform
