#include "platform/private_file.h"

#include "platform/win32/file_write.h"
#include "platform/win32/security.h"
#include "platform/win32/win_util.h"

namespace platform {
namespace {

// The folder takes no new file: the file is written through itself and flushed.
WriteResult writeInPlace(const SystemPath& target, const void* data, size_t size) {
    win::UniqueHandle file(::CreateFileW(win::nativePath(target).c_str(), GENERIC_WRITE, 0, nullptr,
                                         OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file.valid())
        return WriteResult::OpenFailed;
    if (!win::writeAll(file.get(), data, size))
        return WriteResult::ShortWrite;
    if (!::SetEndOfFile(file.get()) || !::FlushFileBuffers(file.get()))
        return WriteResult::ShortWrite;
    return WriteResult::WrittenInPlace;
}

} // namespace

bool createEmptyFile(const SystemPath& path) {
    const SystemPath target = resolveLinks(path);
    win::PrivateSecurity security;
    win::UniqueHandle file(
        ::CreateFileW(win::nativePath(target).c_str(), GENERIC_WRITE, 0, security.attributes(),
                      CREATE_NEW, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    return file.valid() || ::GetLastError() == ERROR_FILE_EXISTS;
}

// Always written through to the disk: ReplaceFileW gives no cheaper kind of atomic replace.
WriteResult replaceFileContent(const SystemPath& path, const void* data, size_t size, Flush) {
    // Beside the file a link leads to, so the link stays a link.
    const SystemPath target = resolveLinks(path);
    const DWORD attributes = ::GetFileAttributesW(win::nativePath(target).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = ::GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND
                   ? WriteResult::Missing
                   : WriteResult::OpenFailed;
    }
    if (attributes &
        (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE))
        return WriteResult::OpenFailed;
    // A file its owner made read-only stays as it is.
    if (attributes & FILE_ATTRIBUTE_READONLY)
        return WriteResult::ReadOnly;
    switch (win::replaceAtomically(target, data, size)) {
    case win::ReplaceStep::Done:
        return WriteResult::Ok;
    case win::ReplaceStep::TempNotCreated:
        if (::GetLastError() == ERROR_ACCESS_DENIED)
            return writeInPlace(target, data, size);
        return WriteResult::OpenFailed;
    case win::ReplaceStep::ShortWrite:
        return WriteResult::ShortWrite;
    case win::ReplaceStep::RenameFailed:
        break;
    }
    return WriteResult::OpenFailed;
}

CopyResult copyRegularFile(const SystemPath& from, const SystemPath& to, uint64_t maxBytes) {
    const SystemPath source = resolveLinks(from);
    win::UniqueHandle in(::CreateFileW(
        win::nativePath(source).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
        OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!in.valid())
        return CopyResult::Failed;
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(in.get(), &info))
        return CopyResult::Failed;
    if ((info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) ||
        ::GetFileType(in.get()) != FILE_TYPE_DISK)
        return CopyResult::NotRegular;
    const uint64_t size = (static_cast<uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    if (size > maxBytes)
        return CopyResult::TooLarge;
    win::PrivateSecurity security;
    const std::wstring out = win::nativePath(to);
    win::UniqueHandle target(::CreateFileW(out.c_str(), GENERIC_WRITE, 0, security.attributes(),
                                           CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!target.valid())
        return CopyResult::Failed;
    // Exactly the size seen when the file was opened: a file that grows meanwhile cannot make
    // the copy endless, and one that shrinks makes it fail.
    uint64_t left = size;
    bool ok = true;
    char buffer[65536];
    while (ok && left > 0) {
        DWORD n = 0;
        const DWORD want = static_cast<DWORD>(left < sizeof buffer ? left : sizeof buffer);
        ok = ::ReadFile(in.get(), buffer, want, &n, nullptr) && n > 0 &&
             win::writeAll(target.get(), buffer, n);
        if (ok)
            left -= n;
    }
    ok = ok && ::FlushFileBuffers(target.get());
    target.reset();
    if (!ok) {
        ::DeleteFileW(out.c_str());
        return CopyResult::Failed;
    }
    return CopyResult::Ok;
}

int removeStaleReplacements(const SystemPath& path) {
    const SystemPath target = resolveLinks(path);
    const std::wstring prefix = win::nativePath(SystemPath(target.name())) + L".tmp-";
    const std::wstring folder = win::nativePath(target.folder());
    WIN32_FIND_DATAW found{};
    HANDLE search = ::FindFirstFileExW((folder + L"\\" + prefix + L"*").c_str(), FindExInfoBasic,
                                       &found, FindExSearchNameMatch, nullptr, 0);
    if (search == INVALID_HANDLE_VALUE)
        return 0;
    int removed = 0;
    do {
        const std::wstring name = found.cFileName;
        if (name.size() != prefix.size() + win::kTempSuffixLength ||
            (found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)))
            continue;
        // Only what this user's own replace left: a file of someone else is none of ours.
        const std::wstring full = folder + L"\\" + name;
        win::UniqueHandle file(::CreateFileW(full.c_str(), READ_CONTROL, FILE_SHARE_READ, nullptr,
                                             OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
        if (!file.valid() || win::fileVerdict(file.get()) == FileTrust::FileForeignOwner)
            continue;
        file.reset();
        if (::DeleteFileW(full.c_str()))
            ++removed;
    } while (::FindNextFileW(search, &found));
    ::FindClose(search);
    return removed;
}

} // namespace platform
