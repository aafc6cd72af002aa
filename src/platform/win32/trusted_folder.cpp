// The history's folder on Windows: made with a DACL for this user (and the system) alone, judged
// by its owner SID and DACL, and held open without FILE_SHARE_DELETE, so that it cannot be
// renamed, removed or swapped for a link while it is in use (nor, as Windows refuses to rename
// a folder with open entries below it, can the folders above it). Entries are reached through
// the folder's path and opened as themselves: a reparse point (symbolic link, junction) is never
// followed.

#include "platform/trusted_folder.h"

#include "platform/win32/crt_handle.h"
#include "platform/win32/link_check.h"
#include "platform/win32/security.h"
#include "platform/win32/win_util.h"

#include <cerrno>
#include <fcntl.h>

namespace platform {
namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

bool isSeparator(char c) {
    return c == '/' || c == '\\';
}

size_t lastSeparator(const std::string& path) {
    return path.find_last_of("/\\");
}

// "C:/..." or "\\server\share\...".
bool isAbsolute(const std::string& path) {
    return (path.size() > 2 && path[1] == ':' && isSeparator(path[2])) ||
           (path.size() > 2 && isSeparator(path[0]) && isSeparator(path[1]));
}

// Missing folders above `path` are made with the default security, as other programs' folders
// beside it have; those that exist stay as they are.
void makeParents(const std::string& path) {
    for (size_t sep = path.find_first_of("/\\", 3); sep != std::string::npos;
         sep = path.find_first_of("/\\", sep + 1))
        ::CreateDirectoryW(win::nativePath(SystemPath(path.substr(0, sep))).c_str(), nullptr);
}

std::wstring entryPath(const std::string& folder, const std::string& name) {
    return win::nativePath(SystemPath(folder + "/" + name));
}

// An entry opened as itself, for its attributes and security.
win::UniqueHandle openEntry(const std::wstring& path) {
    return win::UniqueHandle(::CreateFileW(
        path.c_str(), READ_CONTROL | FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING,
        FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
}

bool isNameOnly(const std::string& name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of("/\\:") == std::string::npos;
}

} // namespace

TrustedFolder::~TrustedFolder() {
    if (fd_ != -1)
        ::CloseHandle(win::intToHandle(fd_));
}

FolderOpening TrustedFolder::open(const std::string& path) {
    const size_t sep = lastSeparator(path);
    if (!isAbsolute(path) || sep == std::string::npos || sep + 1 == path.size() || sep < 2)
        return FolderOpening::failed(path, EINVAL);
    makeParents(path);
    // The root of a drive is "C:/", not "C:" (the current folder there).
    const std::string parentPath = path.substr(0, sep == 2 ? 3 : sep);
    // The folder above may be reached through links (a profile on another disk): what counts is
    // the folder it is.
    win::UniqueHandle parent(::CreateFileW(win::nativePath(SystemPath(parentPath)).c_str(),
                                           READ_CONTROL, kShareAll, nullptr, OPEN_EXISTING,
                                           FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!parent.valid())
        return FolderOpening::failed(parentPath, win::errnoOf(::GetLastError()));
    if (const FileTrust verdict = win::folderVerdict(parent.get()); verdict != FileTrust::Trusted)
        return FolderOpening::refused(parentPath, verdict);
    return openIn(win::handleToInt(parent.get()), path, path.substr(sep + 1));
}

FolderOpening TrustedFolder::subfolder(const std::string& name) const {
    if (!isNameOnly(name))
        return FolderOpening::failed(path_ + "/" + name, EINVAL);
    return openIn(fd_, path_ + "/" + name, name);
}

FolderOpening TrustedFolder::openIn(int parentFd, const std::string& path,
                                    const std::string& name) {
    const std::wstring native = win::nativePath(SystemPath(path));
    win::PrivateSecurity security;
    if (!::CreateDirectoryW(native.c_str(), security.attributes()) &&
        ::GetLastError() != ERROR_ALREADY_EXISTS)
        return FolderOpening::failed(path, win::errnoOf(::GetLastError()));
    // No FILE_SHARE_DELETE: nobody renames or removes it while it is open here.
    win::UniqueHandle folder(
        ::CreateFileW(native.c_str(), READ_CONTROL | FILE_READ_ATTRIBUTES | FILE_LIST_DIRECTORY,
                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                      FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!folder.valid())
        return FolderOpening::failed(path, win::errnoOf(::GetLastError()));
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(folder.get(), &info))
        return FolderOpening::refused(path, FileTrust::Unexaminable);
    const std::optional<std::wstring> wideName = win::widen(name);
    if (!wideName || !win::openedAsItself(folder.get(), win::intToHandle(parentFd), *wideName) ||
        !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        FolderOpening result = FolderOpening::failed(path, ENOTDIR);
        result.status = FolderOpening::Status::NotFolder;
        return result;
    }
    if (const FileTrust verdict = win::folderVerdict(folder.get()); verdict != FileTrust::Trusted)
        return FolderOpening::refused(path, verdict);
    FolderOpening result;
    result.status = FolderOpening::Status::Opened;
    result.folder.reset(new TrustedFolder(win::handleToInt(folder.release()), path));
    return result;
}

TrustedFolder::Entry TrustedFolder::examine(const std::string& name) const {
    if (!isNameOnly(name))
        return Entry::Foreign;
    const std::wstring path = entryPath(path_, name);
    const win::UniqueHandle entry = openEntry(path);
    if (!entry.valid()) {
        const DWORD error = ::GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? Entry::Missing
                                                                              : Entry::Foreign;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(entry.get(), &info) ||
        !win::openedAsItself(entry.get(), win::intToHandle(fd_),
                             win::widen(name).value_or(std::wstring())) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ||
        ::GetFileType(entry.get()) != FILE_TYPE_DISK ||
        win::fileVerdict(entry.get()) != FileTrust::Trusted)
        return Entry::Foreign;
    return Entry::Private;
}

// NTFS keeps its own bookkeeping cached; a rehearsal would only leave a file to delete.
void TrustedFolder::rehearseCreate() const {}

int TrustedFolder::createFile(const std::string& name) const {
    if (!isNameOnly(name)) {
        errno = EINVAL;
        return -1;
    }
    win::PrivateSecurity security;
    // CREATE_NEW never opens what stands there, a link included.
    const HANDLE file = ::CreateFileW(
        entryPath(path_, name).c_str(), GENERIC_WRITE, kShareAll, security.attributes(), CREATE_NEW,
        FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        errno = win::errnoOf(::GetLastError());
        return -1;
    }
    return win::wrapHandle(file, _O_WRONLY | _O_BINARY);
}

std::string TrustedFolder::moveAside(const std::string& name, const std::string& suffix) const {
    if (!isNameOnly(name) || !isNameOnly(name + suffix)) {
        errno = EINVAL;
        return std::string();
    }
    const std::wstring from = entryPath(path_, name);
    {
        const win::UniqueHandle entry = openEntry(from);
        if (entry.valid() && win::followedALink(entry.get(), win::intToHandle(fd_),
                                                win::widen(name).value_or(std::wstring()))) {
            // Renaming it by its name would move what it leads to: it stays where it is.
            errno = ELOOP;
            return std::string();
        }
    }
    std::string to = name + suffix;
    for (int n = 1; n < 100; ++n) {
        // Without MOVEFILE_REPLACE_EXISTING: an earlier copy stays as it is. A link is moved as
        // itself.
        if (::MoveFileExW(from.c_str(), entryPath(path_, to).c_str(), 0))
            return to;
        const DWORD error = ::GetLastError();
        if (error != ERROR_ALREADY_EXISTS && error != ERROR_FILE_EXISTS) {
            errno = win::errnoOf(error);
            return std::string();
        }
        to = name + suffix + "-" + std::to_string(n);
    }
    errno = EEXIST;
    return std::string();
}

int64_t TrustedFolder::fileSize(const std::string& name) const {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!isNameOnly(name) ||
        !::GetFileAttributesExW(entryPath(path_, name).c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)))
        return -1;
    return (static_cast<int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

bool TrustedFolder::removeFile(const std::string& name) const {
    // DeleteFileW removes a link as itself and never a folder.
    return isNameOnly(name) && ::DeleteFileW(entryPath(path_, name).c_str()) != 0;
}

std::vector<std::string> TrustedFolder::names() const {
    std::vector<std::string> result;
    WIN32_FIND_DATAW found{};
    const HANDLE search = ::FindFirstFileExW(entryPath(path_, "*").c_str(), FindExInfoBasic, &found,
                                             FindExSearchNameMatch, nullptr, 0);
    if (search == INVALID_HANDLE_VALUE)
        return result;
    do {
        const std::wstring name = found.cFileName;
        if (name != L"." && name != L"..")
            result.push_back(win::narrow(name));
    } while (::FindNextFileW(search, &found));
    ::FindClose(search);
    return result;
}

} // namespace platform
