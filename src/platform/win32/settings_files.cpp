#include "platform/settings_files.h"

#include "platform/bounded_read.h"
#include "platform/win32/file_write.h"
#include "platform/win32/folders.h"
#include "platform/win32/security.h"
#include "platform/win32/win_util.h"

#include <shlobj.h>

namespace platform {
namespace {

std::wstring native(const std::string& path) {
    return win::nativePath(SystemPath(path));
}

FileStamp stampOf(const BY_HANDLE_FILE_INFORMATION& info) {
    // The volume serial number and the file index are what device and inode are on Linux.
    const int64_t written = (static_cast<int64_t>(info.ftLastWriteTime.dwHighDateTime) << 32) |
                            info.ftLastWriteTime.dwLowDateTime;
    return FileStamp{true, info.dwVolumeSerialNumber,
                     (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow,
                     (static_cast<int64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow,
                     written * 100};
}

HANDLE openForReading(const std::string& path) {
    return ::CreateFileW(native(path).c_str(), GENERIC_READ | READ_CONTROL,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

} // namespace

std::string settingsFolder() {
    // The values themselves are in the registry; files that belong with them (the imported
    // holiday data) live in the roaming application data, under the organisation's name.
    PWSTR raw = nullptr;
    std::string folder;
    if (SUCCEEDED(::SHGetKnownFolderPath(FOLDERID_RoamingAppData, 0, nullptr, &raw)) && raw)
        folder = win::systemPath(raw).child("Marrowby").str();
    ::CoTaskMemFree(raw);
    return folder;
}

FileStamp fileStamp(const std::string& path) {
    win::UniqueHandle file(openForReading(path));
    BY_HANDLE_FILE_INFORMATION info{};
    if (!file.valid() || !::GetFileInformationByHandle(file.get(), &info))
        return FileStamp{};
    return stampOf(info);
}

FileRead readWholeFile(const std::string& path, size_t maxBytes) {
    FileRead result;
    win::UniqueHandle file(openForReading(path));
    if (!file.valid()) {
        const DWORD error = ::GetLastError();
        result.status = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND
                            ? ReadStatus::Missing
                            : ReadStatus::Failed;
        return result;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(file.get(), &info))
        return result;
    result.stamp = stampOf(info);
    if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ||
        ::GetFileType(file.get()) != FILE_TYPE_DISK) {
        result.status = ReadStatus::NotAFile;
        return result;
    }
    result.sharedWithOthers = win::fileVerdict(file.get()) != FileTrust::Trusted;
    if (static_cast<uint64_t>(result.stamp.size) > maxBytes) {
        result.status = ReadStatus::TooLarge;
        return result;
    }
    readToEnd(result, maxBytes, [&file](char* buffer, size_t size) -> long {
        DWORD n = 0;
        if (!::ReadFile(file.get(), buffer, static_cast<DWORD>(size), &n, nullptr))
            return -1;
        return static_cast<long>(n);
    });
    return result;
}

bool writePrivateFile(const std::string& path, std::string_view bytes) {
    if (!win::makeFolders(win::folderOf(native(path))))
        return false;
    return win::replaceAtomically(SystemPath(path), bytes.data(), bytes.size()) ==
           win::ReplaceStep::Done;
}

bool removePrivateFile(const std::string& path) {
    const std::wstring file = native(path);
    if (::DeleteFileW(file.c_str()))
        return true;
    const DWORD error = ::GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

} // namespace platform
