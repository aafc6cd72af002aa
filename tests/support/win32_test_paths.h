#pragma once
// For the Windows tests: paths of the build machine as the Windows program sees them (Wine maps
// "/" to drive Z:), UTF-16 for the Windows calls, a bounded wait for a condition, and a file's
// DACL read and set in SDDL.

#include <windows.h>

#include <aclapi.h>
#include <sddl.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>

namespace testing_support {

inline std::string windowsPath(std::string path) {
    if (!path.empty() && path[0] == '/')
        path = "Z:" + path;
    for (char& c : path)
        if (c == '/')
            c = '\\';
    return path;
}

inline std::wstring wide(const std::string& utf8) {
    const int n =
        ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring w(static_cast<size_t>(n), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), w.data(), n);
    return w;
}

// Polls every 10 ms until the condition holds or the time is up; the condition's last value.
inline bool eventually(const std::function<bool()>& condition, int timeoutMs = 20000) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < deadline) {
        if (condition())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return condition();
}

// The DACL of a file as the file system keeps it, in SDDL.
inline std::wstring daclOf(const std::string& path) {
    std::wstring native = wide(windowsPath(path));
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (::GetNamedSecurityInfoW(native.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                                nullptr, nullptr, nullptr, &descriptor) != ERROR_SUCCESS)
        return std::wstring();
    LPWSTR text = nullptr;
    std::wstring sddl;
    if (::ConvertSecurityDescriptorToStringSecurityDescriptorW(
            descriptor, SDDL_REVISION_1, DACL_SECURITY_INFORMATION, &text, nullptr)) {
        sddl = text;
        ::LocalFree(text);
    }
    ::LocalFree(descriptor);
    return sddl;
}

inline bool setDacl(const std::string& path, const wchar_t* sddl) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &descriptor,
                                                                nullptr))
        return false;
    BOOL present = FALSE, defaulted = FALSE;
    PACL dacl = nullptr;
    ::GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted);
    std::wstring native = wide(windowsPath(path));
    const DWORD rc =
        ::SetNamedSecurityInfoW(native.data(), SE_FILE_OBJECT,
                                DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                                nullptr, nullptr, dacl, nullptr);
    ::LocalFree(descriptor);
    return rc == ERROR_SUCCESS;
}

// Makes a symbolic link at `at` to `to`; false when this system cannot. Wine's
// CreateSymbolicLinkW makes nothing, but Wine reports a Unix link as a reparse point and
// starts Unix programs, so there ln makes the link.
inline bool makeLink(const std::string& at, const std::string& to, bool folder) {
    const std::wstring link = wide(windowsPath(at));
    const std::wstring target = wide(windowsPath(to));
    const auto present = [&] {
        return ::GetFileAttributesW(link.c_str()) != INVALID_FILE_ATTRIBUTES;
    };
    if (::CreateSymbolicLinkW(link.c_str(), target.c_str(),
                              (folder ? SYMBOLIC_LINK_FLAG_DIRECTORY : 0) |
                                  SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE) &&
        present())
        return true;
    using UnixName = char*(__cdecl*)(LPCWSTR);
    const auto unixName = reinterpret_cast<UnixName>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleW(L"kernel32"), "wine_get_unix_file_name")));
    if (!unixName)
        return false;
    char* unixLink = unixName(link.c_str());
    char* unixTarget = unixName(target.c_str());
    std::wstring line = L"Z:\\bin\\ln -s \"" + wide(unixTarget ? unixTarget : "") + L"\" \"" +
                        wide(unixLink ? unixLink : "") + L"\"";
    ::HeapFree(::GetProcessHeap(), 0, unixLink);
    ::HeapFree(::GetProcessHeap(), 0, unixTarget);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &info))
        return false;
    ::CloseHandle(info.hThread);
    ::CloseHandle(info.hProcess);
    return eventually(present, 10000);
}

} // namespace testing_support
