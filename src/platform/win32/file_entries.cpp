// What stands at one of the system's own paths, renamed or read without following a link: a
// reparse point (symbolic link, junction) is reported as itself, never as what it leads to.

#include "platform/files.h"

#include "platform/win32/link_check.h"
#include "platform/win32/win_util.h"

#include <algorithm>
#include <cerrno>

namespace platform {

EntryKind entryKind(const std::string& path) {
    const DWORD attributes = ::GetFileAttributesW(win::nativePath(SystemPath(path)).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return EntryKind::Missing;
    if (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT))
        return EntryKind::Other;
    return EntryKind::RegularFile;
}

bool renameEntry(const std::string& from, const std::string& to) {
    // As rename(2): an entry under the new name is replaced.
    if (::MoveFileExW(win::nativePath(SystemPath(from)).c_str(),
                      win::nativePath(SystemPath(to)).c_str(), MOVEFILE_REPLACE_EXISTING))
        return true;
    errno = win::errnoOf(::GetLastError());
    return false;
}

FileTail readFileTail(const std::string& path, int64_t maxBytes) {
    FileTail tail;
    // The writer (the drain, or the program itself) keeps the file open meanwhile.
    std::string slashed = path;
    std::replace(slashed.begin(), slashed.end(), '\\', '/');
    const SystemPath native(slashed);
    win::UniqueHandle folder(::CreateFileW(win::nativePath(native.folder()).c_str(), READ_CONTROL,
                                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                           nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS,
                                           nullptr));
    win::UniqueHandle file(::CreateFileW(win::nativePath(SystemPath(path)).c_str(), GENERIC_READ,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                         nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT,
                                         nullptr));
    BY_HANDLE_FILE_INFORMATION info{};
    if (!file.valid() || !folder.valid() || !::GetFileInformationByHandle(file.get(), &info) ||
        !win::openedAsItself(file.get(), folder.get(),
                             win::widen(native.name()).value_or(std::wstring())) ||
        (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) ||
        ::GetFileType(file.get()) != FILE_TYPE_DISK)
        return tail;
    tail.readable = true;
    tail.fileBytes = (static_cast<int64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    const int64_t start = std::max<int64_t>(tail.fileBytes - std::max<int64_t>(maxBytes, 0), 0);
    LARGE_INTEGER offset{};
    offset.QuadPart = start;
    if (!::SetFilePointerEx(file.get(), offset, nullptr, FILE_BEGIN))
        return tail;
    tail.bytes.resize(static_cast<size_t>(tail.fileBytes - start));
    size_t got = 0;
    while (got < tail.bytes.size()) {
        DWORD n = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(tail.bytes.size() - got, 1u << 20));
        if (!::ReadFile(file.get(), tail.bytes.data() + got, chunk, &n, nullptr) || n == 0)
            break;
        got += n;
    }
    tail.bytes.resize(got);
    return tail;
}

} // namespace platform
