#include "platform/win32/win_util.h"

#include <cerrno>

namespace platform::win {

std::optional<std::wstring> widen(std::string_view utf8) {
    if (utf8.empty())
        return std::wstring();
    const int n = ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(),
                                        static_cast<int>(utf8.size()), nullptr, 0);
    if (n <= 0)
        return std::nullopt;
    std::wstring wide(static_cast<size_t>(n), L'\0');
    ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), static_cast<int>(utf8.size()),
                          wide.data(), n);
    return wide;
}

std::string narrow(std::wstring_view wide) {
    if (wide.empty())
        return std::string();
    const int n = ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                        nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<size_t>(n > 0 ? n : 0), '\0');
    if (n > 0)
        ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), bytes.data(),
                              n, nullptr, nullptr);
    return bytes;
}

std::wstring nativePath(const SystemPath& path) {
    // The system's own paths were UTF-8 when they were made; a broken one names no file.
    std::wstring wide = widen(path.str()).value_or(std::wstring());
    for (wchar_t& c : wide)
        if (c == L'/')
            c = L'\\';
    return wide;
}

SystemPath systemPath(std::wstring_view native) {
    std::string bytes = narrow(native);
    for (char& c : bytes)
        if (c == '\\')
            c = '/';
    return SystemPath(std::move(bytes));
}

std::optional<std::wstring> recordPath(std::string_view cp932Path) {
    if (cp932Path.find('\0') != std::string_view::npos)
        return std::nullopt;
    if (cp932Path.empty())
        return std::wstring();
    const int n = ::MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, cp932Path.data(),
                                        static_cast<int>(cp932Path.size()), nullptr, 0);
    if (n <= 0)
        return std::nullopt;
    std::wstring wide(static_cast<size_t>(n), L'\0');
    ::MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, cp932Path.data(),
                          static_cast<int>(cp932Path.size()), wide.data(), n);
    return wide;
}

int errnoOf(DWORD error) {
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
        return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return EACCES;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
        return EEXIST;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return ENOSPC;
    case ERROR_TOO_MANY_OPEN_FILES:
        return EMFILE;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
        return ENOMEM;
    case ERROR_DIRECTORY:
        return ENOTDIR;
    default:
        return EIO;
    }
}

} // namespace platform::win
