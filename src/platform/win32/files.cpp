#include "platform/files.h"

#include "platform/win32/file_write.h"
#include "platform/win32/security.h"
#include "platform/win32/win_util.h"

namespace platform {
namespace {

DWORD attributesOf(const std::wstring& path) {
    return path.empty() ? INVALID_FILE_ATTRIBUTES : ::GetFileAttributesW(path.c_str());
}

} // namespace

bool pathExists(std::string_view cp932Path) {
    const std::optional<std::wstring> path = win::recordPath(cp932Path);
    return path && attributesOf(*path) != INVALID_FILE_ATTRIBUTES;
}

bool isDirectory(std::string_view cp932Path) {
    const std::optional<std::wstring> path = win::recordPath(cp932Path);
    if (!path)
        return false;
    const DWORD attributes = attributesOf(*path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool pathExists(const SystemPath& path) {
    return attributesOf(win::nativePath(path)) != INVALID_FILE_ATTRIBUTES;
}

bool createDirectory(const SystemPath& path) {
    win::PrivateSecurity security;
    const std::wstring native = win::nativePath(path);
    ::CreateDirectoryW(native.c_str(), security.attributes());
    const DWORD attributes = attributesOf(native);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool removeFile(const SystemPath& path) {
    return ::DeleteFileW(win::nativePath(path).c_str()) != 0;
}

CreateResult writeNewFile(const SystemPath& path, const void* data, size_t size) {
    win::UniqueHandle file(::CreateFileW(win::nativePath(path).c_str(), GENERIC_WRITE, 0, nullptr,
                                         CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid())
        return ::GetLastError() == ERROR_FILE_EXISTS ? CreateResult::Exists
                                                     : CreateResult::OpenFailed;
    return win::writeAll(file.get(), data, size) ? CreateResult::Ok : CreateResult::ShortWrite;
}

const char* appendLogMode() {
    return "abN";
}

} // namespace platform
