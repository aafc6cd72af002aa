#include "platform/win32/link_check.h"

namespace platform::win {
namespace {

std::wstring finalPath(HANDLE h) {
    std::wstring buffer(1024, L'\0');
    for (int round = 0; round < 2; ++round) {
        const DWORD n =
            ::GetFinalPathNameByHandleW(h, buffer.data(), static_cast<DWORD>(buffer.size()),
                                        FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
        if (n == 0)
            return std::wstring();
        if (n < buffer.size()) {
            buffer.resize(n);
            return buffer;
        }
        buffer.resize(n + 1);
    }
    return std::wstring();
}

bool isReparsePoint(HANDLE entry) {
    FILE_ATTRIBUTE_TAG_INFO tag{};
    return !::GetFileInformationByHandleEx(entry, FileAttributeTagInfo, &tag, sizeof tag) ||
           (tag.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

bool atItsName(HANDLE entry, HANDLE folder, const std::wstring& name) {
    const std::wstring folderPath = finalPath(folder);
    const std::wstring entryPath = finalPath(entry);
    if (folderPath.empty() || entryPath.empty())
        return false;
    const std::wstring expected = folderPath + (folderPath.back() == L'\\' ? L"" : L"\\") + name;
    // Names differ only in case on a file system that ignores it.
    return ::CompareStringOrdinal(expected.c_str(), static_cast<int>(expected.size()),
                                  entryPath.c_str(), static_cast<int>(entryPath.size()),
                                  TRUE) == CSTR_EQUAL;
}

} // namespace

bool openedAsItself(HANDLE entry, HANDLE folder, const std::wstring& name) {
    return !isReparsePoint(entry) && atItsName(entry, folder, name);
}

bool followedALink(HANDLE entry, HANDLE folder, const std::wstring& name) {
    return !isReparsePoint(entry) && !atItsName(entry, folder, name);
}

} // namespace platform::win
